#pragma once
// Streaming tokeniser for ASCII and binary DXF. It works on one buffer that holds the
// whole file and hands out views into it, so reading a tag allocates nothing; each tag
// also knows the byte span it came from, which lets the writer copy untouched records
// back verbatim.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dxf {

struct OutputForm;

inline constexpr std::string_view kBinarySentinel{"AutoCAD Binary DXF\r\n\x1a\0", 22};

struct Tag {
  int code = 0;
  // ASCII: the value line without its line end. Binary: the raw value bytes (strings
  // without their terminating zero, binary chunks without their length byte).
  std::string_view value;
  std::size_t begin = 0;  // span of the whole tag in the buffer, line ends included
  std::size_t end = 0;
  std::size_t line = 0;  // line of the group code (ASCII); 0 in binary files
  bool binary = false;
};

// Typed views of a value; nullopt when the value does not parse as that type.
std::optional<double> realOf(const Tag& tag);
std::optional<std::int64_t> integerOf(const Tag& tag);
// String values; in ASCII files surrounding blanks of a numeric-looking line are kept,
// since names may legitimately carry them.
inline std::string_view textOf(const Tag& tag) { return tag.value; }
// Binary-chunk values as raw bytes (hex text of ASCII files decoded); nullopt on bad hex.
std::optional<std::string> bytesOf(const Tag& tag);

class TagReader {
 public:
  explicit TagReader(std::string_view data);
  // Reads a part of a file whose form is known: `data` starts at a tag boundary.
  TagReader(std::string_view data, const OutputForm& form, std::size_t firstLine);

  bool isBinary() const { return binary_; }
  // Bytes before the first tag (a UTF-8 byte order mark or the binary sentinel).
  std::size_t startOffset() const { return start_; }
  // Line end of the ASCII file as first seen ("\r\n" or "\n").
  std::string_view lineEnd() const { return crlf_ ? "\r\n" : "\n"; }

  // Reads the next tag. Returns false at the end of the data or when the data is
  // malformed; failed() tells the two apart.
  bool next(Tag& tag);
  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }

  // Puts the reader back so that the next call returns `tag` again.
  void rewind(const Tag& tag);
  std::size_t position() const { return pos_; }
  bool atEnd() const { return pos_ >= data_.size(); }
  std::string_view data() const { return data_; }
  // "line N" (ASCII) or "byte N" (binary) of the reader's position, for messages.
  std::string where() const;

 private:
  bool nextAscii(Tag& tag);
  bool nextBinary(Tag& tag);
  bool fail(std::string message);

  std::string_view data_;
  std::size_t pos_ = 0;
  std::size_t start_ = 0;
  std::size_t line_ = 1;
  bool binary_ = false;
  bool wideCodes_ = false;  // binary files from R13 on store group codes in two bytes
  bool crlf_ = false;
  std::string error_;
};

}  // namespace dxf
