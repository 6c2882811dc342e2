#pragma once
// Model space of a drawing database (or a window of it) as a picture: every modelled entity
// kind, block references nested to any depth, colours and linetypes resolved through
// layers and blocks, texts with their alignment, width factor and control codes.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/cad/database.h"
#include "platform/render/primitives.h"

namespace render {

struct RenderOptions {
  // Only entities whose extents meet the window (world XY).
  std::optional<geom::Extents2d> window;
  // Only entities on these layers (top-level layer, compared without regard to ASCII
  // case); empty: every layer that is neither off nor frozen.
  std::vector<std::string> layers;
  // Chordal tolerance of curves; 0: a 4000th of the extent drawn.
  double tolerance = 0;
};

struct RenderReport {
  std::size_t entities = 0;                    // top-level entities drawn
  std::map<std::string, std::size_t> skipped;  // kinds that have no picture, by type name
};

// One entity as it is drawn where it stands (block references through their blocks),
// curves to within `tolerance`; the entity's own layer switches are not looked at.
Picture renderEntity(const cad::Database& db, const cad::Entity& e, double tolerance,
                     RenderReport* report = nullptr);

Picture renderModelSpace(const cad::Database& db, const RenderOptions& options = {},
                         RenderReport* report = nullptr);

}  // namespace render
