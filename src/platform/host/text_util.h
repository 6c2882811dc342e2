#pragma once
// Small text helpers of the host: names are compared without regard to ASCII case
// (bytes >= 0x80 are compared as they are, so UTF-8 names work unchanged).

#include <string>
#include <string_view>

namespace host {

inline char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

inline bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (asciiUpper(a[i]) != asciiUpper(b[i])) return false;
  }
  return true;
}

inline std::string toUpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = asciiUpper(c);
  return out;
}

}  // namespace host
