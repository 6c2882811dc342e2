#pragma once
// The writer's state, shared by the files that write the parts of a drawing.

#include <algorithm>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/cad/database.h"
#include "platform/dxf/dxf_writer.h"
#include "platform/dxf/file_image.h"
#include "platform/dxf/out_tags.h"
#include "platform/dxf/record_codec.h"
#include "platform/dxf/tag_writer.h"

namespace dxf::detail {

class NewDrawing;

class Writer {
 public:
  Writer(const cad::Database& db, const DocumentSource* doc, std::string& out, WriteReport& report);

  void writeDocument();  // a drawing that was read
  void writeNew();       // a drawing created from nothing

  // ---- records
  void writeEntity(const cad::Entity& e, cad::Handle owner);
  void writeTableRecord(const cad::Object& o, cad::Handle owner);
  void writeSubRecord(const cad::SubRecord& r, cad::Handle owner);

 private:
  friend class NewDrawing;
  void writeBlock(const cad::BlockRecord& b);
  // Copies a record of the file read, giving it `handle` when that differs from the file's.
  void copyRecord(const RecordSource& src, cad::Handle handle);
  // A record from another file: tag by tag into this file's form and encoding.
  void transcribe(const RecordSource& src, cad::Handle handle, cad::Handle owner);
  bool sameFile(const RecordSource& src) const;
  void tokenise(const RecordSource& src, std::vector<Tag>& tags) const;
  void writeGenerated(const RecordSource* src, bool modified, cad::Handle handle,
                      std::string_view type, const OutTags& gen);

  void writeEntityRecord(const cad::Entity& e, cad::Handle owner);
  void writeVertices(const cad::OldPolyline& p);
  bool writeR12Form(const cad::Entity& e, cad::Handle owner);
  bool writeOpaqueR12(const cad::OpaqueEntity& e);
  void writePolylineR12(const cad::Entity& e, const std::vector<geom::Point3d>& points,
                        const std::vector<double>& bulges, bool closed, bool is3d, double elevation,
                        cad::Handle owner);
  void note(const std::string& kind);

  void writeHeader(const SectionLayout& s, std::string& out);
  void writeTables(const SectionLayout& s);
  void writeTable(const TableLayout& t);
  void writeGeneratedTable(std::string_view name, const cad::SymbolTable& table);
  void writeBlocks(const SectionLayout& s);
  void writeEntities(const SectionLayout& s);
  void writeObjects(const SectionLayout& s);
  bool isSpace(const cad::BlockRecord& b) const;
  bool hasNew(const cad::SymbolTable& table) const;
  bool isNew(const cad::Object& o) const;
  void finishSection(const SectionLayout& s);
  void writeSpacesWithoutSection();
  cad::Handle fresh() {
    noteHandle(next_);
    return next_++;
  }
  void noteHandle(cad::Handle h) { maxWritten_ = std::max(maxWritten_, h); }
  // The read file's bytes up to `end` are copied: its pages behind the copy may go.
  void copiedUpTo(std::size_t end) {
    constexpr std::size_t kStep = 16u << 20;
    if (file_ && end >= released_ + kStep) {
      file_->release(released_, end);
      released_ = end;
    }
  }

 public:
  const cad::Database& db_;
  const DocumentSource* doc_;
  const FileImage* file_;
  TextEncoding encoding_;
  std::string& out_;
  TagWriter w_;
  WriteReport& report_;
  bool r12_ = false;
  bool handles_ = true;
  cad::Handle next_;
  cad::Handle maxWritten_ = 0;
  std::size_t released_ = 0;
  std::vector<Tag> tags_;
  std::unordered_set<cad::Handle> written_;
  std::unordered_set<cad::Handle> listed_;  // entities the file's ENTITIES sections hold
  const SectionLayout* lastEntities_ = nullptr;
  std::vector<std::pair<std::string, int>> r12Notes_;
};

}  // namespace dxf::detail
