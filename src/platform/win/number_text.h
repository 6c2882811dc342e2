#pragma once
// Number texts as the C runtime's formats write and read them ("%.3f", "%d", "%lf", atof),
// but independent of the process locale, so that a host that sets a locale with a decimal
// comma cannot change what is written or read.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace win {

// "%.Nf" of `value`.
std::string formatFixed(double value, int decimals);

// "%.Nf", then trailing zeros and a trailing point removed (12.50 -> "12.5", 7.00 -> "7").
std::string formatTrimmed(double value, int decimals);

// Whole-field readers: optional leading blanks, then the number, then nothing else. Reals
// must be finite.
std::optional<double> parseReal(std::string_view text);
std::optional<std::int64_t> parseInteger(std::string_view text);

// atof: the longest leading number, 0.0 when there is none.
double leadingReal(std::string_view text);

}  // namespace win
