#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <random>
#include <set>

#include "app/session.h"
#include "app/ui.h"
#include "app/quiet_ui.h"
#include "app/unwrap_driver.h"
#include "base/number_text.h"
#include "tests/unwrap_checks.h"
#include "unwrap/mirror.h"
#include "unwrap/overlap.h"
#include "unwrap/smooth.h"
#include "unwrap/unwrap.h"
#include "unwrap/weld.h"

namespace {

// A flat disc facing +y: the hemisphere pressed onto its base plane.
GenMesh flatDisc() {
  GenMesh disc = genHemisphere(24, 6);
  for (auto& p : disc.positions) p[1] = 0;
  return disc;
}

double edgeLength(Vec2 a, Vec2 b) { return std::hypot(b.x - a.x, b.y - a.y); }

double edgeLength(const Vertex& a, const Vertex& b) {
  return std::sqrt(double(a.x - b.x) * (a.x - b.x) + double(a.y - b.y) * (a.y - b.y) +
                   double(a.z - b.z) * (a.z - b.z));
}

int32_t corner(const Triangle& t, int k) { return k == 0 ? t.cornerA : k == 1 ? t.cornerB : t.cornerC; }


// Runs the unwrap driver on `mesh` (kept Y-up) and returns the session.
Session unwrapWithDriver(const GenMesh& mesh, MapMode mode, MirrorAxis mirrorAxis, int maxAngle = 40) {
  Session session;
  session.document.sourceModel = modelOf(mesh);
  session.document.settings.mapMode = mode;
  session.document.settings.mirrorAxis = mirrorAxis;
  session.document.settings.maxAngle = maxAngle;
  session.document.settings.upAxisChoice = UpAxis::y;
  QuietUi ui;
  unwrapModel(session, ui);
  return session;
}

// One triangle with P0 at the origin, P1 at (2, 0) and P2 at (0.5, 1.5) in its own plane.
TEST(Smooth, TriangleStretch) {
  Model m;
  modelAddVertex(m, 0, 0, 0, 0, 0);
  modelAddVertex(m, 2, 0, 0, 0, 0);
  modelAddVertex(m, 0.5f, 0, -1.5f, 0, 0);
  modelAddTriangle(m, 0, 1, 2, 0, 0);
  const double c = std::cos(0.5), s = std::sin(0.5);
  auto turned = [&](Vec2 q) { return Vec2{c * q.x - s * q.y, s * q.x + c * q.y}; };
  struct Case {
    const char* name;
    Vec2 corners[3];
    double stretch;
  };
  const Case cases[] = {
      {"true shape", {{0, 0}, {2, 0}, {0.5, 1.5}}, 1},
      {"turned and moved", {turned({0, 0}) + Vec2{3, 1}, turned({2, 0}) + Vec2{3, 1}, turned({0.5, 1.5}) + Vec2{3, 1}}, 1},
      {"twice as large", {{0, 0}, {4, 0}, {1, 3}}, 2},
      {"half as large", {{0, 0}, {1, 0}, {0.25, 0.75}}, 2},
      {"stretched along u", {{0, 0}, {3, 0}, {0.75, 1.5}}, 1.5},
      {"mirrored (folded over)", {{0, 0}, {-2, 0}, {-0.5, 1.5}}, 1e9},
      {"collapsed to a line", {{0, 0}, {2, 0}, {1, 0}}, 1e9},
  };
  for (const Case& k : cases) EXPECT_NEAR(triangleStretch(m, 0, k.corners), k.stretch, 1e-6) << k.name;

  // A sliver too thin to measure counts as unstretched; its fixed layout keeps its edges.
  modelAddVertex(m, 1, 0, 0, 0, 0);
  modelAddTriangle(m, 0, 1, 3, 0, 0);
  const WeldData weld = weldModel(m);
  ASSERT_TRUE(weld.degenerate[1]);
  Vec2 fixed[3];
  layDegenerateTriangle(weld, 1, fixed);
  EXPECT_EQ(triangleStretch(m, 1, fixed), 1);
  EXPECT_EQ(fixed[0].x, 0);
  EXPECT_EQ(fixed[0].y, 0);
  EXPECT_EQ(fixed[1].x, 2);
  EXPECT_EQ(fixed[1].y, 0);
  EXPECT_NEAR(fixed[2].x, 1, 1e-12);
  EXPECT_NEAR(fixed[2].y, 0, 1e-12);
}

// A flat disc is one chart, laid out in its true shape, whatever the limit.
TEST(Smooth, FlatDiscIsOneChartWithoutStretch) {
  const Model m = modelOf(flatDisc());
  const WeldData weld = weldModel(m);
  for (double limit : {1.001, 1.3, 11.0}) {
    const SmoothLayout s = segmentSmooth(m, weld, 40, limit);
    ASSERT_EQ(s.layout.pieceCount, 1) << limit;
    EXPECT_EQ(s.acceptance[0], ChartAcceptance::withinLimit);
    EXPECT_NEAR(s.largestStretch, 1, 1e-6);
    EXPECT_EQ(s.foldedCount, 0);
    for (size_t t = 0; t < m.triangles.size(); ++t)
      for (int k = 0; k < 3; ++k)
        ASSERT_NEAR(edgeLength(s.layout.corner[3 * t + k], s.layout.corner[3 * t + (k + 1) % 3]),
                    edgeLength(m.vertices[corner(m.triangles[t], k)], m.vertices[corner(m.triangles[t], (k + 1) % 3)]),
                    1e-5);
  }
}

// Wide cones on a hemisphere force cuts: every chart ends within the limit unless it could not
// be cut, its recorded stretch is what its layout measures, every cut part is connected, and
// the report's largest stretch is the largest accepted one.
TEST(Smooth, HemisphereIsCutUntilWithinTheLimit) {
  const Model m = modelOf(genHemisphere(32, 12));
  const WeldData weld = weldModel(m);
  const double limit = 1.3;
  const SmoothLayout uncut = segmentSmooth(m, weld, 89, 2e9);
  const SmoothLayout s = segmentSmooth(m, weld, 89, limit);
  EXPECT_GT(uncut.largestStretch, limit);  // so the limit has work to do
  EXPECT_GT(s.layout.pieceCount, uncut.layout.pieceCount);
  EXPECT_EQ(s.foldedCount, 0);

  std::vector<double> measured(s.layout.pieceCount, 1);
  std::vector<std::vector<int32_t>> members(s.layout.pieceCount);
  for (int32_t t = 0; t < m.triangleCount(); ++t) {
    const int32_t p = s.layout.pieceOf[t];
    measured[p] = std::max(measured[p], triangleStretch(m, t, &s.layout.corner[3 * t]));
    members[p].push_back(t);
  }
  double largest = 1;
  for (int64_t p = 0; p < s.layout.pieceCount; ++p) {
    EXPECT_NEAR(measured[p], s.chartStretch[p], 1e-12) << p;
    if (s.acceptance[p] == ChartAcceptance::withinLimit) {
      EXPECT_LE(s.chartStretch[p], limit) << p;
    }
    largest = std::max(largest, s.chartStretch[p]);
    // Connected across welded edges.
    std::set<int32_t> reached = {members[p][0]};
    std::vector<int32_t> queue = {members[p][0]};
    for (size_t i = 0; i < queue.size(); ++i)
      for (int k = 0; k < 3; ++k)
        for (int32_t c = weld.edgeHead[weld.edgeId[3 * queue[i] + k]]; c != -1; c = weld.edgeNext[c])
          if (s.layout.pieceOf[c / 3] == p && reached.insert(c / 3).second) queue.push_back(c / 3);
    EXPECT_EQ(reached.size(), members[p].size()) << p;
  }
  EXPECT_EQ(s.largestStretch, largest);
  EXPECT_LE(s.largestStretch, limit);

  const Session session = unwrapWithDriver(genHemisphere(32, 12), MapMode::smooth, MirrorAxis::off, 89);
  EXPECT_EQ(session.document.stats.largestStretch, s.largestStretch);
  EXPECT_NE(
      session.document.reportText.find(
          "Texture used: " + fixedText(session.document.stats.textureUsed * 100, 0) +
          "%\nLargest stretch: " + fixedText((s.largestStretch - 1) * 100, 0) + "%\nSurfaces: "),
      std::string::npos)
      << session.document.reportText;
}

// Eight triangles that form one chart whose conformal flattening folds one of them over.
GenMesh foldingPatch() {
  GenMesh g = genGrid(2, 2);
  g.uvs.clear();
  g.positions = {{-0.8f, -1.3f, -0.9f}, {0.3f, -1.2f, -1.3f}, {1.1f, -1.4f, -1.1f},
                 {-1, 0.2f, -0.3f},     {0.1f, -0.6f, 0.3f},  {1.1f, 1.4f, 0.4f},
                 {-0.8f, 1.2f, 1},      {0, -1.2f, 0.9f},     {0.7f, -1.1f, 1.1f}};
  return g;
}

// Flattens the whole model as one chart into `corner`; returns its stretch.
double flattenWhole(const Model& m, const WeldData& weld, std::vector<Vec2>& corner) {
  std::vector<int32_t> all(m.triangles.size());
  std::iota(all.begin(), all.end(), 0);
  Vec3 normalSum;
  for (int32_t t : all)
    normalSum = {normalSum.x + weld.normal[t].x * weld.area[t], normalSum.y + weld.normal[t].y * weld.area[t],
                 normalSum.z + weld.normal[t].z * weld.area[t]};
  std::vector<int32_t> localIndex(m.vertices.size(), -1);
  corner.assign(3 * m.triangles.size(), Vec2{});
  LscmWorkspace work;
  return lscmFlatten(m, weld, all, normalSum, localIndex, corner, work);
}

// Charts flattened on two threads give the one-thread result to the bit, cuts and chart
// numbers included.
TEST(Smooth, TwoThreadsGiveTheOneThreadResult) {
  struct Case {
    const char* name;
    GenMesh mesh;
    double maxAngle, limit;
  };
  const Case cases[] = {{"hemisphere", genHemisphere(32, 12), 89, 1.3},
                        {"bulgy sphere", genBulgySphere(40, 21), 30, 1.3},
                        {"parts", genParts(), 40, 1.1},
                        {"sphere, wide cones", genSphere(48, 25), 89, 1.05}};
  for (const Case& c : cases) {
    const Model m = modelOf(c.mesh);
    const WeldData weld = weldModel(m);
    const SmoothLayout one = segmentSmooth(m, weld, c.maxAngle, c.limit, nullptr, SIZE_MAX);
    const SmoothLayout two = segmentSmooth(m, weld, c.maxAngle, c.limit, nullptr, 0);
    EXPECT_GT(one.layout.pieceCount, 1) << c.name;
    ASSERT_EQ(two.layout.corner.size(), one.layout.corner.size()) << c.name;
    EXPECT_EQ(std::memcmp(two.layout.corner.data(), one.layout.corner.data(),
                          one.layout.corner.size() * sizeof(Vec2)),
              0)
        << c.name;
    EXPECT_EQ(two.layout.pieceOf, one.layout.pieceOf) << c.name;
    EXPECT_EQ(two.chartStretch, one.chartStretch) << c.name;
    EXPECT_EQ(two.acceptance, one.acceptance) << c.name;
    EXPECT_EQ(two.largestStretch, one.largestStretch) << c.name;
    EXPECT_EQ(two.foldedCount, one.foldedCount) << c.name;
  }
}

// A stop asked for while both threads flatten ends the work of both with WorkCancelled.
TEST(Smooth, StopWhileTwoThreadsFlatten) {
  const Model m = modelOf(genBulgySphere(40, 21));
  const WeldData weld = weldModel(m);
  ASSERT_GT(segmentSmooth(m, weld, 10, 1.3, nullptr, 0).layout.pieceCount, 64);
  int reports = 0;
  Progress progress([&](ProgressStage stage, double) {
    if (stage == ProgressStage::flattening && ++reports == 2) progress.cancel();
  });
  EXPECT_THROW(segmentSmooth(m, weld, 10, 1.3, &progress, 0), WorkCancelled);
  EXPECT_EQ(reports, 2);
}

// Pairs of triangles of one piece that overlap in the piece's layout.
int64_t overlapsWithinPieces(const PieceLayout& layout, double eps) {
  int64_t pairs = 0;
  for (size_t a = 0; a < layout.pieceOf.size(); ++a)
    for (size_t b = a + 1; b < layout.pieceOf.size(); ++b)
      pairs += layout.pieceOf[a] == layout.pieceOf[b] &&
               trianglesOverlap(&layout.corner[3 * a], &layout.corner[3 * b], eps);
  return pairs;
}

TEST(Smooth, FoldedChartIsCut) {
  const Model m = modelOf(foldingPatch());
  const WeldData weld = weldModel(m);
  std::vector<Vec2> whole;
  ASSERT_EQ(flattenWhole(m, weld, whole), 1e9);
  // Any limit, however generous, cuts it: even above the fold's score the folded triangle lies
  // over its neighbours. The parts lie flat.
  for (double limit : {11.0, 2e9}) {
    const SmoothLayout cut = segmentSmooth(m, weld, 89, limit);
    EXPECT_GE(cut.layout.pieceCount, 2) << limit;
    EXPECT_EQ(cut.foldedCount, 0) << limit;
    EXPECT_LT(cut.largestStretch, 11) << limit;
  }
}

// The grid finds an overlap exactly when some pair does: scattered triangles of very different
// sizes, with ones that only share a corner or an edge with another, now and then spread
// wider than a double can measure.
TEST(Smooth, LayoutOverlapsAgreesWithEveryPair) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> unit(0, 1);
  int found = 0;
  for (int round = 0; round < 300; ++round) {
    const int count = 2 + round % 25;
    std::vector<Vec2> corner;
    for (int t = 0; t < count; ++t) {
      const double size = t % 7 == 0 ? 8 * unit(random) : 0.02 + unit(random);
      Vec2 c[3] = {{10 * unit(random), 10 * unit(random)}, {}, {}};
      c[1] = c[0] + size * Vec2{unit(random), unit(random) - 0.5};
      c[2] = c[0] + size * Vec2{unit(random) - 0.5, unit(random)};
      if (t > 0 && t % 3 == 0) {  // on an edge of the triangle before it, turned away or not
        const Vec2* before = &corner[corner.size() - 3];
        c[0] = before[1];
        c[1] = before[0];
        if (t % 2 == 0) c[2] = before[0] + before[1] - before[2];
      }
      corner.insert(corner.end(), c, c + 3);
    }
    if (round % 50 == 49)  // two far apart, the layout wider than the double range
      for (int k = 0; k < 3; ++k) {
        corner[k].x -= 1e308;
        corner[corner.size() - 1 - k].x += 1e308;
      }
    std::vector<int32_t> triangles(count);
    std::iota(triangles.begin(), triangles.end(), 0);
    const bool any = overlapsWithinPieces({std::vector<int32_t>(count, 0), corner, 1}, 1e-9) > 0;
    found += any;
    ASSERT_EQ(layoutOverlaps(triangles, corner, 1e-9), any) << round;
  }
  EXPECT_GT(found, 50);
  EXPECT_LT(found, 250);
}

// A ramp winding one and a half turns round the y axis and rising slowly, like a spiral
// stair: nearly flat inside, so it flattens with hardly any stretch and no fold, into an
// annulus that lies over itself.
GenMesh spiralRamp() {
  GenMesh g;
  const int segments = 54;  // 10 degrees each
  for (int i = 0; i <= segments; ++i) {
    const double angle = i * 10 * M_PI / 180;
    const auto y = static_cast<float>(0.05 * angle);
    for (float radius : {1.0f, 2.0f})
      g.positions.push_back({radius * static_cast<float>(std::cos(angle)), y, -radius * static_cast<float>(std::sin(angle))});
  }
  for (int32_t i = 0; i < segments; ++i) {
    const int32_t inner = 2 * i, outer = 2 * i + 1;
    g.faces.push_back({{inner, outer, outer + 2}, 0, 0});
    g.faces.push_back({{inner, outer + 2, inner + 2}, 0, 0});
  }
  return g;
}

// A chart whose flattening lies over itself is cut, whatever the stretch limit, until no two
// of its triangles overlap; two triangles on the same corners come apart into pieces of one.
TEST(Smooth, ChartThatOverlapsItselfIsCut) {
  GenMesh twice = genGrid(2, 2);
  twice.faces.push_back(twice.faces[3]);
  struct Case {
    const char* name;
    GenMesh mesh;
  };
  for (const Case& c : {Case{"spiral ramp", spiralRamp()}, Case{"a triangle given twice", twice}}) {
    const Model m = modelOf(c.mesh);
    const WeldData weld = weldModel(m);
    // Flattened whole, the shape lies over itself without a fold and within the limit.
    std::vector<Vec2> whole;
    EXPECT_LT(flattenWhole(m, weld, whole), 1.3) << c.name;
    EXPECT_GT(overlapsWithinPieces({std::vector<int32_t>(m.triangles.size(), 0), whole, 1}, weld.eps), 0) << c.name;

    for (double limit : {1.3, 2e9}) {
      const SmoothLayout s = segmentSmooth(m, weld, 40, limit);
      EXPECT_GE(s.layout.pieceCount, 2) << c.name;
      EXPECT_EQ(overlapsWithinPieces(s.layout, weld.eps), 0) << c.name << " " << limit;
      EXPECT_EQ(s.foldedCount, 0) << c.name;
      EXPECT_LE(s.largestStretch, 1.3) << c.name;
    }
    const Session session = unwrapWithDriver(c.mesh, MapMode::smooth, MirrorAxis::off);
    expectSoundLayout(session.document.workModel, session.document.settings.layoutWidth,
                      session.document.settings.layoutHeight, session.document.settings.margin,
                      c.name);
  }
}

// Degenerate triangles that touch the disc (two corners welded; three corners in a line) are
// charts of their own with the fixed layout, and change nothing of the disc's flattening.
TEST(Smooth, DegenerateTriangleGetsTheFixedLayout) {
  const Model disc = modelOf(flatDisc());
  const WeldData discWeld = weldModel(disc);
  const SmoothLayout alone = segmentSmooth(disc, discWeld, 40, 1.3);
  const Triangle edge = disc.triangles.back();
  struct Case {
    const char* name;
    bool addMidpoint;  // else the first corner is repeated
  };
  for (const Case& c : {Case{"welded corners", false}, Case{"in a line", true}}) {
    Model m = disc;
    int32_t third = edge.cornerA;
    if (c.addMidpoint) {
      const Vertex& a = m.vertices[edge.cornerA];
      const Vertex& b = m.vertices[edge.cornerB];
      third = modelAddVertex(m, (a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2, 0, 0);
    }
    const auto t = static_cast<int32_t>(modelAddTriangle(m, edge.cornerA, edge.cornerB, third, edge.material, 0));
    const WeldData weld = weldModel(m);
    ASSERT_TRUE(weld.degenerate[t]) << c.name;
    const SmoothLayout s = segmentSmooth(m, weld, 40, 1.3);
    ASSERT_EQ(s.layout.pieceCount, 2) << c.name;
    const int32_t p = s.layout.pieceOf[t];
    EXPECT_EQ(std::count(s.layout.pieceOf.begin(), s.layout.pieceOf.end(), p), 1) << c.name;
    EXPECT_EQ(s.acceptance[p], ChartAcceptance::degenerate) << c.name;
    Vec2 fixed[3];
    layDegenerateTriangle(weld, t, fixed);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(s.layout.corner[3 * t + k].x, fixed[k].x) << c.name;
      EXPECT_EQ(s.layout.corner[3 * t + k].y, fixed[k].y) << c.name;
    }
    EXPECT_EQ(s.largestStretch, alone.largestStretch) << c.name;
    EXPECT_EQ(s.foldedCount, 0) << c.name;
    for (size_t i = 0; i < alone.layout.corner.size(); ++i) {
      ASSERT_EQ(s.layout.corner[i].x, alone.layout.corner[i].x) << c.name;
      ASSERT_EQ(s.layout.corner[i].y, alone.layout.corner[i].y) << c.name;
    }
  }
}

// A pair of quads bent 60 degrees along a diagonal, one on each side of x = 0: the right one
// is split along its bend, the left one along its other diagonal. The mirror image of a left
// triangle then has corners in both pieces of the right quad (at 40 degrees), so it finds no
// partner in the first pass. Then a triangle astride the plane, its own image; then
// xSymmetricModel, from face kBentFaces on.
constexpr int64_t kBentFaces = 5;
GenMesh withBentQuads() {
  GenMesh g;
  const std::array<float, 3> quad[4] = {{1.5f, 2, 0}, {2.5f, 2, 0}, {2.5f, 3, 1}, {1.5f, 2, 1}};
  for (const auto& p : quad) g.positions.push_back(p);
  for (const auto& p : quad) g.positions.push_back({-p[0], p[1], p[2]});
  g.positions.insert(g.positions.end(), {{-1, 4, 0}, {1, 4, 0}, {0, 5, 0}});
  g.faces = {{{0, 1, 2}, 0, 0}, {{0, 2, 3}, 0, 0}, {{4, 7, 5}, 0, 0}, {{7, 6, 5}, 0, 0}, {{8, 9, 10}, 0, 0}};
  genAppend(g, xSymmetricModel());
  return g;
}

// Every triangle of the left half of the sphere takes the UVs of its partner's reflected
// corners. The left bent quad finds no partner: it is unwrapped in a second pass or, when the
// passes run out, flattened on its own and packed with the last pass's pieces, while the
// partners found in that pass keep their UVs.
TEST(Mirror, LeftHalfTakesTheUvsOfItsPartners) {
  struct Case {
    const char* name;
    GenMesh mesh;
    int64_t first;  // the first face of xSymmetricModel
    MapMode mode;
    int maxPasses;
    int passes;
    int64_t late;
  };
  const Case cases[] = {
      {"exact", xSymmetricModel(), 0, MapMode::exact, 6, 1, 0},
      {"smooth", xSymmetricModel(), 0, MapMode::smooth, 6, 1, 0},
      {"bent quads", withBentQuads(), kBentFaces, MapMode::exact, 6, 2, 0},
      {"bent quads, one pass", withBentQuads(), kBentFaces, MapMode::exact, 1, 1, 2},
      {"bent quads, one pass, smooth", withBentQuads(), kBentFaces, MapMode::smooth, 1, 1, 2},
  };
  const int64_t half = static_cast<int64_t>(xSymmetricModel().faces.size() / 2);
  for (const Case& c : cases) {
    Model m = modelOf(c.mesh);
    const Model input = m;
    UnwrapSettings s;
    s.mapMode = c.mode;
    s.mirrorAxis = MirrorAxis::leftRight;
    s.maxAngle = c.mode == MapMode::smooth ? 50 : 40;
    UnwrapStats stats;
    const MirrorOutcome out = mirrorUnwrap(m, s, stats, c.maxPasses);
    ASSERT_EQ(m.triangleCount(), input.triangleCount());
    EXPECT_EQ(stats.mirroredCount, half) << c.name;
    EXPECT_EQ(out.mirroredCount + out.halfTriangles, m.triangleCount()) << c.name;
    EXPECT_EQ(out.passes, c.passes) << c.name;
    EXPECT_EQ(out.lateTriangles, c.late) << c.name;
    for (int64_t t = 0; t < c.first; ++t) EXPECT_FALSE(out.mirrored[t]) << c.name;
    for (int64_t i = 0; i < half; ++i) {
      // Right face f = (a, b, c); left face f + half = (a', c', b').
      const int64_t f = c.first + i;
      EXPECT_FALSE(out.mirrored[f]) << c.name;
      ASSERT_TRUE(out.mirrored[f + half]) << c.name << " " << f;
      const Triangle& right = m.triangles[f];
      const Triangle& left = m.triangles[f + half];
      const int partnerCorner[3] = {0, 2, 1};
      for (int k = 0; k < 3; ++k) {
        const Vertex& l = m.vertices[corner(left, k)];
        const Vertex& r = m.vertices[corner(right, partnerCorner[k])];
        EXPECT_EQ(l.u, r.u) << c.name << " " << f;
        EXPECT_EQ(l.v, r.v) << c.name << " " << f;
        // Positions, materials and layers stay those of the input.
        const Vertex& was = input.vertices[corner(input.triangles[f + half], k)];
        EXPECT_EQ(l.x, was.x);
        EXPECT_EQ(l.y, was.y);
        EXPECT_EQ(l.z, was.z);
      }
      EXPECT_EQ(left.material, input.triangles[f + half].material);
      EXPECT_EQ(left.layer, input.triangles[f + half].layer);
    }
    expectSoundLayout(m, s.layoutWidth, s.layoutHeight, s.margin, c.name, out.mirrored);
  }
}

TEST(Mirror, ReportLines) {
  struct Case {
    MirrorAxis axis;
    std::string lines;
  };
  const GenMesh mesh = xSymmetricModel();
  const std::string total = std::to_string(mesh.faces.size());
  const Case cases[] = {
      {MirrorAxis::leftRight, "Mirrored: " + std::to_string(mesh.faces.size() / 2) + " of " + total +
              " triangles share UVs\nScale: "},
      {MirrorAxis::frontBack, "Mirrored: 0 of " + total +
              " triangles share UVs\n  (no mirror image found: is the model symmetric?)\nScale: "},
      {MirrorAxis::upDown, "Mirrored: 0 of " + total +
              " triangles share UVs\n  (no mirror image found: is the model symmetric?)\nScale: "},
      {MirrorAxis::off, "Unwrapped pieces: 1\nScale: "},
  };
  for (const Case& c : cases) {
    const Session session = unwrapWithDriver(mesh, MapMode::exact, c.axis);
    const std::string& report = session.document.reportText;
    EXPECT_NE(report.find(c.lines), std::string::npos) << static_cast<int>(c.axis) << "\n" << report;
    EXPECT_EQ(session.document.stats.mirroredCount,
              c.axis == MirrorAxis::leftRight ? int64_t(mesh.faces.size() / 2) : 0);
  }
}

}  // namespace
