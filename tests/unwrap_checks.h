// Shared by the unwrap tests: generated shapes read back through the OBJ reader, a shape made
// symmetric in x, and the properties every unwrapped layout must have.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "model/readers.h"
#include "tools/meshgen/meshgen.h"
#include "unwrap/overlap.h"
#include "unwrap/surfaces.h"
#include "unwrap/weld.h"

inline Model modelOf(const GenMesh& mesh) {
  const std::string text = genObjText(mesh);
  Model m;
  EXPECT_TRUE(parseObj({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, "gen.obj", m,
                       true).ok);
  return m;
}

// Symmetric in x only: a sphere pushed forward and up more the further forward and up it is,
// then its right half mirrored (genMirrorX); 704 triangles.
inline GenMesh xSymmetricModel() {
  GenMesh g = genSphere(32, 12);
  for (auto& p : g.positions) {
    p[1] += 0.2f * (p[1] + 1) * (p[1] + 1);
    p[2] += 0.3f * (p[2] + 1) * (p[2] + 1);
  }
  return genMirrorX(g);
}

inline std::array<Vec2, 3> uvPixels(const Model& m, size_t t, int width, int height) {
  const Triangle& tri = m.triangles[t];
  std::array<Vec2, 3> uv;
  const int32_t v[3] = {tri.cornerA, tri.cornerB, tri.cornerC};
  for (int k = 0; k < 3; ++k)
    uv[k] = {m.vertices[v[k]].u * double(width), m.vertices[v[k]].v * double(height)};
  return uv;
}

// Every corner on a vertex; UVs inside the texture with half the margin kept at the border
// (the raster packer's pad); no two triangles overlap in UV space except those marked in
// `shared` (mirrored triangles lie on their partners); after the Surfaces, one UV per
// position inside every Surface.
inline void expectSoundLayout(Model m, int width, int height, int margin, const std::string& name,
                              const std::vector<uint8_t>& shared = {}) {
  ASSERT_TRUE(m.hasUVs) << name;
  for (const Triangle& tri : m.triangles)
    for (int32_t v : {tri.cornerA, tri.cornerB, tri.cornerC})
      ASSERT_TRUE(v >= 0 && v < m.vertexCount()) << name;
  const double mu = margin / 2.0 / width - 1e-6, mv = margin / 2.0 / height - 1e-6;
  for (const Vertex& v : m.vertices) {
    EXPECT_GE(v.u, mu) << name;
    EXPECT_LE(v.u, 1 - mu) << name;
    EXPECT_GE(v.v, mv) << name;
    EXPECT_LE(v.v, 1 - mv) << name;
  }
  std::vector<std::array<Vec2, 3>> uv;
  for (size_t t = 0; t < m.triangles.size(); ++t)
    if (shared.empty() || !shared[t]) uv.push_back(uvPixels(m, t, width, height));
  for (size_t a = 0; a < uv.size(); ++a)
    for (size_t b = a + 1; b < uv.size(); ++b)
      ASSERT_FALSE(trianglesOverlap(uv[a].data(), uv[b].data(), 1e-3)) << name << " " << a << " " << b;

  EXPECT_GE(buildSurfaces(m, true), 1) << name;
  const std::vector<int32_t> position = positionIds(m);
  std::map<std::pair<int32_t, int32_t>, std::pair<float, float>> seen;
  for (const Triangle& tri : m.triangles)
    for (int32_t v : {tri.cornerA, tri.cornerB, tri.cornerC}) {
      const auto [it, isNew] =
          seen.try_emplace({tri.material, position[v]}, std::pair{m.vertices[v].u, m.vertices[v].v});
      if (!isNew) {
        EXPECT_NEAR(it->second.first, m.vertices[v].u, 2e-5) << name;
        EXPECT_NEAR(it->second.second, m.vertices[v].v, 2e-5) << name;
      }
    }
}
