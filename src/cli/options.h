#pragma once
// Command-line options shared by the sub-commands: settings overrides by member name
// ("--set FilterHeight=1"), number lists ("X,Y") and the reading of option values.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ruvo/section/doc_data.h"

namespace cli {

// Sets the member of `doc` that `assignment` ("NAME=VALUE") names, for this run only.
// Integer members take whole numbers, real members finite numbers, "strPmName" any text.
// On failure the document is unchanged and `error` says why.
bool ApplySetting(ruvo::CDocData& doc, std::string_view assignment, std::string& error);

struct SettingInfo {
  std::string name;
  std::string value;     // in `current`
  std::string fallback;  // the default
  std::string meaning;
  bool stored = false;  // kept between runs in the user's settings store
};

// Every setting ApplySetting knows, in the record's order, with its value in `current`.
std::vector<SettingInfo> DescribeSettings(const ruvo::CDocData& current);

// For a sub-command's help: every name --set takes, and where their meanings are.
std::string SettingsHelp();

// The names ApplySetting knows, in the record's order.
std::vector<std::string_view> SettingNames();

// "1.5,-2,3e2" as numbers; nullopt unless there are exactly `count` finite numbers.
std::optional<std::vector<double>> ParseNumberList(std::string_view text, std::size_t count);

// "A,B\,C" as {"A", "B,C"}: names split at commas, "\," and "\\" escape a comma and a
// backslash so that any layer name can be given. An empty text gives no names.
std::vector<std::string> SplitNameList(std::string_view text);

}  // namespace cli
