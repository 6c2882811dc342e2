#include "cli/options.h"

#include <charconv>
#include <cmath>
#include <variant>

namespace cli {
namespace {

using ruvo::CDocData;
using Member = std::variant<double CDocData::*, std::int32_t CDocData::*, std::string CDocData::*>;

struct Setting {
  std::string_view name;
  Member member;
};

// Every scalar member of the record; the lists and the preview state are not settings.
const Setting kSettings[] = {
    {"FilterHMax", &CDocData::FilterHMax},
    {"FilterHMin", &CDocData::FilterHMin},
    {"bIncrement", &CDocData::bIncrement},
    {"FilterHeight", &CDocData::FilterHeight},
    {"AutoAssign", &CDocData::AutoAssign},
    {"dIncrement", &CDocData::dIncrement},
    {"XYScale", &CDocData::XYScale},
    {"XScale", &CDocData::XScale},
    {"YScale", &CDocData::YScale},
    {"bXYEqual", &CDocData::bXYEqual},
    {"bXScale", &CDocData::bXScale},
    {"txtX", &CDocData::txtX},
    {"txtY", &CDocData::txtY},
    {"bUserRange", &CDocData::bUserRange},
    {"dHighMax", &CDocData::dHighMax},
    {"dHighMin", &CDocData::dHighMin},
    {"dUserTop", &CDocData::dUserTop},
    {"dUserBottom", &CDocData::dUserBottom},
    {"dRangeTop", &CDocData::dRangeTop},
    {"dRangeBottom", &CDocData::dRangeBottom},
    {"strPmName", &CDocData::strPmName},
    {"bLineType", &CDocData::bLineType},
    {"bReverse", &CDocData::bReverse},
    {"Interval", &CDocData::Interval},
    {"bDistAndHigh", &CDocData::bDistAndHigh},
    {"bDirection1", &CDocData::bDirection1},
    {"bDirection2", &CDocData::bDirection2},
    {"bKneePosition", &CDocData::bKneePosition},
    {"bRemarkPosition", &CDocData::bRemarkPosition},
    {"RodWidth", &CDocData::RodWidth},
    {"SideDistance", &CDocData::SideDistance},
    {"KneePnt", &CDocData::KneePnt},
    {"bSetHigh", &CDocData::bSetHigh},
    {"bFromDrawing", &CDocData::bFromDrawing},
};

std::optional<double> ParseDouble(std::string_view text) {
  double value = 0.0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<std::int32_t> ParseInt(std::string_view text) {
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

}  // namespace

std::vector<std::string_view> SettingNames() {
  std::vector<std::string_view> names;
  for (const Setting& s : kSettings) names.push_back(s.name);
  return names;
}

bool ApplySetting(CDocData& doc, std::string_view assignment, std::string& error) {
  const std::size_t eq = assignment.find('=');
  if (eq == std::string_view::npos) {
    error = "--set needs NAME=VALUE, not '" + std::string(assignment) + "'";
    return false;
  }
  const std::string_view name = assignment.substr(0, eq);
  const std::string_view text = assignment.substr(eq + 1);
  for (const Setting& s : kSettings) {
    if (s.name != name) continue;
    if (auto* real = std::get_if<double CDocData::*>(&s.member)) {
      auto value = ParseDouble(text);
      if (!value) break;
      doc.*(*real) = *value;
    } else if (auto* whole = std::get_if<std::int32_t CDocData::*>(&s.member)) {
      auto value = ParseInt(text);
      if (!value) break;
      doc.*(*whole) = *value;
    } else {
      doc.*std::get<std::string CDocData::*>(s.member) = std::string(text);
    }
    return true;
  }
  bool known = false;
  for (const Setting& s : kSettings) known = known || s.name == name;
  error = known
              ? "--set " + std::string(name) + ": '" + std::string(text) + "' is not a valid value"
              : "--set: no setting named '" + std::string(name) + "'";
  return false;
}

std::optional<std::vector<double>> ParseNumberList(std::string_view text, std::size_t count) {
  std::vector<double> values;
  while (true) {
    const std::size_t comma = text.find(',');
    auto value = ParseDouble(text.substr(0, comma));
    if (!value) return std::nullopt;
    values.push_back(*value);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  if (values.size() != count) return std::nullopt;
  return values;
}

std::vector<std::string> SplitNameList(std::string_view text) {
  std::vector<std::string> names;
  if (text.empty()) return names;
  std::string current;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == ',' || text[i + 1] == '\\')) {
      current += text[++i];
    } else if (c == ',') {
      names.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
  }
  names.push_back(std::move(current));
  return names;
}

bool ArgReader::flag(std::string_view name) {
  if (done() || args_[pos_] != name) return false;
  ++pos_;
  return true;
}

bool ArgReader::option(std::string_view name, std::string_view& value) {
  if (done()) return false;
  const std::string_view arg = args_[pos_];
  if (arg.starts_with(name) && arg.size() > name.size() && arg[name.size()] == '=') {
    value = arg.substr(name.size() + 1);
    ++pos_;
    return true;
  }
  if (arg != name) return false;
  ++pos_;
  if (done()) {
    missing_ = true;
    missingName_ = name;
    value = {};
    return true;
  }
  value = args_[pos_++];
  return true;
}

}  // namespace cli
