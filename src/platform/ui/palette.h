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

 signals:
  void becameActive();
};

}  // namespace ui
