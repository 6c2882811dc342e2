#include "platform/win/number_text.h"

#include <charconv>
#include <cmath>

namespace win {

std::string formatFixed(double value, int decimals) {
  char buf[400];
  const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed,
                                    decimals < 0 ? 0 : decimals);
  if (result.ec != std::errc()) return "0";
  return std::string(buf, result.ptr);
}

std::string formatTrimmed(double value, int decimals) {
  std::string text = formatFixed(value, decimals);
  if (text.find('.') == std::string::npos) return text;
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

namespace {

std::string_view skipBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text;
}

}  // namespace

std::optional<double> parseReal(std::string_view text) {
  text = skipBlanks(text);
  if (text.starts_with("+")) text.remove_prefix(1);
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<std::int64_t> parseInteger(std::string_view text) {
  text = skipBlanks(text);
  if (text.starts_with("+")) text.remove_prefix(1);
  std::int64_t value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

double leadingReal(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' ||
                           text.front() == '\r')) {
    text.remove_prefix(1);
  }
  const bool negative = text.starts_with("-");
  if (text.starts_with("+") || negative) text.remove_prefix(1);
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec == std::errc::result_out_of_range) return 0.0;
  if (result.ec != std::errc() || text.starts_with("-")) return 0.0;
  return negative ? -value : value;
}

}  // namespace win
