// REGEDIT4 text form of a hive.
#include <cstdio>

#include "platform/win/codepage.h"
#include "platform/win/hive.h"
#include "platform/win/utf8.h"

namespace win {

namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

bool isStringType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// A REGEDIT4 file is ANSI text, so string data in hex form is ANSI bytes too.
std::string wideDataToAnsi(const std::vector<std::uint8_t>& data) {
  std::u16string wide;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    wide += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  }
  return utf8ToGbk(fromUtf16(wide));
}

std::vector<std::uint8_t> ansiToWideData(std::string_view ansi) {
  const std::u16string wide = toUtf16(gbkToUtf8(ansi));
  std::vector<std::uint8_t> data;
  for (char16_t c : wide) {
    data.push_back(static_cast<std::uint8_t>(c & 0xFF));
    data.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return data;
}

std::string quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + '"';
}

void appendHex(std::string& line, std::string_view prefix, std::string_view bytes) {
  line += prefix;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(bytes[i]));
    line += hex;
    if (i + 1 < bytes.size()) {
      line += ',';
      if (line.size() - lineStart > 76) {
        line += "\\\r\n  ";
        lineStart = line.size() - 2;
      }
    }
  }
}

std::string valueLine(const RegValue& v) {
  // Names and strings are UTF-8 here; the whole file is converted to ANSI at the end.
  std::string line = v.name.empty() ? std::string("@") : quote(v.name);
  line += '=';
  const std::string_view raw(reinterpret_cast<const char*>(v.data.data()), v.data.size());
  if (v.type == kRegSz) {
    const std::string text = regStringText(v.data);
    if (regStringData(text) == v.data && text.find_first_of("\r\n") == std::string::npos) {
      return line + quote(text);
    }
  }
  if (v.type == kRegDword && v.data.size() == 4) {
    char num[16];
    std::snprintf(num, sizeof num, "dword:%08x",
                  static_cast<unsigned>(v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) |
                                        (static_cast<unsigned>(v.data[3]) << 24)));
    return line + num;
  }
  std::string bytes = isStringType(v.type) ? wideDataToAnsi(v.data) : std::string(raw);
  char prefix[24];
  if (v.type == kRegBinary) {
    std::snprintf(prefix, sizeof prefix, "hex:");
  } else {
    std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(v.type));
  }
  appendHex(line, prefix, bytes);
  return line;
}

std::string unquote(std::string_view& rest, bool& ok) {
  std::string out;
  ok = false;
  if (rest.empty() || rest.front() != '"') return out;
  std::size_t i = 1;
  for (; i < rest.size(); ++i) {
    const char c = rest[i];
    if (c == '\\' && i + 1 < rest.size()) {
      out += rest[++i];
    } else if (c == '"') {
      ok = true;
      break;
    } else {
      out += c;
    }
  }
  rest.remove_prefix(ok ? i + 1 : rest.size());
  return out;
}

std::optional<std::string> parseHexBytes(std::string_view text) {
  std::string out;
  text = trimView(text);
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const std::string_view tok = trimView(text.substr(0, comma));
    if (tok.empty() && comma == std::string_view::npos) break;
    if (tok.empty() || tok.size() > 2) return std::nullopt;
    unsigned v = 0;
    for (char c : tok) {
      v <<= 4;
      if (c >= '0' && c <= '9') {
        v |= static_cast<unsigned>(c - '0');
      } else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
        v |= static_cast<unsigned>((c | 0x20) - 'a' + 10);
      } else {
        return std::nullopt;
      }
    }
    out += static_cast<char>(v);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return out;
}

std::optional<RegValue> parseValue(std::string_view line, bool unicodeFile) {
  RegValue v;
  bool ok = true;
  if (line.starts_with("@")) {
    line.remove_prefix(1);
  } else {
    v.name = unquote(line, ok);
    if (!ok) return std::nullopt;
  }
  line = trimView(line);
  if (!line.starts_with("=")) return std::nullopt;
  line = trimView(line.substr(1));
  if (line.starts_with("\"")) {
    const std::string text = unquote(line, ok);
    if (!ok) return std::nullopt;
    v.type = kRegSz;
    v.data = regStringData(text);
    return v;
  }
  if (line.starts_with("dword:")) {
    const std::string_view digits = line.substr(6);
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    unsigned long n = 0;
    for (char c : digits) {
      const auto b = parseHexBytes(std::string(1, '0') + c);
      if (!b) return std::nullopt;
      n = (n << 4) | static_cast<unsigned char>((*b)[0]);
    }
    v.type = kRegDword;
    v.data = {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
              static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)};
    return v;
  }
  std::string_view hex;
  if (line.starts_with("hex:")) {
    v.type = kRegBinary;
    hex = line.substr(4);
  } else if (line.starts_with("hex(")) {
    const std::size_t close = line.find("):");
    if (close == std::string_view::npos || close <= 4 || close > 12) return std::nullopt;
    unsigned long type = 0;
    for (char c : line.substr(4, close - 4)) {
      const auto b = parseHexBytes(std::string(1, '0') + c);
      if (!b) return std::nullopt;
      type = (type << 4) | static_cast<unsigned char>((*b)[0]);
    }
    v.type = static_cast<std::uint32_t>(type);
    hex = line.substr(close + 2);
  } else {
    return std::nullopt;
  }
  const auto bytes = parseHexBytes(hex);
  if (!bytes) return std::nullopt;
  if (isStringType(v.type) && !unicodeFile) {
    v.data = ansiToWideData(*bytes);
  } else {
    v.data.assign(bytes->begin(), bytes->end());
  }
  return v;
}

struct LogicalLine {
  std::size_t number;  // of its first physical line
  std::string text;
};

// Lines of the file as UTF-8, with continuation lines joined.
std::vector<LogicalLine> logicalLines(std::string_view bytes, bool& unicodeFile) {
  std::string text;
  unicodeFile = false;
  if (bytes.starts_with("\xFF\xFE")) {
    std::u16string wide;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      wide += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                    (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    text = fromUtf16(wide);
    unicodeFile = true;
  } else if (bytes.starts_with("\xEF\xBB\xBF")) {
    text = sanitizeUtf8(bytes.substr(3));
  } else {
    text = gbkToUtf8(bytes);
  }
  std::vector<LogicalLine> lines;
  std::string current;
  bool continuing = false;
  std::string_view rest = text;
  std::size_t physical = 0, first = 1;
  while (!rest.empty()) {
    ++physical;
    if (!continuing) first = physical;
    const std::size_t nl = rest.find('\n');
    std::string_view line = rest.substr(0, nl);
    rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (continuing) line = trimView(line);
    const std::string_view trimmed = trimView(line);
    continuing = trimmed.ends_with('\\') && !trimmed.starts_with("[");
    if (continuing) {
      current += trimmed.substr(0, trimmed.size() - 1);
      continue;
    }
    current += line;
    lines.push_back({first, std::move(current)});
    current.clear();
  }
  if (!current.empty()) lines.push_back({first, std::move(current)});
  return lines;
}

}  // namespace

std::string Hive::toText(std::string_view rootName) const {
  std::string text(kHeader4);
  text += "\r\n\r\n";
  for (const auto& [sort, key] : keys_) {
    text += '[';
    text += rootName;
    text += '\\';
    text += key.path;
    text += "]\r\n";
    for (const RegValue& v : key.values) {
      text += valueLine(v);
      text += "\r\n";
    }
    text += "\r\n";
  }
  return utf8ToGbk(text);
}

Hive Hive::fromText(std::string_view bytes, std::string_view rootName, bool* clean,
                    std::size_t* firstBadLine) {
  Hive hive;
  bool allUnderstood = true;
  std::size_t badLine = 0;
  const auto notUnderstood = [&](std::size_t number) {
    if (allUnderstood) badLine = number;
    allUnderstood = false;
  };
  bool unicodeFile = false;
  const std::vector<LogicalLine> lines = logicalLines(bytes, unicodeFile);
  RegKeyNode* current = nullptr;
  bool sawHeader = false;
  for (const auto& [number, raw] : lines) {
    const std::string_view line = trimView(raw);
    if (line.empty() || line.starts_with(";")) continue;
    if (!sawHeader) {
      sawHeader = true;
      if (line == kHeader4 || line == kHeader5) continue;
      notUnderstood(number);
    }
    if (line.starts_with("[")) {
      current = nullptr;
      // A key line that lost its "]" still names the key its values belong to.
      const bool closed = line.ends_with("]");
      if (!closed) notUnderstood(number);
      const std::string path = normalizePath(line.substr(1, line.size() - (closed ? 2 : 1)));
      const std::size_t sep = path.find('\\');
      const std::string root = path.substr(0, sep);
      if (!equalsIgnoreAsciiCase(root, rootName) && !equalsIgnoreAsciiCase(root, "HKCU")) {
        continue;  // another hive's key: not ours to keep
      }
      if (sep == std::string::npos) continue;
      current = &hive.create(path.substr(sep + 1));
      continue;
    }
    auto value = parseValue(line, unicodeFile);
    if (!value) {
      notUnderstood(number);
      continue;
    }
    if (!current) continue;
    if (RegValue* old = findValue(*current, value->name)) {
      *old = std::move(*value);
    } else {
      current->values.push_back(std::move(*value));
    }
  }
  if (clean) *clean = allUnderstood;
  if (firstBadLine) *firstBadLine = badLine;
  return hive;
}

}  // namespace win
