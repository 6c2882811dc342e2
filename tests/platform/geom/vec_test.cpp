#include "platform/geom/vec.h"

#include <gtest/gtest.h>

#include "platform/geom/extents.h"

namespace {

TEST(Extents, EmptyBoxAbsorbsFirstPoint) {
  geom::Extents2d box;
  EXPECT_TRUE(box.empty());
  box.add(geom::Point2d{3.5e6, 5e5});
  EXPECT_FALSE(box.empty());
  EXPECT_EQ(box.min, (geom::Point2d{3.5e6, 5e5}));
  EXPECT_EQ(box.max, box.min);
  EXPECT_TRUE(box.contains(geom::Point2d{3.5e6, 5e5}));
}

TEST(Extents, DisjointBoxesDoNotIntersect) {
  const auto a = geom::Extents2d::of({0, 0}, {1, 1});
  EXPECT_TRUE(a.intersects(geom::Extents2d::of({1, 1}, {2, 2})));
  EXPECT_FALSE(a.intersects(geom::Extents2d::of({1.0001, 0}, {2, 1})));
}

}  // namespace
