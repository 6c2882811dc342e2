#include "platform/host/editor.h"

#include <gtest/gtest.h>

#include "host_fixture.h"
#include "platform/cad/polylines.h"
#include "platform/cad/simple_entities.h"
#include "platform/cad/table_records.h"
#include "platform/host/display.h"
#include "platform/host/keywords.h"

namespace host {
namespace {

using headless::ScriptAnswer;

class EditorTest : public testing::HostTest {
 protected:
  EditorTest() {
    newDocument();
    // 1 pixel = 0.1 drawing units, so the default 3-pixel aperture is 0.3 units.
    host().display().setCurrentView({{0, 0}, 80.0, 0.0});
    line = add(std::make_unique<cad::Line>(geom::Point3d{0, 0, 5}, geom::Point3d{10, 0, 5}));
    other = add(std::make_unique<cad::Line>(geom::Point3d{0, 1, 0}, geom::Point3d{10, 1, 0}));
    auto c = std::make_unique<cad::Circle>();
    c->setOcsCentre({20, 0, 0});
    c->setRadius(2);
    circle = add(std::move(c));
  }
  cad::Database& db() { return host().documents().curDocument()->database(); }
  cad::ObjectId add(std::unique_ptr<cad::Entity> e, const char* layer = "0") {
    e->setLayer(layer);
    return db().appendToModelSpace(std::move(e)).value();
  }
  void addLayer(const char* name, bool off, bool frozen) {
    auto layer = std::make_unique<cad::Layer>(name);
    layer->setOff(off);
    layer->setFrozen(frozen);
    db().addTableRecord(std::move(layer));
  }
  headless::InputScript& script() { return host().script(); }
  Editor& editor() { return host().editor(); }

  cad::ObjectId line, other, circle;
};

TEST_F(EditorTest, PickAnEntityByHandleOrByPoint) {
  script().push(ScriptAnswer::pickHandle(line.handle()));
  script().push(ScriptAnswer::pickAt({5, 0.2, 0}));    // 0.2 from the line, 0.8 from the other
  script().push(ScriptAnswer::pickAt({5, 0.75, 0}));   // nearer the other line
  script().push(ScriptAnswer::pointAt({21.9, 0, 0}));  // a plain click picks as well
  script().push(ScriptAnswer::pickAt({5, 0.5, 0}));    // 0.5 from both: beyond the aperture
  PickResult r = editor().pickEntity("\n命令:请选择直线或多段线\n");
  EXPECT_EQ(r.status, Status::Normal);
  EXPECT_EQ(r.id, line);
  EXPECT_EQ(r.point, (geom::Point3d{0, 0, 5}));
  EXPECT_EQ(editor().pickEntity("").id, line);
  EXPECT_EQ(editor().pickEntity("").id, other);
  EXPECT_EQ(editor().pickEntity("").id, circle);
  PickResult miss = editor().pickEntity("");
  EXPECT_EQ(miss.status, Status::None);
  EXPECT_TRUE(miss.id.isNull());
  EXPECT_NE(take().find("命令:请选择直线或多段线"), std::string::npos);
}

TEST_F(EditorTest, PickAnswersCancelNothingAndScriptErrors) {
  script().push(ScriptAnswer::cancel());
  script().push(ScriptAnswer::nothing());
  script().push(ScriptAnswer::press(MessageBoxButton::Ok));
  script().push(ScriptAnswer::pickHandle(0xABCDEF));
  EXPECT_EQ(editor().pickEntity("").status, Status::Cancel);
  EXPECT_EQ(editor().pickEntity("").status, Status::None);
  EXPECT_EQ(editor().pickEntity("").status, Status::Error);
  EXPECT_NE(take().find("\"button ok\" does not answer a request for an entity"),
            std::string::npos);
  EXPECT_EQ(editor().pickEntity("").status, Status::Error);
  EXPECT_NE(take().find("no visible entity has the handle ABCDEF"), std::string::npos);
  // An exhausted script is a user pressing Escape.
  EXPECT_EQ(editor().pickEntity("").status, Status::Cancel);
}

TEST_F(EditorTest, HiddenLayersCannotBePickedOrSelected) {
  addLayer("OFF", true, false);
  addLayer("FROZEN", false, true);
  cad::ObjectId hidden =
      add(std::make_unique<cad::Line>(geom::Point3d{0, 0.1, 0}, geom::Point3d{10, 0.1, 0}), "OFF");
  add(std::make_unique<cad::Line>(geom::Point3d{0, -0.1, 0}, geom::Point3d{10, -0.1, 0}), "FROZEN");
  script().push(ScriptAnswer::pickHandle(hidden.handle()));
  script().push(ScriptAnswer::pickAt({5, 0.1, 0}));
  EXPECT_EQ(editor().pickEntity("").status, Status::Error);
  EXPECT_EQ(editor().pickEntity("").id, line);  // the visible one under the cursor
  SelectionSet set;
  geom::Point2d box[] = {{4, 2}, {6, 2}, {6, -2}, {4, -2}};
  ASSERT_EQ(editor().selectCrossingPolygon(box, set), Status::Normal);
  EXPECT_EQ(set.length(), 2u);
  EXPECT_TRUE(set.contains(line));
  EXPECT_TRUE(set.contains(other));
}

TEST_F(EditorTest, GetPointWithOptionsCancelAndNothing) {
  script().push(ScriptAnswer::pointAt({1, 2, 3}));
  script().push(ScriptAnswer::nothing());
  script().push(ScriptAnswer::pointAt({4, 5, 0}));
  script().push(ScriptAnswer::nothing());
  script().push(ScriptAnswer::cancel());
  script().push(ScriptAnswer::dragTo({0, 0, 0}));
  PointResult first = editor().getPoint("选择起点:\n");
  EXPECT_EQ(first.status, Status::Normal);
  EXPECT_EQ(first.point, (geom::Point3d{1, 2, 3}));
  // Enter is asked again while the options forbid it, and the options hold once only.
  editor().setInputOptions(kInputNoNull);
  PointResult second = editor().getPoint(" 选择终点:\n", first.point);
  EXPECT_EQ(second.status, Status::Normal);
  EXPECT_EQ(second.point, (geom::Point3d{4, 5, 0}));
  EXPECT_EQ(editor().getPoint("").status, Status::None);
  EXPECT_EQ(editor().getPoint("").status, Status::Cancel);
  EXPECT_EQ(editor().getPoint("").status, Status::Error);
  EXPECT_EQ(editor().setInputOptions(-1), Status::InvalidInput);
  editor().resetInputOptions();
  EXPECT_EQ(editor().getPoint("").status, Status::Cancel);
}

TEST(KeywordList, CapitalsAbbreviateAndTheWholeWordOrItsStartAlsoMatch) {
  auto list = KeywordList::parse("  Extents LType eXit ALL none");
  ASSERT_TRUE(list);
  EXPECT_EQ(list->words(), (std::vector<std::string>{"Extents", "LType", "eXit", "ALL", "none"}));
  auto match = [&](const char* typed) { return list->match(typed).value_or("-"); };
  EXPECT_EQ(match("e"), "Extents");
  EXPECT_EQ(match(" EXT "), "Extents");
  EXPECT_EQ(match("extents"), "Extents");
  EXPECT_EQ(match("extentsx"), "-");
  EXPECT_EQ(match("lt"), "LType");
  EXPECT_EQ(match("lTyp"), "LType");
  EXPECT_EQ(match("l"), "-");  // shorter than the abbreviation
  EXPECT_EQ(match("x"), "eXit");
  EXPECT_EQ(match("EXIT"), "eXit");
  EXPECT_EQ(match("ex"), "Extents");  // no start of "eXit" without its capital X first
  EXPECT_EQ(match("all"), "ALL");
  EXPECT_EQ(match("a"), "-");  // all capitals: the whole word
  EXPECT_EQ(match("NONE"), "none");
  EXPECT_EQ(match("n"), "-");
  EXPECT_EQ(match(""), "-");
  // Words that are no keywords, a word twice, one abbreviation twice.
  EXPECT_FALSE(KeywordList::parse("Extents/Window"));
  EXPECT_FALSE(KeywordList::parse("范围"));
  EXPECT_FALSE(KeywordList::parse("Window window"));
  EXPECT_FALSE(KeywordList::parse("Extents Exit"));
  EXPECT_TRUE(KeywordList::parse("")->empty());
}

TEST_F(EditorTest, KeywordsAnswerEveryKindOfRequestForOneRequestOnly) {
  ASSERT_EQ(editor().setKeywords(0, "Extents Window"), Status::Normal);
  script().push(ScriptAnswer::typed("w"));
  EXPECT_EQ(editor().getPoint("[Extents/Window]: ").status, Status::Keyword);
  EXPECT_EQ(editor().keyword(), "Window");
  // The next request has no keywords: the word answers nothing it asks for.
  script().push(ScriptAnswer::typed("w"));
  EXPECT_EQ(editor().getPoint("").status, Status::Error);
  EXPECT_EQ(editor().keyword(), "");
  // With keywords set, a point typed or clicked still answers as a point.
  editor().setKeywords(0, "Extents");
  script().push(ScriptAnswer::typed("3, 4"));
  PointResult p = editor().getPoint("");
  EXPECT_EQ(p.status, Status::Normal);
  EXPECT_EQ(p.point, (geom::Point3d{3, 4, 0}));

  editor().setKeywords(0, "Undo");
  script().push(ScriptAnswer::typed("U"));
  EXPECT_EQ(editor().pickEntity("").status, Status::Keyword);
  editor().setKeywords(0, "Default");
  script().push(ScriptAnswer::typed("default"));
  EXPECT_EQ(editor().getReal("").status, Status::Keyword);
  editor().setKeywords(0, "Yes No");
  script().push(ScriptAnswer::typed("n"));
  StringResult s = editor().getString("");
  EXPECT_EQ(s.status, Status::Keyword);
  EXPECT_EQ(s.value, "No");
  SelectionSet set;
  set.add(line);
  editor().setKeywords(0, "Base");
  script().push(ScriptAnswer::typed("b"));
  auto follow = [](const geom::Point3d&, geom::Matrix3d&) { return Status::Normal; };
  EXPECT_EQ(editor().dragSelectionSet(set, "", follow).status, Status::Keyword);
  EXPECT_EQ(editor().keyword(), "Base");

  // resetInputOptions clears keywords as it clears flags; a bad list sets nothing.
  editor().setKeywords(kInputNoNull, "Extents");
  editor().resetInputOptions();
  script().push(ScriptAnswer::typed("e"));
  EXPECT_EQ(editor().getString("").value, "e");
  EXPECT_EQ(editor().setKeywords(0, "Exit Extents"), Status::InvalidInput);
  EXPECT_EQ(editor().setKeywords(-1, "Extents"), Status::InvalidInput);
  script().push(ScriptAnswer::typed("e"));
  EXPECT_EQ(editor().getString("").status, Status::Normal);
}

TEST_F(EditorTest, KeywordsWithFlagsRefuseEnterAndNumbersOutOfRange) {
  editor().setKeywords(kInputNoNull | kInputNoZero | kInputNoNegative, "Default");
  script().push(ScriptAnswer::nothing());
  script().push(ScriptAnswer::number(0));
  script().push(ScriptAnswer::typed("-2"));
  script().push(ScriptAnswer::typed("2.5"));
  RealResult r = editor().getReal("Height: ");
  EXPECT_EQ(r.status, Status::Normal);
  EXPECT_EQ(r.value, 2.5);
  const std::string said = take();
  EXPECT_NE(said.find("An input is required."), std::string::npos) << said;
  EXPECT_NE(said.find("Value must be nonzero."), std::string::npos);
  EXPECT_NE(said.find("Value must be positive."), std::string::npos);
  EXPECT_TRUE(script().empty());
  // Without the flags the same answers are taken as they come.
  script().push(ScriptAnswer::number(0));
  EXPECT_EQ(editor().getReal("").value, 0.0);
}

TEST_F(EditorTest, CrossingPolygonAndWindowSelection) {
  SelectionSet set;
  // Crossing: the box around the first line's right half touches both lines.
  geom::Point2d corners[] = {{12, 0.5}, {5, 0.5}, {5, -0.5}, {12, -0.5}};
  ASSERT_EQ(editor().selectCrossingPolygon(corners, set), Status::Normal);
  EXPECT_EQ(set.length(), 1u);
  EXPECT_EQ(set.name(0).value(), line);
  geom::Point2d empty[] = {{50, 50}, {40, 50}, {40, 40}, {50, 40}};
  EXPECT_EQ(editor().selectCrossingPolygon(empty, set), Status::None);
  EXPECT_TRUE(set.empty());
  EXPECT_EQ(editor().selectCrossingPolygon(std::span(corners, 2), set), Status::InvalidInput);
  geom::Point2d nan[] = {{0, 0}, {1, std::nan("")}, {1, 1}};
  EXPECT_EQ(editor().selectCrossingPolygon(nan, set), Status::InvalidInput);

  // Window: only what lies entirely inside.
  ASSERT_EQ(editor().selectWindow({-1, -0.5}, {11, 1.5}, set), Status::Normal);
  EXPECT_EQ(set.length(), 2u);
  ASSERT_EQ(editor().selectWindow({11, 3}, {-1, 0.5}, set), Status::Normal);
  EXPECT_EQ(set.length(), 1u);
  EXPECT_EQ(set.name(0).value(), other);
}

TEST(SelectionSet, MembersStayUniqueAndInOrder) {
  SelectionSet set;
  cad::ObjectId a(1), b(2), c(3);
  EXPECT_EQ(set.add(a), Status::Normal);
  EXPECT_EQ(set.add(b), Status::Normal);
  EXPECT_EQ(set.add(a), Status::Normal);
  EXPECT_EQ(set.add(cad::ObjectId()), Status::InvalidInput);
  EXPECT_EQ(set.length(), 2u);
  EXPECT_EQ(set.remove(c), Status::NotFound);
  EXPECT_EQ(set.remove(a), Status::Normal);
  EXPECT_EQ(set.name(0).value(), b);
  EXPECT_EQ(set.name(1).status(), Status::InvalidInput);
  set.free();
  EXPECT_EQ(set.length(), 0u);
}

TEST_F(EditorTest, TransformMovesEveryMemberOrNone) {
  SelectionSet set;
  set.add(line);
  set.add(circle);
  ASSERT_EQ(editor().transformSelectionSet(set, geom::Matrix3d::translation({1, 2, 0})),
            Status::Normal);
  EXPECT_EQ(db().openForRead<cad::Line>(line)->start(), (geom::Point3d{1, 2, 5}));
  EXPECT_EQ(db().openForRead<cad::Circle>(circle)->centre(), (geom::Point3d{21, 2, 0}));

  EXPECT_EQ(editor().transformSelectionSet(set, geom::Matrix3d::rotationZ(1.0)),
            Status::NotSupported);
  // An erased member stops the whole move before anything changed.
  db().erase(circle);
  EXPECT_EQ(editor().transformSelectionSet(set, geom::Matrix3d::translation({1, 0, 0})),
            Status::NotFound);
  EXPECT_EQ(db().openForRead<cad::Line>(line)->start(), (geom::Point3d{1, 2, 5}));

  // A member that cannot move at all (known only by its file record) comes after members
  // that can: none of them moves.
  SelectionSet mixed;
  mixed.add(line);
  mixed.add(other);
  mixed.add(add(std::make_unique<cad::OpaqueEntity>("HATCH")));
  EXPECT_EQ(editor().transformSelectionSet(mixed, geom::Matrix3d::translation({1, 0, 0})),
            Status::NotSupported);
  EXPECT_EQ(db().openForRead<cad::Line>(line)->start(), (geom::Point3d{1, 2, 5}));
  EXPECT_EQ(db().openForRead<cad::Line>(other)->start(), (geom::Point3d{0, 1, 0}));
}

TEST_F(EditorTest, DragAsksTheCallbackForThePickedPoint) {
  SelectionSet set;
  set.add(line);
  std::vector<geom::Point3d> asked;
  DragCallback follow = [&](const geom::Point3d& p, geom::Matrix3d& t) {
    asked.push_back(p);
    t = geom::Matrix3d::translation(p - geom::Point3d{});
    return Status::Normal;
  };
  script().push(ScriptAnswer::dragTo({100, 50, 0}));
  script().push(ScriptAnswer::dragCancel());
  script().push(ScriptAnswer::nothing());
  DragResult r = editor().dragSelectionSet(set, "选择插入点:", follow);
  ASSERT_EQ(r.status, Status::Normal);
  EXPECT_EQ(r.point, (geom::Point3d{100, 50, 0}));
  EXPECT_EQ(r.transform.apply({}), (geom::Point3d{100, 50, 0}));
  EXPECT_EQ(asked.size(), 1u);
  // The drag itself changes nothing; the caller moves the set.
  EXPECT_EQ(db().openForRead<cad::Line>(line)->start(), (geom::Point3d{0, 0, 5}));
  ASSERT_EQ(editor().transformSelectionSet(set, r.transform), Status::Normal);
  EXPECT_EQ(db().openForRead<cad::Line>(line)->start(), (geom::Point3d{100, 50, 5}));

  EXPECT_EQ(editor().dragSelectionSet(set, "", follow).status, Status::Cancel);
  EXPECT_EQ(editor().dragSelectionSet(set, "", follow).status, Status::None);
  // An empty set is no drag: the script is not consulted.
  script().push(ScriptAnswer::dragTo({1, 1, 0}));
  EXPECT_EQ(editor().dragSelectionSet(SelectionSet(), "", follow).status, Status::Error);
  EXPECT_EQ(script().size(), 1u);
  // A callback that refuses the point leaves the identity.
  DragResult refused = editor().dragSelectionSet(
      set, "", [](const geom::Point3d&, geom::Matrix3d&) { return Status::Error; });
  EXPECT_EQ(refused.status, Status::Normal);
  EXPECT_EQ(refused.transform.apply({3, 4, 5}), (geom::Point3d{3, 4, 5}));
}

TEST(EditorWithoutDocument, EveryRequestFails) {
  std::ostringstream out;
  headless::HeadlessOptions o;
  o.output = &out;
  headless::HeadlessHost host(std::move(o));
  host.script().push(ScriptAnswer::pickAt({0, 0, 0}));
  EXPECT_EQ(host.editor().pickEntity("").status, Status::Error);
  SelectionSet set;
  geom::Point2d box[] = {{0, 0}, {1, 0}, {1, 1}};
  EXPECT_EQ(host.editor().selectCrossingPolygon(box, set), Status::Error);
  EXPECT_EQ(host.script().size(), 1u);
}

}  // namespace
}  // namespace host
