#include <gtest/gtest.h>

#include <cctype>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <set>

#include "tests/unwrap_checks.h"
#include "unwrap/exact.h"
#include "unwrap/pack.h"
#include "unwrap/surfaces.h"
#include "unwrap/unwrap.h"
#include "unwrap/weld.h"

namespace {

// A cube of six faces, each split into two triangles, with no shared vertices between faces.
Model splitCube() { return modelOf(genCube()); }

double distance3(const Vertex& a, const Vertex& b) {
  return std::sqrt(double(a.x - b.x) * (a.x - b.x) + double(a.y - b.y) * (a.y - b.y) +
                   double(a.z - b.z) * (a.z - b.z));
}

TEST(Geometry, OverlapTests) {
  const double eps = 1e-9;
  const Vec2 base[3] = {{0, 0}, {1, 0}, {0, 1}};
  struct Case {
    const char* name;
    Vec2 other[3];
    bool overlap;
  };
  const Case cases[] = {
      {"shares an edge", {{1, 0}, {1, 1}, {0, 1}}, false},
      {"shares a corner", {{1, 0}, {2, 0}, {2, 1}}, false},
      {"apart", {{2, 2}, {3, 2}, {2, 3}}, false},
      {"edges cross", {{0.5, -0.5}, {0.5, 0.5}, {-0.5, 0.5}}, true},
      {"inside", {{0.1, 0.1}, {0.3, 0.1}, {0.1, 0.3}}, true},
      {"same triangle", {{0, 0}, {1, 0}, {0, 1}}, true},
      {"mirrored over the shared edge, reversed winding", {{1, 0}, {0, 1}, {1, 1}}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(trianglesOverlap(base, c.other, eps), c.overlap) << c.name;
    EXPECT_EQ(trianglesOverlap(c.other, base, eps), c.overlap) << c.name;
  }
  EXPECT_GT(orient2d({0, 0}, {1, 0}, {0, 1}), 0);
  EXPECT_FALSE(segmentsCross({0, 0}, {1, 0}, {0.5, 0}, {0.5, 1}, eps));  // T-junction touches
  EXPECT_TRUE(segmentsCross({0, 0}, {1, 1}, {0, 1}, {1, 0}, eps));
}

TEST(Weld, PositionsWeldByCellAndEdgesListNewestFirst) {
  Model m;
  modelAddVertex(m, 0, 0, 0, 0, 0);
  modelAddVertex(m, 0.00004f, 0, 0, 0, 0);  // same 0.0001 cell as the origin
  modelAddVertex(m, 0.00006f, 0, 0, 0, 0);  // across the cell border at 0.00005
  modelAddVertex(m, 1, 0, 0, 0, 0);
  modelAddVertex(m, 0, 1, 0, 0, 0);
  modelAddTriangle(m, 0, 3, 4, 0, 0);
  modelAddTriangle(m, 1, 4, 3, 0, 0);  // shares the edge 3-4 with the first triangle
  modelAddTriangle(m, 0, 1, 4, 0, 0);  // two corners weld: degenerate
  m.materialNames = {"M"};
  const WeldData w = weldModel(m);
  EXPECT_EQ(w.positionId, (std::vector<int32_t>{0, 0, 1, 2, 3}));
  EXPECT_EQ(w.degenerate, (std::vector<uint8_t>{0, 0, 1}));
  EXPECT_EQ(w.edgeId[1], w.edgeId[4]);          // edge 3-4 numbered once
  EXPECT_EQ(w.edgeHead[w.edgeId[1]], 4);        // newest corner first
  EXPECT_EQ(w.edgeNext[4], 1);
  EXPECT_EQ(w.edgeNext[1], -1);
  EXPECT_NEAR(w.area[0], 0.5, 1e-12);
  EXPECT_EQ(w.areaOrder.front(), 0);
}

TEST(Exact, SplitCubeGivesSixPiecesAtEveryAngle) {
  const Model cube = splitCube();
  const WeldData w = weldModel(cube);
  for (int angle : {1, 40, 89}) {
    const PieceLayout layout = segmentExact(cube, w, angle);
    EXPECT_EQ(layout.pieceCount, 6) << angle;
    std::map<int32_t, int> sizes;
    for (int32_t p : layout.pieceOf) ++sizes[p];
    for (const auto& [piece, size] : sizes) EXPECT_EQ(size, 2) << angle;
  }
}

// Every laid-out edge keeps its 3D length, and a flat grid stays one piece.
TEST(Exact, UnfoldingKeepsLengths) {
  struct Case {
    const char* name;
    GenMesh mesh;
    int angle;
    int64_t pieces;
  };
  const Case cases[] = {
      {"flat grid", genGrid(12, 7), 40, 1},
      {"open tube, facets 30 degrees apart", genTube(12, 3), 40, 1},
  };
  for (const Case& c : cases) {
    const Model m = modelOf(c.mesh);
    const WeldData w = weldModel(m);
    const PieceLayout layout = segmentExact(m, w, c.angle);
    EXPECT_EQ(layout.pieceCount, c.pieces) << c.name;
    for (size_t t = 0; t < m.triangles.size(); ++t) {
      const Triangle& tri = m.triangles[t];
      const int32_t v[3] = {tri.cornerA, tri.cornerB, tri.cornerC};
      for (int k = 0; k < 3; ++k) {
        const Vec2 d = layout.corner[3 * t + (k + 1) % 3] - layout.corner[3 * t + k];
        EXPECT_NEAR(std::sqrt(d.x * d.x + d.y * d.y), distance3(m.vertices[v[k]], m.vertices[v[(k + 1) % 3]]),
                    1e-5)
            << c.name << " triangle " << t;
      }
    }
  }
}

// The index over laid-out triangles only saves work: one cell holding every triangle (so every
// candidate meets every laid-out triangle) gives the same pieces and layout.
TEST(Exact, GridIndexGivesTheSameDecisions) {
  for (const GenMesh& mesh : {genSphere(24, 16), genHemisphere(20, 10), genTwoObjects(), genTube(16, 8)}) {
    const Model m = modelOf(mesh);
    const WeldData w = weldModel(m);
    for (int angle : {20, 60, 89}) {
      const PieceLayout fast = segmentExact(m, w, angle);
      const PieceLayout everything = segmentExact(m, w, angle, 1e9);
      EXPECT_EQ(fast.pieceOf, everything.pieceOf) << angle;
      for (size_t i = 0; i < fast.corner.size(); ++i) {
        ASSERT_EQ(fast.corner[i].x, everything.corner[i].x);
        ASSERT_EQ(fast.corner[i].y, everything.corner[i].y);
      }
    }
  }
}

// Lying pieces turn to the smallest box among their edge directions: the same choice as trying
// every edge direction against every corner.
TEST(Pack, LyingPieceOrientationMatchesTheFullSearch) {
  int lying = 0;
  for (const GenMesh& mesh : {genGrid(9, 5), genCylinder(7), genCube(), genHemisphere(10, 4)}) {
    const Model m = modelOf(mesh);
    const WeldData w = weldModel(m);
    const PieceLayout before = segmentExact(m, w, 89);
    PieceLayout after = before;
    Pieces pieces = groupPieces(after, w);
    orientPieces(w, after, pieces, RotateMode::lyingOnly);
    for (int p = 0; p < int(pieces.boxes.size()); ++p) {
      if (!pieces.mayTurn[p]) continue;  // standing pieces are turned upright instead
      ++lying;
      std::vector<Vec2> corners;
      for (int32_t i = pieces.firstTriangle[p]; i < pieces.firstTriangle[p + 1]; ++i)
        for (int k = 0; k < 3; ++k) corners.push_back(before.corner[3 * pieces.triangles[i] + k]);
      double best = -1, bx = 1, by = 0;
      for (size_t e = 0; e < corners.size(); ++e) {
        const Vec2 d = corners[e - e % 3 + (e + 1) % 3] - corners[e];
        const double len = std::hypot(d.x, d.y);
        if (!(len > 0)) continue;
        const double ex = d.x / len, ey = d.y / len;
        double a0 = 1e300, a1 = -1e300, b0 = 1e300, b1 = -1e300;
        for (const Vec2& q : corners) {
          a0 = std::min(a0, ex * q.x + ey * q.y);
          a1 = std::max(a1, ex * q.x + ey * q.y);
          b0 = std::min(b0, -ey * q.x + ex * q.y);
          b1 = std::max(b1, -ey * q.x + ex * q.y);
        }
        const double area = (a1 - a0) * (b1 - b0);
        if (best < 0 || area < best - 1e-12) best = area, bx = ex, by = ey;
      }
      // The chosen direction becomes +u: check through one corner pair.
      const int32_t t = pieces.triangles[pieces.firstTriangle[p]];
      const Vec2 d0 = before.corner[3 * t + 1] - before.corner[3 * t];
      const Vec2 d1 = after.corner[3 * t + 1] - after.corner[3 * t];
      EXPECT_NEAR(d1.x, bx * d0.x + by * d0.y, 1e-12);
      EXPECT_NEAR(d1.y, -by * d0.x + bx * d0.y, 1e-12);
      EXPECT_NEAR(pieces.boxes[p].width * pieces.boxes[p].height, best, 1e-9);
    }
  }
  EXPECT_GE(lying, 5);
}

// Two flat triangles on a shared edge of length 49, where (1 / 49) * 49 is not 1 in doubles:
// the neighbour's free corner must land exactly where its 3D shape puts it, (20, -10), or
// later ties (piece order, turns) can flip.
TEST(Exact, UnfoldedCornerIsExactAlongALongEdge) {
  Model m;
  for (const auto& p : {Vec3{0, 0, 0}, Vec3{49, 0, 0}, Vec3{20, 0, -11}, Vec3{20, 0, 10}})
    modelAddVertex(m, float(p.x), float(p.y), float(p.z), 0, 0);
  modelAddTriangle(m, 0, 1, 2, 0, 0);  // the larger one: the seed
  modelAddTriangle(m, 1, 0, 3, 0, 0);
  const PieceLayout layout = segmentExact(m, weldModel(m), 40);
  ASSERT_EQ(layout.pieceCount, 1);
  EXPECT_EQ(layout.corner[3].x, 49);
  EXPECT_EQ(layout.corner[4].x, 0);
  EXPECT_EQ(layout.corner[5].x, 20);
  EXPECT_EQ(layout.corner[5].y, -10);
}

TEST(Exact, AngleLimitSeparatesFacets) {
  const Model tube = modelOf(genTube(12, 1));  // neighbouring facets 30 degrees apart
  const WeldData w = weldModel(tube);
  EXPECT_EQ(segmentExact(tube, w, 31).pieceCount, 1);
  EXPECT_EQ(segmentExact(tube, w, 29).pieceCount, 12);
}

TEST(Pack, TurnInBox) {
  const double w = 4, h = 2;
  const Vec2 expected[4] = {{1, 0.5}, {1.5, 1}, {3, 1.5}, {0.5, 3}};
  for (int turn = 0; turn < 4; ++turn) {
    const Vec2 q = turnInBox(1, 0.5, w, h, turn);
    EXPECT_DOUBLE_EQ(q.x, expected[turn].x) << turn;
    EXPECT_DOUBLE_EQ(q.y, expected[turn].y) << turn;
  }
}

TEST(Pack, ShelfPutsASingleSquareAtTheMargin) {
  std::vector<PieceBox> boxes(1);
  boxes[0].width = boxes[0].height = 2;
  const double scale = shelfScale(boxes, {0}, 256, 256, 8);
  EXPECT_NEAR(scale, (256 - 16) / 2.0, 1e-9);
  EXPECT_LE(8 + 2 * scale + 8, 256);
  EXPECT_EQ(boxes[0].x, 8);
  EXPECT_EQ(boxes[0].y, 8);
}

TEST(Pack, RasterCellAndPad) {
  // A 2 x 2 square at scale 10 on a 256 texture: cells of one pixel, 20 + 2 pad + 2 columns.
  PieceLayout layout;
  layout.pieceOf = {0, 0};
  layout.corner = {{0, 0}, {2, 0}, {2, 2}, {0, 0}, {2, 2}, {0, 2}};
  layout.pieceCount = 1;
  Pieces pieces;
  pieces.boxes = {PieceBox{2, 2, 0, 0, 0}};
  pieces.mayTurn = {0};
  pieces.area = {4};
  pieces.firstTriangle = {0, 2};
  pieces.triangles = {0, 1};
  const PieceRaster noPad = rasterizePiece(pieces, layout, 0, 0, 0, 10, 1);
  EXPECT_EQ(noPad.cols, 22);
  EXPECT_EQ(noPad.bottom[0], 0);
  EXPECT_EQ(noPad.tmax, 20);  // the cell holding the top edge counts as filled
  EXPECT_EQ(noPad.bottom[21], -1);
  const PieceRaster padded = rasterizePiece(pieces, layout, 0, 0, 1, 10, 1);
  EXPECT_EQ(padded.cols, 24);
  EXPECT_EQ(padded.bottom[0], 0);
  EXPECT_EQ(padded.tmax, 22);
  // margin 1 with one-pixel cells gives a pad of one cell: the piece sits one pixel in.
  RasterCache cache;
  ASSERT_TRUE(skylinePack(pieces, layout, {0}, 256, 256, 10, 1, 1, cache));
  EXPECT_EQ(pieces.boxes[0].x, 1);
  EXPECT_EQ(pieces.boxes[0].y, 1);
}

// The raster outline as a full grid: every cell tested, then grown by pad along rows and then
// along columns. The packer's column-profile version must agree with it exactly.
PieceRaster referenceRaster(const Pieces& pieces, const PieceLayout& layout, int piece, int turn,
                            int pad, double scale, double cell) {
  const PieceBox& box = pieces.boxes[piece];
  const bool quarter = turn == 1 || turn == 3;
  const int cols = int(scale * (quarter ? box.height : box.width) / cell) + 2 * pad + 2;
  const int rows = int(scale * (quarter ? box.width : box.height) / cell) + 2 * pad + 2;
  std::vector<uint8_t> grid(size_t(cols) * rows, 0), wide(grid.size(), 0);
  for (int32_t i = pieces.firstTriangle[piece]; i < pieces.firstTriangle[piece + 1]; ++i) {
    const int32_t t = pieces.triangles[i];
    Vec2 c[3];
    for (int k = 0; k < 3; ++k) {
      const Vec2 q = turnInBox(layout.corner[3 * t + k].x, layout.corner[3 * t + k].y, box.width,
                               box.height, turn);
      c[k] = {pad + q.x * scale / cell, pad + q.y * scale / cell};
    }
    const double s = orient2d(c[0], c[1], c[2]) < 0 ? -1 : 1;
    auto len = [](Vec2 a, Vec2 b) { return std::hypot(a.x - b.x, a.y - b.y) + 1e-12; };
    // Only the cells under the triangle's bounding box are tested.
    auto cellOf = [](double v, int n) { return std::clamp(int(v), 0, n - 1); };
    const int i0 = cellOf(std::min({c[0].x, c[1].x, c[2].x}), cols), i1 = cellOf(std::max({c[0].x, c[1].x, c[2].x}), cols);
    const int j0 = cellOf(std::min({c[0].y, c[1].y, c[2].y}), rows), j1 = cellOf(std::max({c[0].y, c[1].y, c[2].y}), rows);
    for (int j = j0; j <= j1; ++j)
      for (int i2 = i0; i2 <= i1; ++i2) {
        const Vec2 m{i2 + 0.5, j + 0.5};
        if (s * orient2d(c[1], c[2], m) / len(c[2], c[1]) >= -0.71 &&
            s * orient2d(c[2], c[0], m) / len(c[0], c[2]) >= -0.71 &&
            s * orient2d(c[0], c[1], m) / len(c[1], c[0]) >= -0.71)
          grid[size_t(j) * cols + i2] = 1;
      }
  }
  for (int j = 0; j < rows; ++j)
    for (int i2 = 0; i2 < cols; ++i2)
      if (grid[size_t(j) * cols + i2])
        for (int x = std::max(0, i2 - pad); x <= std::min(cols - 1, i2 + pad); ++x) wide[size_t(j) * cols + x] = 1;
  if (pad > 0) std::fill(grid.begin(), grid.end(), 0);
  for (int j = 0; j < rows; ++j)
    for (int i2 = 0; i2 < cols; ++i2)
      if (wide[size_t(j) * cols + i2])
        for (int y = std::max(0, j - pad); y <= std::min(rows - 1, j + pad); ++y) grid[size_t(y) * cols + i2] = 1;
  PieceRaster r;
  r.cols = cols;
  r.bottom.assign(cols, -1);
  r.top.assign(cols, -1);
  for (int i2 = 0; i2 < cols; ++i2)
    for (int j = 0; j < rows; ++j)
      if (grid[size_t(j) * cols + i2]) {
        if (r.bottom[i2] < 0) r.bottom[i2] = j;
        r.top[i2] = j;
        r.tmax = std::max(r.tmax, j);
      }
  return r;
}

TEST(Pack, RasterOutlineMatchesTheFullGrid) {
  for (const GenMesh& mesh : {genSphere(12, 8), genLHexagon(), genCylinder(9), genGrid(6, 3)}) {
    const Model m = modelOf(mesh);
    const WeldData w = weldModel(m);
    PieceLayout layout = segmentExact(m, w, 40);
    Pieces pieces = groupPieces(layout, w);
    orientPieces(w, layout, pieces, RotateMode::all);
    for (int piece = 0; piece < int(pieces.boxes.size()); ++piece)
      for (int turn = 0; turn < 4; ++turn)
        for (int pad : {0, 1, 3})
          for (double scale : {3.0, 17.3, 41.0}) {
            const PieceRaster want = referenceRaster(pieces, layout, piece, turn, pad, scale, 1.7);
            const PieceRaster got = rasterizePiece(pieces, layout, piece, turn, pad, scale, 1.7);
            ASSERT_EQ(got.cols, want.cols);
            ASSERT_EQ(got.bottom, want.bottom) << piece << " " << turn << " " << pad << " " << scale;
            ASSERT_EQ(got.top, want.top) << piece << " " << turn << " " << pad << " " << scale;
            ASSERT_EQ(got.tmax, want.tmax);
          }
  }
}

// A piece large enough to be rasterised in two halves on two threads gives the outline of one
// thread, at every turn and pad.
TEST(Pack, SplitRasterMatchesOneThread) {
  const Model m = modelOf(genGrid(50, 50));  // 5 000 triangles, one flat piece
  const WeldData w = weldModel(m);
  PieceLayout layout = segmentExact(m, w, 40);
  Pieces pieces = groupPieces(layout, w);
  orientPieces(w, layout, pieces, RotateMode::all);
  ASSERT_EQ(pieces.boxes.size(), 1u);
  SecondThread helper;
  for (int turn = 0; turn < 4; ++turn)
    for (int pad : {0, 2}) {
      const PieceRaster one = rasterizePiece(pieces, layout, 0, turn, pad, 60, 1.3);
      const PieceRaster two = rasterizePiece(pieces, layout, 0, turn, pad, 60, 1.3, &helper);
      ASSERT_EQ(two.cols, one.cols);
      ASSERT_EQ(two.bottom, one.bottom) << turn << " " << pad;
      ASSERT_EQ(two.top, one.top) << turn << " " << pad;
      ASSERT_EQ(two.tmax, one.tmax);
    }
}

// Properties every layout must have, exact and smooth, over a table of generated models.
// Squared distance from p to the segment ab.
double segmentDistance2(Vec2 p, Vec2 a, Vec2 b) {
  const Vec2 ab = b - a, ap = p - a;
  const double len2 = ab.x * ab.x + ab.y * ab.y;
  const double t = len2 > 0 ? std::clamp((ap.x * ab.x + ap.y * ab.y) / len2, 0.0, 1.0) : 0;
  const Vec2 d = ap - t * ab;
  return d.x * d.x + d.y * d.y;
}

// Distance between two triangles that do not overlap: the nearest corner-to-edge pair.
double triangleGap(const std::array<Vec2, 3>& a, const std::array<Vec2, 3>& b) {
  double d2 = std::numeric_limits<double>::infinity();
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 3; ++k) {
      d2 = std::min(d2, segmentDistance2(a[i], b[k], b[(k + 1) % 3]));
      d2 = std::min(d2, segmentDistance2(b[i], a[k], a[(k + 1) % 3]));
    }
  return std::sqrt(d2);
}

TEST(Pack, TightKeepsTheMarginOnRandomPieces) {
  std::mt19937 random(23);
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
  for (int round = 0; round < 12; ++round) {
    // Triangles, bars, L and C shapes (the C leaves a hole another piece may fill).
    PieceLayout layout;
    Pieces pieces;
    const int count = 3 + static_cast<int>(random() % 30);
    pieces.firstTriangle.push_back(0);
    for (int p = 0; p < count; ++p) {
      const double w = uniform(0.2, 3), h = uniform(0.2, 3), t = uniform(0.05, 0.5);
      std::vector<std::array<Vec2, 3>> tris;
      auto quad = [&](double x0, double y0, double x1, double y1) {
        tris.push_back({Vec2{x0, y0}, Vec2{x1, y0}, Vec2{x1, y1}});
        tris.push_back({Vec2{x0, y0}, Vec2{x1, y1}, Vec2{x0, y1}});
      };
      switch (random() % 4) {
        case 0: tris.push_back({Vec2{0, 0}, Vec2{w, uniform(0, h)}, Vec2{uniform(0, w), h}}); break;
        case 1: quad(0, 0, w, t); break;
        case 2: quad(0, 0, t, h); quad(t, 0, w, t); break;
        default: quad(0, 0, t, h); quad(t, 0, w, t); quad(t, h - t, w, h); break;
      }
      Bounds2 bounds;
      double area = 0;
      for (const auto& tri : tris)
        for (const Vec2& q : tri) bounds.add(q);
      for (const auto& tri : tris) {  // the box's corner at the origin, as oriented pieces have
        area += std::fabs(orient2d(tri[0], tri[1], tri[2])) / 2;
        for (const Vec2& q : tri) layout.corner.push_back(q - bounds.low);
        pieces.triangles.push_back(static_cast<int32_t>(layout.pieceOf.size()));
        layout.pieceOf.push_back(p);
      }
      pieces.boxes.push_back(PieceBox{bounds.width(), bounds.height(), 0, 0, 0});
      pieces.mayTurn.push_back(random() % 2);
      pieces.area.push_back(area);
      pieces.firstTriangle.push_back(static_cast<int32_t>(pieces.triangles.size()));
    }
    layout.pieceCount = count;
    const int side = 64 << (random() % 4), margin = static_cast<int>(random() % 9);
    const std::string name = "round " + std::to_string(round) + ", " + std::to_string(count) +
                             " pieces, " + std::to_string(side) + " margin " + std::to_string(margin);

    PieceLayout standardLayout = layout;
    Pieces standardPieces = pieces;
    const double standard = packPieces(standardLayout, standardPieces, side, side, margin).scale;
    const PackResult tight = packPieces(layout, pieces, side, side, margin, PackMode::tight);
    EXPECT_GE(tight.scale, standard) << name;
    ASSERT_GT(tight.scale, 0) << name;

    // Every corner where one scale and its piece's place put it, inside the texture with half
    // the margin at the border; pieces a margin apart.
    std::vector<std::array<Vec2, 3>> uv(layout.pieceOf.size());
    for (size_t t = 0; t < uv.size(); ++t) {
      const PieceBox& box = pieces.boxes[layout.pieceOf[t]];
      for (int k = 0; k < 3; ++k) {
        const Vec2 q = layout.corner[3 * t + k];
        uv[t][k] = {q.x * tight.scale + box.x, q.y * tight.scale + box.y};
        EXPECT_GE(std::min(uv[t][k].x, uv[t][k].y), margin / 2.0 - 1e-6) << name;
        EXPECT_LE(std::max(uv[t][k].x, uv[t][k].y), side - margin / 2.0 + 1e-6) << name;
      }
      // One scale for all: the corners keep their distances times the scale.
      const Vec2 before = standardLayout.corner[3 * t + 1] - standardLayout.corner[3 * t];
      const Vec2 after = uv[t][1] - uv[t][0];
      EXPECT_NEAR(std::hypot(after.x, after.y), std::hypot(before.x, before.y) * tight.scale, 1e-6)
          << name;
    }
    for (size_t a = 0; a < uv.size(); ++a)
      for (size_t b = a + 1; b < uv.size(); ++b) {
        if (layout.pieceOf[a] == layout.pieceOf[b]) continue;
        ASSERT_FALSE(trianglesOverlap(uv[a].data(), uv[b].data(), 1e-6)) << name << " " << a << " " << b;
        ASSERT_GE(triangleGap(uv[a], uv[b]), margin - 1e-6) << name << " " << a << " " << b;
      }
  }
}

TEST(Unwrap, LayoutProperties) {
  struct Case {
    const char* name;
    GenMesh mesh;
    int width, height, margin;
    RotateMode rotate;
  };
  const Case cases[] = {
      {"cube", genCube(), 256, 256, 4, RotateMode::lyingOnly},
      {"cylinder", genCylinder(16), 512, 256, 4, RotateMode::all},
      {"sphere", genSphere(16, 10), 512, 512, 2, RotateMode::lyingOnly},
      {"two objects", genTwoObjects(), 128, 512, 0, RotateMode::never},
      {"hemisphere", genHemisphere(12, 6), 1024, 1024, 16, RotateMode::all},
      {"tube", genTube(20, 6), 256, 512, 3, RotateMode::all},
  };
  for (const MapMode mode : {MapMode::exact, MapMode::smooth})
    for (const Case& c : cases) {
      const std::string name = std::string(c.name) + (mode == MapMode::smooth ? " smooth" : " exact");
      Model m = modelOf(c.mesh);
      const int64_t triangles = m.triangleCount();
      UnwrapSettings s;
      s.mapMode = mode;
      s.layoutWidth = c.width;
      s.layoutHeight = c.height;
      s.margin = c.margin;
      s.rotateMode = c.rotate;
      UnwrapStats stats;
      unwrapPieces(m, s, stats);
      ASSERT_EQ(m.triangleCount(), triangles);
      EXPECT_GT(stats.layoutScale, 0) << name;
      EXPECT_EQ(stats.foldedCount, 0) << name;
      if (mode == MapMode::exact) {
        EXPECT_EQ(stats.largestStretch, 1) << name;
      }
      expectSoundLayout(m, c.width, c.height, c.margin, name);
    }
}

// Tight packing gives generated models more texture than the standard packing (the figures
// are what it reaches today, so a loss shows): holes filled between many pieces, and long
// strips or one-piece spheres laid at a slant. A smooth cylinder's six pieces leave little to
// gain.
TEST(Unwrap, TightUsesMoreTexture) {
  struct Case {
    const char* name;
    GenMesh mesh;
    MapMode mode;
    double gain;
  };
  const Case cases[] = {
      {"sphere smooth", genSphere(48, 24), MapMode::smooth, 1.2},
      {"bulgy sphere smooth", genBulgySphere(80, 51), MapMode::smooth, 1.15},
      {"parts exact", genParts(), MapMode::exact, 1.12},
      {"parts smooth", genParts(), MapMode::smooth, 1.12},
      {"cylinder exact", genCylinder(32), MapMode::exact, 1.15},
      {"cylinder smooth", genCylinder(32), MapMode::smooth, 1.04},
      {"sphere exact", genSphere(48, 24), MapMode::exact, 1.3},
      {"bulgy sphere exact", genBulgySphere(80, 51), MapMode::exact, 1.14},
  };
  for (const Case& c : cases) {
    const Model source = modelOf(c.mesh);
    UnwrapSettings s;
    s.mapMode = c.mode;
    UnwrapStats standard, tight;
    Model m = source;
    unwrapPieces(m, s, standard);
    s.packMode = PackMode::tight;
    m = source;
    unwrapPieces(m, s, tight);
    EXPECT_GE(tight.textureUsed, c.gain * standard.textureUsed)
        << c.name << ": " << standard.textureUsed << " -> " << tight.textureUsed;
    expectSoundLayout(m, s.layoutWidth, s.layoutHeight, s.margin, c.name);
  }
}

// The tight search hears of stop requests at every piece it tries and reports its way
// through the trials; watching it changes nothing in what it lays out.
TEST(Unwrap, TightPackingIsWatchedAndStops) {
  const Model source = modelOf(genParts());
  UnwrapSettings s;
  s.packMode = PackMode::tight;
  Model unwatched = source;
  UnwrapStats plain;
  unwrapPieces(unwatched, s, plain);

  std::vector<double> packing;
  Progress listened([&](ProgressStage stage, double fraction) {
    if (stage == ProgressStage::packing) packing.push_back(fraction);
  });
  Model watched = source;
  UnwrapStats stats;
  unwrapPieces(watched, s, stats, &listened);
  EXPECT_EQ(stats, plain);
  EXPECT_EQ(watched, unwatched);
  ASSERT_EQ(watched.vertices.size(), unwatched.vertices.size());
  EXPECT_EQ(std::memcmp(watched.vertices.data(), unwatched.vertices.data(),
                        watched.vertices.size() * sizeof(Vertex)), 0);
  // Both passes of the search report, in order, many times each.
  EXPECT_TRUE(std::is_sorted(packing.begin(), packing.end()));
  EXPECT_GT(std::count_if(packing.begin(), packing.end(), [](double f) { return f > 0.2 && f < 0.6; }), 100);
  EXPECT_GT(packing.back(), 0.6);
  EXPECT_LE(packing.back(), 1);

  // A stop asked for during the search ends the unwrap at the next checkpoint.
  Progress* self = nullptr;
  int heardAfterStop = 0;
  Progress stopping([&](ProgressStage stage, double fraction) {
    if (self->cancelled()) ++heardAfterStop;
    if (stage == ProgressStage::packing && fraction > 0.3) self->cancel();
  });
  self = &stopping;
  Model stopped = source;
  EXPECT_THROW(unwrapPieces(stopped, s, stats, &stopping), WorkCancelled);
  EXPECT_EQ(heardAfterStop, 0);
}

TEST(Surfaces, NamesAndMerging) {
  Model cube = splitCube();
  cube.materialNames = {"AVeryLongMaterialName"};
  UnwrapSettings s;
  UnwrapStats stats;
  unwrapPieces(cube, s, stats);
  Model separate = cube;
  const int64_t apart = buildSurfaces(separate, false);
  const int64_t merged = buildSurfaces(cube, true);
  EXPECT_EQ(apart, 6);  // each face's corners carry their own UVs
  EXPECT_LT(merged, apart);
  EXPECT_EQ(separate.materialNames[0], "AVeryLongMa_001");
  EXPECT_EQ(separate.materialNames[5], "AVeryLongMa_006");
  // Two triangles that share a position with different UVs never share a Surface.
  const std::vector<int32_t> position = positionIds(cube);
  std::map<std::pair<int32_t, int32_t>, int32_t> uvVertex;
  for (const Triangle& t : cube.triangles)
    for (int32_t v : {t.cornerA, t.cornerB, t.cornerC}) {
      const auto [it, isNew] = uvVertex.try_emplace({t.material, position[v]}, v);
      if (!isNew) {
        EXPECT_EQ(cube.vertices[it->second].u, cube.vertices[v].u);
        EXPECT_EQ(cube.vertices[it->second].v, cube.vertices[v].v);
      }
    }
  Model empty;
  EXPECT_EQ(buildSurfaces(empty, true), 0);
}

// Triangles without area (two corners at one position) are left out of the export: they
// must not make Surfaces that hold nothing else, nor keep other triangles out of a Surface.
TEST(Surfaces, TrianglesWithoutAreaFormNoSurfaceOfTheirOwn) {
  GenMesh mesh = genGrid(2, 1);
  mesh.materialNames = {"Grid", "Dust"};
  // First in order, so that it would open the grid's first Surface with UVs of its own.
  mesh.faces.insert(mesh.faces.begin(), GenFace{{0, 0, 1}, 0, 0});
  mesh.faces.push_back(GenFace{{4, 5, 5}, 1, 0});  // the only triangle of its material
  for (const bool merge : {true, false}) {
    SCOPED_TRACE(merge ? "combined" : "apart");
    Model m = modelOf(mesh);
    ASSERT_EQ(m.triangleCount(), 6);
    UnwrapStats stats;
    unwrapPieces(m, UnwrapSettings{}, stats);
    ASSERT_EQ(stats.pieceCount, 3);  // the flat grid, and each triangle without area
    EXPECT_EQ(buildSurfaces(m, merge), 2);
    EXPECT_EQ(m.materialNames, (std::vector<std::string>{"Grid_001", "Dust_001"}));
    for (size_t t = 0; t < 5; ++t) EXPECT_EQ(m.triangles[t].material, 0) << t;
    EXPECT_EQ(m.triangles[5].material, 1);
  }
}

// Triangles apart from each other, `count` of each material in turn: each is a Surface of its
// own when nothing combines.
Model apartTriangles(const std::vector<std::pair<std::string, int>>& materials) {
  Model m;
  for (const auto& [name, count] : materials) {
    const auto material = static_cast<int32_t>(m.materialNames.size());
    m.materialNames.push_back(name);
    for (int i = 0; i < count; ++i) {
      const float x = static_cast<float>(m.vertices.size());
      const int32_t a = modelAddVertex(m, x, 0, 0, 0, 0);
      modelAddVertex(m, x + 1, 0, 0, 0, 0);
      modelAddVertex(m, x, 1, 0, 0, 0);
      modelAddTriangle(m, a, a + 1, a + 2, material, material);
    }
  }
  return m;
}

// A .3ds holds 15 characters of a material name and importers match names ignoring case, so
// every Surface name must fit and differ from all others ignoring case.
TEST(Surfaces, NamesFitAndStayApart) {
  struct Case {
    const char* what;
    Model model;
    std::map<int, std::string> expected;  // Surface -> name
  };
  Model layers = apartTriangles({{"", 1000}, {"", 1000}});
  layers.layerNames = {"ABCDEFGHIJKLMNOP", "abcdefghijklmnop"};
  layerSurfaceNames(layers);
  const Case cases[] = {
      {"numbers past three digits",
       apartTriangles({{"Default", 1000}}),
       {{6, "Default_007"}, {998, "Default_999"}, {999, "Default_1000"}}},
      // The second material numbers its stem; the third keeps its name, which the second's
      // first numbered stem would have taken.
      {"materials sharing 11 characters",
       apartTriangles({{"LongMaterialA", 2}, {"longmaterialB", 3}, {"LongMateri2X", 1}}),
       {{0, "LongMateria_001"}, {1, "LongMateria_002"}, {2, "longmateri3_001"},
        {3, "longmateri3_002"}, {4, "longmateri3_003"}, {5, "LongMateri2_001"}}},
      // Four digits leave room for 10 characters of the stem.
      {"an 11-character material past 999",
       apartTriangles({{"Abcdefghijk", 1000}}),
       {{99, "Abcdefghijk_100"}, {998, "Abcdefghijk_999"}, {999, "Abcdefghij_1000"}}},
      // Layer names of 11 characters: the second layer's long numbers meet the first's.
      {"per layer", layers,
       {{0, "ABCDEFGHIJK_001"}, {999, "ABCDEFGHIJ_1000"}, {1000, "abcdefghij2_001"},
        {1998, "abcdefghij2_999"}, {1999, "abcdefghi2_1000"}}},
  };
  for (Case c : cases) {
    SCOPED_TRACE(c.what);
    const int64_t count = buildSurfaces(c.model, false);
    ASSERT_EQ(count, c.model.triangleCount());
    for (const auto& [surface, name] : c.expected) EXPECT_EQ(c.model.materialNames[surface], name);
    std::set<std::string> lowered;
    for (std::string name : c.model.materialNames) {
      EXPECT_LE(name.size(), kMaxSurfaceName) << name;
      for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      lowered.insert(name);
    }
    EXPECT_EQ(lowered.size(), c.model.materialNames.size());
  }
}

TEST(Surfaces, LayerNames) {
  Model m;
  m.layerNames = {"Arm", "arm", "Arm", "#!*", "Left Leg", "ABCDEFGHIJKLMNOP", "abcdefghijklmnop"};
  const int32_t v = modelAddVertex(m, 0, 0, 0, 0, 0);
  modelAddTriangle(m, v, v, v, -1, 4);
  layerSurfaceNames(m);
  EXPECT_EQ(m.materialNames, (std::vector<std::string>{"Arm", "arm2", "Arm3", "Layer", "Left_Leg",
                                                       "ABCDEFGHIJK", "abcdefghij2"}));
  EXPECT_EQ(m.triangles[0].material, 4);
}

}  // namespace
