// The group codes each record type models. This table is what the writer consults when
// it rewrites a changed record: these codes take the object's values, every other tag
// stays where it was.

#include <algorithm>
#include <array>

#include "platform/dxf/record_codec.h"

namespace dxf {
namespace {

// Handle, owner and the common entity properties (thickness and normal included, which
// every entity that has them stores under the same codes).
#define ENTITY_CODES 5, 330, 8, 6, 62, 48, 39, 210, 220, 230

const std::array<RecordLayout, 17> kLayouts = {{
    // Any other entity: only the common properties are the database's.
    {"*ENTITY", {5, 330, 8, 6, 62, 48}, {}},
    {"LINE", {ENTITY_CODES, 10, 20, 30, 11, 21, 31}, {}},
    {"POINT", {ENTITY_CODES, 10, 20, 30, 50}, {}},
    {"CIRCLE", {ENTITY_CODES, 10, 20, 30, 40}, {}},
    {"ARC", {ENTITY_CODES, 10, 20, 30, 40, 50, 51}, {}},
    {"ELLIPSE", {ENTITY_CODES, 10, 20, 30, 11, 21, 31, 40, 41, 42}, {}},
    {"LWPOLYLINE", {ENTITY_CODES, 90, 70, 43, 38}, {10, 20, 40, 41, 42, 91}},
    {"SPLINE",
     {ENTITY_CODES, 70, 71, 72, 73, 74, 42, 43, 44, 12, 22, 32, 13, 23, 33},
     {40, 41, 10, 20, 30, 11, 21, 31}},
    {"TEXT", {ENTITY_CODES, 10, 20, 30, 11, 21, 31, 40, 1, 50, 41, 51, 7, 71, 72, 73}, {}},
    {"INSERT", {ENTITY_CODES, 66, 2, 10, 20, 30, 41, 42, 43, 50}, {}},
    // Only the elevation of the dummy point is the polyline's; its x and y stay as written.
    {"POLYLINE", {ENTITY_CODES, 66, 30, 70, 40, 41, 75}, {}},
    {"VERTEX", {5, 330, 8, 10, 20, 30, 40, 41, 42, 50, 70}, {}},
    {"LAYER", {5, 330, 2, 70, 62, 6, 290}, {}},
    {"STYLE", {5, 330, 2, 70, 40, 41, 50, 71, 42, 3, 4}, {}},
    {"LTYPE", {5, 330, 2, 70, 3, 72, 73, 40}, {49, 74, 75, 340, 46, 50, 44, 45, 9}},
    {"BLOCK_RECORD", {5, 330, 2}, {}},
    {"BLOCK", {5, 330, 8, 2, 3, 70, 10, 20, 30}, {}},
}};

#undef ENTITY_CODES

}  // namespace

bool RecordLayout::models(int code) const {
  return std::find(modelled.begin(), modelled.end(), code) != modelled.end();
}

bool RecordLayout::inRun(int code) const {
  return std::find(runs.begin(), runs.end(), code) != runs.end();
}

const RecordLayout* layoutFor(std::string_view type) {
  for (const auto& layout : kLayouts) {
    if (layout.type == type) return &layout;
  }
  return nullptr;
}

}  // namespace dxf
