#pragma once
// One page of a palette set. Several palettes in one set become tabs.

#include <QWidget>

#include "platform/ui/ui_export.h"

namespace ui {

class KESTRA_UI_EXPORT Palette : public QWidget {
  Q_OBJECT
 public:
  explicit Palette(QWidget* parent = nullptr);
  ~Palette() override;

  // Called when the palette becomes the set's current page (and when a set with a single
  // palette is shown).
  virtual void activated() {}

  // Asked when the pointer leaves the palette set while the keyboard focus is inside it:
  // false (the default) gives the focus back to the drawing view, so that typing goes to
  // the command line again; true keeps it, for palettes whose boxes the user types into
  // while looking at the drawing.
  virtual bool keepsFocus() const { return false; }

 signals:
  void becameActive();
};

}  // namespace ui
