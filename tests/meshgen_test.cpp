// The generated meshes go through our own readers and must come back as generated: same
// triangles, corners, UVs, objects and materials, with outward winding.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <clocale>
#include <cmath>
#include <filesystem>
#include <functional>
#include <locale>
#include <map>
#include <set>
#include <span>
#include <tuple>


#include "model/model.h"
#include "model/readers.h"
#include "tests/temp_folder.h"
#include "tools/meshgen/meshgen.h"

namespace {

using P3 = std::array<double, 3>;

enum class Format { Obj, Tds };

const char* formatName(Format f) { return f == Format::Obj ? ".obj" : ".3ds"; }

// Writes the mesh in one format and reads it back with our reader, Y-up.
Model readBack(const GenMesh& mesh, Format format) {
  Model model;
  if (format == Format::Obj) {
    const std::string text = genObjText(mesh);
    const ReadResult r = parseObj({reinterpret_cast<const uint8_t*>(text.data()), text.size()},
                                  "gen.obj", model, true);
    EXPECT_TRUE(r.ok) << r.message;
  } else {
    const std::vector<uint8_t> bytes = gen3dsBytes(mesh);
    EXPECT_FALSE(bytes.empty());
    const ReadResult r = parse3ds(bytes, "gen.3ds", model);
    EXPECT_TRUE(r.ok) << r.message;
    EXPECT_TRUE(model.zUp);
    modelToYUp(model);
  }
  return model;
}

P3 pos(const Vertex& v) { return {v.x, v.y, v.z}; }
P3 sub(const P3& a, const P3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
P3 cross(const P3& a, const P3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const P3& a, const P3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// A corner as the reader stores it: position and UV ((0, 0) when the mesh has none).
using Corner = std::array<float, 5>;
// A triangle independent of vertex numbering: corners rotated so the smallest comes first
// (the winding is kept), plus its object and material names.
using TriKey = std::tuple<std::array<Corner, 3>, std::string, std::string>;

TriKey triKey(std::array<Corner, 3> c, const std::string& object, const std::string& material) {
  while (!(c[0] <= c[1] && c[0] <= c[2])) std::rotate(c.begin(), c.begin() + 1, c.end());
  return {c, object, material};
}

Corner genCorner(const GenMesh& mesh, int32_t i) {
  const auto& p = mesh.positions[static_cast<size_t>(i)];
  const auto uv = mesh.uvs.empty() ? std::array<float, 2>{0, 0} : mesh.uvs[static_cast<size_t>(i)];
  return {p[0], p[1], p[2], uv[0], uv[1]};
}

// Every face fanned from its first corner, as the .3ds writer stores it.
std::vector<TriKey> expectedTriangles(const GenMesh& mesh) {
  std::vector<TriKey> out;
  for (const GenFace& f : mesh.faces)
    for (size_t k = 1; k + 1 < f.corners.size(); ++k)
      out.push_back(triKey({genCorner(mesh, f.corners[0]), genCorner(mesh, f.corners[k]),
                            genCorner(mesh, f.corners[k + 1])},
                           mesh.objectNames[static_cast<size_t>(f.object)],
                           mesh.materialNames[static_cast<size_t>(f.material)]));
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<TriKey> readTriangles(const Model& m) {
  std::vector<TriKey> out;
  for (const Triangle& t : m.triangles) {
    std::array<Corner, 3> c;
    const int32_t idx[3] = {t.cornerA, t.cornerB, t.cornerC};
    for (int k = 0; k < 3; ++k) {
      const Vertex& v = m.vertices[static_cast<size_t>(idx[k])];
      c[static_cast<size_t>(k)] = {v.x, v.y, v.z, v.u, v.v};
    }
    out.push_back(triKey(c, m.layerNames[static_cast<size_t>(t.layer)],
                         m.materialNames[static_cast<size_t>(t.material)]));
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The vertices a reader should make: .obj welds by position (our texture references equal
// the position references), .3ds keeps one vertex list per object.
std::vector<Corner> expectedVertices(const GenMesh& mesh, Format format) {
  std::vector<Corner> out;
  const size_t lists = format == Format::Obj ? 1 : mesh.objectNames.size();
  for (size_t list = 0; list < lists; ++list) {
    std::set<int32_t> used;
    for (const GenFace& f : mesh.faces)
      if (format == Format::Obj || static_cast<size_t>(f.object) == list)
        used.insert(f.corners.begin(), f.corners.end());
    for (int32_t i : used) out.push_back(genCorner(mesh, i));
  }
  std::sort(out.begin(), out.end());
  return out;
}

// Names in order of first use, objects in their order and faces in theirs.
std::pair<std::vector<std::string>, std::vector<std::string>> usedNames(const GenMesh& mesh) {
  std::vector<std::string> objects, materials;
  for (size_t o = 0; o < mesh.objectNames.size(); ++o)
    for (const GenFace& f : mesh.faces) {
      if (static_cast<size_t>(f.object) != o) continue;
      if (objects.empty() || objects.back() != mesh.objectNames[o])
        objects.push_back(mesh.objectNames[o]);
      const std::string& m = mesh.materialNames[static_cast<size_t>(f.material)];
      if (std::find(materials.begin(), materials.end(), m) == materials.end())
        materials.push_back(m);
    }
  return {objects, materials};
}

P3 vectorArea(const Model& m) {
  P3 sum{0, 0, 0};
  for (const Triangle& t : m.triangles) {
    const P3 a = pos(m.vertices[t.cornerA]);
    const P3 n = cross(sub(pos(m.vertices[t.cornerB]), a), sub(pos(m.vertices[t.cornerC]), a));
    for (int k = 0; k < 3; ++k) sum[k] += n[k] / 2;
  }
  return sum;
}

// The direction a triangle must face, from its centroid and layer.
using Outward = std::function<P3(const P3& centroid, int32_t layer)>;

struct ShapeCase {
  const char* name;
  GenMesh mesh;
  bool closed;  // every object watertight
  Outward outward;
};

GenMesh twoObjectsTwice() {
  GenMesh mesh = genTwoObjects();
  genAppend(mesh, genTwoObjects(), {5, 0, 0});
  return mesh;
}

std::vector<ShapeCase> shapeCases() {
  const auto fromPoint = [](P3 ref) { return [ref](const P3& c, int32_t) { return sub(c, ref); }; };
  const auto house = [](const P3& c, int32_t layer) {
    // Layer 0 is the box (centre y = 0.5), layer 1 the roof (a prism, centroid y = 7/6).
    return sub(c, P3{c[0] > 2.5 ? 5.0 : 0.0, layer == 0 ? 0.5 : 7.0 / 6, 0});
  };
  return {
      {"cube", genCube(2.0f), true, fromPoint({0, 0, 0})},
      {"grid", genGrid(3, 2, 0.5f), false, [](const P3&, int32_t) { return P3{0, 1, 0}; }},
      {"tube", genTube(8, 3), false, [](const P3& c, int32_t) { return P3{c[0], 0, c[2]}; }},
      {"cylinder", genCylinder(8), true, fromPoint({0, 1, 0})},
      {"cylinder smallest", genCylinder(3, 0.5f, 0.25f), true, fromPoint({0, 0.125, 0})},
      {"sphere", genSphere(12, 7, 1.5f), true, fromPoint({0, 0, 0})},
      {"sphere smallest", genSphere(3, 2), true, fromPoint({0, 0, 0})},
      {"hemisphere", genHemisphere(8, 3), false, fromPoint({0, 0, 0})},
      {"hemisphere one band", genHemisphere(5, 1), false, fromPoint({0, 0, 0})},
      {"sphere mirrored in x", genMirrorX(genSphere(12, 7)), true, fromPoint({0, 0, 0})},
      {"quad", genQuad(), false, [](const P3&, int32_t) { return P3{0, 1, 1}; }},
      {"lhexagon", genLHexagon(), false, [](const P3&, int32_t) { return P3{0, 0, 1}; }},
      {"twoobjects", genTwoObjects(), true, house},
      // The second copy's box positions are not next to the first's: tests the per-object
      // renumbering of the .3ds vertex lists.
      {"twoobjects twice", twoObjectsTwice(), true, house},
  };
}

TEST(MeshGen, ShapesHaveTheirCountsAndNoDuplicatePositions) {
  struct Case {
    const char* name;
    GenMesh mesh;
    size_t positions, triangles;
  };
  const Case cases[] = {
      {"cube", genCube(), 8, 12},
      {"grid", genGrid(3, 2), 12, 12},
      {"grid below minimum", genGrid(0, -1), 4, 2},
      {"tube", genTube(8, 3), 32, 48},
      {"tube below minimum", genTube(2, 0), 6, 6},
      {"cylinder", genCylinder(8), 18, 32},
      {"sphere", genSphere(8, 4), 26, 48},
      {"sphere below minimum", genSphere(1, 1), 5, 6},
      {"sphere of the benchmark", genSphere(200, 151), 30002, 60000},
      {"hemisphere", genHemisphere(8, 3), 25, 40},
      {"lhexagon", genLHexagon(), 6, 4},
      {"quad", genQuad(), 4, 2},
      {"twoobjects", genTwoObjects(), 14, 20},
      // Half the sphere's 48 faces, their images, and 8 positions on the plane x = 0.
      {"sphere mirrored in x", genMirrorX(genSphere(8, 4)), 26, 48},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.mesh.positions.size(), c.positions);
    EXPECT_EQ(c.mesh.triangleCount(), c.triangles);
    // Welded: no two positions of one object coincide.
    std::set<std::pair<int32_t, std::array<float, 3>>> distinct;
    for (const GenFace& f : c.mesh.faces)
      for (int32_t i : f.corners) distinct.insert({f.object, c.mesh.positions[i]});
    EXPECT_EQ(distinct.size(), c.positions);
  }
}

TEST(MeshGen, ShapesSurviveBothReaders) {
  for (const ShapeCase& shape : shapeCases()) {
    const GenMesh& mesh = shape.mesh;
    const auto [objects, materials] = usedNames(mesh);
    bool allTriangles = true;
    for (const GenFace& f : mesh.faces) allTriangles = allTriangles && f.corners.size() == 3;

    for (Format format : {Format::Obj, Format::Tds}) {
      SCOPED_TRACE(std::string(shape.name) + formatName(format));
      const Model m = readBack(mesh, format);
      ASSERT_EQ(m.triangleCount(), static_cast<int64_t>(mesh.triangleCount()));
      EXPECT_EQ(m.hasUVs, !mesh.uvs.empty());
      EXPECT_EQ(m.layerNames, objects);
      EXPECT_EQ(m.materialNames, materials);

      std::vector<Corner> vertices;
      for (const Vertex& v : m.vertices) vertices.push_back({v.x, v.y, v.z, v.u, v.v});
      std::sort(vertices.begin(), vertices.end());
      EXPECT_EQ(vertices, expectedVertices(mesh, format));

      if (format == Format::Tds || allTriangles) {
        EXPECT_EQ(readTriangles(m), expectedTriangles(mesh));
      } else {
        // The .obj reader clips ears where the .3ds writer fans; the covered area is the same.
        Model fanned = readBack(mesh, Format::Tds);
        const P3 got = vectorArea(m), want = vectorArea(fanned);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], want[k], 1e-5);
      }

      for (const Triangle& t : m.triangles) {
        const P3 a = pos(m.vertices[t.cornerA]), b = pos(m.vertices[t.cornerB]),
                 c = pos(m.vertices[t.cornerC]);
        const P3 centroid{(a[0] + b[0] + c[0]) / 3, (a[1] + b[1] + c[1]) / 3,
                          (a[2] + b[2] + c[2]) / 3};
        EXPECT_GT(dot(cross(sub(b, a), sub(c, a)), shape.outward(centroid, t.layer)), 1e-9)
            << "triangle " << (&t - m.triangles.data()) << " faces inward or is degenerate";
      }

      // Consistent winding: no directed edge twice within an object; closed objects also
      // have every edge's reverse, so they are watertight.
      std::map<std::tuple<int32_t, P3, P3>, int> edges;
      for (const Triangle& t : m.triangles) {
        const int32_t c[3] = {t.cornerA, t.cornerB, t.cornerC};
        for (int k = 0; k < 3; ++k)
          ++edges[{t.layer, pos(m.vertices[c[k]]), pos(m.vertices[c[(k + 1) % 3]])}];
      }
      for (const auto& [edge, count] : edges) {
        EXPECT_EQ(count, 1);
        if (shape.closed) {
          EXPECT_TRUE(edges.count({std::get<0>(edge), std::get<2>(edge), std::get<1>(edge)}))
              << "open edge";
        }
      }
    }
  }
}

TEST(MeshGen, GridUVsAreTheTopViewStretchedToTheUnitSquare) {
  for (Format format : {Format::Obj, Format::Tds}) {
    SCOPED_TRACE(formatName(format));
    const Model m = readBack(genGrid(4, 2, 0.25f), format);
    ASSERT_EQ(m.vertexCount(), 15);
    for (const Vertex& v : m.vertices) {
      // The grid spans x in [-0.5, 0.5] and z in [-0.25, 0.25].
      EXPECT_NEAR(v.u, v.x + 0.5, 1e-6);
      EXPECT_NEAR(v.v, (0.25 - v.z) / 0.5, 1e-6);
    }
    for (const Triangle& t : m.triangles) {
      const Vertex &a = m.vertices[t.cornerA], &b = m.vertices[t.cornerB],
                   &c = m.vertices[t.cornerC];
      EXPECT_GT((b.u - a.u) * (c.v - a.v) - (b.v - a.v) * (c.u - a.u), 0) << "mirrored UVs";
    }
  }
}

TEST(MeshGen, LHexagonSplitsIntoTrianglesInsideTheL) {
  const std::vector<std::array<double, 2>> outline = {{0, 0}, {2, 0}, {2, 1},
                                                      {1, 1}, {1, 2}, {0, 2}};
  // Even-odd rule; the sample points below never lie on the outline.
  const auto inside = [&](double x, double y) {
    bool in = false;
    for (size_t i = 0, j = outline.size() - 1; i < outline.size(); j = i++) {
      const auto &a = outline[i], &b = outline[j];
      if ((a[1] > y) != (b[1] > y) && x < (b[0] - a[0]) * (y - a[1]) / (b[1] - a[1]) + a[0])
        in = !in;
    }
    return in;
  };
  for (Format format : {Format::Obj, Format::Tds}) {
    SCOPED_TRACE(formatName(format));
    const Model m = readBack(genLHexagon(), format);
    ASSERT_EQ(m.triangleCount(), 4);
    EXPECT_EQ(m.splitPolygons, format == Format::Obj ? 1 : 0);
    double area = 0;
    for (const Triangle& t : m.triangles) {
      const Vertex &a = m.vertices[t.cornerA], &b = m.vertices[t.cornerB],
                   &c = m.vertices[t.cornerC];
      EXPECT_EQ(a.z, 0);
      const double twice = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
      EXPECT_GT(twice, 0);
      area += twice / 2;
      // Interior points of the triangle, on a barycentric lattice: a triangle that cuts
      // across the notch of the L has some of them outside.
      for (int i = 1; i < 10; ++i)
        for (int j = 1; i + j < 10; ++j) {
          const double s = i / 10.0, r = j / 10.0;
          const double x = a.x + s * (b.x - a.x) + r * (c.x - a.x);
          const double y = a.y + s * (b.y - a.y) + r * (c.y - a.y);
          EXPECT_TRUE(inside(x, y)) << "(" << x << ", " << y << ") is outside the L";
        }
    }
    EXPECT_NEAR(area, 3.0, 1e-6);
  }
}

TEST(MeshGen, TwoObjectsKeepEachFacesMaterial) {
  for (Format format : {Format::Obj, Format::Tds}) {
    SCOPED_TRACE(formatName(format));
    const Model m = readBack(genTwoObjects(), format);
    std::map<std::pair<std::string, std::string>, int> counts;
    for (const Triangle& t : m.triangles)
      ++counts[{m.layerNames[t.layer], m.materialNames[t.material]}];
    const std::map<std::pair<std::string, std::string>, int> want = {
        {{"Box", "Wood"}, 12}, {{"Roof", "Slate"}, 4}, {{"Roof", "Wood"}, 4}};
    EXPECT_EQ(counts, want);
    if (format == Format::Tds) {
      EXPECT_EQ(m.objectCount, 2);
    }
  }
}

TEST(MeshGen, AppendMatchesNamesAndMovesPositions) {
  GenMesh mesh = genTwoObjects();
  genAppend(mesh, genTwoObjects(), {5, -1, 0.5f});
  EXPECT_EQ(mesh.objectNames, (std::vector<std::string>{"Box", "Roof"}));
  EXPECT_EQ(mesh.materialNames, (std::vector<std::string>{"Wood", "Slate"}));
  const GenMesh one = genTwoObjects();
  ASSERT_EQ(mesh.positions.size(), 2 * one.positions.size());
  ASSERT_EQ(mesh.faces.size(), 2 * one.faces.size());
  const auto n = static_cast<int32_t>(one.positions.size());
  for (size_t i = 0; i < one.positions.size(); ++i) {
    const auto& p = one.positions[i];
    EXPECT_EQ(mesh.positions[i + one.positions.size()],
              (std::array<float, 3>{p[0] + 5, p[1] - 1, p[2] + 0.5f}));
  }
  for (size_t i = 0; i < one.faces.size(); ++i) {
    const GenFace& f = mesh.faces[i + one.faces.size()];
    EXPECT_EQ(f.object, one.faces[i].object);
    EXPECT_EQ(f.material, one.faces[i].material);
    for (size_t k = 0; k < f.corners.size(); ++k)
      EXPECT_EQ(f.corners[k], one.faces[i].corners[k] + n);
  }

  // New names are added; UVs stay one per position, (0, 0) where a side had none.
  GenMesh mixed = genCube();
  genAppend(mixed, genTwoObjects());
  genAppend(mixed, genGrid(1, 1));
  EXPECT_EQ(mixed.objectNames, (std::vector<std::string>{"Object", "Box", "Roof"}));
  EXPECT_EQ(mixed.materialNames, (std::vector<std::string>{"Material", "Wood", "Slate"}));
  EXPECT_EQ(mixed.faces[12].object, 1);
  EXPECT_EQ(mixed.faces[12].material, 1);
  EXPECT_EQ(mixed.faces.back().object, 0);
  EXPECT_EQ(mixed.faces.back().material, 0);
  ASSERT_EQ(mixed.uvs.size(), mixed.positions.size());
  EXPECT_EQ(mixed.uvs[21], (std::array<float, 2>{0, 0}));
  EXPECT_EQ(mixed.uvs.back(), (std::array<float, 2>{1, 0}));
}

// A strip of triangles (i, i+1, i+2) through `positions` positions, or `triangles` copies of
// one triangle when positions is 3.
GenMesh stripMesh(size_t positions, size_t triangles) {
  GenMesh mesh;
  for (size_t i = 0; i < positions; ++i)
    mesh.positions.push_back({static_cast<float>(i), static_cast<float>(i % 2), 0});
  for (size_t t = 0; t < triangles; ++t) {
    const auto i = static_cast<int32_t>(positions == 3 ? 0 : t);
    mesh.faces.push_back({{i, i + 1, i + 2}});
  }
  return mesh;
}

TEST(MeshGen, ThreeDsHoldsUpTo65535VerticesAndTrianglesPerObject) {
  struct Case {
    const char* name;
    GenMesh mesh;
    bool writes;
  };
  GenMesh twoBig = stripMesh(40000, 39998);
  twoBig.objectNames = {"A"};
  GenMesh second = twoBig;
  second.objectNames = {"B"};
  genAppend(twoBig, second, {0, 1, 0});
  Case cases[] = {
      {"65535 vertices", stripMesh(65535, 65533), true},
      {"65536 vertices", stripMesh(65536, 65534), false},
      {"65535 triangles", stripMesh(3, 65535), true},
      {"65536 triangles", stripMesh(3, 65536), false},
      {"two objects of 40000 vertices", std::move(twoBig), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> bytes = gen3dsBytes(c.mesh);
    ASSERT_EQ(!bytes.empty(), c.writes);
    if (!c.writes) continue;
    Model m;
    ASSERT_TRUE(parse3ds(bytes, "big.3ds", m).ok);
    modelToYUp(m);
    ASSERT_EQ(m.triangleCount(), static_cast<int64_t>(c.mesh.triangleCount()));
    // The last triangle names the highest vertex numbers: they must survive 16 bits.
    const GenFace& f = c.mesh.faces.back();
    const Triangle& t = m.triangles.back();
    EXPECT_EQ(pos(m.vertices[t.cornerA]), (P3{c.mesh.positions[f.corners[0]][0],
                                              c.mesh.positions[f.corners[0]][1],
                                              c.mesh.positions[f.corners[0]][2]}));
    EXPECT_EQ(pos(m.vertices[t.cornerC]), (P3{c.mesh.positions[f.corners[2]][0],
                                              c.mesh.positions[f.corners[2]][1],
                                              c.mesh.positions[f.corners[2]][2]}));
  }
}

TEST(MeshGen, WritersRefuseMeshesThatNameWhatDoesNotExist) {
  struct Case {
    const char* name;
    std::function<void(GenMesh&)> spoil;
  };
  const Case cases[] = {
      {"corner", [](GenMesh& m) { m.faces[3].corners[1] = 8; }},
      {"negative corner", [](GenMesh& m) { m.faces[0].corners[0] = -1; }},
      {"material", [](GenMesh& m) { m.faces[5].material = 1; }},
      {"object", [](GenMesh& m) { m.faces[5].object = -1; }},
      {"UVs", [](GenMesh& m) { m.uvs.resize(7); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GenMesh mesh = genCube();
    c.spoil(mesh);
    EXPECT_EQ(genObjText(mesh), "");
    EXPECT_TRUE(gen3dsBytes(mesh).empty());
  }
}

TEST(MeshGen, ObjNumbersReadBackExactlyInAnyLocale) {
  GenMesh mesh;
  mesh.positions = {{0.1f, -1e-7f, 123456.79f}, {3.4028235e38f, 1.1754944e-38f, -0.0f},
                    {1.0f / 3, 2.0f / 3, 16777216.0f}};
  mesh.uvs = {{0.3f, 0.7f}, {1.0f / 7, 1e-3f}, {0.99999994f, 0}};
  mesh.faces = {{{0, 1, 2}}};
  const std::string text = genObjText(mesh);

  // A decimal comma for C++ streams and, where the system has one, for the C functions.
  struct Comma : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
  };
  const std::locale oldLocale = std::locale::global(std::locale(std::locale::classic(), new Comma));
  const std::string oldC = std::setlocale(LC_ALL, nullptr);
  for (const char* name : {"de_DE.UTF-8", "nl_NL.UTF-8", "fr_FR.UTF-8"})
    if (std::setlocale(LC_ALL, name)) break;
  const std::string underComma = genObjText(mesh);
  std::locale::global(oldLocale);
  std::setlocale(LC_ALL, oldC.c_str());
  EXPECT_EQ(underComma, text);

  Model m;
  ASSERT_TRUE(parseObj({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, "n.obj", m,
                       true).ok);
  ASSERT_EQ(m.vertexCount(), 3);
  for (size_t i = 0; i < 3; ++i) {
    const Vertex& v = m.vertices[i];
    EXPECT_EQ((std::array<float, 5>{v.x, v.y, v.z, v.u, v.v}),
              (std::array<float, 5>{mesh.positions[i][0], mesh.positions[i][1],
                                    mesh.positions[i][2], mesh.uvs[i][0], mesh.uvs[i][1]}));
  }
}

TEST(MeshGen, WriteFileChoosesTheFormatByExtension) {
  const TempFolder dir("quillmap_meshgen_test");
  const GenMesh mesh = genTwoObjects();
  const Model fromObj = readBack(mesh, Format::Obj);
  const Model from3ds = readBack(mesh, Format::Tds);
  struct Case {
    const char* file;
    bool writes;
    const Model* like;
  };
  const Case cases[] = {{"a.obj", true, &fromObj},
                        {"b.OBJ", true, &fromObj},
                        {"c.3ds", true, &from3ds},
                        {"d.3DS", true, &from3ds},
                        {"e.stl", false, nullptr},
                        {"no_extension", false, nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = dir.path(c.file);
    ASSERT_EQ(genWriteFile(mesh, path), c.writes);
    EXPECT_EQ(std::filesystem::exists(path), c.writes);
    if (!c.writes) continue;
    Model m;
    ASSERT_TRUE(readModelFile(path, m).ok);
    modelToYUp(m);
    EXPECT_EQ(m, *c.like);
  }
}

}  // namespace
