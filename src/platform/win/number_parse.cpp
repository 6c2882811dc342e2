#include "platform/win/number_parse.h"

#include <charconv>
#include <cmath>

namespace win {

std::optional<double> parseFiniteNumber(std::string_view text) {
  if (text.starts_with("+")) text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<std::vector<double>> parseFiniteNumberList(std::string_view text, std::size_t count) {
  std::vector<double> values;
  while (true) {
    const std::size_t comma = text.find(',');
    const auto value = parseFiniteNumber(text.substr(0, comma));
    if (!value) return std::nullopt;
    values.push_back(*value);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  if (values.size() != count) return std::nullopt;
  return values;
}

}  // namespace win
