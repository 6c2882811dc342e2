#pragma once
// The 256-colour index of drawing files as RGB, for a white background (index 7, white on
// screen in a dark view, paints black here).

#include "platform/render/primitives.h"

namespace render {

Rgb aciColour(int index);

}  // namespace render
