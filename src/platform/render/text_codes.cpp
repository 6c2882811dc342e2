#include "platform/render/text_codes.h"

#include <cctype>

namespace render {

namespace {

void appendUtf8(std::string& out, unsigned cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::string resolveTextCodes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text.compare(i, 2, "%%") != 0 || i + 2 >= text.size()) {
      out += text[i++];
      continue;
    }
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 2])));
    if (c == 'd') {
      out += "°";
    } else if (c == 'p') {
      out += "±";
    } else if (c == 'c') {
      out += "⌀";
    } else if (c == '%') {
      out += '%';
    } else if (c == 'o' || c == 'u') {
      // line switches: nothing to show
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      unsigned code = 0;
      std::size_t j = i + 2;
      for (int n = 0; n < 3 && j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]));
           ++n, ++j) {
        code = code * 10 + static_cast<unsigned>(text[j] - '0');
      }
      if (code != 0) appendUtf8(out, code);
      i = j;
      continue;
    } else {
      out += "%%";
      i += 2;
      continue;
    }
    i += 3;
  }
  return out;
}

}  // namespace render
