#include "platform/ui/palette.h"

namespace ui {

Palette::Palette(QWidget* parent) : QWidget(parent) {}
Palette::~Palette() = default;

}  // namespace ui
