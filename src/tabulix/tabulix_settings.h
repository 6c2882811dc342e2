#pragma once
// The export tool's settings file "Tabulix.ini": shown column count, decimals, display
// mode, renumber switch, the nine column titles and the remark-code table.

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tabulix {

inline constexpr int kFieldCount = 9;
inline constexpr int kCodePairs = 10;

// The nine fields, in the header chooser's order; also the default column titles.
inline constexpr std::array<std::string_view, kFieldCount> kDefaultTitles = {
    "编号", "坐标X", "坐标Y", "高程Z", "与起点距离", "与前点距离", "注释", "方位", "图层"};

using CodePair = std::pair<std::string, std::string>;  // (code, remark)

struct TabulixSettings {
  int columnCount = 3;  // ColnumNum, kept within 2..9
  int decimals = 3;     // DecimalNum, kept within 0..6
  int displayMode = 0;  // KneePnt: 0 crossings, 1 crossings and knees, 2 knees only
  int renumber = 0;
  std::array<std::string, kFieldCount> titles = {
      std::string(kDefaultTitles[0]), std::string(kDefaultTitles[1]),
      std::string(kDefaultTitles[2]), std::string(kDefaultTitles[3]),
      std::string(kDefaultTitles[4]), std::string(kDefaultTitles[5]),
      std::string(kDefaultTitles[6]), std::string(kDefaultTitles[7]),
      std::string(kDefaultTitles[8])};
  std::vector<CodePair> codeTable = std::vector<CodePair>(kCodePairs);  // exactly ten
};

int ClampColumnCount(int n);
int ClampDecimals(int d);

// Reads the file over `settings` (a missing file or key keeps the current value), then the
// code table, brought to exactly ten pairs.
void LoadSettings(const std::filesystem::path& ini, TabulixSettings& settings);
// The "CODE" section in file order: every key name, read whole however many there are,
// values without leading and trailing double quotes. Not yet brought to ten pairs.
std::vector<CodePair> LoadCodeTable(const std::filesystem::path& ini);
// Writes the settings, the titles and every complete code pair. Codes no longer in the
// table stay in the file. False when the file cannot be written.
bool SaveSettings(const std::filesystem::path& ini, const TabulixSettings& settings);

// Drops pairs beyond the tenth and appends empty ones up to ten.
void BringToTenPairs(std::vector<CodePair>& table);
// The code list's rows (0 to 9) become the table: trimmed, complete pairs only, moved up.
std::vector<CodePair> ApplyCodeTable(const std::vector<CodePair>& rows);
// A typed code: upper-cased, the first two letters A to Z kept; nullopt when there are none
// (the cell keeps its old text).
std::optional<std::string> NormalizeCode(std::string_view typed);

}  // namespace tabulix
