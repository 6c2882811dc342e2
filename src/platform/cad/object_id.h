#pragma once
// Object ids. An object's id is its handle: stable for the object's life, the same value
// the drawing file stores, and never reused within one database. Ids of two different
// databases are unrelated; always resolve an id in the database it came from.

#include <compare>
#include <cstdint>
#include <functional>

namespace cad {

using Handle = std::uint64_t;

class ObjectId {
 public:
  constexpr ObjectId() = default;
  constexpr explicit ObjectId(Handle h) : handle_(h) {}

  constexpr Handle handle() const { return handle_; }
  constexpr bool isNull() const { return handle_ == 0; }
  constexpr explicit operator bool() const { return handle_ != 0; }
  constexpr auto operator<=>(const ObjectId&) const = default;

 private:
  Handle handle_ = 0;
};

}  // namespace cad

template <>
struct std::hash<cad::ObjectId> {
  std::size_t operator()(cad::ObjectId id) const noexcept {
    return std::hash<cad::Handle>{}(id.handle());
  }
};
