#pragma once
// Small UTF-8 helpers. A "character" is a code point; a byte that does not start or continue
// a valid sequence counts as one character of its own, so these functions never fail.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace win {

// Number of code points in `text`.
std::size_t charCount(std::string_view text);

// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or values > U+10FFFF).
bool isValidUtf8(std::string_view text);

// Length in bytes of the valid sequence starting at `text[pos]`, or 0 if none starts there.
std::size_t sequenceLength(std::string_view text, std::size_t pos);

// Decodes the code point at `pos` and advances `pos` past it; an invalid byte yields U+FFFD
// and advances by one.
char32_t decodeNext(std::string_view text, std::size_t& pos);

// Appends the UTF-8 form of `cp` (U+FFFD for surrogates and values beyond U+10FFFF).
void appendUtf8(std::string& out, char32_t cp);

// Text without leading and trailing white space (blank, tab, CR, LF, VT, FF and U+3000).
std::string_view trimView(std::string_view text);
std::string trim(std::string_view text);

// ASCII letters a-z upper-cased (or lower-cased); every other byte unchanged.
std::string asciiUpper(std::string_view text);
std::string asciiLower(std::string_view text);
bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b);

// The longest prefix of `text` of at most `maxBytes` bytes that does not split a character.
std::string_view cutAtCharBoundary(std::string_view text, std::size_t maxBytes);

// The first `maxChars` characters of `text` (all of it when shorter).
std::string_view leftChars(std::string_view text, std::size_t maxChars);

// UTF-16 forms, as the registry stores its strings. Invalid input becomes U+FFFD.
std::u16string toUtf16(std::string_view utf8);
std::string fromUtf16(std::u16string_view utf16);

// Replaces invalid bytes with U+FFFD so that the result is valid UTF-8.
std::string sanitizeUtf8(std::string_view text);

// The text as a JSON string literal: quotes, backslashes and control characters escaped,
// everything else (UTF-8 included) as it is.
std::string jsonString(std::string_view text);

}  // namespace win
