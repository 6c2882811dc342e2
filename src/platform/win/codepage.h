#pragma once
// Code page conversion between UTF-8 (the in-memory text encoding) and the byte encodings
// found in files written on the system's home platform (GBK, GB18030, Windows code pages).
//
// Code page names are iconv names ("GB18030", "GBK", "CP1252", "CP932", ...). Nothing here
// throws: undecodable input becomes U+FFFD, unencodable input is reported by the return value.

#include <optional>
#include <string>
#include <string_view>

namespace win {

// Decodes `bytes` in `codepage` to UTF-8. Bytes that are not valid in the code page become
// U+FFFD; an unknown code page decodes ASCII and turns every other byte into U+FFFD.
std::string toUtf8(std::string_view bytes, std::string_view codepage);

// Encodes UTF-8 text in `codepage`; nullopt when a character cannot be encoded there, the
// input is not valid UTF-8, or the code page is unknown.
std::optional<std::string> fromUtf8(std::string_view utf8, std::string_view codepage);

// GBK bytes for UTF-8 text. Characters GBK cannot encode are written in GB18030, which gives
// the same bytes as GBK for everything GBK can encode, so any GB18030 reader gets the text
// back whole. Bytes of invalid UTF-8 are written as '?'.
std::string utf8ToGbk(std::string_view utf8);

// Decodes GBK text as GB18030 (its superset), so files written by utf8ToGbk read back whole;
// the single byte 0x80 is the euro sign, as code page 936 has it.
std::string gbkToUtf8(std::string_view bytes);

// True when `name` is an iconv code page name this system can convert.
bool isKnownCodepage(std::string_view name);

}  // namespace win
