#pragma once
// Tags the writer generates from database objects, before they are encoded in the form
// and text encoding of the target file.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cad/object_id.h"
#include "platform/geom/vec.h"

namespace dxf {

struct OutTag {
  enum class Kind : std::uint8_t { Text, Real, Integer, Handle };
  int code = 0;
  Kind kind = Kind::Text;
  double real = 0.0;
  std::int64_t integer = 0;
  std::string text;  // UTF-8
  // Holds the default value: a fresh record leaves it out, and a rewritten record only
  // writes it where the original had the tag.
  bool optional = false;
  // Holds what a reader takes when the tag is absent (a zero elevation, a world Z normal):
  // a fresh record writes it, a rewritten record does not add it where the original had none.
  bool implied = false;
};

class OutTags {
 public:
  void text(int code, std::string_view value) {
    tags.push_back({code, OutTag::Kind::Text, 0.0, 0, std::string(value)});
  }
  void real(int code, double value) { tags.push_back({code, OutTag::Kind::Real, value, 0, {}}); }
  void integer(int code, std::int64_t value) {
    tags.push_back({code, OutTag::Kind::Integer, 0.0, value, {}});
  }
  void handle(int code, cad::Handle value) {
    tags.push_back({code, OutTag::Kind::Handle, 0.0, static_cast<std::int64_t>(value), {}});
  }
  // A point as three tags: code, code + 10, code + 20.
  void point(int code, geom::Point3d p) {
    real(code, p.x);
    real(code + 10, p.y);
    real(code + 20, p.z);
    tags.back().implied = p.z == 0.0;
  }
  void vector(int code, geom::Vector3d v) { point(code, {v.x, v.y, v.z}); }
  void point2(int code, geom::Point2d p) {
    real(code, p.x);
    real(code + 10, p.y);
  }
  void subclass(std::string_view name) { text(100, name); }
  // Marks the tags added since `mark` as optional when `isDefault`.
  std::size_t mark() const { return tags.size(); }
  void optionalSince(std::size_t mark, bool isDefault) {
    for (std::size_t i = mark; i < tags.size(); ++i) tags[i].optional = isDefault;
  }
  void impliedSince(std::size_t mark, bool isDefault) {
    for (std::size_t i = mark; i < tags.size(); ++i) tags[i].implied = isDefault;
  }

  std::vector<OutTag> tags;
};

std::string handleText(cad::Handle h);

}  // namespace dxf
