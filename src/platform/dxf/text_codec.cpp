#include "platform/dxf/text_codec.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>

#include "platform/win/codepage.h"
#include "platform/win/utf8.h"

namespace dxf {
namespace {

struct CodepageName {
  std::string_view dxf;
  std::string_view iconv;
};

constexpr CodepageName kCodepages[] = {
    {"ANSI_874", "CP874"},
    {"ANSI_932", "CP932"},
    {"ANSI_936", "GB18030"},
    {"ANSI_949", "CP949"},
    {"ANSI_950", "BIG5"},
    {"ANSI_1250", "CP1250"},
    {"ANSI_1251", "CP1251"},
    {"ANSI_1252", "CP1252"},
    {"ANSI_1253", "CP1253"},
    {"ANSI_1254", "CP1254"},
    {"ANSI_1255", "CP1255"},
    {"ANSI_1256", "CP1256"},
    {"ANSI_1257", "CP1257"},
    {"ANSI_1258", "CP1258"},
    {"ANSI_1361", "JOHAB"},
    {"DOS437", "CP437"},
    {"DOS850", "CP850"},
    {"DOS852", "CP852"},
    {"DOS855", "CP855"},
    {"DOS857", "CP857"},
    {"DOS860", "CP860"},
    {"DOS861", "CP861"},
    {"DOS863", "CP863"},
    {"DOS864", "CP864"},
    {"DOS865", "CP865"},
    {"DOS866", "CP866"},
    {"DOS869", "CP869"},
    {"DOS932", "CP932"},
    {"DOS936", "GB18030"},
    {"DOS949", "CP949"},
    {"DOS950", "BIG5"},
    {"MACINTOSH", "MACINTOSH"},
    {"ISO8859-1", "ISO-8859-1"},
    {"ISO8859-2", "ISO-8859-2"},
    {"ISO8859-3", "ISO-8859-3"},
    {"ISO8859-4", "ISO-8859-4"},
    {"ISO8859-5", "ISO-8859-5"},
    {"ISO8859-6", "ISO-8859-6"},
    {"ISO8859-7", "ISO-8859-7"},
    {"ISO8859-8", "ISO-8859-8"},
    {"ISO8859-9", "ISO-8859-9"},
    {"GB2312", "GB18030"},
    {"BIG5", "BIG5"},
    {"UTF8", "UTF-8"},
    {"UTF-8", "UTF-8"},
};

bool pureAscii(std::string_view s) {
  return std::none_of(s.begin(), s.end(),
                      [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

std::optional<unsigned> hexAt(std::string_view s, std::size_t pos, std::size_t digits) {
  if (pos + digits > s.size()) return std::nullopt;
  unsigned value = 0;
  auto [ptr, ec] = std::from_chars(s.data() + pos, s.data() + pos + digits, value, 16);
  if (ec != std::errc() || ptr != s.data() + pos + digits) return std::nullopt;
  return value;
}

// \M+nXXXX: a double-byte character of the code page numbered n, written by old
// versions into files of another code page.
std::string_view mifCodepage(char n) {
  switch (n) {
    case '1':
      return "CP932";
    case '2':
      return "BIG5";
    case '3':
      return "CP949";
    case '4':
      return "JOHAB";
    case '5':
      return "GB18030";
    default:
      return {};
  }
}

// Resolves the escapes in text that is already UTF-8.
bool hasEscapes(std::string_view text) {
  return text.find("\\U+") != std::string_view::npos ||
         text.find("\\M+") != std::string_view::npos ||
         text.find("\\u+") != std::string_view::npos || text.find("\\m+") != std::string_view::npos;
}

std::string resolveEscapes(std::string_view text) {
  if (!hasEscapes(text)) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == '\\' && i + 2 < text.size() && text[i + 2] == '+') {
      char kind = static_cast<char>(text[i + 1] & ~0x20);
      if (kind == 'U') {
        if (auto cp = hexAt(text, i + 3, 4)) {
          char32_t value = *cp;
          std::size_t used = 7;
          if (value >= 0xD800 && value < 0xDC00 && text.substr(i + 7, 3) == "\\U+") {
            if (auto low = hexAt(text, i + 10, 4); low && *low >= 0xDC00 && *low < 0xE000) {
              value = 0x10000 + ((value - 0xD800) << 10) + (*low - 0xDC00);
              used = 14;
            }
          }
          win::appendUtf8(out, value);
          i += used;
          continue;
        }
      } else if (kind == 'M' && i + 3 < text.size()) {
        std::string_view cp = mifCodepage(text[i + 3]);
        auto code = hexAt(text, i + 4, 4);
        if (!cp.empty() && code) {
          char bytes[2] = {static_cast<char>(*code >> 8), static_cast<char>(*code & 0xFF)};
          out += win::toUtf8(std::string_view(bytes, 2), cp);
          i += 8;
          continue;
        }
      }
    }
    out.push_back(text[i]);
    ++i;
  }
  return out;
}

void appendEscape(std::string& out, char32_t cp) {
  auto one = [&out](unsigned unit) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\U+";
    for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(unit >> shift) & 15]);
  };
  if (cp >= 0x10000) {
    cp -= 0x10000;
    one(0xD800 + (cp >> 10));
    one(0xDC00 + (cp & 0x3FF));
  } else {
    one(cp);
  }
}

// Whether text that is not all valid UTF-8 is still mostly UTF-8: its valid multi-byte
// characters far outnumber the bytes that fit no character. Code page text forms a valid
// sequence now and then by chance, but far fewer than it breaks.
bool mostlyUtf8(std::string_view text) {
  std::size_t valid = 0, invalid = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    bool ok = length != 0 && i + length <= text.size();
    for (std::size_t k = 1; ok && k < length; ++k)
      ok = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    if (ok && win::isValidUtf8(text.substr(i, length))) {
      ++valid;
      i += length;
    } else {
      ++invalid;
      ++i;
    }
  }
  return valid > 4 * invalid;
}

}  // namespace

std::string iconvName(std::string_view dwgCodepage) {
  std::string upper = win::asciiUpper(win::trimView(dwgCodepage));
  for (const auto& entry : kCodepages) {
    if (entry.dxf == upper) return std::string(entry.iconv);
  }
  return "CP1252";
}

bool knownDwgCodepage(std::string_view dwgCodepage) {
  const std::string upper = win::asciiUpper(win::trimView(dwgCodepage));
  for (const auto& entry : kCodepages) {
    if (entry.dxf == upper) return true;
  }
  return false;
}

TextEncoding detectEncoding(std::string_view acadVersion, std::string_view dwgCodepage,
                            std::string_view scanText) {
  TextEncoding encoding;
  encoding.declared = std::string(dwgCodepage);
  encoding.codepage = iconvName(dwgCodepage);
  const bool known = knownDwgCodepage(dwgCodepage);
  if (!known && !win::trimView(dwgCodepage).empty()) {
    encoding.note = "unknown code page " + win::sanitizeUtf8(win::trimView(dwgCodepage)) +
                    "; text read as CP1252";
  }
  // AC1021 and later are UTF-8 whatever the code page says, and so is a declared UTF-8;
  // but text that is not valid UTF-8 was written by something that ignored that, in the
  // declared code page or else the system's, and read as UTF-8 every such character would
  // turn into the same replacement character.
  std::string version = win::asciiUpper(win::trimView(acadVersion));
  const bool utf8Version =
      version.size() == 6 && version.compare(0, 2, "AC") == 0 && version >= "AC1021";
  if (utf8Version || encoding.codepage == "UTF-8") {
    encoding.utf8 = true;
    if (!scanText.empty() && !win::isValidUtf8(scanText)) {
      // ANSI_1252 is what most writers put when they put anything; it says little.
      const bool telling = known && encoding.codepage != "UTF-8" && encoding.codepage != "CP1252";
      const std::string codepage = telling ? encoding.codepage : std::string(kSystemCodepage);
      if (mostlyUtf8(scanText)) {
        // a stray text among UTF-8 ones: that one is read in the code page, the file stays
        // UTF-8 (and is written so)
        encoding.fallback = codepage;
        encoding.note = "some texts are not valid UTF-8; those read as " + codepage;
      } else {
        encoding.utf8 = false;
        encoding.codepage = codepage;
        encoding.note = "text is not valid UTF-8; read as " + encoding.codepage;
      }
    }
    return encoding;
  }
  // Text that is valid UTF-8 and not plain ASCII was written as UTF-8, whatever the
  // header claims: code page text of any length practically never forms valid UTF-8.
  if (!scanText.empty() && !pureAscii(scanText) && win::isValidUtf8(scanText)) {
    encoding.utf8 = true;
    encoding.note.clear();
  }
  return encoding;
}

std::string decodeText(std::string_view raw, const TextEncoding& encoding) {
  if (pureAscii(raw)) return resolveEscapes(raw);
  // A converted text without escapes is the result itself: no second copy of a value that
  // may be hundreds of megabytes.
  std::string text = !encoding.utf8 ? win::toUtf8(raw, encoding.codepage)
                     : encoding.fallback.empty() || win::isValidUtf8(raw)
                         ? win::sanitizeUtf8(raw)
                         : win::toUtf8(raw, encoding.fallback);
  if (!hasEscapes(text)) return text;
  return resolveEscapes(text);
}

std::string encodeText(std::string_view utf8, const TextEncoding& encoding) {
  if (pureAscii(utf8)) return std::string(utf8);
  if (encoding.utf8) return win::sanitizeUtf8(utf8);
  if (auto whole = win::fromUtf8(utf8, encoding.codepage)) return *whole;
  std::string out;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    std::size_t start = pos;
    char32_t cp = win::decodeNext(utf8, pos);
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
      continue;
    }
    if (auto bytes = win::fromUtf8(utf8.substr(start, pos - start), encoding.codepage)) {
      out += *bytes;
    } else {
      appendEscape(out, cp);
    }
  }
  return out;
}

}  // namespace dxf
