#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>

#include "model/readers.h"
#include "tests/byte_writer.h"

namespace {

void putName(Bytes& b, const std::string& name) {
  b.insert(b.end(), name.begin(), name.end());
  b.push_back(0);
}
Bytes join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}
Bytes chunk(uint16_t id, const Bytes& body) {
  Bytes b;
  put16le(b, id);
  put32le(b, static_cast<uint32_t>(body.size() + 6));
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

Bytes vertexList(int n) {  // n vertices at (i, 10 + i, 20 + i)
  Bytes b;
  put16le(b, n);
  for (int i = 0; i < n; ++i) {
    putFloatLe(b, float(i));
    putFloatLe(b, float(10 + i));
    putFloatLe(b, float(20 + i));
  }
  return chunk(0x4110, b);
}
Bytes mappingList(int n) {  // entry i is (i / 10, i / 100)
  Bytes b;
  put16le(b, n);
  for (int i = 0; i < n; ++i) {
    putFloatLe(b, float(i) / 10);
    putFloatLe(b, float(i) / 100);
  }
  return chunk(0x4140, b);
}
Bytes materialGroup(const std::string& name, std::initializer_list<int> faces) {
  Bytes b;
  putName(b, name);
  put16le(b, static_cast<uint32_t>(faces.size()));
  for (int f : faces) put16le(b, f);
  return chunk(0x4130, b);
}
Bytes faceList(std::initializer_list<std::array<int, 3>> faces, const Bytes& groups = {}) {
  Bytes b;
  put16le(b, static_cast<uint32_t>(faces.size()));
  for (const auto& f : faces) {
    put16le(b, f[0]);
    put16le(b, f[1]);
    put16le(b, f[2]);
    put16le(b, 7);
  }
  b.insert(b.end(), groups.begin(), groups.end());
  return chunk(0x4120, b);
}
Bytes mesh(const Bytes& body) { return chunk(0x4100, body); }
Bytes object(const std::string& name, const Bytes& body) {
  Bytes b;
  putName(b, name);
  b.insert(b.end(), body.begin(), body.end());
  return chunk(0x4000, b);
}
Bytes file(const Bytes& editorBody) {
  return chunk(0x4D4D, join({chunk(0x0002, Bytes{3, 0, 0, 0}), chunk(0x3D3D, editorBody)}));
}
// A mesh of four vertices and two faces.
Bytes squareMesh(const Bytes& extra = {}) {
  return mesh(join({vertexList(4), faceList({{0, 1, 2}, {0, 2, 3}}), extra}));
}

ReadResult parse(const Bytes& bytes, Model& model) { return parse3ds(bytes, "box.3ds", model); }

TEST(Read3ds, ObjectsBecomeLayersAndMeshesConcatenate) {
  Model m;
  const Bytes bytes = file(join({object("Wheel", squareMesh()), object("", squareMesh()),
                                 object("Wheel", squareMesh())}));
  ASSERT_TRUE(parse(bytes, m).ok);
  EXPECT_EQ(m.layerNames, (std::vector<std::string>{"Wheel", "Object"}));
  EXPECT_EQ(m.objectCount, 3);
  ASSERT_EQ(m.triangleCount(), 6);
  EXPECT_EQ(m.vertexCount(), 12);
  const int layers[] = {0, 0, 1, 1, 0, 0};
  for (int t = 0; t < 6; ++t) EXPECT_EQ(m.triangles[t].layer, layers[t]) << t;
  EXPECT_EQ(m.triangles[3], (Triangle{4, 6, 7, 0, 1}));  // second mesh offset by 4 vertices
  EXPECT_EQ(m.vertices[5], (Vertex{1, 11, 21, 0, 0}));    // positions as stored
  EXPECT_TRUE(m.zUp);
  EXPECT_FALSE(m.hasUVs);
  EXPECT_EQ(m.materialNames, std::vector<std::string>{"Default"});
}

TEST(Read3ds, MeshOutsideAnyObjectGetsTheDefaultLayer) {
  Model m;
  ASSERT_TRUE(parse(file(squareMesh()), m).ok);
  EXPECT_EQ(m.layerNames, std::vector<std::string>{"Default"});
  EXPECT_EQ(m.triangles[1].layer, 0);
}

TEST(Read3ds, MappingCoordinatesFillOnlyTheMeshVertices) {
  Model m;
  // Six coordinates for four vertices; the second mesh has none and keeps u = v = 0.
  const Bytes bytes = file(join({object("A", squareMesh(mappingList(6))), object("B", squareMesh())}));
  ASSERT_TRUE(parse(bytes, m).ok);
  EXPECT_TRUE(m.hasUVs);
  EXPECT_EQ(m.vertices[3].u, 0.3f);
  EXPECT_EQ(m.vertices[3].v, 0.03f);
  EXPECT_EQ(m.vertices[4].u, 0.0f);
  EXPECT_EQ(m.vertices[7].v, 0.0f);
}

TEST(Read3ds, FaceMaterialGroups) {
  Model m;
  // Face 0 is in two groups (the last wins), face 1 in none, face 9 does not exist.
  const Bytes groups = join({materialGroup("Wood", {0, 9}), materialGroup("Slate", {0, 2})});
  const Bytes bytes = file(object("A", mesh(join({vertexList(4),
                                                    faceList({{0, 1, 2}, {0, 2, 3}, {1, 2, 3}}, groups)}))));
  ASSERT_TRUE(parse(bytes, m).ok);
  EXPECT_EQ(m.materialNames, (std::vector<std::string>{"Wood", "Slate", "Default"}));
  EXPECT_EQ(m.triangles[0].material, 1);
  EXPECT_EQ(m.triangles[1].material, 2);
  EXPECT_EQ(m.triangles[2].material, 1);
}

TEST(Read3ds, FileCutShortKeepsTheCompleteMeshes) {
  Model m;
  const Bytes whole = file(join({object("A", squareMesh()), object("B", squareMesh())}));
  const Bytes cut(whole.begin(), whole.end() - 10);
  ASSERT_TRUE(parse(cut, m).ok);
  EXPECT_EQ(m.triangleCount(), 2);
  EXPECT_EQ(m.layerNames, (std::vector<std::string>{"A", "B"}));
}

// Containers nested far deeper than the call stack could follow, with a mesh at the bottom.
TEST(Read3ds, DeeplyNestedContainers) {
  constexpr int kDepth = 50000;
  const Bytes bottom = squareMesh();
  Bytes bytes;
  for (int level = 0; level <= kDepth; ++level) {
    put16le(bytes, level == 0 ? 0x4D4D : 0x3D3D);
    put32le(bytes, static_cast<uint32_t>(6 * (kDepth + 1 - level) + bottom.size()));
  }
  bytes.insert(bytes.end(), bottom.begin(), bottom.end());
  Model m;
  ASSERT_TRUE(parse(bytes, m).ok);
  EXPECT_EQ(m.triangleCount(), 2);
}

TEST(Read3ds, Failures) {
  const Bytes header = chunk(0x4D4D, {});
  struct Case {
    const char* name;
    Bytes bytes;
    std::string message;
    bool cleared;
  };
  const Case cases[] = {
      {"empty", {}, "Geen geldig .3ds-bestand", true},
      {"five bytes", {0x4D, 0x4D, 6, 0, 0}, "Geen geldig .3ds-bestand", true},
      {"wrong first chunk", chunk(0x3D3D, squareMesh()), "Geen geldig .3ds-bestand", true},
      {"face names a vertex past its mesh",
       file(join({object("A", squareMesh()),
                  object("B", mesh(join({vertexList(3), faceList({{0, 1, 3}})})))})),
       "Geen geldig .3ds-bestand", true},
      {"only the main chunk", header, "Geen driehoeken gevonden in box.3ds", false},
      {"vertices without faces", file(object("A", mesh(vertexList(3)))),
       "Geen driehoeken gevonden in box.3ds", false},
      {"face list count beyond its chunk",
       file(object("A", mesh(join({vertexList(3), chunk(0x4120, Bytes{200, 0})})))),
       "Geen driehoeken gevonden in box.3ds", false},
  };
  for (const Case& c : cases) {
    Model m;
    m.objectCount = 99;
    const ReadResult r = parse(c.bytes, m);
    EXPECT_FALSE(r.ok) << c.name;
    EXPECT_EQ(r.message, c.message) << c.name;
    EXPECT_EQ(m.triangleCount(), 0) << c.name;
    if (c.cleared) {
      EXPECT_EQ(m, Model{}) << c.name;
    }
  }
}

TEST(Read3ds, MissingFile) {
  Model m;
  const ReadResult r = read3ds("/nonexistent/x.3ds", m);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, "Kan bestand niet openen: /nonexistent/x.3ds");
}

}  // namespace
