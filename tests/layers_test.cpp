#include "paint/layers.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "paint/surface.h"

namespace {

// A model of `n` triangles on layer 0 (corners do not matter here).
Model trianglesOnly(int n) {
  Model m;
  m.layerNames = {"A", "B"};
  m.triangles.resize(static_cast<size_t>(n));
  return m;
}

// A w x h view whose pixel i shows triangle i.
View3D everyPixelItsOwnTriangle(int w, int h) {
  View3D v;
  v.width = w;
  v.height = h;
  v.viewTriangle.resize(static_cast<size_t>(w) * h);
  for (size_t i = 0; i < v.viewTriangle.size(); ++i) v.viewTriangle[i] = static_cast<int32_t>(i);
  return v;
}

TEST(Layers, AssignBrushTakesThePixelsWithinHalfTheSize) {
  const struct {
    int x, y, size;
    int64_t reached;
  } cases[] = {
      {10, 10, 1, 5},    // radius at least 1: the pixel and its four neighbours
      {10, 10, 3, 5},    // 3 / 2 = 1
      {10, 10, 4, 13},   // radius 2
      {10, 10, 10, 81},  // radius 5: the pixels with dx² + dy² <= 25
      {0, 0, 4, 6},      // clipped by the view's corner
      {-2, 10, 4, 1},    // only the circle's edge reaches the view
      {-3, 10, 4, 0},
  };
  for (const auto& c : cases) {
    Model m = trianglesOnly(400);
    const View3D v = everyPixelItsOwnTriangle(20, 20);
    EXPECT_EQ(assignLayerUnderCircle(m, v, c.x, c.y, c.size, 1), c.reached > 0) << c.size;
    EXPECT_EQ(trianglesOnLayer(m, 1), c.reached) << c.x << "," << c.y << " size " << c.size;
    // Again: all there already.
    EXPECT_FALSE(assignLayerUnderCircle(m, v, c.x, c.y, c.size, 1));
  }
  // The background and triangles the model does not have are skipped.
  Model m = trianglesOnly(3);
  View3D v = everyPixelItsOwnTriangle(20, 20);
  v.viewTriangle[0] = -1;
  EXPECT_TRUE(assignLayerUnderCircle(m, v, 0, 0, 4, 1));
  EXPECT_EQ(trianglesOnLayer(m, 1), 2);  // pixels 1 and 2; pixel 20 shows triangle 20
}

TEST(Layers, SwatchIsTheColourInABlackFrame) {
  const Image swatch = layerSwatch(0x123456);
  ASSERT_EQ(swatch.width, 14);
  ASSERT_EQ(swatch.height, 14);
  const uint32_t colour = rgba(0x56, 0x34, 0x12), black = rgba(0, 0, 0);
  EXPECT_EQ(std::count(swatch.pixels.begin(), swatch.pixels.end(), colour), 144);
  EXPECT_EQ(std::count(swatch.pixels.begin(), swatch.pixels.end(), black), 196 - 144);
  EXPECT_EQ(swatch.at(1, 1), colour);
  EXPECT_EQ(swatch.at(12, 12), colour);
  EXPECT_EQ(swatch.at(13, 5), black);
}

}  // namespace
