#pragma once
// A dock window that holds palettes: docked in the left or right dock bar of the main frame
// or floating; minimum and maximum size; opacity 0..100 (while floating); the close button
// hides it; several palettes become tabs. Its place is saved to and loaded from an XML
// element so a plug-in can keep it from one run to the next.

#include <QDockWidget>
#include <QString>
#include <vector>

#include "platform/ui/ui_export.h"

class QDomElement;
class QTabWidget;
class QStackedWidget;

namespace ui {

class Palette;

enum class DockSide { Left, Right, Floating };

class KESTRA_UI_EXPORT PaletteSet : public QDockWidget {
  Q_OBJECT
 public:
  explicit PaletteSet(const QString& title, QWidget* parent = nullptr);
  ~PaletteSet() override;
  PaletteSet(const PaletteSet&) = delete;
  PaletteSet& operator=(const PaletteSet&) = delete;

  // Takes ownership; returns the palette's index.
  int addPalette(const QString& name, Palette* palette);
  int paletteCount() const { return static_cast<int>(palettes_.size()); }
  Palette* palette(int index) const;
  Palette* activePalette() const;
  void setActivePalette(int index);

  // Docks into the main frame's left or right dock bar, or floats. Without a main frame
  // the set floats.
  void dock(DockSide side);
  DockSide dockSide() const;

  // 0 (transparent) .. 100 (opaque); applies while the set floats.
  void setOpacity(int percent);
  int opacity() const { return opacity_; }

  // Writes position, size, dock side and floating state as attributes of `element`.
  void save(QDomElement& element) const;
  // Applies what save() wrote. A null element, or one without usable values, changes
  // nothing and answers false.
  bool load(const QDomElement* element);

 signals:
  void activePaletteChanged(int index);

 protected:
  void showEvent(QShowEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void tabChanged(int index);

  QStackedWidget* single_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  std::vector<Palette*> palettes_;
  int opacity_ = 100;
  DockSide lastDockedSide_ = DockSide::Left;
};

}  // namespace ui
