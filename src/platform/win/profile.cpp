#include "platform/win/profile.h"

#include <cstdlib>
#include <unordered_set>

#include "platform/win/atomic_file.h"
#include "platform/win/codepage.h"
#include "platform/win/utf8.h"

namespace win {

namespace {

enum class Encoding { Ansi, Utf8Bom, Utf16Bom };

struct IniText {
  Encoding encoding = Encoding::Ansi;
  std::vector<std::string> lines;  // UTF-8, without line ends
};

IniText loadIni(const std::filesystem::path& file) {
  IniText ini;
  const auto bytes = readFileBytes(file);
  if (!bytes) return ini;
  std::string text;
  std::string_view raw = *bytes;
  if (raw.starts_with("\xEF\xBB\xBF")) {
    ini.encoding = Encoding::Utf8Bom;
    text = sanitizeUtf8(raw.substr(3));
  } else if (raw.starts_with("\xFF\xFE")) {
    ini.encoding = Encoding::Utf16Bom;
    std::u16string wide;
    for (std::size_t i = 2; i + 1 < raw.size(); i += 2) {
      wide += static_cast<char16_t>(static_cast<unsigned char>(raw[i]) |
                                    (static_cast<unsigned char>(raw[i + 1]) << 8));
    }
    text = fromUtf16(wide);
  } else {
    text = gbkToUtf8(raw);
  }
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t nl = rest.find('\n');
    std::string_view line = rest.substr(0, nl);
    if (line.ends_with('\r')) line.remove_suffix(1);
    ini.lines.emplace_back(line);
    rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
  }
  return ini;
}

bool saveIni(const std::filesystem::path& file, const IniText& ini) {
  std::string text;
  for (const std::string& line : ini.lines) {
    text += line;
    text += "\r\n";
  }
  std::string bytes;
  switch (ini.encoding) {
    case Encoding::Ansi:
      bytes = utf8ToGbk(text);
      break;
    case Encoding::Utf8Bom:
      bytes = "\xEF\xBB\xBF";
      bytes += text;
      break;
    case Encoding::Utf16Bom: {
      bytes = "\xFF\xFE";
      for (char16_t c : toUtf16(text)) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
      }
      break;
    }
  }
  return writeFileAtomically(file, bytes);
}

// The section name of a "[name]" line.
std::optional<std::string_view> sectionName(std::string_view line) {
  line = trimView(line);
  if (!line.starts_with("[")) return std::nullopt;
  const std::size_t close = line.find(']');
  return trimView(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
}

struct KeyLine {
  std::string_view name;
  std::string_view value;
};

std::optional<KeyLine> keyLine(std::string_view line) {
  const std::string_view trimmed = trimView(line);
  if (trimmed.empty() || trimmed.starts_with(";")) return std::nullopt;
  const std::size_t eq = trimmed.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return KeyLine{trimView(trimmed.substr(0, eq)), trimView(trimmed.substr(eq + 1))};
}

// Line range [begin, end) of the body of the first section of that name; begin is npos when
// there is no such section.
struct SectionRange {
  std::size_t header = std::string::npos;
  std::size_t end = 0;
};

SectionRange findSection(const IniText& ini, std::string_view section) {
  SectionRange range;
  for (std::size_t i = 0; i < ini.lines.size(); ++i) {
    const auto name = sectionName(ini.lines[i]);
    if (!name) continue;
    if (range.header != std::string::npos) {
      range.end = i;
      return range;
    }
    if (equalsIgnoreAsciiCase(*name, section)) range.header = i;
  }
  range.end = ini.lines.size();
  return range;
}

std::optional<std::string> findValue(const IniText& ini, std::string_view section,
                                     std::string_view key) {
  const SectionRange range = findSection(ini, section);
  if (range.header == std::string::npos) return std::nullopt;
  for (std::size_t i = range.header + 1; i < range.end; ++i) {
    const auto kv = keyLine(ini.lines[i]);
    if (kv && equalsIgnoreAsciiCase(kv->name, key)) {
      std::string_view value = kv->value;
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
          value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
      }
      return std::string(value);
    }
  }
  return std::nullopt;
}

}  // namespace

std::string getProfileString(const std::filesystem::path& file, std::string_view section,
                             std::string_view key, std::string_view defaultValue) {
  auto value = findValue(loadIni(file), section, key);
  if (value) return *value;
  while (!defaultValue.empty() && defaultValue.back() == ' ') defaultValue.remove_suffix(1);
  return std::string(defaultValue);
}

int getProfileInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
                  int defaultValue) {
  const auto value = findValue(loadIni(file), section, key);
  if (!value || value->empty()) return defaultValue;
  std::string_view text = *value;
  bool negative = false;
  if (text.starts_with("-") || text.starts_with("+")) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  unsigned base = 10;
  if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  unsigned long long n = 0;
  for (char c : text) {
    unsigned digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && (c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
      digit = static_cast<unsigned>((c | 0x20) - 'a' + 10);
    } else {
      break;
    }
    if (digit >= base) break;
    n = n * base + digit;
    if (n > 0xFFFFFFFFull) n = 0xFFFFFFFFull;  // saturate instead of overflowing
  }
  const auto bits = static_cast<unsigned>(n);
  return negative ? -static_cast<int>(bits) : static_cast<int>(bits);
}

std::vector<std::pair<std::string, std::string>> getProfileSection(
    const std::filesystem::path& file, std::string_view section) {
  const IniText ini = loadIni(file);
  const SectionRange range = findSection(ini, section);
  std::vector<std::pair<std::string, std::string>> pairs;
  if (range.header == std::string::npos) return pairs;
  // Names compared by their upper-cased form in a hash set: a section of many thousand keys
  // must not cost the square of their number.
  std::unordered_set<std::string> seen;
  for (std::size_t i = range.header + 1; i < range.end; ++i) {
    const auto kv = keyLine(ini.lines[i]);
    if (!kv || kv->name.empty()) continue;
    if (!seen.insert(asciiUpper(kv->name)).second) continue;
    std::string_view value = kv->value;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    pairs.emplace_back(std::string(kv->name), std::string(value));
  }
  return pairs;
}

std::vector<std::string> getProfileKeyNames(const std::filesystem::path& file,
                                            std::string_view section) {
  std::vector<std::string> names;
  for (auto& [name, value] : getProfileSection(file, section)) names.push_back(std::move(name));
  return names;
}

std::vector<std::string> getProfileSectionNames(const std::filesystem::path& file) {
  std::vector<std::string> names;
  for (const std::string& line : loadIni(file).lines) {
    if (auto name = sectionName(line)) names.emplace_back(*name);
  }
  return names;
}

bool writeProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::optional<std::string_view> value) {
  IniText ini = loadIni(file);
  SectionRange range = findSection(ini, section);
  if (range.header == std::string::npos) {
    if (!value) return true;
    if (!ini.lines.empty() && !trimView(ini.lines.back()).empty()) ini.lines.emplace_back();
    std::string header = "[";
    header.append(section);
    header.append("]");
    ini.lines.push_back(std::move(header));
    range.header = ini.lines.size() - 1;
    range.end = ini.lines.size();
  }
  std::string newLine(key);
  newLine += '=';
  if (value) newLine.append(*value);
  for (std::size_t i = range.header + 1; i < range.end; ++i) {
    const auto kv = keyLine(ini.lines[i]);
    if (!kv || !equalsIgnoreAsciiCase(kv->name, key)) continue;
    if (value) {
      ini.lines[i] = newLine;
    } else {
      ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return saveIni(file, ini);
  }
  if (!value) return true;
  // After the section's last non-blank line, so blank lines between sections stay.
  std::size_t at = range.end;
  while (at > range.header + 1 && trimView(ini.lines[at - 1]).empty()) --at;
  ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(at), newLine);
  return saveIni(file, ini);
}

bool deleteProfileSection(const std::filesystem::path& file, std::string_view section) {
  IniText ini = loadIni(file);
  const SectionRange range = findSection(ini, section);
  if (range.header == std::string::npos) return true;
  ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(range.header),
                  ini.lines.begin() + static_cast<std::ptrdiff_t>(range.end));
  return saveIni(file, ini);
}

}  // namespace win
