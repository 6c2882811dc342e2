#pragma once
// Command-line options shared by the sub-commands: settings overrides by member name
// ("--set FilterHeight=1"), number lists ("X,Y") and the reading of option values.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ruvo/section/doc_data.h"

namespace cli {

// Sets the member of `doc` that `assignment` ("NAME=VALUE") names, for this run only.
// Integer members take whole numbers, real members finite numbers, "strPmName" any text.
// On failure the document is unchanged and `error` says why.
bool ApplySetting(ruvo::CDocData& doc, std::string_view assignment, std::string& error);

// The names ApplySetting knows, in the record's order.
std::vector<std::string_view> SettingNames();

// "1.5,-2,3e2" as numbers; nullopt unless there are exactly `count` finite numbers.
std::optional<std::vector<double>> ParseNumberList(std::string_view text, std::size_t count);

// "A,B\,C" as {"A", "B,C"}: names split at commas, "\," and "\\" escape a comma and a
// backslash so that any layer name can be given. An empty text gives no names.
std::vector<std::string> SplitNameList(std::string_view text);

// Walks argv-style arguments: option(name) consumes "--name VALUE" or "--name=VALUE".
class ArgReader {
 public:
  explicit ArgReader(std::span<const std::string_view> args) : args_(args) {}

  bool done() const { return pos_ >= args_.size(); }
  std::string_view peek() const { return args_[pos_]; }
  // True when the current argument is the flag; it is consumed.
  bool flag(std::string_view name);
  // True when the current argument is the option; its value goes into `value`. A missing
  // value sets `missing` and still consumes the option.
  bool option(std::string_view name, std::string_view& value);
  // The current argument as it is, consumed.
  std::string_view take() { return args_[pos_++]; }
  bool missingValue() const { return missing_; }
  std::string_view missingName() const { return missingName_; }

 private:
  std::span<const std::string_view> args_;
  std::size_t pos_ = 0;
  bool missing_ = false;
  std::string_view missingName_;
};

}  // namespace cli
