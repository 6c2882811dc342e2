#include "platform/dxf/tag_writer.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/dxf/group_codes.h"

namespace dxf {
namespace {

template <typename T>
void appendLittle(std::string& out, T value) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  out.append(bytes, sizeof(T));
}

thread_local std::size_t t_nonFinite = 0;

}  // namespace

std::size_t nonFiniteRealsWritten() { return t_nonFinite; }

std::string formatReal(double value) {
  if (value == 0.0) return "0.0";
  char buffer[64];
  auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, ec == std::errc() ? ptr : buffer);
  if (text.find_first_of(".eEn") == std::string::npos) text += ".0";
  return text;
}

void TagWriter::code(int code) {
  if (form_.binary) {
    if (form_.wideCodes) {
      appendLittle<std::int16_t>(out_, static_cast<std::int16_t>(code));
    } else if (code >= 0 && code < 255) {
      out_.push_back(static_cast<char>(code));
    } else {
      out_.push_back(static_cast<char>(255));
      appendLittle<std::int16_t>(out_, static_cast<std::int16_t>(code));
    }
    return;
  }
  char buffer[16];
  auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, code);
  std::size_t length = static_cast<std::size_t>(ptr - buffer);
  if (ec != std::errc()) length = 0;
  if (length < 3) out_.append(3 - length, ' ');
  out_.append(buffer, length);
  endLine();
}

void TagWriter::text(int c, std::string_view value) {
  code(c);
  if (form_.binary) {
    // A string cannot carry a zero byte in binary DXF; cut it there.
    out_.append(value.substr(0, value.find('\0')));
    out_.push_back('\0');
    return;
  }
  // A line end inside a value would split the tag in two.
  for (char ch : value) {
    out_.push_back(ch == '\n' || ch == '\r' ? ' ' : ch);
  }
  endLine();
}

void TagWriter::real(int c, double value) {
  if (!std::isfinite(value)) ++t_nonFinite;
  code(c);
  if (form_.binary) {
    appendLittle<double>(out_, value);
    return;
  }
  out_.append(formatReal(value));
  endLine();
}

void TagWriter::integer(int c, std::int64_t value) {
  code(c);
  if (form_.binary) {
    switch (valueTypeOf(c)) {
      case ValueType::Int16:
        appendLittle<std::int16_t>(out_, static_cast<std::int16_t>(value));
        return;
      case ValueType::Int32:
        appendLittle<std::int32_t>(out_, static_cast<std::int32_t>(value));
        return;
      case ValueType::Int64:
        appendLittle<std::int64_t>(out_, value);
        return;
      case ValueType::Bool:
        out_.push_back(static_cast<char>(value != 0));
        return;
      case ValueType::Real:
        appendLittle<double>(out_, static_cast<double>(value));
        return;
      default: {
        std::string text = std::to_string(value);
        out_.append(text);
        out_.push_back('\0');
        return;
      }
    }
  }
  char buffer[24];
  auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  out_.append(buffer, ec == std::errc() ? ptr : buffer);
  endLine();
}

void TagWriter::textual(int c, std::string_view asciiValue) {
  if (!form_.binary) {
    text(c, asciiValue);
    return;
  }
  Tag tag;
  tag.code = c;
  tag.value = asciiValue;
  switch (valueTypeOf(c)) {
    case ValueType::Real:
      real(c, realOf(tag).value_or(0.0));
      return;
    case ValueType::Int16:
    case ValueType::Int32:
    case ValueType::Int64:
    case ValueType::Bool:
      integer(c, integerOf(tag).value_or(0));
      return;
    case ValueType::Binary:
      bytes(c, bytesOf(tag).value_or(std::string()));
      return;
    case ValueType::Text:
      text(c, asciiValue);
      return;
  }
}

void TagWriter::bytes(int c, std::string_view raw) {
  if (form_.binary) {
    // One binary tag holds at most 255 bytes; longer data goes into several tags.
    do {
      std::string_view chunk = raw.substr(0, 255);
      raw.remove_prefix(chunk.size());
      code(c);
      out_.push_back(static_cast<char>(chunk.size()));
      out_.append(chunk);
    } while (!raw.empty());
    return;
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  code(c);
  for (unsigned char ch : raw) {
    out_.push_back(kHex[ch >> 4]);
    out_.push_back(kHex[ch & 15]);
  }
  endLine();
}

}  // namespace dxf
