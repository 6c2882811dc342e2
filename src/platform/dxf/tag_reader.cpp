#include "platform/dxf/tag_reader.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/dxf/group_codes.h"
#include "platform/dxf/tag_writer.h"

namespace dxf {
namespace {

constexpr int kMinCode = -5;
constexpr int kMaxCode = 1071;

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

template <typename T>
T loadLittle(const char* p) {
  T value;
  std::memcpy(&value, p, sizeof(T));
  return value;  // little-endian hosts only; the build targets x86-64 and arm64
}

std::optional<int> parseCode(std::string_view line) {
  line = trimBlanks(line);
  if (line.empty()) return std::nullopt;
  int code = 0;
  auto [ptr, ec] = std::from_chars(line.data(), line.data() + line.size(), code);
  if (ec != std::errc() || ptr != line.data() + line.size()) return std::nullopt;
  if (code < kMinCode || code > kMaxCode) return std::nullopt;
  return code;
}

std::size_t binaryValueSize(int code, std::string_view rest, bool& ok) {
  ok = true;
  switch (valueTypeOf(code)) {
    case ValueType::Real:
      return 8;
    case ValueType::Int16:
      return 2;
    case ValueType::Int32:
      return 4;
    case ValueType::Int64:
      return 8;
    case ValueType::Bool:
      return 1;
    case ValueType::Binary:
      if (rest.empty()) {
        ok = false;
        return 0;
      }
      return 1 + static_cast<unsigned char>(rest[0]);
    case ValueType::Text: {
      const void* zero = std::memchr(rest.data(), 0, rest.size());
      if (!zero) {
        ok = false;
        return 0;
      }
      return static_cast<const char*>(zero) - rest.data() + 1;
    }
  }
  ok = false;
  return 0;
}

}  // namespace

std::optional<double> realOf(const Tag& tag) {
  if (tag.binary) {
    if (tag.value.size() == 8) return loadLittle<double>(tag.value.data());
    if (auto i = integerOf(tag)) return static_cast<double>(*i);
    return std::nullopt;
  }
  std::string_view s = trimBlanks(tag.value);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return std::nullopt;
  double value = 0.0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || ptr != s.data() + s.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::int64_t> integerOf(const Tag& tag) {
  if (tag.binary) {
    switch (tag.value.size()) {
      case 1:
        return static_cast<unsigned char>(tag.value[0]);
      case 2:
        return loadLittle<std::int16_t>(tag.value.data());
      case 4:
        return loadLittle<std::int32_t>(tag.value.data());
      case 8:
        if (valueTypeOf(tag.code) == ValueType::Real) return std::nullopt;
        return loadLittle<std::int64_t>(tag.value.data());
      default:
        return std::nullopt;
    }
  }
  std::string_view s = trimBlanks(tag.value);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return std::nullopt;
  std::int64_t value = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc()) return std::nullopt;
  if (ptr != s.data() + s.size()) {
    // Some writers put integers as "1.0"; accept an integral real.
    double real = 0.0;
    auto [rptr, rec] = std::from_chars(s.data(), s.data() + s.size(), real);
    if (rec != std::errc() || rptr != s.data() + s.size() || real != std::floor(real) ||
        std::fabs(real) > 9.0e15) {
      return std::nullopt;
    }
    return static_cast<std::int64_t>(real);
  }
  return value;
}

std::optional<std::string> bytesOf(const Tag& tag) {
  if (tag.binary) return std::string(tag.value.substr(tag.value.empty() ? 0 : 1));
  std::string_view s = trimBlanks(tag.value);
  if (s.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(s.size() / 2);
  for (std::size_t i = 0; i < s.size(); i += 2) {
    unsigned value = 0;
    auto [ptr, ec] = std::from_chars(s.data() + i, s.data() + i + 2, value, 16);
    if (ec != std::errc() || ptr != s.data() + i + 2) return std::nullopt;
    out.push_back(static_cast<char>(value));
  }
  return out;
}

TagReader::TagReader(std::string_view data) : data_(data) {
  if (data_.substr(0, kBinarySentinel.size()) == kBinarySentinel) {
    binary_ = true;
    start_ = kBinarySentinel.size();
    // The first tag is (0, "SECTION"): a second zero byte means two-byte group codes.
    wideCodes_ = data_.size() > start_ + 1 && data_[start_] == 0 && data_[start_ + 1] == 0;
  } else if (data_.substr(0, 3) == "\xEF\xBB\xBF") {
    start_ = 3;
  }
  pos_ = start_;
  if (!binary_) {
    const void* nl = std::memchr(data_.data() + pos_, '\n', data_.size() - pos_);
    crlf_ = nl && static_cast<const char*>(nl) > data_.data() + pos_ &&
            static_cast<const char*>(nl)[-1] == '\r';
  }
}

TagReader::TagReader(std::string_view data, const OutputForm& form, std::size_t firstLine)
    : data_(data),
      line_(firstLine),
      binary_(form.binary),
      wideCodes_(form.wideCodes),
      crlf_(form.lineEnd == "\r\n") {}

bool TagReader::next(Tag& tag) {
  if (!error_.empty()) return false;
  return binary_ ? nextBinary(tag) : nextAscii(tag);
}

bool TagReader::nextAscii(Tag& tag) {
  const std::size_t size = data_.size();
  if (pos_ >= size) return false;
  const char* base = data_.data();
  const std::size_t begin = pos_;
  const void* nl = std::memchr(base + pos_, '\n', size - pos_);
  if (!nl) {
    // A last line without line end that is only blanks is the end of the file.
    if (trimBlanks(data_.substr(pos_)).empty()) {
      pos_ = size;
      return false;
    }
    // lines ended by CR alone read as one long line
    if (data_.substr(pos_).find('\r') != std::string_view::npos) {
      return fail("line " + std::to_string(line_) +
                  ": the lines end in CR alone; save the file with CR LF or LF line ends");
    }
    return fail("line " + std::to_string(line_) + ": group code without a value");
  }
  const std::size_t codeEnd = static_cast<const char*>(nl) - base;
  std::optional<int> code = parseCode(data_.substr(pos_, codeEnd - pos_));
  if (!code) {
    if (trimBlanks(data_.substr(pos_)).find_first_not_of("\r\n \t") == std::string_view::npos) {
      pos_ = size;
      return false;
    }
    return fail("line " + std::to_string(line_) + ": invalid group code");
  }
  std::size_t valueBegin = codeEnd + 1;
  const void* nl2 =
      valueBegin < size ? std::memchr(base + valueBegin, '\n', size - valueBegin) : nullptr;
  std::size_t valueEnd = nl2 ? static_cast<const char*>(nl2) - base : size;
  std::size_t next = nl2 ? valueEnd + 1 : size;
  if (valueBegin >= size) {
    return fail("line " + std::to_string(line_) + ": group code without a value");
  }
  std::size_t trimmedEnd = valueEnd;
  if (trimmedEnd > valueBegin && base[trimmedEnd - 1] == '\r') --trimmedEnd;
  tag.code = *code;
  tag.value = data_.substr(valueBegin, trimmedEnd - valueBegin);
  tag.begin = begin;
  tag.end = next;
  tag.line = line_;
  tag.binary = false;
  pos_ = next;
  line_ += 2;
  return true;
}

bool TagReader::nextBinary(Tag& tag) {
  const std::size_t size = data_.size();
  if (pos_ >= size) return false;
  const std::size_t begin = pos_;
  std::size_t p = pos_;
  int code = 0;
  if (wideCodes_) {
    if (size - p < 2) return fail("byte " + std::to_string(p) + ": truncated group code");
    code = loadLittle<std::int16_t>(data_.data() + p);
    p += 2;
  } else {
    code = static_cast<unsigned char>(data_[p]);
    p += 1;
    if (code == 255) {
      if (size - p < 2) return fail("byte " + std::to_string(p) + ": truncated group code");
      code = loadLittle<std::int16_t>(data_.data() + p);
      p += 2;
    }
  }
  if (code < kMinCode || code > kMaxCode) {
    return fail("byte " + std::to_string(begin) + ": invalid group code");
  }
  bool ok = true;
  std::string_view rest = data_.substr(p);
  std::size_t length = binaryValueSize(code, rest, ok);
  if (!ok || length > rest.size()) {
    return fail("byte " + std::to_string(begin) + ": truncated value");
  }
  tag.code = code;
  switch (valueTypeOf(code)) {
    case ValueType::Text:
      tag.value = rest.substr(0, length - 1);
      break;
    default:
      tag.value = rest.substr(0, length);
      break;
  }
  tag.begin = begin;
  tag.end = p + length;
  tag.line = 0;
  tag.binary = true;
  pos_ = p + length;
  return true;
}

void TagReader::rewind(const Tag& tag) {
  pos_ = tag.begin;
  if (!binary_) line_ = tag.line;
}

std::string TagReader::where() const {
  return binary_ ? "byte " + std::to_string(pos_) : "line " + std::to_string(line_);
}

bool TagReader::fail(std::string message) {
  error_ = std::move(message);
  return false;
}

}  // namespace dxf
