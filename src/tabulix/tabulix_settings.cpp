#include "tabulix/tabulix_settings.h"

#include <algorithm>

#include "platform/win/atomic_file.h"
#include "platform/win/profile.h"
#include "platform/win/utf8.h"
#include "ruvo/section/settings_file.h"

namespace tabulix {

namespace {

constexpr std::size_t kTitleChars = 49;

std::string headKey(int i) { return "表头" + std::to_string(i); }

bool writeKeys(const std::filesystem::path& ini, const TabulixSettings& s) {
  bool ok = win::writeProfileString(ini, "SETTING", "ColnumNum", std::to_string(s.columnCount));
  ok = win::writeProfileString(ini, "SETTING", "DecimalNum", std::to_string(s.decimals)) && ok;
  ok = win::writeProfileString(ini, "SETTING", "KneePnt", std::to_string(s.displayMode)) && ok;
  ok = win::writeProfileString(ini, "SETTING", "Renumber", std::to_string(s.renumber)) && ok;
  for (int i = 0; i < kFieldCount; ++i) {
    ok = win::writeProfileString(ini, "HEAD", headKey(i), s.titles[static_cast<std::size_t>(i)]) &&
         ok;
  }
  for (const auto& [code, remark] : s.codeTable) {
    if (code.empty() || remark.empty()) continue;
    ok = win::writeProfileString(ini, "CODE", code, remark) && ok;
  }
  return ok;
}

}  // namespace

int ClampColumnCount(int n) { return std::clamp(n, 2, kFieldCount); }
int ClampDecimals(int d) { return std::clamp(d, 0, 6); }

void LoadSettings(const std::filesystem::path& ini, TabulixSettings& s) {
  s.columnCount = ClampColumnCount(win::getProfileInt(ini, "SETTING", "ColnumNum", s.columnCount));
  s.decimals = ClampDecimals(win::getProfileInt(ini, "SETTING", "DecimalNum", s.decimals));
  // The display-mode list has three entries; another stored number would select none.
  s.displayMode = std::clamp(win::getProfileInt(ini, "SETTING", "KneePnt", s.displayMode), 0, 2);
  s.renumber = win::getProfileInt(ini, "SETTING", "Renumber", s.renumber);
  for (int i = 0; i < kFieldCount; ++i) {
    auto& title = s.titles[static_cast<std::size_t>(i)];
    title = std::string(
        win::leftChars(win::getProfileString(ini, "HEAD", headKey(i), title), kTitleChars));
  }
  s.codeTable = LoadCodeTable(ini);
  BringToTenPairs(s.codeTable);
}

std::vector<CodePair> LoadCodeTable(const std::filesystem::path& ini) {
  return ruvo::ReadCodeSection(ini);
}

bool SaveSettings(const std::filesystem::path& ini, const TabulixSettings& s) {
  // The keys go into a working copy beside the file, which then replaces the file in one
  // step: a failure half-way never leaves some settings new and others old.
  std::filesystem::path work = ini;
  work += ".saving";
  const auto before = win::readFileBytes(ini);
  bool ok = win::writeFileAtomically(work, before ? *before : std::string()) && writeKeys(work, s);
  const auto after = ok ? win::readFileBytes(work) : std::nullopt;
  ok = after && win::writeFileAtomically(ini, *after);
  std::error_code ec;
  std::filesystem::remove(work, ec);
  return ok;
}

void BringToTenPairs(std::vector<CodePair>& table) { table.resize(kCodePairs); }

std::vector<CodePair> ApplyCodeTable(const std::vector<CodePair>& rows) {
  std::vector<CodePair> table;
  for (std::size_t i = 0; i < rows.size() && i < kCodePairs; ++i) {
    std::string code = win::trim(rows[i].first);
    std::string remark = win::trim(rows[i].second);
    if (!code.empty() && !remark.empty()) table.emplace_back(std::move(code), std::move(remark));
  }
  BringToTenPairs(table);
  return table;
}

std::optional<std::string> NormalizeCode(std::string_view typed) {
  std::string code;
  for (char c : win::asciiUpper(typed)) {
    if (c >= 'A' && c <= 'Z' && code.size() < 2) code += c;
  }
  if (code.empty()) return std::nullopt;
  return code;
}

}  // namespace tabulix
