#include "platform/dxf/dxf_reader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "platform/dxf/decode_util.h"
#include "platform/dxf/file_image.h"
#include "platform/dxf/record_codec.h"
#include "platform/geom/nurbs.h"
#include "platform/win/utf8.h"

namespace dxf {
namespace {

constexpr std::size_t kMaxProblems = 50;
constexpr std::size_t kReleaseStep = 16u << 20;
constexpr std::size_t kEncodingWindow = 4u << 20;

// The record being read: its first tags, and the count and end of all of them. The tags
// past the first kHeld are not kept; a decoder that walks the record reads them again
// from the file image.
class RecordBuffer {
 public:
  static constexpr std::size_t kHeld = 65536;
  explicit RecordBuffer(const FileImage& image) : image_(image) {}

  void clear() {
    tags_.clear();
    count_ = 0;
    end_ = 0;
  }
  void push(const Tag& t) {
    if (tags_.size() < kHeld) tags_.push_back(t);
    ++count_;
    end_ = t.end;
  }
  bool empty() const { return count_ == 0; }
  const Tag& operator[](std::size_t i) const { return tags_[i]; }  // i < held()
  std::size_t held() const { return tags_.size(); }
  std::size_t endOffset() const { return end_; }
  operator Record() const {  // NOLINT: what the decoders take
    return Record(tags_, count_, end_, image_.bytes, image_.form);
  }

 private:
  const FileImage& image_;
  std::vector<Tag> tags_;
  std::size_t count_ = 0;
  std::size_t end_ = 0;
};

bool isSubRecord(std::string_view type) {
  return type == "VERTEX" || type == "ATTRIB" || type == "SEQEND";
}

// Why a decoded SPLINE gives no curve, or "" when it does. A spline stored by its fit
// points alone is the cubic through them; it needs two distinct points within range.
std::string splineWithoutCurve(const cad::Entity& entity) {
  const auto* spline = cad::objectCast<cad::Spline>(&entity);
  if (!spline) return "its degree, knots and control points do not form a curve";
  if (!spline->controlPoints().empty()) return "";
  const auto& fit = spline->fitPoints();
  if (fit.empty()) return "it has neither control points nor fit points";
  if (geom::interpolateCubic(fit, spline->startTangent(), spline->endTangent())) return "";
  const bool distinct = std::any_of(fit.begin(), fit.end(), [&](const geom::Point3d& p) {
    return (p - fit.front()).length() > 0.0;
  });
  return distinct ? "its fit points lie too far out for a curve to be built through them"
                  : "it has fewer than two distinct fit points, no curve goes through them";
}

// The handles of the sub-records read so far (vertices, attributes, block begin and end
// records), which the database does not look up: a bit per handle up to a bound (handles are
// dense in practice), the rare larger ones in a hash set, so that millions of vertices cost
// about a bit each.
class HandleSet {
 public:
  bool contains(cad::Handle h) const {
    return h < bits_.size() ? bits_[h] : h >= kDense && sparse_.contains(h);
  }
  void insert(cad::Handle h) {
    if (h >= kDense) {
      sparse_.insert(h);
      return;
    }
    if (h >= bits_.size()) bits_.resize(std::max<std::size_t>(h + 1, 2 * bits_.size()));
    bits_[h] = true;
  }

 private:
  static constexpr cad::Handle kDense = cad::Handle(1) << 26;  // 8 MB of bits at the most
  std::vector<bool> bits_;
  std::unordered_set<cad::Handle> sparse_;
};

class Reader {
 public:
  Reader(std::shared_ptr<FileImage> image, ReadReport& report)
      : image_(std::move(image)),
        report_(report),
        tags_(image_->bytes),
        decoder_(image_->encoding, image_.get()),
        db_(std::make_unique<cad::Database>(cad::Database::Contents::Empty)),
        doc_(std::make_shared<DocumentSource>()),
        rec_(*image_),
        sub_(*image_) {}

  std::unique_ptr<cad::Database> run();

 private:
  bool readRecord(RecordBuffer& rec);
  void problem(const Tag& at, const std::string& what);
  // `entityType`: the entity kept out of use for it (the record's own or its polyline's).
  void unreadableNumber(const Tag& at, std::string_view recordType, std::string_view entityType);
  std::shared_ptr<RecordSource> sourceOf(const Record& rec, cad::Handle fileHandle) const {
    return std::make_shared<RecordSource>(image_, rec.beginOffset(), rec.endOffset(), fileHandle);
  }
  cad::Handle usable(const RecordHead& head, const Tag& at, bool subRecord = false);
  // The handle a record's source keeps: a group 5 that is no handle counts as a handle of
  // its own (kNoHandle), so that the writer gives the record the one it was given.
  static cad::Handle fileHandleOf(const RecordHead& head) {
    return head.badHandle.empty() ? head.handle : kNoHandle;
  }
  static constexpr cad::Handle kNoHandle = ~cad::Handle{0};
  void seedAboveFile();
  cad::Handle handlesAbove(std::size_t from) const;
  cad::SubRecord subRecord(const Record& rec);

  void readSection(RecordBuffer& rec);
  void readHeader(SectionLayout& section);
  void setupEncoding(std::string_view codepage);
  void prescanHandles();
  void readTables(SectionLayout& section);
  void readTableEntries(TableLayout& table, cad::SymbolTable* modelled);
  void readBlocks(SectionLayout& section);
  void readBlock(SectionLayout& section, RecordBuffer& rec);
  void readEntities(SectionLayout& section);
  void readObjects(SectionLayout& section);
  void skipSection(SectionLayout& section);
  bool atSectionEnd(RecordBuffer& rec, SectionLayout& section);
  // Reads one entity with its sub-records and appends it to `block` (or, with a null
  // block, to the block its owner or paper-space flag names).
  void readEntity(RecordBuffer& rec, cad::ObjectId block, std::vector<cad::Handle>* order);
  cad::ObjectId ensureLayout(std::string_view name);
  cad::ObjectId blockFor(const RecordHead& head);
  void auditBlockReferences();
  int blockDepth(cad::ObjectId block, std::unordered_map<cad::Handle, int>& depth, int level);
  Tag tagAt(const cad::Entity& e) const;

  std::shared_ptr<FileImage> image_;
  ReadReport& report_;
  TagReader tags_;
  Decoder decoder_;
  std::unique_ptr<cad::Database> db_;
  std::shared_ptr<DocumentSource> doc_;
  RecordBuffer rec_, sub_;
  bool encodingSet_ = false;
  bool fatal_ = false;
  bool seedAboveFile_ = false;
  cad::Handle seen_ = 0;      // the highest handle of the records read so far
  std::size_t released_ = 0;  // the file's pages before this offset were let go
  cad::Handle handseed_ = 0;
  std::unordered_set<cad::Handle> blockRecords_;
  HandleSet subHandles_;
};

void Reader::problem(const Tag& at, const std::string& what) {
  if (report_.problems.size() >= kMaxProblems) return;
  std::string where =
      at.binary ? "byte " + std::to_string(at.begin) : "line " + std::to_string(at.line);
  report_.problems.push_back(where + ": " + what);
}

// A record is a code-0 tag and everything up to the next code-0 tag.
bool Reader::readRecord(RecordBuffer& rec) {
  rec.clear();
  const std::size_t at = tags_.position();
  if (at >= released_ + kReleaseStep) {
    image_->release(released_, at);
    released_ = at;
  }
  Tag tag;
  while (true) {
    if (!tags_.next(tag)) {
      if (tags_.failed()) fatal_ = true;
      return !rec.empty() && !fatal_;
    }
    if (tag.code == 0) {
      if (!rec.empty()) {
        tags_.rewind(tag);
        return true;
      }
      // Nothing after EOF belongs to the drawing (old files end in ^Z, some in junk).
      if (tag.value == "EOF") {
        rec.push(tag);
        return true;
      }
    } else if (rec.empty()) {
      continue;  // a tag outside any record: nothing can own it
    }
    rec.push(tag);
  }
}

// A handle names one record, object or sub-record. The first record to carry it keeps it,
// and with it every reference to it (owners, pointers); a later record with the same handle
// gets a fresh one, which the note names so that the user can still pick that object.
cad::Handle Reader::usable(const RecordHead& head, const Tag& at, bool subRecord) {
  const cad::Handle h = head.handle;
  seen_ = std::max(seen_, h);
  if (h == 0 && !head.badHandle.empty()) {
    seedAboveFile();
    const cad::Handle fresh = db_->newHandle();
    problem(at, std::string(at.value) + " with the handle \"" + head.badHandle +
                    "\", which is no handle, given the new handle " + handleText(fresh));
    return fresh;
  }
  if (h == 0) {
    seedAboveFile();  // the database gives the record a fresh handle
    return 0;
  }
  if (!db_->isHandleUsed(h) && !subHandles_.contains(h)) {
    if (subRecord) subHandles_.insert(h);
    return h;
  }
  seedAboveFile();
  const cad::Handle fresh = db_->newHandle();
  problem(at, std::string(at.value) + " with the duplicate handle " + handleText(h) +
                  " given the new handle " + handleText(fresh));
  return fresh;
}

// A stale $HANDSEED would hand out, while reading, a handle that a later record carries,
// and that record would lose it: before the first fresh handle the seed is put above
// every handle of the file.
void Reader::seedAboveFile() {
  if (seedAboveFile_) return;
  seedAboveFile_ = true;
  // The records read so far are known; the rest of the file is looked at once.
  db_->setHandleSeed(std::max(seen_ + 1, handlesAbove(tags_.position())));
}

// One more than the highest handle a record carries from `from` on, the pages let go
// behind the scan as it goes.
cad::Handle Reader::handlesAbove(std::size_t from) const {
  TagReader scan(image_->bytes, image_->form, 1);
  scan.seek(from, 1);
  Tag t;
  cad::Handle above = 0;
  std::size_t released = from;
  bool seedValue = false;  // the header's $HANDSEED is no handle of a record
  while (scan.next(t)) {
    if ((t.code == 5 || t.code == 105) && !seedValue)
      above = std::max(above, detail::parseHandle(t.value) + 1);
    seedValue = t.code == 9 && t.value == "$HANDSEED";
    if (t.end >= released + kReleaseStep) {
      image_->release(released, t.end);
      released = t.end;
    }
  }
  image_->release(released, image_->bytes.size());
  return above;
}

void Reader::unreadableNumber(const Tag& at, std::string_view recordType,
                              std::string_view entityType) {
  std::string value(at.binary ? std::string_view("(binary)") : at.value.substr(0, 40));
  for (char& c : value) {
    if (c < 0x20 || c > 0x7e) c = '?';  // the message is one line of plain text
  }
  problem(at, std::string(recordType) + " group " + std::to_string(at.code) +
                  " is not a number (\"" + value + "\"): the " + std::string(entityType) +
                  " is kept as written but not drawn, selected or cut");
}

cad::SubRecord Reader::subRecord(const Record& rec) {
  RecordHead head = decoder_.head(rec);
  cad::Handle h = usable(head, rec.front(), true);
  return {h, sourceOf(rec, fileHandleOf(head))};
}

std::unique_ptr<cad::Database> Reader::run() {
  doc_->file = image_;
  doc_->prefix = {0, tags_.startOffset()};
  image_->form.binary = tags_.isBinary();
  image_->form.lineEnd = tags_.lineEnd();
  if (tags_.isBinary()) {
    std::string_view b = image_->bytes;
    image_->form.wideCodes = b.size() > 23 && b[22] == 0 && b[23] == 0;
  }
  // Comments (999) before the first record stay in front of it.
  Tag lead;
  while (tags_.next(lead)) {
    if (lead.code == 0) {
      tags_.rewind(lead);
      break;
    }
    doc_->prefix.end = lead.end;
  }
  RecordBuffer& rec = rec_;
  bool eofSeen = false;
  while (!fatal_ && readRecord(rec)) {
    std::string_view type = rec[0].value;
    if (type == "EOF") {
      doc_->eof = {rec[0].begin, image_->bytes.size()};
      eofSeen = true;
      break;
    }
    if (type != "SECTION") {
      // Kept as it stands, so that even a damaged file is written back whole.
      problem(rec[0], "record " + std::string(type) + " outside any section");
      SectionLayout& raw = doc_->sections.emplace_back();
      raw.whole = {rec[0].begin, rec.endOffset()};
      continue;
    }
    readSection(rec);
  }
  if (fatal_) {
    report_.status = cad::Status::InvalidInput;
    report_.message = tags_.error();
    return nullptr;
  }
  if (doc_->sections.empty()) {
    report_.status = cad::Status::InvalidInput;
    report_.message = image_->bytes.empty() ? "line 1: empty file" : "line 1: no DXF section found";
    return nullptr;
  }
  // A file cut off at a line boundary parses to the end; only the missing EOF tells it from
  // a whole one, and a number cut short there would be used as if it were the true value.
  // Some writers leave EOF out after a whole last section; that much is taken, with a note.
  if (!eofSeen) {
    const SectionLayout& last = doc_->sections.back();
    const bool endsAfterEndsec =
        last.tail.end > last.tail.begin &&
        image_->bytes.substr(last.tail.end).find_first_not_of(" \t\r\n\x1a") ==
            std::string_view::npos;
    if (!endsAfterEndsec) {
      report_.status = cad::Status::InvalidInput;
      report_.message = tags_.where() + ": the drawing ends before its EOF (the file is cut off)";
      return nullptr;
    }
    Tag end;
    end.line = tags_.isBinary() ? 0
                                : static_cast<std::size_t>(
                                      std::count(image_->bytes.begin(), image_->bytes.end(), '\n'));
    end.binary = tags_.isBinary();
    end.begin = image_->bytes.size();
    problem(end, "no EOF after the last section");
    doc_->eof = {image_->bytes.size(), image_->bytes.size()};
  }
  ensureLayout(cad::kModelSpace);
  ensureLayout(cad::kPaperSpace);
  auditBlockReferences();
  image_->release(0, image_->bytes.size());
  db_->setHandleSeed(handseed_);
  db_->setSource(doc_);
  db_->clearModifiedFlags();
  report_.version = image_->version;
  report_.binary = image_->form.binary;
  report_.encoding = image_->encoding.utf8 ? "UTF-8" : image_->encoding.codepage;
  return std::move(db_);
}

void Reader::readSection(RecordBuffer& rec) {
  SectionLayout section;
  section.name = rec.held() > 1 && rec[1].code == 2 ? std::string(rec[1].value) : "";
  section.whole.begin = rec[0].begin;
  section.head = {rec[0].begin, rec.held() > 1 ? rec[1].end : rec[0].end};
  if (section.name == "HEADER") {
    section.head = {rec[0].begin, rec[0].begin};
    readHeader(section);
  } else {
    if (!encodingSet_) {
      setupEncoding("");
      prescanHandles();
      db_->setHandleSeed(handseed_);
    }
    if (section.name == "TABLES") {
      readTables(section);
    } else if (section.name == "BLOCKS") {
      readBlocks(section);
    } else if (section.name == "ENTITIES") {
      readEntities(section);
    } else if (section.name == "OBJECTS") {
      readObjects(section);
    } else {
      skipSection(section);
    }
  }
  if (section.tail.begin == 0 && section.tail.end == 0) {
    section.tail = {tags_.position(), tags_.position()};
  }
  section.whole.end = section.tail.end;
  doc_->sections.push_back(std::move(section));
}

void Reader::readHeader(SectionLayout& section) {
  std::string_view variable;
  std::string codepage;
  std::size_t index = 0;
  static_cast<Record>(rec_).forEach([&](const Tag& t) {
    if (index++ < 2) return;
    if (t.code == 9) {
      variable = t.value;
      return;
    }
    if (variable == "$ACADVER" && t.code == 1) {
      image_->version = win::asciiUpper(win::trimView(t.value));
    } else if (variable == "$DWGCODEPAGE" && t.code == 3) {
      codepage = std::string(win::trimView(t.value));
    } else if (variable == "$HANDSEED" && t.code == 5) {
      handseed_ = detail::parseHandle(t.value);
      doc_->handseed = {t.begin, t.end};
    } else if (variable == "$HANDLING" && t.code == 70) {
      image_->hasHandles = detail::integer(t) != 0;
    }
  });
  report_.codepage = codepage;
  setupEncoding(codepage);
  // Handles the database hands out while reading must not take the file's own.
  if (handseed_ == 0) prescanHandles();
  db_->setHandleSeed(handseed_);
  // Headers written without "0 ENDSEC" run into the next section.
  if (readRecord(sub_)) atSectionEnd(sub_, section);
}

// The scan for UTF-8 under a declared code page looks at a window of the file from its
// first non-ASCII byte, cut at a line end so that no character is split.
void Reader::setupEncoding(std::string_view codepage) {
  encodingSet_ = true;
  std::string_view window;
  if (!image_->form.binary) {
    std::string_view bytes = image_->bytes;
    std::size_t first = 0;
    while (first < bytes.size() && static_cast<unsigned char>(bytes[first]) < 0x80) ++first;
    if (first < bytes.size()) {
      first = bytes.rfind('\n', first);
      first = first == std::string_view::npos ? 0 : first + 1;
      window = bytes.substr(first, kEncodingWindow);
      if (first + window.size() < bytes.size()) {
        std::size_t cut = window.rfind('\n');
        window = window.substr(0, cut == std::string_view::npos ? 0 : cut);
      }
    }
  }
  image_->encoding = detectEncoding(image_->version, codepage, window);
  if (!image_->encoding.note.empty()) {
    Tag start;
    start.line = 1;
    start.binary = image_->form.binary;
    problem(start, image_->encoding.note);
  }
}

// Without $HANDSEED the highest handle of the file is known only by looking at them all.
void Reader::prescanHandles() {
  seedAboveFile_ = true;
  handseed_ = std::max(handseed_, handlesAbove(tags_.position()));
}

bool Reader::atSectionEnd(RecordBuffer& rec, SectionLayout& section) {
  std::string_view type = rec[0].value;
  if (type == "ENDSEC") {
    section.tail = {rec[0].begin, rec.endOffset()};
    return true;
  }
  if (type == "SECTION" || type == "EOF") {
    problem(rec[0], "section " + section.name + " without ENDSEC");
    tags_.rewind(rec[0]);
    section.tail = {rec[0].begin, rec[0].begin};
    return true;
  }
  return false;
}

void Reader::skipSection(SectionLayout& section) {
  while (readRecord(sub_)) {
    if (atSectionEnd(sub_, section)) return;
  }
}

cad::SymbolTable* modelledTable(cad::Database& db, std::string_view name) {
  if (name == "LAYER") return &db.layers();
  if (name == "STYLE") return &db.textStyles();
  if (name == "LTYPE") return &db.linetypes();
  if (name == "BLOCK_RECORD") return &db.blocks();
  return nullptr;
}

void Reader::readTables(SectionLayout& section) {
  RecordBuffer& rec = rec_;
  while (readRecord(rec)) {
    if (atSectionEnd(rec, section)) return;
    if (rec[0].value != "TABLE") {
      problem(rec[0], "record " + std::string(rec[0].value) + " outside a table skipped");
      continue;
    }
    TableLayout table;
    static_cast<Record>(rec).forEach([&](const Tag& t) {
      if (t.code != 2) return true;
      table.name = std::string(t.value);
      return false;
    });
    table.head = {rec[0].begin, rec.endOffset()};
    cad::SymbolTable* modelled = modelledTable(*db_, table.name);
    cad::SubRecord head = subRecord(rec);
    if (head.handle != 0 && db_->reserveHandle(head.handle) != cad::Status::Ok) head.handle = 0;
    if (modelled) modelled->record() = head;
    readTableEntries(table, modelled);
    section.tables.push_back(std::move(table));
  }
}

void Reader::readTableEntries(TableLayout& table, cad::SymbolTable* modelled) {
  RecordBuffer& rec = rec_;
  while (readRecord(rec)) {
    std::string_view type = rec[0].value;
    if (type == "ENDTAB") {
      table.tail = {rec[0].begin, rec.endOffset()};
      return;
    }
    if (type == "TABLE" || type == "ENDSEC" || type == "SECTION" || type == "EOF") {
      problem(rec[0], "table " + table.name + " without ENDTAB");
      tags_.rewind(rec[0]);
      table.tail = {rec[0].begin, rec[0].begin};
      return;
    }
    RecordHead head;
    std::unique_ptr<cad::TableRecord> record;
    if (modelled && type == table.name)
      record = decoder_.tableRecord(rec, head);
    else
      head = decoder_.head(rec);
    const cad::Handle handle = usable(head, rec[0]);
    auto source = sourceOf(rec, fileHandleOf(head));
    cad::Result<cad::ObjectId> added = cad::Status::InvalidInput;
    if (record) {
      record->setSource(source);
      added = db_->addTableRecord(std::move(record), handle);
      if (!added.ok()) problem(rec[0], "table entry with a name in use kept as it is");
    }
    if (!added.ok()) {
      auto opaque = std::make_unique<cad::OpaqueObject>(std::string(type));
      opaque->setSource(source);
      added = db_->addObject(std::move(opaque), handle);
    }
    if (!added.ok()) {
      problem(rec[0], "table entry dropped");
      continue;
    }
    table.entries.push_back(added.value().handle());
    if (table.name == "BLOCK_RECORD") blockRecords_.insert(added.value().handle());
  }
  table.tail = {tags_.position(), tags_.position()};
}

cad::ObjectId Reader::ensureLayout(std::string_view name) {
  cad::ObjectId id = db_->blocks().getIdAt(name);
  if (!id.isNull()) return id;
  seedAboveFile();
  auto added = db_->addTableRecord(std::make_unique<cad::BlockRecord>(std::string(name)));
  if (!added.ok()) return {};
  blockRecords_.insert(added.value().handle());
  return added.value();
}

cad::ObjectId Reader::blockFor(const RecordHead& head) {
  if (head.owner != 0 && blockRecords_.count(head.owner)) {
    auto block = db_->openForRead<cad::BlockRecord>(cad::ObjectId(head.owner));
    if (block) return block->id();
  }
  return ensureLayout(head.paperSpace ? cad::kPaperSpace : cad::kModelSpace);
}

// Where an entity's record starts, for messages.
Tag Reader::tagAt(const cad::Entity& e) const {
  Tag at;
  at.binary = image_->form.binary;
  if (const RecordSource* src = recordOf(e.source())) {
    at.begin = src->begin();
    if (!at.binary) {
      const std::string_view bytes = image_->bytes.substr(0, src->begin());
      at.line = 1 + static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    }
  }
  return at;
}

// References that cannot be drawn as they stand are the user's to know: a block that
// inserts itself (directly or through others), a reference to a block that does not exist,
// nesting deeper than any drawing needs, and array references of absurd size.
void Reader::auditBlockReferences() {
  constexpr std::int64_t kMaxArray = 100000;
  std::unordered_map<cad::Handle, int> depth;  // -1 while on the path: a cycle
  for (cad::ObjectId blockId : db_->blocks().ids()) {
    const auto* block = cad::objectCast<cad::BlockRecord>(db_->peek(blockId));
    if (!block) continue;
    for (cad::ObjectId id : block->entityIds()) {
      const auto* e = cad::objectCast<cad::Entity>(db_->peek(id));
      const auto* ref = cad::objectCast<cad::BlockReference>(e);
      const auto* opaque = cad::objectCast<cad::OpaqueEntity>(e);
      if (!ref && !(opaque && opaque->typeName() == "INSERT")) continue;
      if (ref && db_->blocks().getIdAt(ref->blockName()).isNull()) {
        problem(tagAt(*ref), "INSERT of the missing block " + ref->blockName());
      }
      if (const RecordSource* src = recordOf(e->source())) {
        std::int64_t columns = 1, rows = 1;
        TagReader tags(src->bytes(), image_->form, tagAt(*e).line);
        Tag t;
        while (tags.next(t) && !(t.code == 0 && t.begin > 0)) {
          if (t.code == 70) columns = std::max<std::int64_t>(1, integerOf(t).value_or(1));
          if (t.code == 71) rows = std::max<std::int64_t>(1, integerOf(t).value_or(1));
        }
        if (columns * rows > kMaxArray) {
          problem(tagAt(*e), "MINSERT of " + std::to_string(columns) + " x " +
                                 std::to_string(rows) + " copies is not expanded");
        }
      }
    }
  }
  for (cad::ObjectId blockId : db_->blocks().ids()) blockDepth(blockId, depth, 0);
}

// Nesting depth below `block`, each cycle and each block nested too deep reported once.
int Reader::blockDepth(cad::ObjectId block, std::unordered_map<cad::Handle, int>& depth,
                       int level) {
  constexpr int kMaxNesting = 32;
  if (const auto known = depth.find(block.handle()); known != depth.end()) {
    return known->second < 0 ? kMaxNesting + 1 : known->second;
  }
  // Far past the limit nothing more is learnt, and the stack stays small.
  if (level > 4 * kMaxNesting) return kMaxNesting + 1;
  const auto* rec = cad::objectCast<cad::BlockRecord>(db_->peek(block));
  if (!rec) return 0;
  depth[block.handle()] = -1;
  int deepest = 0;
  for (cad::ObjectId id : rec->entityIds()) {
    const auto* ref = cad::objectCast<cad::BlockReference>(db_->peek(id));
    if (!ref) continue;
    const cad::ObjectId inner = db_->blocks().getIdAt(ref->blockName());
    if (inner.isNull()) continue;
    const auto state = depth.find(inner.handle());
    if (state != depth.end() && state->second < 0) {
      problem(tagAt(*ref), "block " + rec->name() + " inserts " + ref->blockName() +
                               ", which contains it: the reference is a cycle");
      continue;
    }
    const int below = blockDepth(inner, depth, level + 1);
    if (below == kMaxNesting) {
      problem(tagAt(*ref), "blocks nested deeper than " + std::to_string(kMaxNesting) +
                               " levels below " + rec->name() + " are not drawn");
    }
    deepest = std::max(deepest, std::min(below + 1, kMaxNesting + 1));
  }
  depth[block.handle()] = deepest;
  return deepest;
}

void Reader::readBlocks(SectionLayout& section) {
  RecordBuffer& rec = rec_;
  while (readRecord(rec)) {
    if (atSectionEnd(rec, section)) return;
    if (rec[0].value == "BLOCK") {
      readBlock(section, rec);
    } else {
      problem(rec[0], std::string(rec[0].value) + " outside a block moved to model space");
      readEntity(rec, cad::ObjectId(), nullptr);
    }
  }
}

void Reader::readBlock(SectionLayout& section, RecordBuffer& rec) {
  std::string name, description;
  geom::Point3d base;
  int flags = 0;
  decoder_.block(rec, name, base, flags, description);
  cad::ObjectId id = db_->blocks().getIdAt(name);
  if (id.isNull()) id = ensureLayout(name);
  cad::SubRecord begin = subRecord(rec);
  if (begin.handle != 0 && db_->reserveHandle(begin.handle) != cad::Status::Ok) begin.handle = 0;
  cad::SubRecord end;
  const Tag at = rec[0];
  while (readRecord(rec)) {
    std::string_view type = rec[0].value;
    if (type == "ENDBLK") {
      end = subRecord(rec);
      if (end.handle != 0 && db_->reserveHandle(end.handle) != cad::Status::Ok) end.handle = 0;
      break;
    }
    if (type == "BLOCK" || type == "ENDSEC" || type == "SECTION" || type == "EOF") {
      problem(rec[0], "block " + name + " without ENDBLK");
      tags_.rewind(rec[0]);
      break;
    }
    readEntity(rec, id, nullptr);
  }
  auto block = db_->openForWrite<cad::BlockRecord>(id);
  if (!block) {
    problem(at, "block " + name + " dropped");
    return;
  }
  block->setBasePoint(base);
  block->setFlags(flags);
  block->setDescription(description);
  block->setBlockRecords(std::move(begin), std::move(end));
  section.order.push_back(id.handle());
}

void Reader::readEntities(SectionLayout& section) {
  RecordBuffer& rec = rec_;
  while (readRecord(rec)) {
    if (atSectionEnd(rec, section)) return;
    readEntity(rec, cad::ObjectId(), &section.order);
  }
}

void Reader::readEntity(RecordBuffer& rec, cad::ObjectId block, std::vector<cad::Handle>* order) {
  RecordHead head;
  const Tag at = rec[0];
  const std::string_view type = at.value;
  // A number that does not read would put the entity somewhere it is not: keep it as it
  // was written, out of every computation.
  std::unique_ptr<cad::Entity> entity;
  if (const auto bad = detail::firstUnreadableNumber(rec)) {
    unreadableNumber(*bad, type, type);
    entity = decoder_.opaqueEntity(rec, head);
  } else {
    entity = decoder_.entity(rec, head);
    if (type == "SPLINE") {
      if (const std::string why = splineWithoutCurve(*entity); !why.empty()) {
        problem(at, "SPLINE " + (head.handle ? handleText(head.handle) : "without handle") +
                        " left out of every section: " + why);
        entity = decoder_.opaqueEntity(rec, head);
      }
    }
  }
  entity->setSource(sourceOf(rec, fileHandleOf(head)));
  seen_ = std::max(seen_, head.handle);
  bool badVertex = false;
  if (type == "POLYLINE" || type == "INSERT") {
    std::vector<cad::PolylineVertex> vertices;
    std::vector<cad::SubRecord> subs;
    cad::SubRecord seqend;
    bool closed = false;
    while (!closed && readRecord(sub_)) {
      std::string_view subType = sub_[0].value;
      if (!isSubRecord(subType) || (type == "INSERT" && subType == "VERTEX") ||
          (type == "POLYLINE" && subType == "ATTRIB")) {
        tags_.rewind(sub_[0]);
        break;
      }
      if (subType == "SEQEND") {
        seqend = subRecord(sub_);
        closed = true;
      } else if (subType == "VERTEX" && cad::objectCast<cad::OldPolyline>(entity.get())) {
        if (const auto bad = badVertex ? std::nullopt : detail::firstUnreadableNumber(sub_)) {
          unreadableNumber(*bad, subType, type);
          badVertex = true;
        }
        cad::PolylineVertex& v = vertices.emplace_back();
        RecordHead vhead;
        decoder_.vertex(sub_, v, vhead);
        v.record = {usable(vhead, sub_[0], true), sourceOf(sub_, fileHandleOf(vhead))};
      } else {
        subs.push_back(subRecord(sub_));
      }
    }
    if (!closed && (!vertices.empty() || !subs.empty()))
      problem(at, type == "POLYLINE" ? "polyline without SEQEND" : "attributes without SEQEND");
    if (badVertex) {
      // The whole polyline goes out of use, its vertices kept as records of their own.
      std::vector<cad::SubRecord> records;
      records.reserve(vertices.size() + subs.size());
      for (cad::PolylineVertex& v : vertices) records.push_back(std::move(v.record));
      for (cad::SubRecord& r : subs) records.push_back(std::move(r));
      subs = std::move(records);
      vertices.clear();
      entity = decoder_.opaqueEntity(rec, head);
      entity->setSource(sourceOf(rec, fileHandleOf(head)));
    }
    if (auto* poly = cad::objectCast<cad::OldPolyline>(entity.get())) {
      poly->setVertices(std::move(vertices));
      poly->setSeqend(std::move(seqend));
    } else if (auto* ref = cad::objectCast<cad::BlockReference>(entity.get())) {
      ref->setAttributes(std::move(subs), std::move(seqend));
    } else if (auto* opaque = cad::objectCast<cad::OpaqueEntity>(entity.get())) {
      if (seqend.source) subs.push_back(std::move(seqend));
      opaque->setSubRecords(std::move(subs));
    }
  }
  if (block.isNull()) block = blockFor(head);
  auto added = db_->appendEntity(block, std::move(entity), usable(head, at));
  if (!added.ok()) {
    problem(at, std::string(type) + " dropped: " + std::string(cad::toString(added.status())));
    return;
  }
  if (order) order->push_back(added.value().handle());
}

void Reader::readObjects(SectionLayout& section) {
  RecordBuffer& rec = rec_;
  while (readRecord(rec)) {
    if (atSectionEnd(rec, section)) return;
    RecordHead head = decoder_.head(rec);
    auto object = std::make_unique<cad::OpaqueObject>(std::string(rec[0].value));
    object->setSource(sourceOf(rec, fileHandleOf(head)));
    auto added = db_->addObject(std::move(object), usable(head, rec[0]));
    if (added.ok()) section.order.push_back(added.value().handle());
  }
}

}  // namespace

FileImage::~FileImage() {
  if (mapped_) ::munmap(mapped_, mappedSize_);
}

void FileImage::release(std::size_t begin, std::size_t end) const {
  if (!mapped_) return;
  static const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  end = std::min(end, mappedSize_);
  begin = (begin + page - 1) / page * page;
  end = end / page * page;
  if (begin >= end) return;
  // The mapping is private and never written, so every page dropped is the file's own and
  // reads back unchanged.
  ::madvise(static_cast<char*>(mapped_) + begin, end - begin, MADV_DONTNEED);
}

bool FileImage::map(const std::string& path, std::string& message) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    message = "cannot open " + path;
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    message = "cannot read " + path;
    return false;
  }
  const auto size = static_cast<std::size_t>(st.st_size);
  if (size == 0) {
    ::close(fd);
    bytes = {};
    return true;
  }
  // Not populated up front: the pages come in as the reader reaches them (read ahead by
  // the kernel) and go again behind it.
  void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);
  if (p == MAP_FAILED) {
    message = "cannot read " + path;
    return false;
  }
  ::madvise(p, size, MADV_SEQUENTIAL);
  ::madvise(p, size, MADV_WILLNEED);
  mapped_ = p;
  mappedSize_ = size;
  bytes = std::string_view(static_cast<const char*>(p), size);
  return true;
}

std::unique_ptr<cad::Database> readDrawingBytes(std::string bytes, ReadReport& report) {
  report = ReadReport();
  auto image = std::make_shared<FileImage>();
  image->own(std::move(bytes));
  return Reader(std::move(image), report).run();
}

std::unique_ptr<cad::Database> readDrawing(const std::filesystem::path& path, ReadReport& report) {
  report = ReadReport();
  auto image = std::make_shared<FileImage>();
  if (!image->map(path.string(), report.message)) {
    report.status = cad::Status::FileError;
    return nullptr;
  }
  return Reader(std::move(image), report).run();
}

}  // namespace dxf
