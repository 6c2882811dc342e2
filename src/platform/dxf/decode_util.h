#pragma once
// Small helpers shared by the record decoders.

#include <charconv>
#include <climits>
#include <span>
#include <string>

#include "platform/cad/handle_text.h"
#include "platform/cad/simple_entities.h"
#include "platform/dxf/group_codes.h"
#include "platform/dxf/tag_reader.h"

namespace dxf::detail {

inline cad::Handle parseHandle(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.remove_suffix(1);
  return cad::parseHandle(text).value_or(0);
}

// Calls f(tag) for the record's own data: not the type tag, not application data
// ("102 {APP ... 102 }"), not subclass markers, not extended data.
template <class F>
void forDataTags(const Record& record, F&& f) {
  int depth = 0;
  bool first = true;
  record.forEach([&](const Tag& t) {
    if (first) {
      first = false;
      return true;
    }
    if (t.code >= 1000) return false;
    if (t.code == 102) {
      if (!t.value.empty() && t.value.front() == '{') {
        ++depth;
      } else if (depth > 0) {
        --depth;
      }
      return true;
    }
    if (depth > 0 || t.code == 100) return true;
    f(t);
    return true;
  });
}

inline double real(const Tag& t, double fallback = 0.0) { return realOf(t).value_or(fallback); }

// The first data tag of a record whose group code calls for a number but whose value is not
// one (or not a finite one); nullopt when every number reads.
inline std::optional<Tag> firstUnreadableNumber(const Record& record) {
  std::optional<Tag> bad;
  forDataTags(record, [&](const Tag& t) {
    if (bad) return;
    switch (valueTypeOf(t.code)) {
      case ValueType::Real:
        if (!realOf(t)) bad = t;
        break;
      case ValueType::Int16:
      case ValueType::Int32:
      case ValueType::Int64:
      case ValueType::Bool:
        if (!integerOf(t)) bad = t;
        break;
      default:
        break;
    }
  });
  return bad;
}
inline int integer(const Tag& t, int fallback = 0) {
  auto v = integerOf(t);
  if (!v || *v < INT_MIN || *v > INT_MAX) return fallback;
  return static_cast<int>(*v);
}

// Point coordinates by group code: base is x, base + 10 is y, base + 20 is z.
inline bool isCoord(int code, int base) {
  return code == base || code == base + 10 || code == base + 20;
}
template <class P>
void setCoord(P& p, int code, int base, double v) {
  if (code == base) p.x = v;
  if (code == base + 10) p.y = v;
  if (code == base + 20) p.z = v;
}

// The properties every entity has, gathered while its tags go by.
class CommonTags {
 public:
  template <class TextFn>
  bool take(const Tag& t, TextFn&& text) {
    switch (t.code) {
      case 8:
        layer_ = text(t.value);
        return true;
      case 6:
        linetype_ = text(t.value);
        return true;
      case 62:
        colour_ = integer(t, cad::kColourByLayer);
        return true;
      case 48:
        ltscale_ = real(t, 1.0);
        return true;
      case 39:
        extrusion_.thickness = real(t);
        return true;
      case 210:
      case 220:
      case 230:
        setCoord(extrusion_.normal, t.code, 210, real(t));
        return true;
      default:
        return false;
    }
  }
  const cad::Extrusion& extrusion() const { return extrusion_; }
  void applyTo(cad::Entity& e) const {
    e.setLayer(layer_);
    e.setLinetype(linetype_);
    e.setColour(colour_);
    e.setLinetypeScale(ltscale_);
  }

 private:
  std::string layer_ = "0";
  std::string linetype_ = "ByLayer";
  int colour_ = cad::kColourByLayer;
  double ltscale_ = 1.0;
  cad::Extrusion extrusion_;
};

}  // namespace dxf::detail
