#include "ruvo/section/point_list.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using namespace ruvo;

CPntList vertex(std::uint32_t index, double x, double y, double dist) {
  CPntList v;
  v.nIndex = index;
  v.ptPos = {x, y, 0.0};
  v.dDist = dist;
  return v;
}

CDataStruct cross(double dist, double high, std::string layer = "DGX") {
  CDataStruct p;
  p.ptPos = {dist, 0.0, 0.0};
  p.dDist = dist;
  p.dHigh = high;
  p.strLayer = std::move(layer);
  p.idObject = 7;
  return p;
}

// A straight section line along X from 0 to 100 with a knee at 40.
CDocData straightDoc() {
  CDocData doc;
  doc.vertexList = {vertex(0, 0, 0, 0), vertex(1, 40, 0, 40), vertex(2, 100, 0, 100)};
  return doc;
}

std::vector<std::string> notes(const CDocData& doc) {
  std::vector<std::string> out;
  for (const CDataStruct& p : doc.pointList) out.push_back(p.strNote);
  return out;
}

TEST(FinishPointList, OrdersThinsAndAddsGeneratedPoints) {
  CDocData doc = straightDoc();
  doc.pointList = {cross(70, 12, "B"), cross(20, 10, "A"), cross(20.00006, 99, "C"),
                   cross(20.00012, 11, "A"), cross(40, 13, "B")};
  doc.layerList = {"B", "A", "C", "A", "B"};
  FinishPointList(doc);

  // 20.00006 is within 0.0001 of the kept 20 and goes; 20.00012 is compared with the kept
  // point, not its dropped predecessor, and stays.
  ASSERT_EQ(doc.pointList.size(), 7u);
  EXPECT_EQ(notes(doc), (std::vector<std::string>{"起点", "", "", "", "拐点", "", "终点"}));
  EXPECT_DOUBLE_EQ(doc.pointList[2].dDist, 20.00012);
  // The crossing at the vertex comes before its knee point (found first).
  EXPECT_EQ(doc.pointList[3].nType, PT_CROSS);
  EXPECT_EQ(doc.pointList[4].nType, PT_KNEE);
  EXPECT_EQ(doc.pointList[4].dHigh, 0.0);
  for (std::size_t i = 0; i < doc.pointList.size(); ++i) {
    EXPECT_EQ(doc.pointList[i].nNo, static_cast<int>(i));
  }
  const CDataStruct& start = doc.pointList.front();
  const CDataStruct& end = doc.pointList.back();
  EXPECT_EQ(start.nType, PT_END);
  EXPECT_EQ(start.bMark, 1u);
  EXPECT_EQ(start.dHigh, 10.0);  // the second point's
  EXPECT_EQ(end.dDist, 100.0);
  EXPECT_EQ(end.dHigh, 12.0);  // the second-to-last point's
  EXPECT_TRUE(start.strLayer.empty() && end.strLayer.empty());
  EXPECT_EQ(doc.layerList, (std::vector<std::string>{"A", "B", "C"}));
}

TEST(FinishPointList, EqualDistancesKeepDiscoveryOrder) {
  // Many raw points at few distances, found in an order unrelated to their distance: the
  // first found at each distance must survive the thinning, every time.
  CDocData doc = straightDoc();
  for (int round = 0; round < 8; ++round) {
    for (int d = 9; d >= 1; --d) {
      doc.pointList.push_back(cross(d * 10.0, 100.0 + round, "L" + std::to_string(round)));
    }
  }
  FinishPointList(doc);
  int crossings = 0;
  for (const CDataStruct& p : doc.pointList) {
    if (p.nType != PT_CROSS) continue;
    ++crossings;
    EXPECT_EQ(p.strLayer, "L0") << p.dDist;
  }
  EXPECT_EQ(crossings, 9);
}

TEST(FinishPointList, ElevationFilterAndEmptyCases) {
  CDocData doc = straightDoc();
  doc.FilterHeight = 1;
  doc.FilterHMin = 10;
  doc.FilterHMax = 20;
  doc.pointList = {cross(10, 9.999), cross(20, 10), cross(30, 20), cross(50, 20.001)};
  FinishPointList(doc);
  ASSERT_EQ(doc.pointList.size(), 5u);  // bounds inclusive, plus start, knee and end
  EXPECT_EQ(doc.pointList[1].dHigh, 10.0);
  EXPECT_EQ(doc.pointList[2].dHigh, 20.0);

  CDocData none = straightDoc();
  FinishPointList(none);
  EXPECT_EQ(notes(none), (std::vector<std::string>{"起点", "拐点", "终点"}));

  CDocData noVertices;
  noVertices.pointList = {cross(5, 1)};
  FinishPointList(noVertices);
  EXPECT_EQ(noVertices.pointList.size(), 1u);
}

CDataStruct at(double x, double y, std::uint32_t type) {
  CDataStruct p;
  p.ptPos = {x, y, 0.0};
  p.nType = type;
  return p;
}

TEST(MarkStraightKnees, SmallTurnsAreDeletedAcrossEast) {
  CDocData doc;
  const double small = std::tan(1.0 * std::numbers::pi / 180.0);  // a 1 degree turn
  const double large = std::tan(3.0 * std::numbers::pi / 180.0);
  doc.pointList = {at(0, 0, PT_END), at(100, 0, PT_KNEE),  // heading 0 -> 1 degree: straight enough
                   at(150, 50 * small, PT_CROSS), at(200, 100 * small, PT_KNEE),  // 1 -> 3 degrees
                   at(300, 100 * small + 100 * large, PT_END)};
  MarkStraightKnees(doc);
  EXPECT_EQ(doc.pointList[1].bDelete, 1u);
  EXPECT_EQ(doc.pointList[3].bDelete, 0u);  // a 2 degree turn is kept
  EXPECT_EQ(doc.pointList[2].bDelete, 0u);

  // Heading just below 2*pi (359.5 degrees) then just above 0 (0.5 degrees): a 1 degree turn.
  CDocData east;
  const double t = std::tan(0.5 * std::numbers::pi / 180.0);
  east.pointList = {at(0, 0, PT_END), at(100, -100 * t, PT_KNEE), at(200, 0, PT_END)};
  MarkStraightKnees(east);
  EXPECT_EQ(east.pointList[1].bDelete, 1u);

  // A right-angle turn stays, and a knee without a following knee or end keeps its flags.
  CDocData corner;
  corner.pointList = {at(0, 0, PT_END), at(100, 0, PT_KNEE), at(100, 100, PT_END),
                      at(100, 200, PT_KNEE)};
  MarkStraightKnees(corner);
  EXPECT_EQ(corner.pointList[1].bDelete, 0u);
  EXPECT_EQ(corner.pointList[3].bDelete, 0u);
}

TEST(FilterByLayers, WorksOnNamesWithSeparators) {
  CDocData doc;
  doc.pointList = {
      at(0, 0, PT_END), cross(1, 5, "等高线, 首曲"), cross(2, 5, "A"), at(3, 0, PT_KNEE),
      cross(4, 5, ""),  cross(5, 5, "加点层"),       at(6, 0, PT_END)};
  doc.pointList[5].nType = PT_ADDED;
  doc.pointList[2].nType = PT_HIDDEN;
  const std::vector<std::string> ticked = {"等高线, 首曲", "A"};
  FilterByLayers(doc, ticked);
  EXPECT_EQ(doc.pointList[1].nType, PT_CROSS);
  EXPECT_EQ(doc.pointList[2].nType, PT_CROSS);  // hidden before, ticked now
  EXPECT_EQ(doc.pointList[5].nType, PT_HIDDEN);

  FilterByLayers(doc, {});
  EXPECT_EQ(doc.pointList[1].nType, PT_HIDDEN);
  EXPECT_EQ(doc.pointList[2].nType, PT_HIDDEN);
  EXPECT_EQ(doc.pointList[4].nType, PT_CROSS);  // no layer name: nothing can hide it
  EXPECT_EQ(doc.pointList[0].nType, PT_END);
  EXPECT_EQ(doc.pointList[3].nType, PT_KNEE);
  EXPECT_EQ(doc.pointList[6].nType, PT_END);

  const std::vector<std::string> partOfName = {"等高线"};
  FilterByLayers(doc, partOfName);
  EXPECT_EQ(doc.pointList[1].nType, PT_HIDDEN);
}

CDocData listForAdding() {
  CDocData doc;
  doc.pointList = {cross(0, 100), cross(10, 110), cross(20, 0), cross(30, 130), cross(40, 140)};
  doc.pointList.front().nType = doc.pointList.back().nType = PT_END;
  doc.pointList[2].nType = PT_KNEE;
  for (std::size_t i = 0; i < doc.pointList.size(); ++i) doc.pointList[i].nNo = int(i);
  doc.layerList = {"DGX"};
  return doc;
}

CDataStruct added(double dist, double high) {
  CDataStruct p = cross(dist, high, kLayerAdded);
  p.nType = PT_ADDED;
  p.strNote = kNoteAdded;
  p.idObject = 0;
  return p;
}

TEST(InsertAddedPoint, RenumbersAndInterpolates) {
  CDocData doc = listForAdding();
  EXPECT_EQ(InsertAddedPoint(doc, added(25, 120.5)), 3);  // object snap elevation kept
  ASSERT_EQ(doc.pointList.size(), 6u);
  EXPECT_EQ(doc.pointList[3].dHigh, 120.5);
  EXPECT_EQ(doc.pointList[3].bRevised, 0u);
  for (std::size_t i = 0; i < doc.pointList.size(); ++i) {
    EXPECT_EQ(doc.pointList[i].nNo, static_cast<int>(i));
    if (i > 0) {
      EXPECT_LE(doc.pointList[i - 1].dDist, doc.pointList[i].dDist);
    }
  }
  EXPECT_EQ(doc.layerList, (std::vector<std::string>{"DGX", "加点层"}));

  // Z = 0: interpolated between usable neighbours, skipping the knee (unusable at KneePnt 0).
  EXPECT_EQ(InsertAddedPoint(doc, added(15, 0)), 2);
  EXPECT_DOUBLE_EQ(doc.pointList[2].dHigh, 110 + (120.5 - 110) / 15 * 5);
  EXPECT_EQ(doc.pointList[2].bRevised, 1u);
  EXPECT_EQ(doc.layerList.size(), 2u);

  CDocData empty;
  EXPECT_EQ(InsertAddedPoint(empty, added(5, 0)), -1);
  EXPECT_TRUE(empty.pointList.empty());
}

TEST(InsertAddedPoint, EndStaysLastAndZeroSpanLeavesHeight) {
  CDocData doc = listForAdding();
  EXPECT_EQ(InsertAddedPoint(doc, added(40, 0)), 4);
  EXPECT_EQ(doc.pointList.back().nType, PT_END);
  EXPECT_EQ(doc.pointList.back().nNo, 5);
  EXPECT_DOUBLE_EQ(doc.pointList[4].dHigh, 140.0);

  // Both sources at the same distance: no line through them, the elevation stays.
  CDocData same;
  same.pointList = {cross(0, 100), cross(0, 100), cross(0, 50)};
  same.pointList.back().nType = PT_END;
  for (int i = 0; i < 3; ++i) same.pointList[i].nNo = i;
  EXPECT_EQ(InsertAddedPoint(same, added(0, -1)), 2);
  EXPECT_EQ(same.pointList[2].dHigh, -1.0);
  EXPECT_EQ(same.pointList[2].bRevised, 0u);
}

TEST(TypedHeight, ClearsRevisedAndAsksForWriteBackOnlyForDrawnObjects) {
  CDocData doc = listForAdding();
  doc.pointList[1].bRevised = 1;
  EXPECT_TRUE(SetTypedHeight(doc, 1, 111.25));
  EXPECT_EQ(doc.pointList[1].dHigh, 111.25);
  EXPECT_EQ(doc.pointList[1].bRevised, 0u);
  EXPECT_FALSE(SetTypedHeight(doc, 9, 1.0));

  EXPECT_FALSE(WantsWriteBack(doc, doc.pointList[1]));
  doc.bSetHigh = 1;
  EXPECT_FALSE(WantsWriteBack(doc, doc.pointList[1]));  // loaded from a file
  doc.bFromDrawing = 1;
  EXPECT_TRUE(WantsWriteBack(doc, doc.pointList[1]));
  doc.pointList[1].idObject = 0;
  EXPECT_FALSE(WantsWriteBack(doc, doc.pointList[1]));
}

}  // namespace
