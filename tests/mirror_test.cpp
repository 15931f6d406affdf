// The mirror on UV spheres: their quads are split along the same diagonal on both sides, so
// the image of a mirrored triangle is not a triangle of the unwrapped half, and an exact piece
// of a sphere holds many positions twice (once on each side of a cut).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/unwrap_checks.h"
#include "unwrap/mirror.h"
#include "unwrap/unwrap.h"

namespace {

// A UV sphere whose top ring is pulled in close to the pole: its neighbouring positions there
// are closer than the mirror's tolerance (the sphere's diagonal x 0.0002) but still distinct.
GenMesh sphereWithPinchedPole() {
  GenMesh g = genSphere(16, 4);
  for (auto& p : g.positions)
    if (p[1] > 0.6f && p[1] < 0.9f) {
      p[0] *= 0.001f;
      p[2] *= 0.001f;
    }
  return g;
}

double area3(const Vertex& a, const Vertex& b, const Vertex& c) {
  const Vec3 n = cross(positionOf(b) - positionOf(a), positionOf(c) - positionOf(a));
  return length(n) / 2;
}

// Every mirrored triangle lies on its partner's part of the texture: exact pieces keep their
// true size, so its UV area in pixels is its 3D area x scale^2 (up to the bend of a quad that
// its diagonal flip spans). And the mirror only shares UVs: each corner keeps its position and
// no two corners of a triangle become one vertex.
TEST(Mirror, MirroredTrianglesKeepTheirSizeAndPlace) {
  struct Case {
    const char* name;
    GenMesh mesh;
  };
  const Case cases[] = {
      {"sphere 12 x 6", genSphere(12, 6)},
      {"sphere 24 x 12", genSphere(24, 12)},
      {"pinched pole", sphereWithPinchedPole()},
  };
  for (const Case& c : cases) {
    const Model input = modelOf(c.mesh);
    Model m = input;
    UnwrapSettings s;
    s.mirrorAxis = MirrorAxis::leftRight;
    UnwrapStats stats;
    const MirrorOutcome out = mirrorUnwrap(m, s, stats);
    ASSERT_EQ(m.triangleCount(), input.triangleCount()) << c.name;
    EXPECT_GT(out.mirroredCount, input.triangleCount() / 4) << c.name;
    const double pixelsPerUnit2 = stats.layoutScale * stats.layoutScale;
    for (size_t t = 0; t < m.triangles.size(); ++t) {
      const Triangle& tri = m.triangles[t];
      EXPECT_TRUE(tri.cornerA != tri.cornerB && tri.cornerB != tri.cornerC && tri.cornerA != tri.cornerC)
          << c.name << " triangle " << t;
      const Triangle& was = input.triangles[t];
      for (auto [now, before] : {std::pair{tri.cornerA, was.cornerA}, {tri.cornerB, was.cornerB},
                                 {tri.cornerC, was.cornerC}}) {
        const Vertex &p = m.vertices[now], &q = input.vertices[before];
        EXPECT_TRUE(p.x == q.x && p.y == q.y && p.z == q.z) << c.name << " triangle " << t;
      }
      if (!out.mirrored[t]) continue;
      const auto uv = uvPixels(m, t, s.layoutWidth, s.layoutHeight);
      const double uvArea = std::fabs(orient2d(uv[0], uv[1], uv[2])) / 2;
      const double expected =
          area3(m.vertices[tri.cornerA], m.vertices[tri.cornerB], m.vertices[tri.cornerC]) * pixelsPerUnit2;
      EXPECT_LT(std::max(uvArea / expected, expected / uvArea), 1.5) << c.name << " triangle " << t;
    }
    expectSoundLayout(m, s.layoutWidth, s.layoutHeight, s.margin, c.name, out.mirrored);
  }
}

}  // namespace
