// The group codes each record type models, as its table declares them. This is what the
// writer consults when it rewrites a changed record: these codes take the object's values,
// every other tag stays where it was.

#include <algorithm>
#include <vector>

#include "platform/dxf/record_codec.h"
#include "platform/dxf/record_tables.h"

namespace dxf {
namespace {

std::vector<RecordLayout> makeLayouts() {
  std::vector<RecordLayout> layouts;
  auto add = [&](std::string_view type, auto fill) {
    RecordLayout& layout = layouts.emplace_back();
    layout.type = type;
    fill(layout.modelled, layout.runs);
  };
  add("*ENTITY", [](auto& m, auto& r) { table::anyEntityTable().layout(m, r); });
  for (auto family : {table::simpleEntityCodecs(), table::curveEntityCodecs()}) {
    for (const table::EntityCodec& codec : family) add(codec.type, codec.layout);
  }
  add("VERTEX", [](auto& m, auto& r) { table::vertexTable().layout(m, r); });
  for (const table::EntryCodec& codec : table::entryCodecs()) add(codec.type, codec.layout);
  add("BLOCK", [](auto& m, auto& r) { table::blockTable().layout(m, r); });
  return layouts;
}

}  // namespace

bool RecordLayout::models(int code) const {
  return std::find(modelled.begin(), modelled.end(), code) != modelled.end();
}

bool RecordLayout::inRun(int code) const {
  return std::find(runs.begin(), runs.end(), code) != runs.end();
}

const RecordLayout* layoutFor(std::string_view type) {
  static const std::vector<RecordLayout> layouts = makeLayouts();
  for (const auto& layout : layouts) {
    if (layout.type == type) return &layout;
  }
  return nullptr;
}

}  // namespace dxf
