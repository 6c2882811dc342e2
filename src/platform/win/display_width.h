#pragma once
// Terminal cells of UTF-8 text, for the tables the command-line programs print.

#include <cstddef>
#include <string_view>

namespace win {

// East Asian wide and full-width characters (CJK, Hangul, full-width forms, emoji) take
// two cells, every other character one.
std::size_t displayWidth(std::string_view text);

}  // namespace win
