#pragma once
// Number texts of the data files, the settings and the lists: the C runtime's formats,
// independent of the process locale (see platform/win/number_text.h).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/win/number_text.h"

namespace ruvo {

// "%.Nf" of `value`.
inline std::string FormatFixed(double value, int decimals) {
  return win::formatFixed(value, decimals);
}

// Whole-field readers: optional leading blanks, then the number, then nothing else. Reals
// must be finite ("nan" or "inf" in a data file is damage, not data).
inline std::optional<double> ParseReal(std::string_view text) { return win::parseReal(text); }
inline std::optional<std::int64_t> ParseInteger(std::string_view text) {
  return win::parseInteger(text);
}

// The C library's text-to-double conversion as the settings store uses it: the longest
// leading number, 0.0 when there is none.
inline double LeadingReal(std::string_view text) { return win::leadingReal(text); }

}  // namespace ruvo
