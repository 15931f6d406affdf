#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/geometry.h"

namespace {

TEST(Geometry, GridKeysRoundHalvesAwayFromZero) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double q;
    int64_t key;
  };
  const Case cases[] = {
      {0.5, 1},   {-0.5, -1},  {2.5, 3},           {-2.5, -3},         {1.4999, 1},
      {-1.5001, -2}, {0, 0},   {std::nan(""), 0},  {inf, 4000000000000000000}, {-1e300, -4000000000000000000},
  };
  for (const Case& c : cases) EXPECT_EQ(gridCoordinate(c.q), c.key) << c.q;
  // The grids themselves: a cell is 0.0001 for positions and 0.00001 for UVs.
  EXPECT_EQ(positionKey(0.00004f, -0.00006f, 1.0f), (GridKey3{0, -1, 10000}));
  EXPECT_EQ(uvKeyCoordinate(0.000004f), 0);
  EXPECT_EQ(uvKeyCoordinate(-0.000006f), -1);
  EXPECT_EQ(nearestMillionth(-0.0000025), -3);
}

TEST(Geometry, BoundsSkipNaNAndStartEmpty) {
  Bounds3 box;
  EXPECT_GT(box.low.x, box.high.x);
  box.add({1, -2, 3});
  box.add({std::nan(""), 4, -1});
  box.add({-1, 0, std::nan("")});
  EXPECT_EQ(box.low.x, -1);
  EXPECT_EQ(box.high.x, 1);
  EXPECT_EQ(box.low.y, -2);
  EXPECT_EQ(box.high.y, 4);
  EXPECT_EQ(box.centre().z, 1);
  EXPECT_DOUBLE_EQ(box.diagonal(), std::sqrt(4.0 + 36 + 16));

  Bounds2 flat;
  flat.add({2, 5});
  flat.add({-1, 6});
  EXPECT_EQ(flat.width(), 3);
  EXPECT_EQ(flat.height(), 1);
}

}  // namespace
