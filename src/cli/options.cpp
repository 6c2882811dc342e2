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
  bool stored;  // kept in the user's settings store between runs
  std::string_view meaning;
};

// Every scalar member of the record; the lists and the preview state are not settings.
// The meanings are what `ruvo settings` prints.
const Setting kSettings[] = {
    {"FilterHMax", &CDocData::FilterHMax, true, "upper bound of the elevation filter, inclusive"},
    {"FilterHMin", &CDocData::FilterHMin, true, "lower bound of the elevation filter, inclusive"},
    {"bIncrement", &CDocData::bIncrement, false,
     "1: the elevation editor proposes the row above plus dIncrement"},
    {"FilterHeight", &CDocData::FilterHeight, true,
     "1: keep only crossings with FilterHMin <= elevation <= FilterHMax"},
    {"AutoAssign", &CDocData::AutoAssign, true, "1: replace abnormal elevations by interpolation"},
    {"dIncrement", &CDocData::dIncrement, true, "the increment of the elevation editor"},
    {"XYScale", &CDocData::XYScale, true, "plan scale denominator (kept in the data file)"},
    {"XScale", &CDocData::XScale, true,
     "horizontal scale denominator of the profile (kept in the data file)"},
    {"YScale", &CDocData::YScale, true,
     "vertical scale denominator of the profile (kept in the data file)"},
    {"bXYEqual", &CDocData::bXYEqual, true, "1: the vertical scale follows the horizontal one"},
    {"bXScale", &CDocData::bXScale, true, "1: draw the distance row"},
    {"txtX", &CDocData::txtX, true, "distance tick step, metres"},
    {"txtY", &CDocData::txtY, true, "elevation tick step, metres"},
    {"bUserRange", &CDocData::bUserRange, false,
     "1: the typed elevation range (dUserTop, dUserBottom) is in force"},
    {"dHighMax", &CDocData::dHighMax, false,
     "highest elevation of the points that count (computed)"},
    {"dHighMin", &CDocData::dHighMin, false,
     "lowest elevation of the points that count (computed)"},
    {"dUserTop", &CDocData::dUserTop, false, "typed elevation range, top"},
    {"dUserBottom", &CDocData::dUserBottom, false, "typed elevation range, bottom"},
    {"dRangeTop", &CDocData::dRangeTop, false, "elevation range of the drawing, top (computed)"},
    {"dRangeBottom", &CDocData::dRangeBottom, false,
     "elevation range of the drawing, bottom (computed)"},
    {"strPmName", &CDocData::strPmName, true, "profile title (kept in the data file)"},
    {"bLineType", &CDocData::bLineType, true, "profile line: 0 polyline, 1 curve"},
    {"bReverse", &CDocData::bReverse, true, "1: draw from the last point to the first"},
    {"Interval", &CDocData::Interval, true,
     "ruler labels: 0 every second tick step, 1 every tick step"},
    {"bDistAndHigh", &CDocData::bDistAndHigh, true, "1: draw the spacing and elevation rows"},
    {"bDirection1", &CDocData::bDirection1, true, "1: draw the azimuth row (style 1)"},
    {"bDirection2", &CDocData::bDirection2, true, "1: draw the azimuth arrows (style 2)"},
    {"bKneePosition", &CDocData::bKneePosition, true,
     "1: coordinate row with coordinates at knee points"},
    {"bRemarkPosition", &CDocData::bRemarkPosition, true,
     "1: coordinate row with coordinates at marked points"},
    {"RodWidth", &CDocData::RodWidth, true, "width of each elevation ruler, 0.1 to 3.0"},
    {"SideDistance", &CDocData::SideDistance, true,
     "gap between each ruler and the profile area, 0 to 10"},
    {"KneePnt", &CDocData::KneePnt, true,
     "points listed: 0 crossings, 1 crossings and knees, 2 knees only"},
    {"bSetHigh", &CDocData::bSetHigh, true,
     "1: a typed elevation is written back to the drawing object"},
    {"bFromDrawing", &CDocData::bFromDrawing, false,
     "1 after a cut of the drawing, 0 after loading a data file"},
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

std::string ValueText(const CDocData& doc, const Member& member) {
  if (auto* real = std::get_if<double CDocData::*>(&member)) {
    char text[32];
    auto [end, ec] = std::to_chars(text, text + sizeof text, doc.*(*real));
    return ec == std::errc() ? std::string(text, end) : std::string("?");
  }
  if (auto* whole = std::get_if<std::int32_t CDocData::*>(&member)) {
    return std::to_string(doc.*(*whole));
  }
  return doc.*std::get<std::string CDocData::*>(member);
}

}  // namespace

std::vector<SettingInfo> DescribeSettings(const CDocData& current) {
  const CDocData defaults;
  std::vector<SettingInfo> infos;
  for (const Setting& s : kSettings) {
    infos.push_back({std::string(s.name), ValueText(current, s.member),
                     ValueText(defaults, s.member), std::string(s.meaning), s.stored});
  }
  return infos;
}

std::string SettingsHelp() {
  std::string text =
      "Settings for --set NAME=VALUE (`ruvo settings` shows their values, defaults "
      "and meanings):";
  for (const Setting& s : kSettings)
    text += (text.back() == ':' ? " " : ", ") + std::string(s.name);
  return text + ".";
}

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
    // As on the drawing page: while the scales are tied, the vertical one follows the
    // horizontal one when that is set, and takes it when they are tied.
    if (doc.bXYEqual == 1 && (name == "XScale" || name == "bXYEqual")) doc.YScale = doc.XScale;
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

}  // namespace cli
