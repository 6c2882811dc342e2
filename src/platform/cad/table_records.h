#pragma once
// Entries of the layer, text style and linetype tables, and block records (which hold the
// block definition: base point and entities).

#include <optional>
#include <string>
#include <vector>

#include "platform/cad/object.h"
#include "platform/geom/vec.h"

namespace cad {

class TableRecord : public Object {
 public:
  static bool matches(ObjectKind k) {
    return k >= ObjectKind::Layer && k <= ObjectKind::BlockRecord;
  }
  // Names are compared without regard to ASCII case, as the file format does.
  const std::string& name() const { return name_; }
  // Renaming an entry in a table goes through SymbolTable::rename.
  int flags() const { return flags_; }  // group 70, all bits kept
  void setFlags(int f) { flags_ = f, touch(); }

 protected:
  TableRecord() = default;
  explicit TableRecord(std::string name) : name_(std::move(name)) {}
  TableRecord(const TableRecord&) = default;
  void setFlag(int bit, bool on) { flags_ = on ? flags_ | bit : flags_ & ~bit, touch(); }

 private:
  friend class SymbolTable;
  friend class Database;
  friend class DeepCloner;
  std::string name_;
  int flags_ = 0;
};

class Layer final : public TableRecord {
 public:
  KESTRA_CAD_OBJECT(Layer, Layer)
  static constexpr int kFrozen = 1;
  static constexpr int kFrozenInNewViewports = 2;
  static constexpr int kLocked = 4;

  explicit Layer(std::string name) : TableRecord(std::move(name)) {}

  // Colour index 1..255, always positive here; "off" is kept apart (the file stores it as
  // a negative colour).
  int colour() const { return colour_; }
  void setColour(int c) { colour_ = c, touch(); }
  bool isOff() const { return off_; }
  void setOff(bool off) { off_ = off, touch(); }
  bool isFrozen() const { return (flags() & kFrozen) != 0; }
  void setFrozen(bool on) { setFlag(kFrozen, on); }
  bool isLocked() const { return (flags() & kLocked) != 0; }
  void setLocked(bool on) { setFlag(kLocked, on); }
  bool isFrozenInNewViewports() const { return (flags() & kFrozenInNewViewports) != 0; }
  void setFrozenInNewViewports(bool on) { setFlag(kFrozenInNewViewports, on); }
  const std::string& linetype() const { return linetype_; }
  void setLinetype(std::string lt) { linetype_ = std::move(lt), touch(); }
  bool isPlottable() const { return plottable_; }
  void setPlottable(bool p) { plottable_ = p, touch(); }

 private:
  Layer(const Layer&) = default;
  int colour_ = 7;
  bool off_ = false;
  bool plottable_ = true;
  std::string linetype_ = "Continuous";
};

class TextStyle final : public TableRecord {
 public:
  KESTRA_CAD_OBJECT(TextStyle, TextStyle)
  explicit TextStyle(std::string name) : TableRecord(std::move(name)) {}

  const std::string& fontFile() const { return fontFile_; }  // group 3
  void setFontFile(std::string f) { fontFile_ = std::move(f), touch(); }
  const std::string& bigFontFile() const { return bigFontFile_; }  // group 4
  void setBigFontFile(std::string f) { bigFontFile_ = std::move(f), touch(); }
  // A TrueType face chosen by name (the file keeps it in the style's extended data).
  const std::string& typeface() const { return typeface_; }
  bool isBold() const { return bold_; }
  bool isItalic() const { return italic_; }
  int charset() const { return charset_; }
  int pitchAndFamily() const { return pitchAndFamily_; }
  void setTypeface(std::string face, bool bold, bool italic, int charset, int pitchAndFamily) {
    typeface_ = std::move(face), bold_ = bold, italic_ = italic, charset_ = charset;
    pitchAndFamily_ = pitchAndFamily, touch();
  }
  double widthFactor() const { return widthFactor_; }
  void setWidthFactor(double w) { widthFactor_ = w, touch(); }
  double fixedHeight() const { return fixedHeight_; }  // 0: height given per text
  void setFixedHeight(double h) { fixedHeight_ = h, touch(); }
  double obliqueDegrees() const { return oblique_; }
  void setObliqueDegrees(double o) { oblique_ = o, touch(); }
  int generationFlags() const { return generation_; }
  void setGenerationFlags(int g) { generation_ = g, touch(); }
  double lastHeight() const { return lastHeight_; }
  void setLastHeight(double h) { lastHeight_ = h, touch(); }

 private:
  TextStyle(const TextStyle&) = default;
  std::string fontFile_ = "txt";
  std::string bigFontFile_;
  std::string typeface_;
  bool bold_ = false;
  bool italic_ = false;
  int charset_ = 0;
  int pitchAndFamily_ = 0;
  double widthFactor_ = 1.0;
  double fixedHeight_ = 0.0;
  double oblique_ = 0.0;
  int generation_ = 0;
  double lastHeight_ = 2.5;
};

class Linetype final : public TableRecord {
 public:
  KESTRA_CAD_OBJECT(Linetype, Linetype)
  explicit Linetype(std::string name) : TableRecord(std::move(name)) {}

  const std::string& description() const { return description_; }
  void setDescription(std::string d) { description_ = std::move(d), touch(); }
  // Dash lengths: > 0 a dash, < 0 a gap, 0 a dot. Total length is the sum of magnitudes.
  const std::vector<double>& pattern() const { return pattern_; }
  void setPattern(std::vector<double> p) { pattern_ = std::move(p), touch(); }
  double patternLength() const;

 private:
  Linetype(const Linetype&) = default;
  std::string description_;
  std::vector<double> pattern_;
};

// A block table record and the block definition it owns. The entity list keeps the
// file's order; erased entities stay in it (they can be un-erased) and are skipped by
// Database::forEachEntity.
class BlockRecord final : public TableRecord {
 public:
  KESTRA_CAD_OBJECT(BlockRecord, BlockRecord)
  static constexpr int kAnonymous = 1;
  static constexpr int kXref = 4;

  explicit BlockRecord(std::string name) : TableRecord(std::move(name)) {}

  geom::Point3d basePoint() const { return basePoint_; }
  void setBasePoint(geom::Point3d p) { basePoint_ = p, touch(); }
  const std::string& description() const { return description_; }
  void setDescription(std::string d) { description_ = std::move(d), touch(); }
  const std::vector<ObjectId>& entityIds() const { return entities_; }
  bool isLayout() const;  // *Model_Space, *Paper_Space*, $MODEL_SPACE, $PAPER_SPACE

  // The BLOCK and ENDBLK records of the definition, as the file gave them.
  const SubRecord& blockBegin() const { return begin_; }
  const SubRecord& blockEnd() const { return end_; }
  void setBlockRecords(SubRecord begin, SubRecord end) {
    begin_ = std::move(begin), end_ = std::move(end);
  }

 private:
  friend class Database;
  friend class DeepCloner;
  BlockRecord(const BlockRecord& o)
      : TableRecord(o), basePoint_(o.basePoint_), description_(o.description_) {}
  geom::Point3d basePoint_;
  std::string description_;
  std::vector<ObjectId> entities_;
  SubRecord begin_, end_;
};

}  // namespace cad
