#include "paint/pattern.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/unwrap_checks.h"
#include "tools/meshgen/meshgen.h"

namespace {

// A pattern whose texels all differ: texel (x, y) is (40x + 10, 60y + 20, 7x + 5y).
PatternState patternOf(int w, int h, double tile = 1) {
  PatternState p;
  Image image(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.at(x, y) = rgba(40 * x + 10, 60 * y + 20, 7 * x + 5 * y, 0);
  EXPECT_TRUE(loadSourceImage(p.image, encodePng(image, false), "png", false));
  p.tile = tile;
  return p;
}

uint32_t rounded(const std::array<double, 3>& rgb) {
  return rgba(static_cast<uint32_t>(rgb[0] + 0.5), static_cast<uint32_t>(rgb[1] + 0.5),
              static_cast<uint32_t>(rgb[2] + 0.5), 0);
}

Vec3 pointOn(const Model& m, int64_t t, double b0, double b1) {
  const Triangle& tri = m.triangles[static_cast<size_t>(t)];
  const double b[3] = {b0, b1, 1 - b0 - b1};
  Vec3 p;
  for (int k = 0; k < 3; ++k) p = p + b[k] * positionOf(m.vertices[static_cast<size_t>(tri.corner(k))]);
  return p;
}

void addVertex(Model& m, Vec3 p, float u = 0, float v = 0) {
  m.vertices.push_back({static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z), u, v});
}

// Two unit squares hinged on the x axis: the first lies on y = 0 over z = -1 .. 0 facing +y,
// the second leaves the hinge bent up by `bend` degrees. Each square has its own vertices and
// its own part of the texture (u 0.05 .. 0.45 and 0.55 .. 0.95).
Model hinge(double bend) {
  const double c = std::cos(bend * std::numbers::pi / 180), s = std::sin(bend * std::numbers::pi / 180);
  const Vec3 quads[2][4] = {{{0, 0, 0}, {1, 0, 0}, {1, 0, -1}, {0, 0, -1}},
                            {{0, s, c}, {1, s, c}, {1, 0, 0}, {0, 0, 0}}};
  Model m;
  for (int q = 0; q < 2; ++q) {
    const int32_t first = static_cast<int32_t>(m.vertices.size());
    const float u0 = 0.05f + 0.5f * q, u1 = u0 + 0.4f;
    const float uv[4][2] = {{u0, 0.1f}, {u1, 0.1f}, {u1, 0.9f}, {u0, 0.9f}};
    for (int k = 0; k < 4; ++k) addVertex(m, quads[q][k], uv[k][0], uv[k][1]);
    m.triangles.push_back({first, first + 1, first + 2, 0, 0});
    m.triangles.push_back({first, first + 2, first + 3, 0, 0});
  }
  return m;
}

int reachedCount(const AnchorRollout& r) {
  int n = 0;
  for (const uint8_t x : r.reached) n += x;
  return n;
}

TEST(SamplePattern, OneTileIsOneImageWidthBothWays) {
  const PatternState p = patternOf(4, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) {
      const double s = (x + 0.5) / 4, t = (y + 0.5) / 4;
      const uint32_t texel = p.image.pixels.at(x, y);
      EXPECT_EQ(rounded(samplePattern(p, s, t, false, false)), texel);
      // The image repeats every tile across and every half tile down (it is half as high).
      EXPECT_EQ(rounded(samplePattern(p, s - 3, t, false, false)), texel);
      EXPECT_EQ(rounded(samplePattern(p, s, t + 1.5, false, false)), texel);
    }
  // With centre, (0, 0) is the middle of the image: between its four middle texels.
  const auto mid = samplePattern(p, 0, 0, true, false);
  EXPECT_DOUBLE_EQ(mid[0], (50 + 90) / 2.0);
  EXPECT_DOUBLE_EQ(mid[1], (20 + 80) / 2.0);
}

TEST(SamplePattern, AWholeTileOfOffsetMovesByTheTilesOwnSideInEveryTurn) {
  // 2 wide, 3 high: a whole tile down is 1.5 widths, which moving by widths would miss.
  for (int rotate = 0; rotate < 4; ++rotate) {
    SCOPED_TRACE(rotate);
    PatternState plain = patternOf(2, 3);
    plain.rotate = static_cast<PatternTurn>(rotate);
    for (const auto& [ox, oy] : {std::pair{1.0, 0.0}, {0.0, 1.0}, {-1.0, 1.0}}) {
      PatternState moved = plain;
      moved.offsetX = ox;
      moved.offsetY = oy;
      for (const double s : {0.1, 0.37, 0.8})
        for (const double t : {0.05, 0.6})
          EXPECT_EQ(rounded(samplePattern(moved, s, t, false, false)),
                    rounded(samplePattern(plain, s, t, false, false)));
    }
    // Half a tile does move it.
    PatternState half = plain;
    half.offsetX = 0.5;
    EXPECT_NE(rounded(samplePattern(half, 0.1, 0.05, false, false)),
              rounded(samplePattern(plain, 0.1, 0.05, false, false)));
  }
}

TEST(PatternSwatch, GreyFrameAroundTheTileTurnedLikeThePattern) {
  EXPECT_EQ(patternSwatch(PatternState{}), Image(24, 24, rgba(128, 128, 128, 0)));
  PatternState p = patternOf(3, 2);
  p.offsetX = 0.3;  // the swatch shows the tile, not where it lies
  const Image upright = patternSwatch(p);
  for (int i = 0; i < 24; ++i)
    for (const auto& [x, y] : {std::pair{i, 0}, {i, 23}, {0, i}, {23, i}})
      EXPECT_EQ(upright.at(x, y), rgba(128, 128, 128, 0));
  p.offsetX = 0;
  EXPECT_EQ(patternSwatch(p), upright);
  p.rotate = PatternTurn::half;
  const Image turned = patternSwatch(p);
  EXPECT_NE(turned, upright);
  // Point-mirrored, up to the rounding of a channel.
  for (int y = 1; y < 23; ++y)
    for (int x = 1; x < 23; ++x)
      for (int shift = 0; shift < 24; shift += 8)
        EXPECT_NEAR(turned.at(x, y) >> shift & 0xFF, upright.at(23 - x, 23 - y) >> shift & 0xFF, 1);
}

TEST(CornerNormals, KeepCubeEdgesSharpAndSmoothASphere) {
  const Model cube = modelOf(genCube());
  NeighbourTables tables;
  buildNeighbours(tables, cube);
  CornerNormals normals;
  buildCornerNormals(normals, cube, tables);
  ASSERT_TRUE(normals.builtFor(cube));
  for (size_t t = 0; t < 12; ++t)
    for (size_t k = 0; k < 3; ++k) {
      const Vec3 n = normals.normals[3 * t + k];
      EXPECT_NEAR(dot(n, tables.triNormal[t]), 1, 1e-12) << t;
    }

  const Model sphere = modelOf(genSphere(24, 12));
  buildNeighbours(tables, sphere);
  buildCornerNormals(normals, sphere, tables);
  double worstFace = 1, worstCorner = 1;
  for (size_t t = 0; t < sphere.triangles.size(); ++t)
    for (int k = 0; k < 3; ++k) {
      const Vec3 p = positionOf(sphere.vertices[static_cast<size_t>(sphere.triangles[t].corner(k))]);
      const Vec3 radial = (1 / length(p)) * p;
      const Vec3 n = normals.normals[3 * t + static_cast<size_t>(k)];
      EXPECT_NEAR(length(n), 1, 1e-12);
      worstCorner = std::min(worstCorner, dot(n, radial));
      worstFace = std::min(worstFace, dot(tables.triNormal[t], radial));
    }
  // The corners point along the radius, much closer than the faces do.
  EXPECT_GT(worstCorner, 0.998);
  EXPECT_LT(worstFace, 0.99);
}

struct Mapped {
  Model model;
  PatternState pattern;
  NeighbourTables tables;
  PatternCaches caches;
  explicit Mapped(Model m, PatternState p) : model(std::move(m)), pattern(std::move(p)) {
    preparePattern(caches, tables, model, pattern);
  }
  PatternPaint paint(uint32_t brush = 0) const { return {model, pattern, caches, brush}; }
};

TEST(Triplanar, EachCubeFaceShowsOneProjectionUnblended) {
  const double tile = 0.7;
  const Mapped cube(modelOf(genCube()), patternOf(3, 2, tile));
  // Per face (triangles 2f and 2f + 1): the point (s, t) it samples, seen from outside with
  // the image upright on the sides.
  const struct {
    const char* name;
    Vec2 (*st)(Vec3);
  } faces[] = {
      {"+x", [](Vec3 p) { return Vec2{-p.z, -p.y}; }}, {"-x", [](Vec3 p) { return Vec2{p.z, -p.y}; }},
      {"+y", [](Vec3 p) { return Vec2{p.x, p.z}; }},   {"-y", [](Vec3 p) { return Vec2{-p.x, p.z}; }},
      {"+z", [](Vec3 p) { return Vec2{p.x, -p.y}; }},  {"-z", [](Vec3 p) { return Vec2{-p.x, -p.y}; }},
  };
  for (int f = 0; f < 6; ++f) {
    SCOPED_TRACE(faces[f].name);
    for (const int64_t t : {2 * f, 2 * f + 1}) {
      const Vec3 p = pointOn(cube.model, t, 0.2, 0.3);
      const Vec2 st = faces[f].st(p);
      EXPECT_EQ(patternColourAt(cube.paint(), t, 0.2, 0.3, 0.5),
                rounded(samplePattern(cube.pattern, st.x / tile, st.y / tile, false, false)));
    }
  }
}

TEST(Triplanar, SlopedFacetsBlendTwoProjectionsAndTheTileSetsTheScale) {
  // Facets facing (1, 1, 0) and (0.6, 0.8, 0): the X and Y projections weighed by the fourth
  // powers of the normal's parts, which the 45-degree facet alone cannot tell from squares.
  const struct {
    const char* name;
    Vec3 corner0, corner1;  // the third corner is corner1 + (0, 0, 1)
    double weightX, weightY;
  } facets[] = {
      {"x + y = 1", {1, 0, 0}, {0, 1, 0}, 0.25, 0.25},
      {"3x + 4y = 12", {4, 0, 0}, {0, 3, 0}, 0.1296, 0.4096},
  };
  for (const auto& f : facets) {
    SCOPED_TRACE(f.name);
    Model facet;
    for (const Vec3 p : {f.corner0, f.corner1, f.corner1 + Vec3{0, 0, 1}}) addVertex(facet, p);
    facet.triangles.push_back({0, 1, 2, 0, 0});
    const Mapped m(facet, patternOf(3, 2, 0.45));
    const Vec3 p = pointOn(m.model, 0, 0.5, 0.25);
    const auto x = samplePattern(m.pattern, -p.z / 0.45, -p.y / 0.45, false, false);
    const auto y = samplePattern(m.pattern, p.x / 0.45, p.z / 0.45, false, false);
    const double wx = f.weightX / (f.weightX + f.weightY), wy = 1 - wx;
    EXPECT_EQ(patternColourAt(m.paint(), 0, 0.5, 0.25, 0.25),
              rounded({wx * x[0] + wy * y[0], wx * x[1] + wy * y[1], wx * x[2] + wy * y[2]}));
  }

  // 100 cm: the pattern repeats every model unit along a face; tinted by the brush colour.
  Model wall;
  for (const Vec3 p : {Vec3{-3, -1, 0}, Vec3{3, -1, 0}, Vec3{3, 1, 0}}) addVertex(wall, p);
  wall.triangles.push_back({0, 1, 2, 0, 0});
  Mapped w(wall, patternOf(4, 2, 1.0));
  const auto colourAtX = [&](double px, uint32_t brush = 0) {
    // The point (px, -0.5, 0) as weights of the corners.
    const double b2 = 0.25, b1 = (px + 3 - 6 * b2) / 6;
    return patternColourAt(w.paint(brush), 0, 1 - b1 - b2, b1, b2);
  };
  EXPECT_EQ(colourAtX(-1.3), colourAtX(0.7));
  EXPECT_EQ(colourAtX(-1.3), colourAtX(1.7));
  EXPECT_NE(colourAtX(-1.3), colourAtX(-0.8));
  const uint32_t plain = colourAtX(0.7);
  w.pattern.tint = true;
  const uint32_t tinted = colourAtX(0.7, rgba(255, 0, 128, 0));
  EXPECT_EQ(tinted & 0xFF, plain & 0xFF);
  EXPECT_EQ(tinted >> 8 & 0xFF, 0u);
  EXPECT_NEAR(static_cast<double>(tinted >> 16 & 0xFF), (plain >> 16 & 0xFF) * 128 / 255.0, 1);
}

// The anchor in the middle of the hinge's first square, up pointing away from the hinge.
Anchor hingeAnchor() { return {.face = 0, .b0 = 0.25, .b1 = 0.25, .up = {0, 0, -1}, .right = {1, 0, 0}}; }

TEST(AnchorRollout, RollsOverGentleBendsAndStopsAtSharpOnes) {
  const struct {
    const char* name;
    Model model;
    Anchor anchor;
    int reached;
  } cases[] = {
      {"flat hinge", hinge(0), hingeAnchor(), 4},
      {"60 degrees", hinge(60), hingeAnchor(), 4},
      {"75 degrees", hinge(75), hingeAnchor(), 2},
      {"cube face", modelOf(genCube()), {.face = 8, .b0 = 0.3, .b1 = 0.3, .up = {0, 1, 0}, .right = {1, 0, 0}}, 2},
      // 10-degree facets all round, but not over the 90-degree rims onto the ends.
      {"cylinder side", modelOf(genCylinder(36)), {.face = 0, .b0 = 0.3, .b1 = 0.3, .up = {0, 1, 0}, .right = {1, 0, 0}}, 72},
      {"outside the model", hinge(0), {.face = 4, .b0 = 0, .b1 = 0, .up = {}, .right = {}}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    NeighbourTables tables;
    buildNeighbours(tables, c.model);
    AnchorRollout rollout;
    buildAnchorRollout(rollout, c.model, tables, c.anchor);
    EXPECT_EQ(reachedCount(rollout), c.reached);
    EXPECT_TRUE(rollout.builtFor(c.model, c.anchor));
  }
}

TEST(AnchorRollout, UnfoldsWithoutStretching) {
  // A flat grid comes out as it lies; over a bend, the far edge lies one unit beyond the hinge.
  const Model grid = modelOf(genGrid(5, 4, 0.5f));
  NeighbourTables tables;
  buildNeighbours(tables, grid);
  const Anchor onGrid{.face = 13, .b0 = 0.2, .b1 = 0.5, .up = {0, 0, -1}, .right = {1, 0, 0}};
  AnchorRollout rollout;
  buildAnchorRollout(rollout, grid, tables, onGrid);
  ASSERT_EQ(reachedCount(rollout), 40);
  const Vec3 a = pointOn(grid, 13, 0.2, 0.5);
  for (size_t t = 0; t < grid.triangles.size(); ++t)
    for (int k = 0; k < 3; ++k) {
      const Vec3 p = positionOf(grid.vertices[static_cast<size_t>(grid.triangles[t].corner(k))]);
      EXPECT_NEAR(rollout.corners[3 * t + static_cast<size_t>(k)].x, p.x - a.x, 1e-6);
      EXPECT_NEAR(rollout.corners[3 * t + static_cast<size_t>(k)].y, p.z - a.z, 1e-6);
    }

  const Model bent = hinge(60);
  buildNeighbours(tables, bent);
  buildAnchorRollout(rollout, bent, tables, hingeAnchor());
  const Vec3 h = pointOn(bent, 0, 0.25, 0.25);
  // Triangle 2's first corner is the far corner (0, sin 60, cos 60).
  EXPECT_NEAR(rollout.corners[6].x, -h.x, 1e-6);
  EXPECT_NEAR(rollout.corners[6].y, 1 - h.z, 1e-6);
}

TEST(AnchorRollout, TheAnchorSitsOnTheImagesMiddleAndUnreachedTrianglesAreLeftAlone) {
  const Model bent = hinge(75);
  PatternState pattern = patternOf(4, 2, 0.5);
  pattern.mapping = PatternMapping::anchor;
  storeAnchor(pattern, hingeAnchor());
  const Mapped m(bent, pattern);
  const uint32_t brush = rgba(1, 2, 3, 0);
  EXPECT_EQ(patternColourAt(m.paint(brush), 0, 0.25, 0.25, 0.5),
            rounded(samplePattern(m.pattern, 0, 0, true, false)));
  EXPECT_TRUE(rolloutCovers(m.paint(), 1));
  EXPECT_FALSE(rolloutCovers(m.paint(), 2));
  EXPECT_EQ(patternColourAt(m.paint(brush), 2, 0.3, 0.3, 0.4), brush);

  // The fill's pattern painter: the reached square gets the pattern, the other stays.
  constexpr int64_t side = 32;
  std::vector<uint32_t> pixels(side * side, rgba(255, 255, 255, 0)), base = pixels;
  std::vector<uint8_t> mask(side * side, 0);
  for (int64_t t = 0; t < 4; ++t)
    paintTrianglePattern(m.paint(brush), pixels, side, side, {base, mask}, t, 255);
  const auto at = [&](int64_t x, int64_t y) { return pixels[static_cast<size_t>(y * side + x)]; };
  EXPECT_NE(at(8, 16), rgba(255, 255, 255, 0));
  EXPECT_EQ(at(24, 16), rgba(255, 255, 255, 0));
  // Without an up-to-date roll-out (another model of the same size, say) nothing is covered.
  const Model copy = bent;
  const PatternPaint elsewhere{copy, m.pattern, m.caches, brush};
  EXPECT_FALSE(rolloutCovers(elsewhere, 0));
}

TEST(SetAnchor, TheClickedPointWithTheScreensUpAndRightOnTheSurface) {
  // A square facing the camera, seen straight on at distance 4 in a 100 x 100 view.
  Model square;
  for (const Vec3 p : {Vec3{-1, -1, 0}, Vec3{1, -1, 0}, Vec3{1, 1, 0}, Vec3{-1, 1, 0}}) addVertex(square, p);
  square.triangles.push_back({0, 1, 2, 0, 0});
  square.triangles.push_back({0, 2, 3, 0, 0});
  View3D view;
  RenderInputs in;
  in.camera.dist = 4;
  renderView(view, 100, 100, square, in);

  PatternState pattern;
  PatternCaches caches;
  NeighbourTables tables;
  EXPECT_FALSE(setAnchor(pattern, caches, tables, square, view, 0, 0, 2, 2));  // the background
  EXPECT_EQ(pattern, PatternState{});

  ASSERT_TRUE(setAnchor(pattern, caches, tables, square, view, 0, 0, 62, 40));
  const Anchor a = anchorOf(pattern);
  // The pixel centre (62.5, 40.5) is where the eye ray meets the square.
  const Vec3 hit = pointOn(square, a.face, a.b0, a.b1);
  EXPECT_NEAR(hit.x, 12.5 * 4 / view.viewFocal, 1e-9);
  EXPECT_NEAR(hit.y, 9.5 * 4 / view.viewFocal, 1e-9);
  EXPECT_NEAR(hit.z, 0, 1e-9);
  EXPECT_EQ(a.up, (Vec3{0, 1, 0}));
  EXPECT_EQ(a.right, (Vec3{1, 0, 0}));
  EXPECT_EQ(reachedCount(caches.rollout), 2);
  EXPECT_TRUE(caches.rollout.builtFor(square, a));
}

}  // namespace
