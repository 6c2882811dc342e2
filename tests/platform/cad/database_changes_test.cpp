// Change notifications and the primitives undo stands on: replacing an object by an earlier
// copy, taking an added object out and putting it back.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/cad/block_ops.h"
#include "platform/cad/database.h"

namespace cad {
namespace {

struct Recorder final : DatabaseReactor {
  std::vector<std::string> events;
  void objectAppended(const Database&, ObjectId id) override { log("append", id); }
  void objectOpenedForModify(const Database&, const Object& o) override { log("open", o.id()); }
  void objectModified(const Database&, ObjectId id) override { log("modify", id); }
  void objectErased(const Database&, ObjectId id, bool erased) override {
    log(erased ? "erase" : "unerase", id);
  }
  void objectRemoved(const Database&, ObjectId id) override { log("remove", id); }
  void log(const char* what, ObjectId id) {
    events.push_back(std::string(what) + " " + std::to_string(id.handle()));
  }
};

geom::Extents2d around(geom::Point2d p) { return {{p.x - 0.1, p.y - 0.1}, {p.x + 0.1, p.y + 0.1}}; }

bool indexed(const Database& db, ObjectId id, geom::Point2d at) {
  bool found = false;
  db.modelIndex().query(around(at), [&](ObjectId hit, int) {
    found = found || hit == id;
    return true;
  });
  return found;
}

TEST(DatabaseChanges, ReactorsHearEveryChangeById) {
  Database db;
  Recorder r;
  db.addReactor(&r);
  db.addReactor(&r);  // once only
  const ObjectId line = *db.appendToModelSpace(
      std::make_unique<Line>(geom::Point3d{0, 0, 0}, geom::Point3d{1, 0, 0}));
  const std::string h = std::to_string(line.handle());
  {
    auto open = db.openForWrite<Line>(line);
    open->setEnd({2, 0, 0});
  }
  { auto untouched = db.openForWrite<Line>(line); }
  db.erase(line);
  db.unerase(line);
  db.removeReactor(&r);
  db.erase(line);
  EXPECT_EQ(r.events,
            (std::vector<std::string>{"append " + h, "open " + h, "modify " + h, "open " + h,
                                      "open " + h, "erase " + h, "open " + h, "unerase " + h}));
}

TEST(DatabaseChanges, ReplaceDetachAttachKeepIdsIndexAndTables) {
  Database db;
  db.modelIndex().build();
  const ObjectId line = *db.appendToModelSpace(
      std::make_unique<Line>(geom::Point3d{0, 0, 0}, geom::Point3d{1, 0, 0}));
  auto before = db.openForRead<Line>(line)->clone();
  const std::uint64_t revision = db.openForRead<Line>(line)->revision();
  db.openForWrite<Line>(line)->setEnd({5, 5, 0});
  ASSERT_TRUE(indexed(db, line, {5, 5}));

  auto replaced = db.replaceObject(line, std::move(before), false);
  ASSERT_TRUE(replaced.ok());
  EXPECT_EQ(static_cast<Line&>(*replaced.value()).end(), (geom::Point3d{5, 5, 0}));
  EXPECT_EQ(db.openForRead<Line>(line)->end(), (geom::Point3d{1, 0, 0}));
  EXPECT_GT(db.openForRead<Line>(line)->revision(), revision);  // caches see a change
  EXPECT_FALSE(indexed(db, line, {5, 5}));
  EXPECT_TRUE(indexed(db, line, {1, 0}));
  {
    auto open = db.openForWrite<Line>(line);
    EXPECT_EQ(db.replaceObject(line, std::make_unique<Line>(), false).status(),
              Status::WasOpenForWrite);
  }

  auto detached = db.detachObject(line);
  ASSERT_TRUE(detached.ok());
  EXPECT_FALSE(db.openForRead<Line>(line));
  EXPECT_FALSE(indexed(db, line, {1, 0}));
  EXPECT_TRUE(db.openForRead<BlockRecord>(db.modelSpaceId())->entityIds().empty());
  ASSERT_EQ(db.attachObject(std::move(detached.value())), Status::Ok);
  EXPECT_TRUE(indexed(db, line, {1, 0}));
  EXPECT_EQ(db.openForRead<BlockRecord>(db.modelSpaceId())->entityIds().size(), 1u);

  // A layer taken out and put back is found by name again; a rename taken back too.
  const ObjectId layer = *db.addTableRecord(std::make_unique<Layer>("Contours"));
  auto named = db.openForRead<Layer>(layer)->clone();
  ASSERT_EQ(db.renameTableRecord(layer, "Rivers"), Status::Ok);
  ASSERT_TRUE(db.replaceObject(layer, std::move(named), false).ok());
  EXPECT_EQ(db.layers().getIdAt("contours"), layer);
  EXPECT_TRUE(db.layers().getIdAt("Rivers").isNull());
  auto gone = db.detachObject(layer);
  EXPECT_TRUE(db.layers().getIdAt("Contours").isNull());
  EXPECT_EQ(db.attachObject(std::move(gone.value())), Status::Ok);
  EXPECT_EQ(db.layers().getIdAt("Contours"), layer);
}

// The index and the extents are up to date when any reactor hears of a change.
TEST(DatabaseChanges, IndexAndExtentsFollowBeforeAnyReactorHears) {
  Database db;
  db.modelIndex().build();
  struct Asker final : DatabaseReactor {
    std::vector<bool> seen;
    void objectModified(const Database& db, ObjectId id) override {
      Database& writable = const_cast<Database&>(db);
      seen.push_back(indexed(db, id, {7, 7}) && writable.modelExtents().update().max.x == 7);
    }
  } asker;
  const ObjectId line = *db.appendToModelSpace(
      std::make_unique<Line>(geom::Point3d{0, 0, 0}, geom::Point3d{1, 0, 0}));
  db.modelExtents().update();
  db.addReactor(&asker);
  db.openForWrite<Line>(line)->setEnd({7, 7, 0});
  EXPECT_EQ(asker.seen, std::vector<bool>{true});
  db.removeReactor(&asker);
}

// Keeps what an undo history keeps (the state at the first opening, the ids added) and
// takes a step back and forth with the database's primitives.
struct MiniUndo final : DatabaseReactor {
  Database& db;
  std::vector<std::pair<ObjectId, std::unique_ptr<Object>>> before;
  std::vector<bool> erasedBefore;
  std::vector<ObjectId> added;
  std::vector<std::unique_ptr<Object>> detached;
  explicit MiniUndo(Database& d) : db(d) { db.addReactor(this); }
  ~MiniUndo() override { db.removeReactor(this); }
  void objectAppended(const Database&, ObjectId id) override { added.push_back(id); }
  void objectOpenedForModify(const Database&, const Object& o) override {
    for (const auto& [id, state] : before)
      if (id == o.id()) return;
    before.emplace_back(o.id(), o.clone());
    erasedBefore.push_back(o.isErased());
  }
  void swapStates() {
    for (std::size_t i = before.size(); i-- > 0;) {
      auto old = db.replaceObject(before[i].first, std::move(before[i].second), erasedBefore[i]);
      ASSERT_TRUE(old.ok());
      erasedBefore[i] = old.value()->isErased();
      before[i].second = std::move(old.value());
    }
  }
  void undo() {
    db.removeReactor(this);
    for (std::size_t i = added.size(); i-- > 0;)
      detached.push_back(std::move(db.detachObject(added[i]).value()));
    swapStates();
  }
  void redo() {
    swapStates();
    while (!detached.empty()) {
      ASSERT_EQ(db.attachObject(std::move(detached.back())), Status::Ok);
      detached.pop_back();
    }
  }
};

std::vector<geom::Point3d> blockStarts(const Database& db, std::string_view name) {
  std::vector<geom::Point3d> starts;
  db.forEachEntity(db.blocks().getIdAt(name), [&](const Entity& e) {
    if (const auto* l = objectCast<Line>(&e)) starts.push_back(l->start());
    return true;
  });
  return starts;
}

// Redefining a block erases its old contents (on a locked layer too) and changes its record
// through the notifications: an undo takes the redefinition back, a redo brings it again,
// each entity once; the references' index boxes follow the new contents.
TEST(DatabaseChanges, ABlockRedefinitionIsUndoneAndRedoneThroughTheNotifications) {
  Database db;
  const ObjectId locked = *db.addTableRecord(std::make_unique<Layer>("Locked"));
  auto old = std::make_unique<Database>();
  old->appendToModelSpace(std::make_unique<Line>(geom::Point3d{0, 0, 0}, geom::Point3d{1, 0, 0}));
  ASSERT_TRUE(insertBlock(db, "B", *old).ok());
  const ObjectId block = db.blocks().getIdAt("B");
  const ObjectId oldLine = db.openForRead<BlockRecord>(block)->entityIds().front();
  db.openForWrite<Entity>(oldLine)->setLayer("Locked");
  db.openForWrite<Layer>(locked)->setLocked(true);
  const ObjectId ref =
      *db.appendToModelSpace(std::make_unique<BlockReference>("B", geom::Point3d{0, 0, 0}));
  db.modelIndex().build();

  Database fresh;
  fresh.setInsertionBase({1, 1, 0});
  fresh.appendToModelSpace(
      std::make_unique<Line>(geom::Point3d{50, 50, 0}, geom::Point3d{51, 50, 0}));
  MiniUndo history(db);
  ASSERT_EQ(*insertBlock(db, "B", fresh), block);
  EXPECT_EQ(blockStarts(db, "B"), (std::vector<geom::Point3d>{{50, 50, 0}}));
  EXPECT_TRUE(indexed(db, ref, {49, 49}));  // base point (1,1): the line lies at 49,49

  history.undo();
  EXPECT_EQ(blockStarts(db, "B"), (std::vector<geom::Point3d>{{0, 0, 0}}));
  EXPECT_TRUE(indexed(db, ref, {0.5, 0}));
  EXPECT_FALSE(indexed(db, ref, {49, 49}));
  EXPECT_EQ(db.openForRead<BlockRecord>(block)->basePoint(), (geom::Point3d{0, 0, 0}));
  history.redo();
  EXPECT_EQ(blockStarts(db, "B"), (std::vector<geom::Point3d>{{50, 50, 0}}));
  EXPECT_EQ(db.openForRead<BlockRecord>(block)->entityIds().size(), 2u);  // old one erased
  EXPECT_EQ(db.openForRead<BlockRecord>(block)->basePoint(), (geom::Point3d{1, 1, 0}));
  EXPECT_TRUE(indexed(db, ref, {49, 49}));
}

// A reference's index box follows its block's contents however they change: an entity
// moved, added or erased in the block, a block nested in another, the base point moved,
// an added entity taken out again by undo.
TEST(DatabaseChanges, ReferencesFollowTheirBlocksContents) {
  Database db;
  const ObjectId inner = *db.addTableRecord(std::make_unique<BlockRecord>("Inner"));
  const ObjectId outer = *db.addTableRecord(std::make_unique<BlockRecord>("Outer"));
  const ObjectId line = *db.appendEntity(
      inner, std::make_unique<Line>(geom::Point3d{0, 0, 0}, geom::Point3d{1, 0, 0}));
  db.appendEntity(outer, std::make_unique<BlockReference>("inner", geom::Point3d{100, 0, 0}));
  const ObjectId direct =
      *db.appendToModelSpace(std::make_unique<BlockReference>("Inner", geom::Point3d{0, 0, 0}));
  const ObjectId nested =
      *db.appendToModelSpace(std::make_unique<BlockReference>("OUTER", geom::Point3d{0, 0, 0}));
  EXPECT_TRUE(indexed(db, direct, {0.5, 0}));  // the first query builds the index
  EXPECT_TRUE(indexed(db, nested, {100.5, 0}));

  db.openForWrite<Line>(line)->setEnd({1, 30, 0});
  EXPECT_TRUE(indexed(db, direct, {1, 30}));
  EXPECT_TRUE(indexed(db, nested, {101, 30}));

  {
    MiniUndo history(db);
    db.appendEntity(inner,
                    std::make_unique<Line>(geom::Point3d{0, 0, 0}, geom::Point3d{-40, 0, 0}));
    EXPECT_TRUE(indexed(db, direct, {-40, 0}));
    EXPECT_TRUE(indexed(db, nested, {60, 0}));
    history.undo();
    EXPECT_FALSE(indexed(db, direct, {-40, 0}));
    EXPECT_FALSE(indexed(db, nested, {60, 0}));
  }

  db.openForWrite<BlockRecord>(inner)->setBasePoint({0, 10, 0});
  EXPECT_TRUE(indexed(db, direct, {1, 20}));
  EXPECT_FALSE(indexed(db, direct, {1, 30}));

  db.openForWrite<Line>(line).erase();
  EXPECT_FALSE(indexed(db, direct, {1, 20}));
  EXPECT_FALSE(indexed(db, nested, {101, 20}));
}

}  // namespace
}  // namespace cad
