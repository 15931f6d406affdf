#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "paint/fill_tools.h"
#include "paint/regions.h"
#include "render/view.h"
#include "tests/unwrap_checks.h"
#include "tools/meshgen/meshgen.h"

namespace {

// Every triangle the region holds is marked, nothing else is, and none is listed twice.
void expectMarkedExactly(const TriangleMarks& marks, const std::vector<int32_t>& list) {
  std::vector<int32_t> marked;
  for (size_t t = 0; t < marks.mark.size(); ++t)
    if (marks.mark[t] == marks.stamp) marked.push_back(static_cast<int32_t>(t));
  std::vector<int32_t> sorted = list;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(marked, sorted);
}

TEST(ToolRegion, RegionsOfGeneratedShapes) {
  GenMesh twoCubes = genCube();
  genAppend(twoCubes, genCube(), {3, 0, 0});
  struct Case {
    const char* name;
    GenMesh mesh;
    Tool tool;
    int64_t start;
    int64_t size;
  };
  // genCylinder(n): 2n side triangles (each facet a quad), then the n of each end's fan.
  // genTwoObjects: Box (12, Wood) then Roof (8: 4 Slate, 4 Wood from triangle 12 on).
  const Case cases[] = {
      {"cube side", genCube(), Tool::fillFlatFace, 0, 2},
      {"cube side, assigned", genCube(), Tool::assignFlatFace, 5, 2},
      {"a 10-degree facet of a cylinder", genCylinder(36), Tool::fillFlatFace, 0, 2},
      {"2-degree facets: each its own face", genTube(180, 1), Tool::fillFlatFace, 0, 2},
      {"a cylinder's end", genCylinder(36), Tool::fillFlatFace, 72, 36},
      {"half-degree facets: each step is flat enough", genTube(720, 1), Tool::fillFlatFace, 0,
       1440},
      {"other tools flood the flat face", genCube(), Tool::brush, 0, 2},
      {"triangle", genCube(), Tool::fillTriangle, 3, 1},
      {"triangle, assigned", genCube(), Tool::assignTriangle, 3, 1},
      {"connected part stops at the gap", twoCubes, Tool::assignConnectedPart, 13, 12},
      {"surface Wood, box and roof", genTwoObjects(), Tool::fillSurface, 0, 16},
      {"surface Slate", genTwoObjects(), Tool::fillSurface, 12, 4},
      {"layer Roof", genTwoObjects(), Tool::fillLayer, 12, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Model model = modelOf(c.mesh);
    NeighbourTables tables;
    TriangleMarks marks;
    std::vector<int32_t> list;
    ASSERT_EQ(toolRegion(c.tool, c.start, model, tables, marks, list), c.size);
    ASSERT_EQ(static_cast<int64_t>(list.size()), c.size);
    expectMarkedExactly(marks, list);
    EXPECT_EQ(marks.mark.size(), model.triangles.size() + 1);
    if (c.tool == Tool::fillSurface || c.tool == Tool::fillLayer)
      EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
    else
      EXPECT_EQ(list[0], c.start);
  }
}

// Hand-made: t0 (0, 1, 2) and, on its edge 0-1, t1 and t2 (t2 through vertex 5, a seam copy
// of vertex 1): three triangles on one edge. t3 touches t0 only at that corner. t4 names a
// vertex that does not exist and t5 one with a NaN coordinate; both share t0's edge 2-0.
Model edgeCases() {
  Model m;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  m.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1},
                {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {nan, 0, 0}};
  m.triangles = {{0, 1, 2}, {1, 0, 3}, {0, 5, 4}, {5, 6, 7}, {0, 2, 99}, {8, 0, 2}};
  return m;
}

TEST(ToolRegion, NeighbourTables) {
  const Model model = edgeCases();
  NeighbourTables tables;
  buildNeighbours(tables, model);
  // Later triangles on an edge point to the first, the first to the second. Edges touching a
  // missing or NaN vertex have no neighbour: the NaN vertex would weld with vertex 0 by its key,
  // which would make t5's edge 2-8 another copy of 0-2.
  const std::vector<int32_t> expected = {
      1,  -1, 4,    // t0: 0-1 to t1 (the second), 2-0 to t4
      0,  -1, -1,   // t1
      0,  -1, -1,   // t2
      -1, -1, -1,   // t3: corner contact only
      0,  -1, -1,   // t4
      -1, 0,  -1};  // t5
  EXPECT_EQ(tables.triNeighbour, expected);
  EXPECT_EQ(tables.vertexPositionId[5], tables.vertexPositionId[1]);
  EXPECT_EQ(tables.triNormal[0].z, 1);
  for (size_t t : {4, 5})
    EXPECT_TRUE(tables.triNormal[t].x == 0 && tables.triNormal[t].y == 0 &&
                tables.triNormal[t].z == 0);

  // A flood does not cross a corner; it follows the links as they are.
  TriangleMarks marks;
  std::vector<int32_t> list;
  EXPECT_EQ(toolRegion(Tool::assignConnectedPart, 3, model, tables, marks, list), 1);
  EXPECT_EQ(toolRegion(Tool::assignConnectedPart, 2, model, tables, marks, list), 4);
  EXPECT_EQ(list, (std::vector<int32_t>{2, 0, 1, 4}));
}

TEST(ToolRegion, TablesFollowTheModelAndBadStartsDoNothing) {
  Model model;
  model.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  model.triangles = {{0, 1, 2}};
  NeighbourTables tables;
  TriangleMarks marks;
  std::vector<int32_t> list = {7};
  for (const int64_t start : {int64_t{-1}, int64_t{1}}) {
    EXPECT_EQ(toolRegion(Tool::fillFlatFace, start, model, tables, marks, list), 0);
    EXPECT_EQ(marks.stamp, 0);
    EXPECT_EQ(list, std::vector<int32_t>{7});
    EXPECT_EQ(tables.keyModel, nullptr);
  }
  EXPECT_EQ(toolRegion(Tool::fillFlatFace, 0, model, tables, marks, list), 1);
  // A second triangle in the same plane across edge 1-2: the tables are rebuilt for the new
  // triangle count and the flat face takes it in.
  model.vertices.push_back({1, 1, 0});
  model.triangles.push_back({1, 3, 2});
  EXPECT_EQ(toolRegion(Tool::fillFlatFace, 0, model, tables, marks, list), 2);
  EXPECT_EQ(tables.keyTriangles, 2);
  EXPECT_EQ(marks.mark.size(), 3u);
  EXPECT_EQ(marks.stamp, 2);
}

constexpr int kSide = 100;        // view, pixels
constexpr int64_t kTexWidth = 80;  // texture
constexpr int64_t kTexHeight = 48;
constexpr uint32_t kWhite = 0xFFFFFF;

// Five squares of side 2 (two triangles each), each with its own fifth of the texture's width:
// Q0 faces the camera at the view's centre, the others lie far outside the view.
//   Q0 Surface 0, layer 0   Q1 Surface 0, layer 0   Q2 Surface 0, layer 1 (hidden)
//   Q3 Surface 0, layer 2 (locked)   Q4 Surface 1, layer 0
// Triangle 2q of square q is its lower-right half, 2q + 1 its upper-left half.
struct FillFixture : ::testing::Test {
  Model model;
  View3D view;
  LayerState layers;
  Texture texture;
  Stroke stroke;
  BrushSettings brush;
  NeighbourTables tables;
  TriangleMarks marks;

  FillFixture() {
    model.layerNames = {"A", "B", "C"};
    const int32_t material[5] = {0, 0, 0, 0, 1}, layer[5] = {0, 0, 1, 2, 0};
    for (int q = 0; q < 5; ++q) {
      const float x = q == 0 ? 0.0f : 10.0f * static_cast<float>(q);
      const float u0 = q / 5.0f + 0.02f, u1 = (q + 1) / 5.0f - 0.02f;
      const int32_t v = static_cast<int32_t>(model.vertices.size());
      model.vertices.push_back({x - 1, -1, 0, u0, 0.1f});
      model.vertices.push_back({x + 1, -1, 0, u1, 0.1f});
      model.vertices.push_back({x + 1, 1, 0, u1, 0.9f});
      model.vertices.push_back({x - 1, 1, 0, u0, 0.9f});
      model.triangles.push_back({v, v + 1, v + 2, material[q], layer[q]});
      model.triangles.push_back({v, v + 2, v + 3, material[q], layer[q]});
    }
    resizeLayerState(layers, 3);
    layers.hidden[1] = 1;
    layers.locked[2] = 1;
    RenderInputs in;
    in.camera.dist = 4;
    renderView(view, kSide, kSide, model, in);
  }
  BrushScene scene() { return {model, view, layers, texture}; }
  TextureViewUpdate fill(Tool tool, int x = 65, int y = 45) {  // (65, 45): triangle 0
    return fillAt(stroke, scene(), brush, tool, tables, marks, kTexWidth, kTexHeight, x, y);
  }
  uint32_t pixel(int64_t column, int64_t row) const {
    return texture.TexturePixels[static_cast<size_t>(row * kTexWidth + column)];
  }
  // The texel at the centroid of triangle t's layout.
  uint32_t atCentroid(size_t t) const {
    double u = 0, v = 0;
    for (int k = 0; k < 3; ++k) {
      u += model.vertices[static_cast<size_t>(model.triangles[t].corner(k))].u / 3.0;
      v += model.vertices[static_cast<size_t>(model.triangles[t].corner(k))].v / 3.0;
    }
    return pixel(static_cast<int64_t>(u * kTexWidth), static_cast<int64_t>((1 - v) * kTexHeight));
  }
};

TEST_F(FillFixture, ToolsPaintThePaintableTrianglesOfTheirRegion) {
  struct Case {
    Tool tool;
    unsigned marked, painted;  // bit t: triangle t
  };
  const Case cases[] = {
      {Tool::fillTriangle, 0b1, 0b1},
      {Tool::fillFlatFace, 0b11, 0b11},
      // Far-apart pieces of the Surface are painted; its hidden and locked ones are not.
      {Tool::fillSurface, 0b11111111, 0b1111},
      {Tool::fillLayer, 0b1100001111, 0b1100001111},
  };
  brush.color = 0x123456;
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.tool));
    resetTexture(texture);
    const TextureViewUpdate update = fill(c.tool);
    EXPECT_TRUE(update.redraw);
    EXPECT_TRUE(update.showTexture);
    for (size_t t = 0; t < model.triangles.size(); ++t) {
      EXPECT_EQ(marks.mark[t] == marks.stamp, (c.marked >> t & 1) != 0) << t;
      EXPECT_EQ(atCentroid(t), (c.painted >> t & 1) ? brush.color : kWhite) << t;
    }
  }
}

TEST_F(FillFixture, OpacityBlendsEachPixelOnceFromTheTextureBefore) {
  // Q0's layout covers columns 1.6 .. 14.4 and rows 4.8 .. 43.2; its two triangles overlap by
  // their fringes along the diagonal.
  const struct {
    int opacity;
    uint32_t color, expected;
  } cases[] = {
      {100, 0x123456, 0x123456},
      {50, 0, 0x808080},  // alpha 127: 255 - 127 in each channel
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.opacity);
    resetTexture(texture);
    brush.opacity = c.opacity;
    brush.color = c.color;
    fill(Tool::fillFlatFace);
    for (int64_t row = 0; row < kTexHeight; ++row)
      for (int64_t column = 0; column < kTexWidth; ++column) {
        const bool inside = column >= 2 && column <= 13 && row >= 5 && row <= 42;
        const uint32_t p = pixel(column, row);
        if (inside) ASSERT_EQ(p, c.expected) << column << "," << row;
        else ASSERT_TRUE(p == kWhite || p == c.expected) << column << "," << row;
      }
  }
}

TEST_F(FillFixture, FirstFillMakesAWhiteTextureInItsOwnUndoStep) {
  const TextureViewUpdate update = fill(Tool::fillTriangle);
  ASSERT_EQ(texture.TextureWidth, kTexWidth);
  ASSERT_EQ(texture.TextureHeight, kTexHeight);
  EXPECT_TRUE(update.redraw);
  EXPECT_EQ(atCentroid(0), brush.color);
  EXPECT_EQ(atCentroid(1), kWhite);
  EXPECT_TRUE(texture.TextureModified);
  EXPECT_EQ(texture.TextureRevision, 2);  // the white texture, then the fill
  ASSERT_EQ(texture.UndoList.size(), 1u);
  undoTexture(texture);
  EXPECT_EQ(texture.TextureWidth, 0);
}

TEST_F(FillFixture, ClicksOffTheModelDoNothing) {
  const std::pair<int, int> points[] = {{2, 2}, {-1, 50}, {50, -1}, {kSide, 50}, {50, kSide}};
  for (const auto& [x, y] : points) {
    SCOPED_TRACE(::testing::Message() << x << "," << y);
    const TextureViewUpdate update = fill(Tool::fillSurface, x, y);
    EXPECT_FALSE(update.redraw);
    EXPECT_FALSE(update.showTexture);
    EXPECT_EQ(texture.TextureWidth, 0);
    EXPECT_TRUE(texture.UndoList.empty());
    EXPECT_EQ(texture.TextureRevision, 0);
    EXPECT_EQ(marks.stamp, 0);
  }
}

TEST_F(FillFixture, RegionWithoutPaintableTrianglesStillCountsAsAStep) {
  fill(Tool::fillTriangle);
  texture.TextureModified = false;
  layers.locked[0] = 1;
  const std::vector<uint32_t> before = texture.TexturePixels;
  EXPECT_TRUE(fill(Tool::fillSurface).redraw);
  EXPECT_EQ(texture.TexturePixels, before);
  EXPECT_EQ(texture.UndoList.size(), 2u);
  EXPECT_EQ(texture.TextureRevision, 3);
  EXPECT_TRUE(texture.TextureModified);
}

TEST_F(FillFixture, PaintSources) {
  // Two stencil pixels 20 screen pixels wide over the view's centre: opaque blue on the left,
  // transparent on the right. Texel column 5 of row 24 lands at x = 38.2 (blue), column 10 at
  // 61.8 (transparent).
  Image stencil(2, 1);
  stencil.at(0, 0) = 0xFFu << 24 | 0xFF0000u;
  const struct {
    const char* name;
    PaintSource source;
    bool loaded;
    uint32_t left, right;
  } cases[] = {
      {"stencil", PaintSource::stencil, true, 0xFF0000, kWhite},
      {"stencil, none loaded", PaintSource::stencil, false, 0x123456, 0x123456},
      {"pattern, none in the scene: the brush colour", PaintSource::pattern, true, 0x123456,
       0x123456},
  };
  brush.color = 0x123456;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    resetTexture(texture);
    brush.source = c.source;
    BrushScene withStencil = scene();
    if (c.loaded) withStencil.stencil = &stencil;
    withStencil.stencilPlacement = {50, 50, 20, 0};
    fillAt(stroke, withStencil, brush, Tool::fillFlatFace, tables, marks, kTexWidth, kTexHeight,
           65, 45);
    EXPECT_EQ(pixel(5, 24), c.left);
    EXPECT_EQ(pixel(10, 24), c.right);
  }
}

// UVs outside 0..1 repeat the texture in the view; every fill paints the texels the view
// shows on the filled triangles, whichever copy of the texture their UVs lie in.
TEST_F(FillFixture, EverySourceFillsTheTexelsTheViewShowsWhereUvsRepeatTheTexture) {
  PatternState pattern;
  ASSERT_TRUE(loadSourceImage(pattern.image, encodePng(Image(1, 1, rgba(9, 8, 7)), false), "png", false));
  PatternCaches caches;
  const Image stencil(1, 1, rgba(1, 2, 3, 255));
  const struct {
    const char* name;
    PaintSource source;
    uint32_t colour;
  } sources[] = {
      {"colour", PaintSource::colour, 0x123456},
      {"stencil", PaintSource::stencil, rgba(1, 2, 3, 0)},
      {"pattern", PaintSource::pattern, rgba(9, 8, 7, 0)},
  };
  const struct {
    const char* name;
    float du, dv;
  } shifts[] = {{"one copy over and below", 1, -1}, {"over the edges", -0.1f, 0.5f}};
  brush.color = 0x123456;
  for (const auto& shift : shifts) {
    for (int32_t k = 0; k < 4; ++k) {  // Q0's corners
      model.vertices[static_cast<size_t>(k)].u += shift.du;
      model.vertices[static_cast<size_t>(k)].v += shift.dv;
    }
    RenderInputs in;
    in.camera.dist = 4;
    renderView(view, kSide, kSide, model, in);
    for (const auto& source : sources) {
      SCOPED_TRACE(::testing::Message() << shift.name << ", " << source.name);
      resetTexture(texture);
      brush.source = source.source;
      BrushScene with = scene();
      with.stencil = &stencil;
      with.stencilPlacement = {50, 50, 200, 0};  // over the whole view
      with.pattern = &pattern;
      with.patternCaches = &caches;
      preparePattern(caches, tables, model, pattern);
      fillAt(stroke, with, brush, Tool::fillFlatFace, tables, marks, kTexWidth, kTexHeight, 65, 45);
      ASSERT_EQ(texture.TextureWidth, kTexWidth);
      const TexelView texels(kTexWidth, kTexHeight, texture.TexturePixels);
      int seen = 0;
      for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
          const std::optional<ViewHit> hit = pickAt(view, x, y);
          if (!hit || hit->triangle > 1) continue;
          ++seen;
          ASSERT_EQ(texture.TexturePixels[texelIndex(texels, hit->u, hit->v)], source.colour) << x << "," << y;
        }
      EXPECT_GT(seen, 500);
    }
    for (int32_t k = 0; k < 4; ++k) {
      model.vertices[static_cast<size_t>(k)].u -= shift.du;
      model.vertices[static_cast<size_t>(k)].v -= shift.dv;
    }
  }
}

TEST_F(FillFixture, PatternSourceFillsWhereTheMappingReaches) {
  // A one-texel pattern: every point of the model takes its colour.
  PatternState pattern;
  ASSERT_TRUE(loadSourceImage(pattern.image, encodePng(Image(1, 1, rgba(9, 8, 7)), false), "png", false));
  PatternCaches caches;
  BrushScene withPattern = scene();
  withPattern.pattern = &pattern;
  withPattern.patternCaches = &caches;
  brush.source = PaintSource::pattern;
  brush.color = 0x123456;
  const auto fillFace = [&] {
    resetTexture(texture);
    preparePattern(caches, tables, model, pattern);
    fillAt(stroke, withPattern, brush, Tool::fillFlatFace, tables, marks, kTexWidth, kTexHeight, 65, 45);
  };
  fillFace();
  EXPECT_EQ(atCentroid(0), rgba(9, 8, 7, 0));
  EXPECT_EQ(atCentroid(1), rgba(9, 8, 7, 0));
  // Anchored on the other square: the roll-out does not reach this one, which stays white.
  pattern.mapping = PatternMapping::anchor;
  storeAnchor(pattern, {.face = 2, .b0 = 0.3, .b1 = 0.3, .up = {0, 1, 0}, .right = {1, 0, 0}});
  fillFace();
  EXPECT_EQ(atCentroid(0), kWhite);
  EXPECT_EQ(atCentroid(1), kWhite);
}

}  // namespace
