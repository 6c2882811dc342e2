#pragma once
// Streaming tokeniser for ASCII and binary DXF. It works on one buffer that holds the
// whole file and hands out views into it, so reading a tag allocates nothing; each tag
// also knows the byte span it came from, which lets the writer copy untouched records
// back verbatim.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

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
  // Goes on reading at `pos` (a tag boundary), which is the given line of an ASCII file.
  void seek(std::size_t pos, std::size_t line) {
    pos_ = pos;
    line_ = line;
  }
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

// One record: a code-0 tag and every tag up to the next one. A short record is held as
// its tags; of a long one (a polyline of millions of vertices, a text of hundreds of
// megabytes) only the first tags are held, and the rest is read again from the file image
// whenever the record is walked, so that no record costs much more memory than its bytes.
class Record {
 public:
  Record() = default;
  Record(std::span<const Tag> tags)  // NOLINT: a whole record
      : held_(tags), count_(tags.size()), end_(tags.empty() ? 0 : tags.back().end) {}
  Record(const std::vector<Tag>& tags)  // NOLINT: a whole record
      : Record(std::span<const Tag>(tags)) {}
  // The first tags `held` of a record of `count` tags that ends at `end` in `file`.
  Record(std::span<const Tag> held, std::size_t count, std::size_t end, std::string_view file,
         const OutputForm& form)
      : held_(held), count_(count), end_(end), file_(file), form_(&form) {}

  bool empty() const { return held_.empty(); }
  // The type tag, and the held tags (all of them when complete()).
  const Tag& front() const { return held_.front(); }
  std::span<const Tag> held() const { return held_; }
  bool complete() const { return held_.size() == count_; }
  std::size_t size() const { return count_; }
  // The record's span in the file.
  std::size_t beginOffset() const { return held_.empty() ? 0 : held_.front().begin; }
  std::size_t endOffset() const { return end_; }

  // Calls f(tag) for every tag in order; an f that returns bool stops the walk with false.
  template <class F>
  void forEach(F&& f) const {
    for (const Tag& t : held_) {
      if (!visit(f, t)) return;
    }
    if (complete() || held_.empty()) return;
    TagReader rest(file_, *form_, 0);
    rest.seek(held_.back().end, held_.back().line + 2);
    Tag t;
    while (rest.position() < end_ && rest.next(t)) {
      if (!visit(f, t)) return;
    }
  }

 private:
  template <class F>
  static bool visit(F& f, const Tag& t) {
    if constexpr (std::is_same_v<std::invoke_result_t<F&, const Tag&>, bool>) {
      return f(t);
    } else {
      f(t);
      return true;
    }
  }

  std::span<const Tag> held_;
  std::size_t count_ = 0;
  std::size_t end_ = 0;
  std::string_view file_;
  const OutputForm* form_ = nullptr;
};

}  // namespace dxf
