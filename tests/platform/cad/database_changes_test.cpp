// Change notifications and the primitives undo stands on: replacing an object by an earlier
// copy, taking an added object out and putting it back.

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
  db.queryBox(around(at), [&](ObjectId hit, int) {
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
  db.buildIndex();
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

}  // namespace
}  // namespace cad
