#include "platform/win/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/utf8.h"

namespace win {

namespace {

const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);

// Opening a converter loads a gconv module and allocates; callers such as the DXF reader
// convert many short strings, so converters are kept per thread and reused.
class ConverterCache {
 public:
  ConverterCache() = default;
  ConverterCache(const ConverterCache&) = delete;
  ConverterCache& operator=(const ConverterCache&) = delete;
  ~ConverterCache() {
    for (auto& entry : entries_) {
      if (entry.second != kInvalid) iconv_close(entry.second);
    }
  }

  // kInvalid when iconv does not know one of the names.
  iconv_t get(std::string_view to, std::string_view from) {
    std::string key = std::string(to) + '\n' + std::string(from);
    for (auto& entry : entries_) {
      if (entry.first == key) return reset(entry.second);
    }
    iconv_t cd = iconv_open(std::string(to).c_str(), std::string(from).c_str());
    entries_.emplace_back(std::move(key), cd);
    return reset(cd);
  }

 private:
  static iconv_t reset(iconv_t cd) {
    if (cd != kInvalid) iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return cd;
  }
  std::vector<std::pair<std::string, iconv_t>> entries_;
};

iconv_t converter(std::string_view to, std::string_view from) {
  thread_local ConverterCache cache;
  return cache.get(to, from);
}

bool isAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool isUtf8Name(std::string_view codepage) {
  return equalsIgnoreAsciiCase(codepage, "UTF-8") || equalsIgnoreAsciiCase(codepage, "UTF8");
}

// Every code page this system meets is a superset of ASCII except the wide Unicode forms.
bool extendsAscii(std::string_view codepage) {
  const std::string upper = asciiUpper(codepage);
  return !(upper.starts_with("UTF-16") || upper.starts_with("UTF-32") || upper.starts_with("UCS") ||
           upper.starts_with("UTF16") || upper.starts_with("UTF32"));
}

enum class Step { Done, Invalid, Failed };

// Runs iconv over `in`, appending to `out`. Stops at the first invalid or incomplete input
// (reported as Invalid, with `in` pointing at it) or an unexpected error (Failed).
Step convertRun(iconv_t cd, std::string_view& in, std::string& out) {
  while (!in.empty()) {
    const std::size_t oldSize = out.size();
    const std::size_t room = in.size() * 4 + 16;
    out.resize(oldSize + room);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data() + oldSize;
    std::size_t dstLeft = room;
    const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    const int err = errno;
    out.resize(oldSize + (room - dstLeft));
    in.remove_prefix(in.size() - srcLeft);
    if (r != static_cast<std::size_t>(-1)) continue;
    if (err == E2BIG) continue;
    if (err == EILSEQ || err == EINVAL) return Step::Invalid;
    return Step::Failed;
  }
  return Step::Done;
}

std::string decodeUnknown(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) < 0x80) {
      out += c;
    } else {
      appendUtf8(out, 0xFFFD);
    }
  }
  return out;
}

// `euroAt80`: code page 936 as Windows writes it has the euro sign at the single byte 0x80,
// which GB18030 leaves undefined; GBK text from Windows is read with that mapping.
std::string decode(std::string_view bytes, std::string_view codepage, bool euroAt80) {
  if (isUtf8Name(codepage)) return sanitizeUtf8(bytes);
  if (extendsAscii(codepage) && isAscii(bytes)) return std::string(bytes);
  iconv_t cd = codepage.empty() ? kInvalid : converter("UTF-8", codepage);
  if (cd == kInvalid) return decodeUnknown(bytes);
  std::string out;
  out.reserve(bytes.size() * 2);
  while (!bytes.empty()) {
    const Step step = convertRun(cd, bytes, out);
    if (step == Step::Done) break;
    // Skip one byte only: the next byte may well start a valid character (often ASCII).
    const bool euro = euroAt80 && !bytes.empty() && bytes.front() == '\x80';
    appendUtf8(out, euro ? 0x20AC : 0xFFFD);
    if (!bytes.empty()) bytes.remove_prefix(1);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

}  // namespace

std::string toUtf8(std::string_view bytes, std::string_view codepage) {
  return decode(bytes, codepage, false);
}

bool isKnownCodepage(std::string_view name) {
  return !name.empty() && converter("UTF-8", name) != kInvalid;
}

std::optional<std::string> fromUtf8(std::string_view utf8, std::string_view codepage) {
  if (!isValidUtf8(utf8)) return std::nullopt;
  if (isUtf8Name(codepage)) return std::string(utf8);
  if (codepage.empty()) return std::nullopt;
  iconv_t cd = converter(codepage, "UTF-8");
  if (cd == kInvalid) return std::nullopt;
  if (extendsAscii(codepage) && isAscii(utf8)) return std::string(utf8);
  std::string out;
  out.reserve(utf8.size() + 8);
  if (convertRun(cd, utf8, out) != Step::Done) return std::nullopt;
  // Stateful encodings end with a shift back to the initial state.
  std::string tail(16, '\0');
  char* dst = tail.data();
  std::size_t left = tail.size();
  if (iconv(cd, nullptr, nullptr, &dst, &left) != static_cast<std::size_t>(-1)) {
    out.append(tail.data(), tail.size() - left);
  }
  return out;
}

std::string utf8ToGbk(std::string_view utf8) {
  if (isAscii(utf8)) return std::string(utf8);
  iconv_t gbk = converter("GBK", "UTF-8");
  std::string out;
  out.reserve(utf8.size() + 8);
  while (!utf8.empty()) {
    if (gbk != kInvalid && convertRun(gbk, utf8, out) == Step::Done) break;
    if (gbk != kInvalid) iconv(gbk, nullptr, nullptr, nullptr, nullptr);
    const std::size_t len = sequenceLength(utf8, 0);
    if (len == 0) {
      out += '?';
      utf8.remove_prefix(1);
      continue;
    }
    std::string_view one = utf8.substr(0, len);
    utf8.remove_prefix(len);
    iconv_t wide = converter("GB18030", "UTF-8");
    if (wide == kInvalid || convertRun(wide, one, out) != Step::Done) out += '?';
  }
  return out;
}

std::string gbkToUtf8(std::string_view bytes) { return decode(bytes, "GB18030", true); }

}  // namespace win
