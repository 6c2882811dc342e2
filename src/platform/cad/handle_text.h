#pragma once
// Handles as files and command lines write them.

#include <charconv>
#include <optional>
#include <string_view>

#include "platform/cad/object_id.h"

namespace cad {

// One to sixteen hex digits, nothing else (callers trim what their format allows around
// them). Zero parses; it names no object.
inline std::optional<Handle> parseHandle(std::string_view text) {
  Handle value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value, 16);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

}  // namespace cad
