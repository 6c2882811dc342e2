#pragma once
// Small text helpers of the host: names are compared without regard to ASCII case
// (bytes >= 0x80 are compared as they are, so UTF-8 names work unchanged).

#include <string>
#include <string_view>

#include "platform/win/utf8.h"

namespace host {

inline char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// Names are compared with win::equalsIgnoreAsciiCase, the one case-blind compare.
inline std::string toUpperAscii(std::string_view s) { return win::asciiUpper(s); }

}  // namespace host
