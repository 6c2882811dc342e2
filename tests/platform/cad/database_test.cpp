// Handles, tables, open guards and their statuses, erase and un-erase, linetype files.

#include "platform/cad/database.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace cad {
namespace {

ObjectId addLine(Database& db, const std::string& layer = "0") {
  auto line = std::make_unique<Line>(geom::Point3d{0, 0, 0}, geom::Point3d{1, 1, 0});
  line->setLayer(layer);
  return *db.appendToModelSpace(std::move(line));
}

TEST(DatabaseContents, StandardHasWhatStrictReadersNeed) {
  const Database db;
  EXPECT_TRUE(db.layers().has("0"));
  EXPECT_TRUE(db.linetypes().has("BYLAYER"));  // names ignore ASCII case
  EXPECT_TRUE(db.linetypes().has("Continuous"));
  EXPECT_TRUE(db.textStyles().has("standard"));
  EXPECT_FALSE(db.modelSpaceId().isNull());
  EXPECT_FALSE(db.paperSpaceId().isNull());
  for (const SymbolTable* t : {&db.layers(), &db.linetypes(), &db.textStyles(), &db.blocks()}) {
    EXPECT_NE(t->record().handle, 0u);
  }
  const Database empty(Database::Contents::Empty);
  EXPECT_EQ(empty.objectCount(), 0u);
  EXPECT_TRUE(empty.modelSpaceId().isNull());
}

TEST(DatabaseHandles, FreshHandlesStayAboveEveryHandleInUse) {
  Database db(Database::Contents::Empty);
  ASSERT_TRUE(db.addTableRecord(std::make_unique<BlockRecord>("*Model_Space"), 0x1F));
  EXPECT_GE(db.handleSeed(), 0x20u);
  EXPECT_EQ(db.addObject(std::make_unique<OpaqueObject>("DICTIONARY"), 0x1F).status(),
            Status::DuplicateKey);
  db.setHandleSeed(5);  // a file's stale seed does not lower it
  EXPECT_GE(db.handleSeed(), 0x20u);

  // Vertices of an old-style polyline carry handles of their own.
  auto pl = std::make_unique<Polyline2d>();
  pl->addVertex({{0, 0, 0}, 0, 0, 0, 0, 0, SubRecord{0x500, nullptr}});
  pl->addVertex({{1, 0, 0}, 0, 0, 0, 0, 0, SubRecord{0, nullptr}});
  const ObjectId id = *db.appendEntity(db.modelSpaceId(), std::move(pl), 0x400);
  EXPECT_GT(db.handleSeed(), 0x500u);
  const auto* stored = objectCast<Polyline2d>(db.peek(id));
  EXPECT_GT(stored->vertices()[1].record.handle, 0x500u);  // given a fresh one
  EXPECT_NE(stored->seqend().handle, 0u);

  EXPECT_EQ(db.addObject(std::make_unique<Line>()).status(), Status::WrongObjectType);
  EXPECT_EQ(db.appendEntity(ObjectId(0x999), std::make_unique<Line>()).status(),
            Status::KeyNotFound);
}

TEST(OpenGuards, StatusesInsteadOfCrashes) {
  Database db;
  const ObjectId line = addLine(db);
  EXPECT_EQ(db.openForRead<Circle>(line).status(), Status::WrongObjectType);
  EXPECT_EQ(db.openForRead(ObjectId(0xFFFF)).status(), Status::KeyNotFound);
  EXPECT_EQ(db.openForWrite<Line>(ObjectId{}).status(), Status::KeyNotFound);
  {
    auto w = db.openForWrite<Line>(line);
    ASSERT_TRUE(w);
    EXPECT_EQ(db.openForWrite<Line>(line).status(), Status::WasOpenForWrite);
    EXPECT_TRUE(db.openForRead<Line>(line));  // reading while written is allowed
  }
  EXPECT_TRUE(db.openForWrite<Line>(line));  // the first guard closed

  // Locked layer: readable, not writable; unlocked again: writable.
  auto layer = std::make_unique<Layer>("LOCKED");
  layer->setLocked(true);
  const ObjectId layerId = *db.addTableRecord(std::move(layer));
  const ObjectId onLocked = addLine(db, "locked");
  EXPECT_EQ(db.openForWrite<Entity>(onLocked).status(), Status::OnLockedLayer);
  EXPECT_EQ(db.erase(onLocked), Status::OnLockedLayer);
  EXPECT_TRUE(db.openForRead<Entity>(onLocked));
  db.openForWrite<Layer>(layerId)->setLocked(false);
  EXPECT_TRUE(db.openForWrite<Entity>(onLocked));

  // A moved-from guard does not close twice.
  auto a = db.openForWrite<Line>(line);
  auto b = std::move(a);
  EXPECT_FALSE(a);
  b.close();
  EXPECT_TRUE(db.openForWrite<Line>(line));
}

TEST(OpenGuards, EraseAndUnerase) {
  Database db;
  const ObjectId a = addLine(db), b = addLine(db);
  EXPECT_EQ(db.erase(a), Status::Ok);
  EXPECT_EQ(db.openForRead(a).status(), Status::WasErased);
  EXPECT_EQ(db.openForWrite(a).status(), Status::WasErased);
  EXPECT_EQ(db.erase(a), Status::WasErased);
  EXPECT_TRUE(db.openForRead(a, Erased::Include));
  int seen = 0;
  db.forEachEntity(db.modelSpaceId(), [&](const Entity& e) {
    EXPECT_EQ(e.id(), b);
    return ++seen > 0;
  });
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(db.unerase(a), Status::Ok);
  EXPECT_TRUE(db.openForRead(a));
  EXPECT_EQ(db.erase(ObjectId{}), Status::NullObjectId);
  EXPECT_EQ(db.erase(db.layers().getIdAt("0")), Status::NotSupported);
}

TEST(ModifiedFlags, SetByEverySetterClearedByTheReader) {
  Database db;
  const ObjectId id = addLine(db);
  db.clearModifiedFlags();
  EXPECT_FALSE(db.peek(id)->isModified());
  { auto r = db.openForWrite<Line>(id); }  // opened, nothing changed
  EXPECT_FALSE(db.peek(id)->isModified());
  db.openForWrite<Line>(id)->setColour(3);
  EXPECT_TRUE(db.peek(id)->isModified());
}

TEST(SymbolTables, NamesAreUniqueWithoutRegardToCase) {
  Database db;
  ASSERT_TRUE(db.addTableRecord(std::make_unique<Layer>("等高线")));
  EXPECT_EQ(db.addTableRecord(std::make_unique<Layer>("等高线")).status(), Status::DuplicateKey);
  const ObjectId id = *db.addTableRecord(std::make_unique<Layer>("Ruvo"));
  EXPECT_EQ(db.addTableRecord(std::make_unique<Layer>("RUVO")).status(), Status::DuplicateKey);
  EXPECT_EQ(db.renameTableRecord(id, "等高线"), Status::DuplicateKey);
  EXPECT_EQ(db.renameTableRecord(id, "RVTK"), Status::Ok);
  EXPECT_EQ(db.layers().getIdAt("rvtk"), id);
  EXPECT_FALSE(db.layers().has("Ruvo"));
  EXPECT_EQ(db.addTableRecord(std::make_unique<Layer>("")).status(), Status::InvalidInput);
}

TEST(LinetypeFile, LoadsNamedPatternsFromTheShippedFile) {
  const std::filesystem::path lin =
      std::filesystem::path(KESTRA_SOURCE_DIR) / "resources/acadiso.lin";
  Database db;
  ASSERT_EQ(db.loadLinetypes(lin, "ACAD_ISO10W100"), Status::Ok);
  const auto lt = db.openForRead<Linetype>(db.linetypes().getIdAt("acad_iso10w100"));
  ASSERT_TRUE(lt);
  EXPECT_EQ(lt->pattern(), (std::vector<double>{12, -3, 0.5, -3}));
  EXPECT_DOUBLE_EQ(lt->patternLength(), 18.5);
  EXPECT_EQ(db.loadLinetypes(lin, "ACAD_ISO10W100"), Status::DuplicateKey);
  EXPECT_EQ(db.loadLinetypes(lin, "NO_SUCH"), Status::KeyNotFound);
  EXPECT_EQ(db.loadLinetypes(lin / "missing", "X"), Status::FileError);
  ASSERT_EQ(db.loadLinetypes(lin, "*"), Status::Ok);
  for (int i = 2; i <= 15; ++i) {
    const std::string name =
        "ACAD_ISO" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "W100";
    EXPECT_TRUE(db.linetypes().has(name)) << name;
  }
}

TEST(LinetypeFile, ContinuationLinesCommentsAndComplexElements) {
  const auto path = std::filesystem::temp_directory_path() / "kestra_cad_test.lin";
  {
    std::ofstream out(path);
    out << ";; comment\n*TWO,two lines\nA,1,-2,\n3,-4\n*BAD,broken\nA,x\n"
           "*TEXTY,with text\nA,5,-1,[\"T\",STANDARD,S=1,X=0,Y=0],-2\n";
  }
  Database db;
  ASSERT_EQ(db.loadLinetypes(path, "*"), Status::Ok);
  EXPECT_EQ(db.openForRead<Linetype>(db.linetypes().getIdAt("TWO"))->pattern(),
            (std::vector<double>{1, -2, 3, -4}));
  EXPECT_FALSE(db.linetypes().has("BAD"));
  EXPECT_EQ(db.openForRead<Linetype>(db.linetypes().getIdAt("TEXTY"))->pattern(),
            (std::vector<double>{5, -1, -2}));
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace cad
