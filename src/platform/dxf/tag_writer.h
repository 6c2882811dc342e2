#pragma once
// Writes tags in the form of the file they will end up in: ASCII with the file's line
// end, or binary with one- or two-byte group codes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/dxf/tag_reader.h"

namespace dxf {

struct OutputForm {
  bool binary = false;
  bool wideCodes = true;  // binary files from R13 on
  std::string_view lineEnd = "\r\n";
};

class TagWriter {
 public:
  TagWriter(std::string& out, OutputForm form) : out_(out), form_(form) {}

  const OutputForm& form() const { return form_; }
  std::string& buffer() { return out_; }

  // A string, name or handle value (already in the file's encoding).
  void text(int code, std::string_view value);
  void real(int code, double value);
  // Any integer-valued code; binary width follows the code's value type.
  void integer(int code, std::int64_t value);
  // A value whose type follows the code, given as ASCII text as it would appear in an
  // ASCII file (used to carry tags between files of different forms).
  void textual(int code, std::string_view asciiValue);
  // A binary chunk from raw bytes.
  void bytes(int code, std::string_view raw);
  // A tag read from a file of the same form, copied verbatim.
  void copy(std::string_view source, const Tag& tag) {
    out_.append(source.substr(tag.begin, tag.end - tag.begin));
  }
  void raw(std::string_view bytes) { out_.append(bytes); }

 private:
  void code(int code);
  void endLine() { out_.append(form_.lineEnd); }

  std::string& out_;
  OutputForm form_;
};

// Shortest text that reads back as exactly `value`, always with a decimal point or an
// exponent so that strict readers see a real.
std::string formatReal(double value);

// How many non-finite reals this thread's tag writers have been given so far. No reader
// takes "nan" or "inf" back, so a writer compares the count before and after a file and
// refuses a file that grew any.
std::size_t nonFiniteRealsWritten();

}  // namespace dxf
