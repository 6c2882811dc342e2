#pragma once
// The percent control codes of single-line texts: "%%d" degree, "%%p" plus-minus,
// "%%c" diameter, "%%%" a percent sign, "%%nnn" a character by number; "%%o" and "%%u"
// (over- and underline switches) are dropped.

#include <string>
#include <string_view>

namespace render {

std::string resolveTextCodes(std::string_view text);

}  // namespace render
