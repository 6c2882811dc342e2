// A drawing created from nothing, written as R2000 (AC1015) with everything strict
// readers require: all nine tables (BLOCK_RECORD included), the blocks of both spaces,
// and OBJECTS with the root dictionary, the group dictionary and the layouts.

#include <functional>

#include "platform/dxf/record_merge.h"
#include "platform/dxf/writer_impl.h"
#include "platform/win/utf8.h"

namespace dxf::detail {
class NewDrawing {
 public:
  explicit NewDrawing(Writer& w) : w_(w), t_(w.w_) {}

  void write();

 private:
  cad::Handle fresh() { return w_.fresh(); }
  std::string h(cad::Handle handle) { return handleText(handle); }
  void section(std::string_view name) {
    t_.text(0, "SECTION");
    t_.text(2, name);
  }
  void endsec() { t_.text(0, "ENDSEC"); }
  void point(int code, geom::Point3d p) {
    t_.real(code, p.x);
    t_.real(code + 10, p.y);
    t_.real(code + 20, p.z);
  }
  cad::Handle tableHead(std::string_view name, std::size_t count, cad::Handle handle = 0);
  void body();
  void tables();
  void opaqueTable(std::string_view name, const std::function<void(cad::Handle)>& entries);
  void modelledTable(std::string_view name, const cad::SymbolTable& table);
  void blocks();
  void entities();
  void objects();
  void layout(cad::Handle handle, cad::Handle owner, std::string_view name, int order,
              cad::Handle block);

  Writer& w_;
  TagWriter& t_;
  cad::Handle modelRecord_ = 0, paperRecord_ = 0;
  cad::Handle rootDict_ = 0, layoutDict_ = 0, groupDict_ = 0, modelLayout_ = 0, paperLayout_ = 0;
};

cad::Handle NewDrawing::tableHead(std::string_view name, std::size_t count, cad::Handle handle) {
  if (handle == 0) handle = fresh();
  t_.text(0, "TABLE");
  t_.text(2, name);
  t_.text(5, h(handle));
  t_.text(330, "0");
  t_.text(100, "AcDbSymbolTable");
  t_.integer(70, static_cast<std::int64_t>(count));
  return handle;
}

void NewDrawing::opaqueTable(std::string_view name,
                             const std::function<void(cad::Handle)>& entries) {
  cad::Handle table = tableHead(name, entries ? 1 : 0);
  if (entries) entries(table);
  t_.text(0, "ENDTAB");
}

void NewDrawing::modelledTable(std::string_view name, const cad::SymbolTable& table) {
  std::size_t count = 0;
  for (cad::ObjectId id : table.ids()) {
    const cad::Object* o = w_.db_.peek(id);
    count += o && !o->isErased();
  }
  cad::Handle handle = tableHead(name, count, table.record().handle);
  for (cad::ObjectId id : table.ids()) {
    const cad::Object* o = w_.db_.peek(id);
    if (o && !o->isErased()) w_.writeTableRecord(*o, handle);
  }
  t_.text(0, "ENDTAB");
}

void NewDrawing::tables() {
  section("TABLES");
  opaqueTable("VPORT", [this](cad::Handle table) {
    t_.text(0, "VPORT");
    t_.text(5, h(fresh()));
    t_.text(330, h(table));
    t_.text(100, "AcDbSymbolTableRecord");
    t_.text(100, "AcDbViewportTableRecord");
    t_.text(2, "*Active");
    t_.integer(70, 0);
    t_.real(10, 0.0);
    t_.real(20, 0.0);
    t_.real(11, 1.0);
    t_.real(21, 1.0);
    geom::Extents3d ext = w_.db_.drawingExtents();
    geom::Point3d c =
        ext.empty() ? geom::Point3d{}
                    : geom::Point3d{(ext.min.x + ext.max.x) / 2, (ext.min.y + ext.max.y) / 2, 0};
    t_.real(12, c.x);
    t_.real(22, c.y);
    t_.real(40, ext.empty() ? 100.0 : std::max(ext.max.y - ext.min.y, 1e-6) * 1.1);
    t_.real(41, 1.5);
  });
  modelledTable("LTYPE", w_.db_.linetypes());
  modelledTable("LAYER", w_.db_.layers());
  modelledTable("STYLE", w_.db_.textStyles());
  opaqueTable("VIEW", nullptr);
  opaqueTable("UCS", nullptr);
  opaqueTable("APPID", [this](cad::Handle table) {
    t_.text(0, "APPID");
    t_.text(5, h(fresh()));
    t_.text(330, h(table));
    t_.text(100, "AcDbSymbolTableRecord");
    t_.text(100, "AcDbRegAppTableRecord");
    t_.text(2, "ACAD");
    t_.integer(70, 0);
  });
  opaqueTable("DIMSTYLE", [this](cad::Handle table) {
    t_.text(100, "AcDbDimStyleTable");
    t_.text(0, "DIMSTYLE");
    t_.text(105, h(fresh()));
    t_.text(330, h(table));
    t_.text(100, "AcDbSymbolTableRecord");
    t_.text(100, "AcDbDimStyleTableRecord");
    t_.text(2, "Standard");
    t_.integer(70, 0);
  });
  modelledTable("BLOCK_RECORD", w_.db_.blocks());
  endsec();
}

void NewDrawing::blocks() {
  section("BLOCKS");
  for (cad::ObjectId id : w_.db_.blocks().ids()) {
    const auto* b = cad::objectCast<const cad::BlockRecord>(w_.db_.peek(id));
    if (b && !b->isErased()) w_.writeBlock(*b);
  }
  endsec();
}

void NewDrawing::entities() {
  section("ENTITIES");
  for (cad::ObjectId space : {w_.db_.modelSpaceId(), w_.db_.paperSpaceId()}) {
    const auto* b = cad::objectCast<const cad::BlockRecord>(w_.db_.peek(space));
    if (!b) continue;
    for (cad::ObjectId id : b->entityIds()) {
      const auto* e = cad::objectCast<const cad::Entity>(w_.db_.peek(id));
      if (e && !e->isErased()) w_.writeEntity(*e, space.handle());
    }
  }
  endsec();
}

void NewDrawing::layout(cad::Handle handle, cad::Handle owner, std::string_view name, int order,
                        cad::Handle block) {
  t_.text(0, "LAYOUT");
  t_.text(5, h(handle));
  t_.text(330, h(owner));
  t_.text(100, "AcDbPlotSettings");
  t_.text(1, "");
  t_.text(4, "");
  t_.text(6, "");
  t_.integer(70, 0);
  t_.text(100, "AcDbLayout");
  t_.text(1, name);
  t_.integer(70, 1);
  t_.integer(71, order);
  t_.real(10, 0.0);
  t_.real(20, 0.0);
  t_.real(11, 420.0);
  t_.real(21, 297.0);
  t_.integer(76, 0);
  t_.text(330, h(block));
}

void NewDrawing::objects() {
  section("OBJECTS");
  t_.text(0, "DICTIONARY");
  t_.text(5, h(rootDict_));
  t_.text(330, "0");
  t_.text(100, "AcDbDictionary");
  t_.integer(281, 1);
  t_.text(3, "ACAD_GROUP");
  t_.text(350, h(groupDict_));
  t_.text(3, "ACAD_LAYOUT");
  t_.text(350, h(layoutDict_));
  for (auto [handle, entries] : {std::pair{groupDict_, 0}, std::pair{layoutDict_, 2}}) {
    t_.text(0, "DICTIONARY");
    t_.text(5, h(handle));
    t_.text(330, h(rootDict_));
    t_.text(100, "AcDbDictionary");
    t_.integer(281, 1);
    if (entries) {
      t_.text(3, "Model");
      t_.text(350, h(modelLayout_));
      t_.text(3, "Layout1");
      t_.text(350, h(paperLayout_));
    }
  }
  layout(modelLayout_, layoutDict_, "Model", 0, modelRecord_);
  layout(paperLayout_, layoutDict_, "Layout1", 1, paperRecord_);
  endsec();
}

void NewDrawing::write() {
  modelRecord_ = w_.db_.modelSpaceId().handle();
  paperRecord_ = w_.db_.paperSpaceId().handle();
  rootDict_ = fresh();
  groupDict_ = fresh();
  layoutDict_ = fresh();
  modelLayout_ = fresh();
  paperLayout_ = fresh();
  std::string& out = w_.out_;
  const std::size_t headerAt = out.size();
  section("CLASSES");
  endsec();
  tables();
  blocks();
  entities();
  objects();
  t_.text(0, "EOF");
  // The header last: $HANDSEED must be above every handle written.
  std::string header;
  TagWriter hw(header, t_.form());
  hw.text(0, "SECTION");
  hw.text(2, "HEADER");
  auto var = [&](std::string_view name) { hw.text(9, name); };
  var("$ACADVER");
  hw.text(1, "AC1015");
  var("$DWGCODEPAGE");
  hw.text(3, "ANSI_936");
  var("$INSBASE");
  geom::Point3d base = w_.db_.insertionBase();
  hw.real(10, base.x);
  hw.real(20, base.y);
  hw.real(30, base.z);
  geom::Extents3d ext = w_.db_.drawingExtents();
  var("$EXTMIN");
  hw.real(10, ext.empty() ? 0.0 : ext.min.x);
  hw.real(20, ext.empty() ? 0.0 : ext.min.y);
  hw.real(30, ext.empty() ? 0.0 : ext.min.z);
  var("$EXTMAX");
  hw.real(10, ext.empty() ? 0.0 : ext.max.x);
  hw.real(20, ext.empty() ? 0.0 : ext.max.y);
  hw.real(30, ext.empty() ? 0.0 : ext.max.z);
  var("$HANDSEED");
  hw.text(5, handleText(w_.next_));
  hw.text(0, "ENDSEC");
  out.insert(headerAt, header);
}

void Writer::writeNew() { NewDrawing(*this).write(); }

}  // namespace dxf::detail
