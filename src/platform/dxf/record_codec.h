#pragma once
// Between file records and database objects: which group codes each record type models
// (as data, for the writer to know what to replace and what to keep), decoding a record's
// tags into an object, and generating an object's tags.

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cad/block_reference.h"
#include "platform/cad/polylines.h"
#include "platform/cad/spline.h"
#include "platform/cad/table_records.h"
#include "platform/cad/text.h"
#include "platform/dxf/out_tags.h"
#include "platform/dxf/tag_reader.h"
#include "platform/dxf/text_codec.h"

namespace dxf {

// The group codes a record type models. `runs` are repeated groups (vertices, knots,
// dash patterns) that are rewritten as one block when their shape changes. Every other
// code of the record is kept where it was.
struct RecordLayout {
  std::string_view type;
  std::vector<int> modelled;
  std::vector<int> runs;
  bool models(int code) const;
  bool inRun(int code) const;
};
const RecordLayout* layoutFor(std::string_view type);

struct RecordHead {
  cad::Handle handle = 0;
  std::string badHandle;  // a handle group's text that is no handle ("" when none)
  cad::Handle owner = 0;
  bool paperSpace = false;
  bool hasVerticesFollow = false;  // group 66 of POLYLINE and INSERT
};

class FileImage;
namespace table {
struct Gathered;
}

class Decoder {
 public:
  // `image`, when given, is the file the decoded values lie in: a long text value is then
  // decoded piece by piece, its pages let go behind.
  explicit Decoder(const TextEncoding& encoding, const FileImage* image = nullptr);
  ~Decoder();

  // `tags` is one record, "0 TYPE" first. Unknown types give an OpaqueEntity.
  std::unique_ptr<cad::Entity> entity(const Record& tags, RecordHead& head);
  // The record as an OpaqueEntity whatever its type: kept and written as read, never used
  // as geometry.
  std::unique_ptr<cad::Entity> opaqueEntity(const Record& tags, RecordHead& head);
  void vertex(const Record& tags, cad::PolylineVertex& vertex, RecordHead& head);
  // LAYER, STYLE, LTYPE, BLOCK_RECORD entries; nullptr for other tables' entries.
  std::unique_ptr<cad::TableRecord> tableRecord(const Record& tags, RecordHead& head);
  // Handle and owner of any record.
  RecordHead head(const Record& tags);
  // BLOCK record: name, base point, flags.
  void block(const Record& tags, std::string& name, geom::Point3d& base, int& flags,
             std::string& description);

  std::string text(std::string_view raw);
  // Where the fields of the record being read are gathered.
  table::Gathered& gathered() { return *gathered_; }

 private:
  std::string longText(std::string_view raw);

  const TextEncoding& encoding_;
  const FileImage* image_;
  std::string lastRaw_, lastText_;  // layer names repeat; decode each once
  std::unique_ptr<table::Gathered> gathered_;
};

struct EncodeContext {
  bool r12 = false;         // no subclass markers, no owners
  bool handles = true;      // the file carries handles
  cad::Handle ownerOf = 0;  // owner handle to write
  cad::Handle handle = 0;   // the record's own handle (set by the encoders)
};

// The tags of an object as a fresh writer would produce them, "0 TYPE" excluded.
// `type` receives the record type name.
void encodeEntity(const cad::Entity& entity, const EncodeContext& ctx, std::string& type,
                  OutTags& out);
void encodeVertex(const cad::PolylineVertex& v, bool is3d, const EncodeContext& ctx,
                  cad::Handle handle, OutTags& out);
void encodeTableRecord(const cad::TableRecord& record, const EncodeContext& ctx, std::string& type,
                       OutTags& out);
void encodeBlockBegin(const cad::BlockRecord& block, const EncodeContext& ctx, cad::Handle handle,
                      OutTags& out);

}  // namespace dxf
