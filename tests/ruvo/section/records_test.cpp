#include "ruvo/section/records.h"

#include <gtest/gtest.h>

#include "ruvo/section/doc_data.h"

namespace {

using namespace ruvo;

CDataStruct point(std::uint32_t type, double high = 10.0) {
  CDataStruct p;
  p.nType = type;
  p.dHigh = high;
  return p;
}

TEST(Records, DefaultsAndIndependentCopies) {
  CDataStruct p;
  EXPECT_EQ(p.nType, PT_CROSS);
  EXPECT_TRUE(p.strNote.empty() && p.strLayer.empty());
  EXPECT_EQ(p.bDelete + p.bMark + p.bRevised, 0u);
  EXPECT_EQ(p.idObject, 0u);
  p.strNote = "公路";
  CDataStruct copy = p;
  copy.strNote = "水渠";
  EXPECT_EQ(p.strNote, "公路");

  CDocData doc;
  EXPECT_EQ(doc.strPmName, "剖面图");
  EXPECT_EQ(doc.XYScale, 1000.0);
  EXPECT_EQ(doc.FilterHMax, 9000.0);
  EXPECT_EQ(doc.AutoAssign, 1);
  EXPECT_EQ(doc.bDistAndHigh, 1);
  EXPECT_EQ(doc.SideDistance, 5);
  EXPECT_EQ(doc.dRangeTop, 10.0);
  EXPECT_EQ(doc.paperPreview.nFrameType, 2);
}

TEST(Records, ListedPointsByDisplayMode) {
  for (int mode : {0, 1, 2}) {
    EXPECT_FALSE(IsPointListed(point(PT_HIDDEN), mode));
    EXPECT_TRUE(IsPointListed(point(PT_END), mode));
  }
  EXPECT_FALSE(IsPointListed(point(PT_KNEE), 0));
  EXPECT_TRUE(IsPointListed(point(PT_KNEE), 1));
  EXPECT_TRUE(IsPointListed(point(PT_KNEE), 2));
  EXPECT_TRUE(IsPointListed(point(PT_CROSS), 1));
  EXPECT_FALSE(IsPointListed(point(PT_CROSS), 2));
  EXPECT_FALSE(IsPointListed(point(PT_ADDED), 2));
  CDataStruct deleted = point(PT_CROSS);
  deleted.bDelete = 1;
  EXPECT_TRUE(IsPointListed(deleted, 0));
}

TEST(Records, UnusableHeights) {
  EXPECT_FALSE(IsHeightUnusable(point(PT_CROSS, 0.5), 0));
  EXPECT_TRUE(IsHeightUnusable(point(PT_CROSS, 0.0), 0));
  EXPECT_TRUE(IsHeightUnusable(point(PT_KNEE, 50.0), 0));
  EXPECT_FALSE(IsHeightUnusable(point(PT_KNEE, 50.0), 1));
  EXPECT_FALSE(IsHeightUnusable(point(PT_END, 50.0), 0));
  EXPECT_TRUE(IsHeightUnusable(point(PT_HIDDEN, 50.0), 1));
  CDataStruct revised = point(PT_CROSS);
  revised.bRevised = 1;
  EXPECT_TRUE(IsHeightUnusable(revised, 1));
  std::vector<CDataStruct> list{point(PT_CROSS)};
  EXPECT_FALSE(IsHeightUnusable(list, 0, 0));
  EXPECT_TRUE(IsHeightUnusable(list, 1, 0));
}

TEST(Records, LayersSortedByteOrderWithoutDuplicates) {
  std::vector<std::string> layers{"等高线", "B", "a", "B", "等高线"};
  SortUniqueLayers(layers);
  EXPECT_EQ(layers, (std::vector<std::string>{"B", "a", "等高线"}));
  // Runs of one layer, and the same layer again after others.
  layers = {"等高线", "等高线", "B", "B", "B", "等高线", "a", "a", "B", "", ""};
  SortUniqueLayers(layers);
  EXPECT_EQ(layers, (std::vector<std::string>{"", "B", "a", "等高线"}));
}

}  // namespace
