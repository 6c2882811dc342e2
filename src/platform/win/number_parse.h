#pragma once
// Numbers given on command lines and in settings: the one place that decides what counts as
// a number, so that every program refuses the same things ("nan", "inf", "1e400", "0x10",
// blanks, trailing junk).

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace win {

// A finite decimal number; nullopt for anything else, non-finite values and overflow
// included.
std::optional<double> parseFiniteNumber(std::string_view text);

// "1.5,-2,3e2" as numbers; nullopt unless there are exactly `count` finite numbers.
std::optional<std::vector<double>> parseFiniteNumberList(std::string_view text, std::size_t count);

}  // namespace win
