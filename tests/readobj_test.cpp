#include <gtest/gtest.h>

#include <cmath>

#include "model/readers.h"

namespace {

ReadResult parse(const std::string& text, Model& model) {
  return parseObj({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, "m.obj", model,
                  true);
}

using Point = std::array<double, 2>;
using Triangle2 = std::array<Point, 3>;

// True when point (px, py) lies inside or on the polygon (even-odd rule plus edge test).
bool insidePolygon(const std::vector<Point>& poly, double px, double py) {
  bool inside = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const auto& a = poly[i];
    const auto& b = poly[j];
    const double cross = (b[0] - a[0]) * (py - a[1]) - (b[1] - a[1]) * (px - a[0]);
    if (std::fabs(cross) < 1e-9 && px >= std::min(a[0], b[0]) - 1e-9 &&
        px <= std::max(a[0], b[0]) + 1e-9 && py >= std::min(a[1], b[1]) - 1e-9 &&
        py <= std::max(a[1], b[1]) + 1e-9)
      return true;
    if ((a[1] > py) != (b[1] > py) && px < (b[0] - a[0]) * (py - a[1]) / (b[1] - a[1]) + a[0])
      inside = !inside;
  }
  return inside;
}

double cross(const Point& o, const Point& a, const Point& b) {
  return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
}

// True when the insides of two triangles meet; sharing an edge or a corner is no overlap.
bool overlap(const Triangle2& s, const Triangle2& t) {
  for (const Triangle2* edges : {&s, &t}) {
    for (int k = 0; k < 3; ++k) {
      const Point& a = (*edges)[k];
      const Point& b = (*edges)[(k + 1) % 3];
      const Point normal = {a[1] - b[1], b[0] - a[0]};
      auto extent = [&](const Triangle2& u) {
        double low = 1e300, high = -1e300;
        for (const Point& p : u) {
          const double d = p[0] * normal[0] + p[1] * normal[1];
          low = std::min(low, d);
          high = std::max(high, d);
        }
        return std::array<double, 2>{low, high};
      };
      const auto [sLow, sHigh] = extent(s);
      const auto [tLow, tHigh] = extent(t);
      if (sHigh <= tLow + 1e-9 || tHigh <= sLow + 1e-9) return false;  // a separating line
    }
  }
  return true;
}

// The model's triangles in the plane that drops axis `plane`.
std::vector<Triangle2> projectedTriangles(const Model& m, int plane) {
  std::vector<Triangle2> out;
  for (const Triangle& t : m.triangles) {
    Triangle2 flat;
    const int32_t corners[3] = {t.cornerA, t.cornerB, t.cornerC};
    for (int k = 0; k < 3; ++k) {
      const Vertex& v = m.vertices[corners[k]];
      const double xyz[3] = {v.x, v.y, v.z};
      flat[k] = {xyz[(plane + 1) % 3], xyz[(plane + 2) % 3]};
    }
    out.push_back(flat);
  }
  return out;
}

// The triangles tile the outline (holes cut in by keyhole edges included) without gaps or
// overlaps: each lies inside, none overlap, and together they have the outline's area.
void expectTiling(const std::vector<Triangle2>& triangles, const std::vector<Point>& outline,
                  double outlineArea) {
  double area = 0;
  for (size_t i = 0; i < triangles.size(); ++i) {
    const Triangle2& t = triangles[i];
    area += std::fabs(cross(t[0], t[1], t[2])) / 2;
    const double cx = (t[0][0] + t[1][0] + t[2][0]) / 3;
    const double cy = (t[0][1] + t[1][1] + t[2][1]) / 3;
    EXPECT_TRUE(insidePolygon(outline, cx, cy)) << "triangle " << i << " at " << cx << "," << cy;
    for (size_t j = 0; j < i; ++j) EXPECT_FALSE(overlap(t, triangles[j])) << i << " and " << j;
  }
  EXPECT_NEAR(area, outlineArea, 1e-4);
}

TEST(ReadObj, CornersShareVerticesByPositionAndTextureCoordinate) {
  Model m;
  const std::string text =
      "# comment\r\n"
      "v 0 0 0\r\nv 1 0 0\r\nv 1 1 0\r\nv 0 1 0\r\n"
      "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1 0.5\n"
      "vn 0 0 1\n"
      "f 1/1/1 2/2/1 3/3/1\n"
      "f 1/1 3/3 4/4\n"      // shares two vertices with the first face
      "f 3/4 4/4\t2/9\n";    // same position with another UV is a new vertex; vt 9 is none
  ASSERT_TRUE(parse(text, m).ok);
  EXPECT_EQ(m.triangleCount(), 3);
  EXPECT_EQ(m.vertexCount(), 6);
  EXPECT_EQ(m.triangles[1], (Triangle{0, 2, 3, 0, 0}));
  EXPECT_EQ(m.vertices[4], (Vertex{1, 1, 0, 0, 1}));
  EXPECT_EQ(m.vertices[5], (Vertex{1, 0, 0, 0, 0}));
  EXPECT_TRUE(m.hasUVs);
  EXPECT_FALSE(m.zUp);
  EXPECT_EQ(m.objectCount, 1);
  EXPECT_EQ(m.splitPolygons, 0);
  EXPECT_EQ(m.layerNames, std::vector<std::string>{"Default"});
  EXPECT_EQ(m.materialNames, std::vector<std::string>{"Default"});
}

TEST(ReadObj, ReferencesResolve) {
  struct Case {
    const char* text;
    Triangle first;
    bool hasUVs;
  };
  const Case cases[] = {
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\n", {0, 1, 2, 0, 0}, false},
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.5 0.5\nf 1//1 2//1 3//1\n", {0, 1, 2, 0, 0}, false},
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.5 0.5\nf 3/-1 2/-1 1/1\n", {0, 1, 2, 0, 0}, true},
      {"V 0 0 0\nV 1 0 0\nV 0 1 0\nF +1 2 3\n", {0, 1, 2, 0, 0}, false},
  };
  for (const Case& c : cases) {
    Model m;
    const ReadResult r = parse(c.text, m);
    ASSERT_TRUE(r.ok) << c.text << r.message;
    EXPECT_EQ(m.triangles[0], c.first) << c.text;
    EXPECT_EQ(m.hasUVs, c.hasUVs) << c.text;
  }
}

TEST(ReadObj, GroupsAndMaterials) {
  Model m;
  const std::string text =
      "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
      "f 1 2 3\n"
      "o Body part\n"
      "usemtl   Dark  Wood \n"
      "f 1 2 3\n"
      "g Head\n"
      "usemtl Default\n"
      "f 1 2 3\n"
      "g Body\n"
      "usemtl Dark  Wood\n"
      "f 1 2 3\n";
  ASSERT_TRUE(parse(text, m).ok);
  EXPECT_EQ(m.layerNames, (std::vector<std::string>{"Body", "Head"}));
  EXPECT_EQ(m.materialNames, (std::vector<std::string>{"Default", "Dark  Wood"}));
  const int layers[] = {0, 0, 1, 0};
  const int materials[] = {0, 1, 0, 1};
  for (int t = 0; t < 4; ++t) {
    EXPECT_EQ(m.triangles[t].layer, layers[t]) << t;
    EXPECT_EQ(m.triangles[t].material, materials[t]) << t;
  }
}

TEST(ReadObj, QuadSplitsIntoTwoTriangles) {
  Model m;
  ASSERT_TRUE(parse("v 0 0 0\nv 2 0 0\nv 2 0 2\nv 0 0 2\nf 1 2 3 4\n", m).ok);
  EXPECT_EQ(m.splitPolygons, 1);
  ASSERT_EQ(m.triangleCount(), 2);
  EXPECT_EQ(m.triangles[0], (Triangle{3, 0, 1, 0, 0}));
  EXPECT_EQ(m.triangles[1], (Triangle{1, 2, 3, 0, 0}));
}

// Concave L outlines in each projection plane and both windings: four triangles, all inside.
TEST(ReadObj, ConcaveHexagonIsClippedInsideItsOutline) {
  const std::vector<Point> outline = {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}};
  for (int plane = 0; plane < 3; ++plane) {
    for (bool reversed : {false, true}) {
      std::string text;
      std::vector<Point> ring = outline;
      if (reversed) std::reverse(ring.begin(), ring.end());
      for (const auto& p : ring) {
        double xyz[3] = {0.25, 0.25, 0.25};  // slightly off the plane's axis
        xyz[(plane + 1) % 3] = p[0];
        xyz[(plane + 2) % 3] = p[1];
        xyz[plane] = 0.1 * p[0];  // tilted, so the dominant axis still wins
        text += "v " + std::to_string(xyz[0]) + " " + std::to_string(xyz[1]) + " " +
                std::to_string(xyz[2]) + "\n";
      }
      text += "f 1 2 3 4 5 6\n";
      Model m;
      ASSERT_TRUE(parse(text, m).ok);
      EXPECT_EQ(m.splitPolygons, 1);
      ASSERT_EQ(m.triangleCount(), 4) << plane << reversed;
      SCOPED_TRACE(::testing::Message() << "plane " << plane << (reversed ? " reversed" : ""));
      if (!reversed) {  // each scan cuts the first ear it finds
        const Triangle expected[] = {{0, 1, 2, 0, 0}, {0, 2, 3, 0, 0}, {5, 0, 3, 0, 0}, {3, 4, 5, 0, 0}};
        for (int t = 0; t < 4; ++t) EXPECT_EQ(m.triangles[t], expected[t]) << t;
      }
      expectTiling(projectedTriangles(m, plane), outline, 3.0);
    }
  }
}

// Rings whose hole is joined to the outline by a keyhole edge that is walked there and back,
// so the edge's two ends are corners twice each.
TEST(ReadObj, PolygonWithKeyholeHoleIsTiled) {
  struct Case {
    const char* name;
    std::vector<Point> positions;
    std::vector<int> face;  // 0-based positions, in order
    double area;
  };
  std::vector<Case> cases = {
      {"square with a square hole",
       {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {1, 1}, {1, 3}, {3, 3}, {3, 1}},
       {0, 1, 2, 3, 0, 4, 5, 6, 7, 4},
       12},
  };
  // Two 16-gons, the outer one anticlockwise and the hole clockwise, joined at the top.
  Case annulus{"annulus", {}, {}, 0};
  const int sides = 16;
  const double pi = std::acos(-1.0);
  for (double radius : {2.0, 1.0})
    for (int k = 0; k < sides; ++k)
      annulus.positions.push_back({radius * std::cos(pi / 2 + 2 * pi * k / sides),
                                   radius * std::sin(pi / 2 + 2 * pi * k / sides)});
  for (int k = 0; k <= sides; ++k) annulus.face.push_back(k % sides);
  for (int k = sides; k >= 0; --k) annulus.face.push_back(sides + k % sides);
  annulus.area = sides / 2.0 * std::sin(2 * pi / sides) * (2.0 * 2.0 - 1.0);
  cases.push_back(annulus);

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text;
    for (const Point& p : c.positions)
      text += "v " + std::to_string(p[0]) + " " + std::to_string(p[1]) + " 0\n";
    text += "f";
    std::vector<Point> outline;
    for (int i : c.face) {
      text += " " + std::to_string(i + 1);
      outline.push_back(c.positions[i]);
    }
    text += "\n";
    Model m;
    ASSERT_TRUE(parse(text, m).ok);
    EXPECT_EQ(m.vertexCount(), static_cast<int64_t>(c.positions.size()));
    ASSERT_EQ(m.triangleCount(), static_cast<int64_t>(c.face.size() - 2));
    expectTiling(projectedTriangles(m, 2), outline, c.area);
  }
}

TEST(ReadObj, Failures) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\n", "Geen vlakken gevonden in m.obj"},
      {"", "Geen vlakken gevonden in m.obj"},
      {"v 0 0 0\nv 1 0 0\nf 1 2\n", "Geen vlakken gevonden in m.obj"},
      {"f 1 2 3\nv 0 0 0\nv 1 0 0\nv 0 1 0\n",
       "Vlak verwijst naar een hoekpunt dat niet bestaat: f 1 2 3"},
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf\t1 2 4  \r\n",
       "Vlak verwijst naar een hoekpunt dat niet bestaat: f\t1 2 4  "},
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 -4 3\n",
       "Vlak verwijst naar een hoekpunt dat niet bestaat: f 1 -4 3"},
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 x 3\n",
       "Vlak verwijst naar een hoekpunt dat niet bestaat: f 1 x 3"},
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3 0\n",
       "Vlak verwijst naar een hoekpunt dat niet bestaat: f 1 2 3 0"},
  };
  for (const Case& c : cases) {
    Model m;
    const ReadResult r = parse(c.text, m);
    EXPECT_FALSE(r.ok) << c.text;
    EXPECT_EQ(r.message, c.message) << c.text;
  }
  Model m;
  EXPECT_EQ(readObj("/nonexistent/m.obj", m, true).message,
            "Kan bestand niet openen: /nonexistent/m.obj");
}

TEST(ReadObj, LenientNumbers) {
  Model m;
  ASSERT_TRUE(parse("v 1.5e1 abc 2x\nv 1 0 0 1 0.5 0.5\nv 0 1 0\nf 1 2 3\n", m).ok);
  EXPECT_EQ(m.vertices[0], (Vertex{15, 0, 2, 0, 0}));
}

}  // namespace
