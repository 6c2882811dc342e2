#include "platform/dxf/dxf_writer.h"

#include <algorithm>
#include <cstdio>

#include "platform/dxf/decode_util.h"
#include "platform/dxf/group_codes.h"
#include "platform/dxf/record_merge.h"
#include "platform/dxf/writer_impl.h"
#include "platform/win/atomic_file.h"
#include "platform/win/utf8.h"

namespace dxf {
namespace detail {

Writer::Writer(const cad::Database& db, const DocumentSource* doc, std::string& out,
               WriteReport& report)
    : db_(db),
      doc_(doc),
      file_(doc ? doc->file.get() : nullptr),
      out_(out),
      w_(out, file_ ? file_->form : OutputForm{false, true, "\r\n"}),
      report_(report),
      next_(db.handleSeed()) {
  if (file_) {
    encoding_ = file_->encoding;
    const std::string& v = file_->version;
    r12_ = v.empty() || v < "AC1012";
    handles_ = file_->hasHandles;
  } else {
    encoding_ = detectEncoding("AC1015", "ANSI_936", "");
  }
}

bool Writer::sameFile(const RecordSource& src) const { return &src.file() == file_; }

void Writer::tokenise(const RecordSource& src, std::vector<Tag>& tags) const {
  tags.clear();
  TagReader reader(src.bytes(), src.file().form, 1);
  Tag tag;
  while (reader.next(tag)) tags.push_back(tag);
}

void Writer::copyRecord(const RecordSource& src, cad::Handle handle) {
  // A record without a handle stays without; one whose handle was a duplicate gets its own.
  if (!handles_ || handle == 0 || src.fileHandle() == 0 || handle == src.fileHandle()) {
    noteHandle(src.fileHandle());
    out_.append(src.bytes());
    if (sameFile(src)) copiedUpTo(src.end());
    return;
  }
  noteHandle(handle);
  // The record's handle was taken by another record of a damaged file: give it its own.
  tokenise(src, tags_);
  for (const Tag& t : tags_) {
    if (t.code == 5 || t.code == 105) {
      w_.text(t.code, handleText(handle));
      handle = 0;  // only the first
    } else {
      w_.copy(src.bytes(), t);
    }
  }
}

namespace {

// Group codes an R12 file may hold (extended data left out, see transcribe).
bool isR12Code(int code) {
  return code < 90 || (code >= 140 && code <= 147) || (code >= 170 && code <= 178) ||
         (code >= 210 && code <= 239) || code == 999;
}

}  // namespace

void Writer::transcribe(const RecordSource& src, cad::Handle handle, cad::Handle owner) {
  noteHandle(handle);
  tokenise(src, tags_);
  bool handleDone = false, ownerDone = false;
  for (const Tag& t : tags_) {
    if ((t.code == 5 || t.code == 105) && !handleDone) {
      handleDone = true;
      if (handles_) w_.text(t.code, handleText(handle));
      continue;
    }
    if (t.code == 330 && !ownerDone) {
      ownerDone = true;
      if (!r12_) w_.text(330, handleText(owner));
      continue;
    }
    // R12 has no subclass markers, application groups or object references, and the
    // extended data of another drawing names applications this one did not register.
    if (r12_ && !isR12Code(t.code)) continue;
    switch (valueTypeOf(t.code)) {
      case ValueType::Real:
        w_.real(t.code, realOf(t).value_or(0.0));
        break;
      case ValueType::Text:
        w_.text(t.code, encodeText(decodeText(t.value, src.file().encoding), encoding_));
        break;
      case ValueType::Binary:
        w_.bytes(t.code, bytesOf(t).value_or(std::string()));
        break;
      default:
        w_.integer(t.code, integerOf(t).value_or(0));
        break;
    }
  }
}

void Writer::writeGenerated(const RecordSource* src, bool modified, cad::Handle handle,
                            std::string_view type, const OutTags& gen) {
  if (src && sameFile(*src) && !modified) {
    copyRecord(*src, handle);
    return;
  }
  noteHandle(handle);
  if (src && sameFile(*src)) {
    const RecordLayout* layout = layoutFor(type);
    if (!layout) layout = layoutFor("*ENTITY");
    tokenise(*src, tags_);
    mergeRecord(tags_, src->bytes(), gen, *layout, encoding_, w_);
    return;
  }
  writeNewRecord(type, gen, encoding_, w_);
}

void Writer::writeSubRecord(const cad::SubRecord& r, cad::Handle owner) {
  const RecordSource* src = recordOf(r.source);
  if (!src) return;
  if (sameFile(*src)) {
    copyRecord(*src, r.handle);
  } else {
    transcribe(*src, r.handle != 0 ? r.handle : fresh(), owner);
  }
}

void Writer::writeTableRecord(const cad::Object& o, cad::Handle owner) {
  const RecordSource* src = recordOf(o.source());
  const auto* record = cad::objectCast<const cad::TableRecord>(&o);
  if (!record) {
    if (src && sameFile(*src)) {
      copyRecord(*src, o.id().handle());
    } else if (src) {
      transcribe(*src, o.id().handle(), owner);
    }
    return;
  }
  // R12 has no block records; a file that carried them anyway keeps its own.
  if (r12_ && record->kind() == cad::ObjectKind::BlockRecord && !src) return;
  if (src && sameFile(*src) && !o.isModified()) {
    copyRecord(*src, o.id().handle());
    return;
  }
  EncodeContext ctx{r12_, handles_, owner};
  OutTags gen;
  std::string type;
  encodeTableRecord(*record, ctx, type, gen);
  if (type.empty()) return;
  writeGenerated(src, o.isModified(), o.id().handle(), type, gen);
}

// ---- sections

void Writer::writeHeader(const SectionLayout& s, std::string& out) {
  std::string_view bytes = file_->bytes;
  const Span& seed = doc_->handseed;
  if (!handles_ || seed.empty() || seed.begin < s.whole.begin || seed.end > s.whole.end) {
    out.append(bytes.substr(s.whole.begin, s.whole.end - s.whole.begin));
    return;
  }
  out.append(bytes.substr(s.whole.begin, seed.begin - s.whole.begin));
  TagWriter w(out, file_->form);
  Tag original;
  TagReader reader(bytes.substr(seed.begin, seed.end - seed.begin), file_->form, 1);
  const bool readable = reader.next(original);
  // Above every handle written, and never below what the file said.
  cad::Handle value = maxWritten_ + 1;
  if (readable) value = std::max(value, detail::parseHandle(original.value));
  if (readable && detail::parseHandle(original.value) == value) {
    w.copy(bytes.substr(seed.begin, seed.end - seed.begin), original);
  } else {
    w.text(5, handleText(value));
  }
  out.append(bytes.substr(seed.end, s.whole.end - seed.end));
}

bool Writer::isNew(const cad::Object& o) const {
  // Records copied in from another drawing (a block inserted from a side database) are as
  // new to this file as ones made in memory.
  const RecordSource* src = recordOf(o.source());
  if (src && !sameFile(*src)) return true;
  if (o.source()) return false;
  // The reader adds the two spaces to files that lack them; they are not news. Neither
  // are block records it made for blocks defined without one.
  const auto* b = cad::objectCast<const cad::BlockRecord>(&o);
  return !(b && (isSpace(*b) || b->blockBegin().source));
}

bool Writer::hasNew(const cad::SymbolTable& table) const {
  for (cad::ObjectId id : table.ids()) {
    const cad::Object* o = db_.peek(id);
    if (o && !o->isErased() && isNew(*o)) return true;
  }
  return false;
}

void Writer::writeTable(const TableLayout& t) {
  std::string_view bytes = file_->bytes;
  out_.append(bytes.substr(t.head.begin, t.head.end - t.head.begin));
  const cad::SymbolTable* table = nullptr;
  if (t.name == "LAYER") table = &db_.layers();
  if (t.name == "STYLE") table = &db_.textStyles();
  if (t.name == "LTYPE") table = &db_.linetypes();
  if (t.name == "BLOCK_RECORD") table = &db_.blocks();
  const cad::Handle owner = table ? table->record().handle : 0;
  std::unordered_set<cad::Handle> seen;
  for (cad::Handle h : t.entries) {
    seen.insert(h);
    const cad::Object* o = db_.peek(cad::ObjectId(h));
    if (o && !o->isErased()) writeTableRecord(*o, owner);
  }
  if (table) {
    for (cad::ObjectId id : table->ids()) {
      if (seen.count(id.handle())) continue;
      const cad::Object* o = db_.peek(id);
      if (o && !o->isErased() && isNew(*o)) writeTableRecord(*o, owner);
    }
  }
  if (t.tail.empty()) {
    w_.text(0, "ENDTAB");
  } else {
    out_.append(bytes.substr(t.tail.begin, t.tail.end - t.tail.begin));
  }
}

void Writer::writeGeneratedTable(std::string_view name, const cad::SymbolTable& table) {
  cad::Handle handle = table.record().handle != 0 ? table.record().handle : fresh();
  w_.text(0, "TABLE");
  w_.text(2, name);
  if (handles_) w_.text(5, handleText(handle));
  if (!r12_) {
    w_.text(330, "0");
    w_.text(100, "AcDbSymbolTable");
  }
  w_.integer(70, static_cast<std::int64_t>(table.size()));
  for (cad::ObjectId id : table.ids()) {
    const cad::Object* o = db_.peek(id);
    if (o && !o->isErased()) writeTableRecord(*o, handle);
  }
  w_.text(0, "ENDTAB");
}

void Writer::writeTables(const SectionLayout& s) {
  std::string_view bytes = file_->bytes;
  out_.append(bytes.substr(s.head.begin, s.head.end - s.head.begin));
  bool layer = false, style = false, ltype = false, blocks = false;
  for (const TableLayout& t : s.tables) {
    writeTable(t);
    layer |= t.name == "LAYER";
    style |= t.name == "STYLE";
    ltype |= t.name == "LTYPE";
    blocks |= t.name == "BLOCK_RECORD";
  }
  // Tables the file lacked, when there is something new to put in them.
  if (!ltype && hasNew(db_.linetypes())) writeGeneratedTable("LTYPE", db_.linetypes());
  if (!layer && hasNew(db_.layers())) writeGeneratedTable("LAYER", db_.layers());
  if (!style && hasNew(db_.textStyles())) writeGeneratedTable("STYLE", db_.textStyles());
  if (!r12_ && !blocks && hasNew(db_.blocks())) writeGeneratedTable("BLOCK_RECORD", db_.blocks());
  finishSection(s);
}

bool Writer::isSpace(const cad::BlockRecord& b) const {
  return win::equalsIgnoreAsciiCase(b.name(), cad::kModelSpace) ||
         win::equalsIgnoreAsciiCase(b.name(), cad::kPaperSpace);
}

void Writer::writeBlock(const cad::BlockRecord& b) {
  const cad::Handle owner = b.id().handle();
  const RecordSource* begin = recordOf(b.blockBegin().source);
  if (!begin && isSpace(b) && r12_) return;  // R12 has no blocks for the spaces
  // A block record the file had without a definition stays without one.
  const RecordSource* own = recordOf(b.source());
  if (!begin && own && sameFile(*own) && !b.isModified()) return;
  if (begin && sameFile(*begin) && !b.isModified()) {
    copyRecord(*begin, b.blockBegin().handle);
  } else {
    EncodeContext ctx{r12_, handles_, owner};
    OutTags gen;
    cad::Handle h = b.blockBegin().handle != 0 ? b.blockBegin().handle : fresh();
    encodeBlockBegin(b, ctx, h, gen);
    writeGenerated(begin, true, h, "BLOCK", gen);
  }
  // In R13 and later the entities of the two spaces live in the ENTITIES section.
  if (!isSpace(b)) {
    for (cad::ObjectId id : b.entityIds()) {
      const auto* e = cad::objectCast<const cad::Entity>(db_.peek(id));
      if (e && !e->isErased()) writeEntity(*e, owner);
    }
  }
  const RecordSource* end = recordOf(b.blockEnd().source);
  if (end && sameFile(*end)) {
    copyRecord(*end, b.blockEnd().handle);
  } else {
    w_.text(0, "ENDBLK");
    noteHandle(b.blockEnd().handle);
    if (handles_) w_.text(5, handleText(b.blockEnd().handle != 0 ? b.blockEnd().handle : fresh()));
    if (!r12_) {
      w_.text(330, handleText(owner));
      w_.text(100, "AcDbEntity");
    }
    w_.text(8, "0");
    if (!r12_) w_.text(100, "AcDbBlockEnd");
  }
}

void Writer::writeBlocks(const SectionLayout& s) {
  std::string_view bytes = file_->bytes;
  out_.append(bytes.substr(s.head.begin, s.head.end - s.head.begin));
  std::unordered_set<cad::Handle> seen;
  auto write = [&](cad::ObjectId id) {
    if (!seen.insert(id.handle()).second) return;
    const auto* b = cad::objectCast<const cad::BlockRecord>(db_.peek(id));
    if (b && !b->isErased()) writeBlock(*b);
  };
  for (cad::Handle h : s.order) write(cad::ObjectId(h));
  for (cad::ObjectId id : db_.blocks().ids()) {
    const auto* b = cad::objectCast<const cad::BlockRecord>(db_.peek(id));
    // A space that had no block in the file keeps having none.
    if (b && !(isSpace(*b) && !b->blockBegin().source)) write(id);
  }
  finishSection(s);
}

void Writer::writeEntities(const SectionLayout& s) {
  std::string_view bytes = file_->bytes;
  out_.append(bytes.substr(s.head.begin, s.head.end - s.head.begin));
  const cad::ObjectId model = db_.modelSpaceId(), paper = db_.paperSpaceId();
  auto write = [&](cad::ObjectId id) {
    const auto* e = cad::objectCast<const cad::Entity>(db_.peek(id));
    if (!e || e->isErased()) return;
    if (e->owner() != model && e->owner() != paper) return;  // moved into a block
    if (!written_.insert(id.handle()).second) return;
    writeEntity(*e, e->owner().handle());
  };
  for (cad::Handle h : s.order) write(cad::ObjectId(h));
  // New entities (and those moved into the spaces) go at the end of the last section.
  if (&s != lastEntities_) return finishSection(s);
  for (cad::ObjectId space : {model, paper}) {
    const auto* b = cad::objectCast<const cad::BlockRecord>(db_.peek(space));
    if (!b) continue;
    for (cad::ObjectId id : b->entityIds()) {
      if (!listed_.count(id.handle())) write(id);
    }
  }
  finishSection(s);
}

// A damaged file may have no ENTITIES section while the reader still found entities of the
// spaces (stray ones in BLOCKS, say): they get a section of their own, so that what was read
// is what is written.
void Writer::writeSpacesWithoutSection() {
  if (lastEntities_) return;
  bool any = false;
  for (cad::ObjectId space : {db_.modelSpaceId(), db_.paperSpaceId()}) {
    const auto* b = cad::objectCast<const cad::BlockRecord>(db_.peek(space));
    if (!b) continue;
    for (cad::ObjectId id : b->entityIds()) {
      const auto* e = cad::objectCast<const cad::Entity>(db_.peek(id));
      any |= e && !e->isErased() && !written_.count(id.handle());
    }
  }
  static const SectionLayout kMade = [] {
    SectionLayout made;
    made.name = "ENTITIES";
    return made;
  }();
  lastEntities_ = &kMade;
  if (!any) return;
  w_.text(0, "SECTION");
  w_.text(2, "ENTITIES");
  writeEntities(kMade);
}

void Writer::finishSection(const SectionLayout& s) {
  std::string_view bytes = file_->bytes;
  if (s.tail.empty()) {
    w_.text(0, "ENDSEC");
  } else {
    out_.append(bytes.substr(s.tail.begin, s.tail.end - s.tail.begin));
  }
}

void Writer::writeObjects(const SectionLayout& s) {
  std::string_view bytes = file_->bytes;
  out_.append(bytes.substr(s.head.begin, s.head.end - s.head.begin));
  for (cad::Handle h : s.order) {
    const cad::Object* o = db_.peek(cad::ObjectId(h));
    if (!o || o->isErased()) continue;
    if (const RecordSource* src = recordOf(o->source())) {
      if (sameFile(*src)) copyRecord(*src, h);
    }
  }
  finishSection(s);
}

void Writer::writeDocument() {
  std::string_view bytes = file_->bytes;
  out_.append(bytes.substr(doc_->prefix.begin, doc_->prefix.end - doc_->prefix.begin));
  const SectionLayout* header = nullptr;
  const std::size_t headerAt = out_.size();
  for (const SectionLayout& s : doc_->sections) {
    if (s.name != "ENTITIES") continue;
    lastEntities_ = &s;
    listed_.insert(s.order.begin(), s.order.end());
  }
  bool tables = false, blocks = false;
  for (const SectionLayout& s : doc_->sections) {
    if (s.name == "HEADER") {
      header = &s;
      continue;
    }
    if (!tables && (s.name == "BLOCKS" || s.name == "ENTITIES")) {
      // A file without tables that now has new layers, styles or linetypes.
      tables = true;
      if (hasNew(db_.layers()) || hasNew(db_.textStyles()) || hasNew(db_.linetypes())) {
        SectionLayout empty;
        empty.name = "TABLES";
        w_.text(0, "SECTION");
        w_.text(2, "TABLES");
        writeTables(empty);
      }
    }
    if (s.name == "TABLES") {
      tables = true;
      writeTables(s);
    } else if (s.name == "BLOCKS") {
      blocks = true;
      writeBlocks(s);
    } else if (s.name == "ENTITIES") {
      if (!blocks) {
        blocks = true;
        SectionLayout empty;
        bool any = false;
        for (cad::ObjectId id : db_.blocks().ids()) {
          const auto* b = cad::objectCast<const cad::BlockRecord>(db_.peek(id));
          any |= b && !b->isErased() && !isSpace(*b);
        }
        if (any) {
          w_.text(0, "SECTION");
          w_.text(2, "BLOCKS");
          writeBlocks(empty);
        }
      }
      writeEntities(s);
    } else if (s.name == "OBJECTS") {
      writeSpacesWithoutSection();
      writeObjects(s);
    } else {
      out_.append(bytes.substr(s.whole.begin, s.whole.end - s.whole.begin));
      copiedUpTo(s.whole.end);
    }
  }
  writeSpacesWithoutSection();
  if (doc_->eof.empty()) {
    w_.text(0, "EOF");
  } else {
    out_.append(bytes.substr(doc_->eof.begin, doc_->eof.end - doc_->eof.begin));
  }
  if (header) {
    // The header carries $HANDSEED, known only now that every record has its handle.
    std::string text;
    writeHeader(*header, text);
    out_.insert(headerAt, text);
  }
  for (const auto& [kind, count] : r12Notes_) {
    report_.notes.push_back("R12 drawing: " + std::to_string(count) + " " + kind);
  }
}

void Writer::note(const std::string& kind) {
  for (auto& [k, count] : r12Notes_) {
    if (k == kind) {
      ++count;
      return;
    }
  }
  r12Notes_.emplace_back(kind, 1);
}

}  // namespace detail

std::string renderDrawing(const cad::Database& db, WriteReport& report) {
  report = WriteReport();
  std::string out;
  const auto* doc = dynamic_cast<const DocumentSource*>(db.source().get());
  if (doc) out.reserve(doc->file->bytes.size() + (doc->file->bytes.size() >> 4));
  const std::size_t nonFiniteBefore = nonFiniteRealsWritten();
  detail::Writer writer(db, doc, out, report);
  if (doc) {
    writer.writeDocument();
  } else {
    writer.writeNew();
  }
  if (nonFiniteRealsWritten() != nonFiniteBefore) {
    report.status = cad::Status::InvalidInput;
    report.message = "the drawing holds a number that is not finite (nan or inf); not written";
    out.clear();
  }
  return out;
}

cad::Status writeDrawing(const cad::Database& db, const std::filesystem::path& path,
                         WriteReport& report) {
  std::string bytes = renderDrawing(db, report);
  if (report.status != cad::Status::Ok) return report.status;
  std::string why;
  if (!win::writeFileAtomically(path, bytes, &why)) {
    report.status = cad::Status::FileError;
    report.message = "cannot write " + path.string() + ": " + why;
  }
  return report.status;
}

std::string entityTypeName(const cad::Entity& e) {
  using K = cad::ObjectKind;
  switch (e.kind()) {
    case K::Line:
      return "LINE";
    case K::LwPolyline:
      return "LWPOLYLINE";
    case K::Polyline2d:
    case K::Polyline3d:
      return "POLYLINE";
    case K::Arc:
      return "ARC";
    case K::Circle:
      return "CIRCLE";
    case K::Ellipse:
      return "ELLIPSE";
    case K::Spline:
      return "SPLINE";
    case K::Text:
      return "TEXT";
    case K::BlockReference:
      return "INSERT";
    case K::Point:
      return "POINT";
    case K::OpaqueEntity:
      return static_cast<const cad::OpaqueEntity&>(e).typeName();
    default:
      return "";
  }
}

}  // namespace dxf
