#pragma once
// What the reader keeps of a file: the bytes themselves (one shared buffer), and for each
// object the span of its record in that buffer. Writing an unchanged object copies its
// span; nothing of what was read is ever re-encoded unless it changed.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cad/object_id.h"
#include "platform/cad/source_record.h"
#include "platform/dxf/tag_writer.h"
#include "platform/dxf/text_codec.h"

namespace dxf {

// The file's bytes: mapped from disk when it was read from a file (no copy, pages come
// in as the reader touches them), or owned when it was handed over in memory.
class FileImage {
 public:
  FileImage() = default;
  FileImage(const FileImage&) = delete;
  FileImage& operator=(const FileImage&) = delete;
  ~FileImage();

  void own(std::string data) {
    owned_ = std::move(data);
    bytes = owned_;
  }
  // Maps the file; false when it cannot be opened or mapped.
  bool map(const std::string& path, std::string& message);

  std::string_view bytes;
  OutputForm form;
  TextEncoding encoding;
  std::string version;  // $ACADVER as read, upper case; "" when the file has no header
  bool hasHandles = true;

  std::string_view span(std::size_t begin, std::size_t end) const {
    return bytes.substr(begin, end - begin);
  }
  // Lets the pages wholly inside [begin, end) of a mapped file go from memory; what is read
  // there again comes back from the file. The reader and the writer walk a drawing front to
  // back and let go of what lies behind them, so that a drawing never needs its whole size
  // in memory besides what was made of it. Does nothing for bytes handed over in memory.
  void release(std::size_t begin, std::size_t end) const;
  // The offset of `part` in the bytes, or nullopt when it lies elsewhere.
  std::optional<std::size_t> offsetOf(std::string_view part) const {
    const auto at = reinterpret_cast<std::uintptr_t>(part.data());
    const auto base = reinterpret_cast<std::uintptr_t>(bytes.data());
    if (part.empty() || at < base || at + part.size() > base + bytes.size()) return std::nullopt;
    return static_cast<std::size_t>(at - base);
  }

 private:
  std::string owned_;
  void* mapped_ = nullptr;
  std::size_t mappedSize_ = 0;
};

// The record of one object (an entity with its sub-records is several records).
class RecordSource final : public cad::SourceRecord {
 public:
  RecordSource(std::shared_ptr<const FileImage> file, std::size_t begin, std::size_t end,
               cad::Handle fileHandle)
      : file_(std::move(file)), begin_(begin), end_(end), fileHandle_(fileHandle) {}

  const FileImage& file() const { return *file_; }
  const std::shared_ptr<const FileImage>& fileShared() const { return file_; }
  std::string_view bytes() const { return file_->span(begin_, end_); }
  std::size_t begin() const { return begin_; }
  std::size_t end() const { return end_; }
  // The handle the record carries in the file (0 when it has none).
  cad::Handle fileHandle() const { return fileHandle_; }

 private:
  std::shared_ptr<const FileImage> file_;
  std::size_t begin_;
  std::size_t end_;
  cad::Handle fileHandle_;
};

inline const RecordSource* recordOf(const cad::SourcePtr& source) {
  return dynamic_cast<const RecordSource*>(source.get());
}

struct Span {
  std::size_t begin = 0;
  std::size_t end = 0;
  bool empty() const { return begin == end; }
};

// How the file was laid out, so that a write puts everything back where it was.
struct TableLayout {
  std::string name;                  // LAYER, STYLE, LTYPE, BLOCK_RECORD, VPORT, ...
  Span head;                         // from "0 TABLE" up to the first entry
  Span tail;                         // "0 ENDTAB"
  std::vector<cad::Handle> entries;  // tables the database does not model: entry handles
};

struct SectionLayout {
  std::string name;  // HEADER, CLASSES, TABLES, BLOCKS, ENTITIES, OBJECTS, or any other
  Span whole;        // from "0 SECTION" to the end of "0 ENDSEC"
  Span head;         // "0 SECTION 2 name"
  Span tail;         // "0 ENDSEC" (empty when the file lacks it)
  std::vector<TableLayout> tables;  // TABLES
  std::vector<cad::Handle> order;   // ENTITIES: entities; OBJECTS: objects; BLOCKS: records
};

class DocumentSource final : public cad::SourceRecord {
 public:
  std::shared_ptr<const FileImage> file;
  Span prefix;  // binary sentinel or byte order mark
  std::vector<SectionLayout> sections;
  Span eof;       // "0 EOF" and whatever follows it
  Span handseed;  // value tag of $HANDSEED in the header (empty when absent)
};

}  // namespace dxf
