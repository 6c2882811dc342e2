#pragma once
// Number texts as the system's C formats write and read them ("%.3f", "%d", "%lf"), but
// independent of the process locale, so a host that sets a locale with a decimal comma
// cannot change the files.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ruvo {

// "%.Nf" of `value`.
std::string FormatFixed(double value, int decimals);

// Whole-field readers: optional leading blanks, then the number, then nothing else. Reals
// must be finite ("nan" or "inf" in a data file is damage, not data).
std::optional<double> ParseReal(std::string_view text);
std::optional<std::int64_t> ParseInteger(std::string_view text);

// The C library's text-to-double conversion as the settings store uses it: the longest
// leading number, 0.0 when there is none.
double LeadingReal(std::string_view text);

}  // namespace ruvo
