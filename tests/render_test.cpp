#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "base/file_io.h"
#include "model/readers.h"
#include "render/composite.h"
#include "render/pieces.h"
#include "render/stencil.h"
#include "render/test_pattern.h"
#include "render/view.h"
#include "tests/golden.h"
#include "tools/meshgen/meshgen.h"
#include "unwrap/surfaces.h"
#include "unwrap/unwrap.h"

namespace {

uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }

Model modelOf(const GenMesh& mesh) {
  const std::string text = genObjText(mesh);
  Model m;
  parseObj({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, "mesh.obj", m, true);
  return m;
}

// Unwrapped and split into Surfaces as the program shows it, with three layers by triangle.
Model unwrapped(const GenMesh& mesh) {
  Model m = modelOf(mesh);
  UnwrapSettings settings;
  UnwrapStats stats;
  unwrapPieces(m, settings, stats);
  buildSurfaces(m, settings.mergeSurfaces);
  m.layerNames = {"A", "B", "C"};
  for (size_t t = 0; t < m.triangles.size(); ++t) m.triangles[t].layer = static_cast<int32_t>(t % 3);
  return m;
}

void addQuad(Model& m, float half, float z, int32_t material, int32_t layer, float uvScale = 1) {
  const int32_t first = static_cast<int32_t>(m.vertices.size());
  m.vertices.push_back({-half, -half, z, 0, 0});
  m.vertices.push_back({half, -half, z, uvScale, 0});
  m.vertices.push_back({half, half, z, uvScale, uvScale});
  m.vertices.push_back({-half, half, z, 0, uvScale});
  m.triangles.push_back({first, first + 1, first + 2, material, layer});
  m.triangles.push_back({first, first + 2, first + 3, material, layer});
}

// A square of side 2 in the plane z = 0, facing the camera, UVs 0..1 from the bottom left.
Model facingQuad(float uvScale = 1) {
  Model m;
  m.layerNames = {"Default"};
  addQuad(m, 1, 0, 0, 0, uvScale);
  return m;
}

// Looking straight down -z from distance 5 at the origin: camera space is (x, y, 5 - z). On
// a 100 x 100 view the focal length is 50 / tan(22.5 degrees), so the quad spans
// 50 +- 24.1421 pixels both ways.
RenderInputs straightOn(ViewMode mode) {
  RenderInputs in;
  in.camera = {.yaw = 0, .pitch = 0, .dist = 5, .panX = 0, .panY = 0};
  in.framing = {.modelCentre = {0, 0, 0}, .modelRadius = 1};
  in.mode = mode;
  return in;
}

uint32_t pixel(const View3D& view, int x, int y) { return view.viewColour.at(x, y) & 0xFFFFFF; }

TEST(RenderView, BackgroundRowsFollowTheGradient) {
  View3D view;
  renderView(view, 3, 100, Model{}, RenderInputs{});
  // 40 + 30y/H, 44 + 30y/H, 52 + 30y/H with integer division.
  const std::pair<int, uint32_t> rows[] = {{0, rgb(40, 44, 52)},  {3, rgb(40, 44, 52)},
                                           {4, rgb(41, 45, 53)},  {50, rgb(55, 59, 67)},
                                           {99, rgb(69, 73, 81)}};
  for (const auto& [y, colour] : rows)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(pixel(view, x, y), colour) << "row " << y;
  EXPECT_EQ(view.viewTriangle, std::vector<int32_t>(300, -1));
  EXPECT_EQ(view.viewDepth, std::vector<float>(300, 0.0f));
}

// The quad faces the camera: |N.L| / |N| = 0.81, so the shade is round((0.81 * 0.65 + 0.35)
// * 256) = 224 and Surface 0's colour (255, 60, 60) shows as (223, 52, 52). Pixel 26's centre
// lies 0.64 pixels inside the left edge (darkened to a third before shading with edges on,
// and within 1.5 pixels for the hover mark); pixel 27's 1.64.
TEST(RenderView, FacingQuadShadesEdgesAndMarksAsComputedByHand) {
  const Model quad = facingQuad();
  const uint32_t background40 = rgb(52, 56, 64);
  const std::vector<int32_t> marks = {7, 7};
  struct Case {
    const char* name;
    bool edges, marked;
    uint32_t atEdge, inside;
  } cases[] = {
      {"plain", false, false, rgb(223, 52, 52), rgb(223, 52, 52)},
      {"edges", true, false, rgb(74, 17, 17), rgb(223, 52, 52)},
      {"marked", false, true, rgb(255, 230, 0), rgb(239, 141, 26)},
      {"edges and marked", true, true, rgb(255, 230, 0), rgb(239, 141, 26)},
  };
  for (const Case& c : cases) {
    RenderInputs in = straightOn(ViewMode::surfaceColours);
    in.edges = c.edges;
    if (c.marked) {
      in.triMark = marks;
      in.markStamp = 7;
    }
    View3D view;
    renderView(view, 100, 100, quad, in);
    EXPECT_EQ(pixel(view, 25, 40), background40) << c.name;
    EXPECT_EQ(pixel(view, 26, 40), c.atEdge) << c.name;
    EXPECT_EQ(pixel(view, 50, 40), c.inside) << c.name;
    EXPECT_EQ(pixel(view, 27, 40), c.marked ? c.inside : rgb(223, 52, 52)) << c.name;
  }
}

TEST(RenderView, SamplesTheNearestTexelAndRepeatsOutsideZeroToOne) {
  // 2 x 2 texels, row 0 at the top: red, green / blue, white.
  const std::vector<uint32_t> texels = {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), rgb(255, 255, 255)};
  const uint32_t shaded[4] = {rgb(223, 0, 0), rgb(0, 223, 0), rgb(0, 0, 223), rgb(223, 223, 223)};
  for (const float uvScale : {1.0f, 2.0f}) {
    RenderInputs in = straightOn(ViewMode::texture);
    in.texture = TexelView(2, 2, texels);
    View3D view;
    renderView(view, 100, 100, facingQuad(uvScale), in);
    // Centres of the cells the texture (repeated uvScale times) makes on the quad.
    const int cells = 2 * static_cast<int>(uvScale);
    for (int row = 0; row < cells; ++row)
      for (int column = 0; column < cells; ++column) {
        const double step = 48.2843 / cells;
        const int x = static_cast<int>(25.8579 + (column + 0.5) * step);
        const int y = static_cast<int>(25.8579 + (row + 0.5) * step);
        EXPECT_EQ(pixel(view, x, y), shaded[(row % 2) * 2 + column % 2])
            << "scale " << uvScale << " cell " << column << "," << row;
      }
  }
}

TEST(RenderView, FallsBackToSurfaceColoursWithoutATextureOrTestPattern) {
  const std::vector<uint32_t> tooFew = {rgb(1, 2, 3)};
  for (const ViewMode mode : {ViewMode::texture, ViewMode::testPattern}) {
    RenderInputs in = straightOn(mode);
    in.texture = TexelView(2, 2, tooFew);  // claims 2 x 2 but holds one pixel
    View3D view;
    renderView(view, 100, 100, facingQuad(), in);
    EXPECT_EQ(pixel(view, 50, 40), rgb(223, 52, 52));
  }
}

TEST(RenderView, LayerColoursUseGreyBeyondTheArray) {
  Model quad = facingQuad();
  const std::vector<uint32_t> colours = {rgb(0, 0, 255)};
  RenderInputs in = straightOn(ViewMode::layerColours);
  in.layerColor = colours;
  View3D view;
  renderView(view, 100, 100, quad, in);
  EXPECT_EQ(pixel(view, 50, 40), rgb(0, 0, 223));
  quad.triangles[0].layer = quad.triangles[1].layer = 1;
  renderView(view, 100, 100, quad, in);
  EXPECT_EQ(pixel(view, 50, 40), rgb(112, 112, 112));  // 128 * 224 / 256
}

TEST(RenderView, BackFacesShadeLikeFrontFaces) {
  Model front = facingQuad(), back = facingQuad();
  for (Triangle& t : back.triangles) std::swap(t.cornerB, t.cornerC);
  RenderInputs in = straightOn(ViewMode::surfaceColours);
  in.edges = true;
  View3D a, b;
  renderView(a, 100, 100, front, in);
  renderView(b, 100, 100, back, in);
  EXPECT_EQ(a.viewColour, b.viewColour);
}

TEST(RenderView, TriangleReachingBehindTheNearDistanceIsLeftOutWhole) {
  // Near distance 0.01; the eye is 5 units from z = 0, so z = 4.995 lies just behind it.
  Model m = facingQuad();
  m.vertices[2].z = 4.995f;  // shared by both triangles
  m.vertices.push_back({0.2f, 0.2f, 0, 0, 0});
  m.triangles.push_back({0, 1, 4, 0, 0});  // in front: drawn
  View3D view;
  renderView(view, 100, 100, m, straightOn(ViewMode::surfaceColours));
  int drawn[3] = {0, 0, 0};
  for (const int32_t t : view.viewTriangle)
    if (t >= 0) ++drawn[t];
  EXPECT_EQ(drawn[0], 0);
  EXPECT_EQ(drawn[1], 0);
  EXPECT_GT(drawn[2], 100);
}

// A double-sided face is written twice: a second copy with the opposite winding, often in
// another material. The depths of the two copies are equal but computed by other roundings,
// so a test against the stored (float) depth at double precision let the later copy win
// about half the pixels.
TEST(RenderView, CoincidentFacesTheEarlierOfTwoCoplanarOverlappingTrianglesOwnsEveryPixelAndEveryPick) {
  Model m = facingQuad();
  addQuad(m, 1, 0, 1, 0);  // triangles 2 and 3 on the same corners' positions
  for (size_t t = 2; t < 4; ++t) std::swap(m.triangles[t].cornerB, m.triangles[t].cornerC);
  for (const auto& [yaw, pitch] : {std::pair{0.0, 0.0}, {35.0, 20.0}, {-60.0, 50.0}, {10.0, -70.0}}) {
    RenderInputs in = straightOn(ViewMode::surfaceColours);
    in.camera.yaw = yaw;
    in.camera.pitch = pitch;
    View3D view;
    renderView(view, 200, 200, m, in);
    int covered = 0, later = 0;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 200; ++x) {
        const std::optional<ViewHit> hit = pickAt(view, x, y);
        if (!hit) continue;
        ++covered;
        later += hit->triangle >= 2;
      }
    EXPECT_GT(covered, 1000) << yaw << "," << pitch;
    EXPECT_EQ(later, 0) << yaw << "," << pitch;
  }
}

TEST(RenderView, HiddenLayerLeavesAHoleThatPicksTheTriangleBehind) {
  Model m;
  m.layerNames = {"Front", "Back"};
  addQuad(m, 1, 0, 0, 0);    // triangles 0, 1
  addQuad(m, 1, -1, 1, 1);   // triangles 2, 3, further away
  const std::vector<uint8_t> hidden = {1, 0};
  RenderInputs in = straightOn(ViewMode::surfaceColours);
  View3D view;
  renderView(view, 100, 100, m, in);
  EXPECT_EQ(pickAt(view, 45, 55)->triangle, 0);
  in.layerHidden = hidden;
  renderView(view, 100, 100, m, in);
  EXPECT_EQ(pickAt(view, 45, 55)->triangle, 2);
  EXPECT_NE(pixel(view, 45, 55), rgb(223, 52, 52));
}

TEST(PickAt, ReturnsTheTriangleAndPerspectiveCorrectUvOfThePixel) {
  View3D view;
  renderView(view, 100, 100, facingQuad(), straightOn(ViewMode::surfaceColours));
  // Pixel 50's centre lies 0.5 / 24.1421 model units right of and below the middle.
  const std::optional<ViewHit> hit = pickAt(view, 50, 50);
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->triangle, 0);  // below the diagonal from corner 0 to corner 2
  EXPECT_NEAR(hit->u, (1 + 0.5 / 24.1421356) / 2, 1e-6);
  EXPECT_NEAR(hit->v, (1 - 0.5 / 24.1421356) / 2, 1e-6);
  EXPECT_EQ(pickAt(view, 40, 30)->triangle, 1);
  EXPECT_FALSE(pickAt(view, 5, 5));     // background
  EXPECT_FALSE(pickAt(view, -1, 50));   // outside the view
  EXPECT_FALSE(pickAt(view, 50, 100));

  // Tilted away, the UV at a pixel follows the perspective, not the screen position.
  RenderInputs tilted = straightOn(ViewMode::texture);
  tilted.camera.pitch = 60;
  renderView(view, 100, 100, facingQuad(), tilted);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) {
      const auto h = pickAt(view, x, y);
      if (!h) continue;
      // Cast the ray through the pixel centre onto the plane z = 0 in camera space.
      const double f = 50 / std::tan(22.5 * M_PI / 180);
      const double dx = (x + 0.5 - 50) / f, dy = -(y + 0.5 - 50) / f;
      // Plane of the quad: camera (X, Y, Z) = (x, y cos p, 5 - y sin p) for model (x, y, 0).
      const double sp = std::sin(60 * M_PI / 180), cp = std::cos(60 * M_PI / 180);
      const double z = 5 / (1 + dy * sp / cp);
      EXPECT_NEAR(h->u, (dx * z + 1) / 2, 1e-4) << x << "," << y;
      EXPECT_NEAR(h->v, (dy * z / cp + 1) / 2, 1e-4) << x << "," << y;
    }
}

// The render against a plain transcription of the rules: one pass, every pixel of every
// triangle's box tested, coloured as it is drawn. Random triangles of every shape (slivers,
// tiny ones, ones far off-screen or behind the eye) in the texture mode with edges and
// marks, so row clipping and the two-pass colouring must give exactly these pixels.
struct Reference {
  int w, h;
  std::vector<uint32_t> colour;
  std::vector<float> depth, u, v;
  std::vector<int32_t> triangle;
};

Reference referenceRender(int w, int h, const Model& m, double dist, const TexelView& tex,
                          const std::vector<int32_t>& marks) {
  Reference r{w, h, std::vector<uint32_t>(w * h), std::vector<float>(w * h, 0), std::vector<float>(w * h),
              std::vector<float>(w * h), std::vector<int32_t>(w * h, -1)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) r.colour[y * w + x] = rgb(40 + 30 * y / h, 44 + 30 * y / h, 52 + 30 * y / h);
  const double f = (h / 2.0) / std::tan(22.5 * M_PI / 180), n = 0.01;
  for (int32_t t = 0; t < static_cast<int32_t>(m.triangles.size()); ++t) {
    const Triangle& tri = m.triangles[t];
    const int c[3] = {tri.cornerA, tri.cornerB, tri.cornerC};
    double X[3], Y[3], Z[3], sx[3], sy[3];
    bool behind = false;
    for (int k = 0; k < 3; ++k) {
      const Vertex& p = m.vertices[c[k]];
      X[k] = p.x, Y[k] = p.y, Z[k] = dist - p.z;
      behind |= !(Z[k] > n);
      sx[k] = w / 2.0 + f * X[k] / Z[k];
      sy[k] = h / 2.0 - f * Y[k] / Z[k];
    }
    if (behind) continue;
    const double A = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sy[1] - sy[0]) * (sx[2] - sx[0]);
    if (!(std::fabs(A) >= 0.000001)) continue;
    const double nx = (Y[1] - Y[0]) * (Z[2] - Z[0]) - (Z[1] - Z[0]) * (Y[2] - Y[0]);
    const double ny = (Z[1] - Z[0]) * (X[2] - X[0]) - (X[1] - X[0]) * (Z[2] - Z[0]);
    const double nz = (X[1] - X[0]) * (Y[2] - Y[0]) - (Y[1] - Y[0]) * (X[2] - X[0]);
    const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
    const int shade = len == 0 ? 256
                               : std::min<int>(256, static_cast<int>(std::llround(
                                                        (std::fabs(nx * -0.3 + ny * 0.5 + nz * -0.81) * 0.65 / len + 0.35) * 256)));
    const int x0 = std::max(0.0, std::trunc(std::min({sx[0], sx[1], sx[2]})));
    const int x1 = std::min(w - 1.0, std::trunc(std::max({sx[0], sx[1], sx[2]})) + 1);
    const int y0 = std::max(0.0, std::trunc(std::min({sy[0], sy[1], sy[2]})));
    const int y1 = std::min(h - 1.0, std::trunc(std::max({sy[0], sy[1], sy[2]})) + 1);
    double toEdge[3];
    for (int k = 0; k < 3; ++k) {
      const double ex = sx[(k + 2) % 3] - sx[(k + 1) % 3], ey = sy[(k + 2) % 3] - sy[(k + 1) % 3];
      toEdge[k] = std::fabs(A) / std::sqrt(ex * ex + ey * ey + 0.000000000001);
    }
    const bool marked = marks[t] == 1;
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        const double px = x + 0.5, py = y + 0.5;
        const double w0 = (sy[1] - sy[2]) / A * px + ((sx[2] - sx[1]) / A * py + (sx[1] * sy[2] - sx[2] * sy[1]) / A);
        const double w1 = (sy[2] - sy[0]) / A * px + ((sx[0] - sx[2]) / A * py + (sx[2] * sy[0] - sx[0] * sy[2]) / A);
        const double w2 = 1 - w0 - w1;
        if (!(w0 >= 0 && w1 >= 0 && w2 >= 0)) continue;
        const double iz = w0 * (1 / Z[0]) + w1 * (1 / Z[1]) + w2 * (1 / Z[2]);
        const int i = y * w + x;
        if (!(static_cast<float>(iz) > r.depth[i])) continue;
        r.depth[i] = static_cast<float>(iz);
        r.triangle[i] = t;
        const Vertex* p[3] = {&m.vertices[c[0]], &m.vertices[c[1]], &m.vertices[c[2]]};
        r.u[i] = static_cast<float>((w0 * (p[0]->u / Z[0]) + w1 * (p[1]->u / Z[1]) + w2 * (p[2]->u / Z[2])) / iz);
        r.v[i] = static_cast<float>((w0 * (p[0]->v / Z[0]) + w1 * (p[1]->v / Z[1]) + w2 * (p[2]->v / Z[2])) / iz);
        double fu = r.u[i] - std::trunc(r.u[i]), fv = r.v[i] - std::trunc(r.v[i]);
        if (fu < 0) fu += 1;
        if (fv < 0) fv += 1;
        const int64_t column = std::min<int64_t>(static_cast<int64_t>(fu * tex.width), tex.width - 1);
        const int64_t row = std::min<int64_t>(static_cast<int64_t>((1 - fv) * tex.height), tex.height - 1);
        const uint32_t texel = tex.pixels[row * tex.width + column];
        uint32_t cr = texel & 255, cg = texel >> 8 & 255, cb = texel >> 16 & 255;
        const double d = std::min({w0 * toEdge[0], w1 * toEdge[1], w2 * toEdge[2]});
        if (d < 0.7) cr /= 3, cg /= 3, cb /= 3;
        cr = cr * shade >> 8, cg = cg * shade >> 8, cb = cb * shade >> 8;
        if (marked) {
          if (d < 1.5) cr = 255, cg = 230, cb = 0;
          else cr = (cr + 255) / 2, cg = (cg + 230) / 2, cb /= 2;
        }
        r.colour[i] = rgb(cr, cg, cb);
      }
  }
  return r;
}

TEST(RenderView, MatchesAPlainTranscriptionOnRandomTriangles) {
  std::vector<uint32_t> texels(7 * 5);
  for (size_t i = 0; i < texels.size(); ++i) texels[i] = rgb(37 * i % 256, 91 * i % 256, 53 * i % 256);
  const TexelView tex(7, 5, texels);
  for (int seed = 1; seed <= 12; ++seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> coordinate(-3, 3), uv(-2, 3), unit(0, 1);
    Model m;
    m.layerNames = {"Default"};
    std::vector<int32_t> marks;
    for (int t = 0; t < 300; ++t) {
      const int32_t first = static_cast<int32_t>(m.vertices.size());
      const float scale = t % 4 == 0 ? 0.02f : t % 4 == 1 ? 30.0f : 1.0f;  // tiny, huge, ordinary
      const float cx = coordinate(random), cy = coordinate(random), cz = coordinate(random);
      for (int k = 0; k < 3; ++k)
        m.vertices.push_back({cx + scale * coordinate(random), cy + scale * coordinate(random),
                              cz + scale * coordinate(random), uv(random), uv(random)});
      if (t % 7 == 0) {  // a sliver: the third corner almost on the line of the first two
        const Vertex a = m.vertices[first], b = m.vertices[first + 1];
        const float s = unit(random);
        m.vertices[first + 2] = {a.x + s * (b.x - a.x) + 1e-4f, a.y + s * (b.y - a.y), a.z + s * (b.z - a.z), 0.5f, 0.5f};
      }
      m.triangles.push_back({first, first + 1, first + 2, 0, 0});
      marks.push_back(t % 5 == 0 ? 1 : 0);
    }
    RenderInputs in;
    in.camera = {.yaw = 0, .pitch = 0, .dist = 6, .panX = 0, .panY = 0};
    in.framing = {.modelCentre = {0, 0, 0}, .modelRadius = 1};
    in.mode = ViewMode::texture;
    in.edges = true;
    in.texture = tex;
    in.triMark = marks;
    in.markStamp = 1;
    View3D view;
    renderView(view, 64, 48, m, in);
    const Reference r = referenceRender(64, 48, m, 6, tex, marks);
    ASSERT_EQ(view.viewTriangle, r.triangle) << "seed " << seed;
    ASSERT_EQ(view.viewDepth, r.depth) << "seed " << seed;
    ASSERT_EQ(view.viewU, r.u) << "seed " << seed;
    ASSERT_EQ(view.viewV, r.v) << "seed " << seed;
    for (size_t i = 0; i < r.colour.size(); ++i)
      ASSERT_EQ(view.viewColour.pixels[i], r.colour[i]) << "seed " << seed << " pixel " << i;
  }
}

TEST(RenderView, RedrawAtTheSameSizeKeepsEveryBuffer) {
  const Model sphere = modelOf(genSphere(12, 8));
  RenderInputs in;
  in.framing = frameModel(sphere);
  in.camera = resetCamera(in.framing);
  in.mode = ViewMode::unwrapPieces;
  in.edges = true;
  View3D view;
  renderView(view, 50, 40, sphere, in);
  const void* before[] = {view.viewColour.pixels.data(), view.viewDepth.data(), view.viewTriangle.data(),
                          view.viewU.data(), view.cameraX.data(), view.triangleLooks.data()};
  in.camera.yaw += 10;
  renderView(view, 50, 40, sphere, in);
  const void* after[] = {view.viewColour.pixels.data(), view.viewDepth.data(), view.viewTriangle.data(),
                         view.viewU.data(), view.cameraX.data(), view.triangleLooks.data()};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(before[i], after[i]) << i;
}

// Random scenes drawn on one thread and on two: every buffer the view keeps must come out the
// same to the byte. Views of every shape down to one pixel, a mesh with shared corners,
// coincident copies of faces (whose ties the band split must not reorder), slivers, triangles
// reaching behind the eye, hidden layers, marks and every mode. Both views draw the same
// sequence of scenes, so what a render leaves from the one before must agree too.
TEST(RenderView, TwoThreadsDrawExactlyWhatOneDraws) {
  const Model sphere = unwrapped(genSphere(24, 16));
  const std::pair<int, int> sizes[] = {{1, 1}, {1, 2}, {2, 1}, {2, 3}, {3, 7}, {7, 2}, {17, 9},
                                       {64, 48}, {101, 77}, {160, 33}, {31, 120}};
  View3D one, two;
  one.threads = 1;
  two.threads = 2;
  for (int seed = 1; seed <= 40; ++seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    auto between = [&](double low, double high) { return low + (high - low) * unit(random); };
    Model m = sphere;
    // Random triangles among the sphere's corners and new ones, some of them copies of
    // earlier faces on other corners at the same places.
    const auto sphereTriangles = static_cast<int32_t>(m.triangles.size());
    for (int t = 0; t < 150; ++t) {
      const auto first = static_cast<int32_t>(m.vertices.size());
      if (t % 3 == 0) {
        const Triangle& original = m.triangles[random() % sphereTriangles];
        for (int k = 0; k < 3; ++k) m.vertices.push_back(m.vertices[original.corner(k)]);
        const bool flipped = random() % 2;
        m.triangles.push_back({first, first + (flipped ? 2 : 1), first + (flipped ? 1 : 2),
                               static_cast<int32_t>(random() % 6), static_cast<int32_t>(random() % 4)});
        continue;
      }
      const double scale = t % 4 == 0 ? 0.02 : t % 4 == 1 ? 3.0 : 0.4;
      const double cx = between(-1.5, 1.5), cy = between(-1.5, 1.5), cz = between(-1.5, 1.5);
      for (int k = 0; k < 3; ++k)
        m.vertices.push_back({static_cast<float>(cx + scale * between(-1, 1)),
                              static_cast<float>(cy + scale * between(-1, 1)),
                              static_cast<float>(cz + scale * between(-1, 1)), static_cast<float>(between(-2, 3)),
                              static_cast<float>(between(-2, 3))});
      if (t % 7 == 1) m.vertices[first + 2] = m.vertices[first];  // a sliver: two corners at one place
      m.triangles.push_back({first, first + 1, first + 2, static_cast<int32_t>(random() % 6),
                             static_cast<int32_t>(random() % 4)});
    }
    std::vector<uint32_t> texels(static_cast<size_t>(1 + random() % 40) * (1 + random() % 40));
    for (uint32_t& texel : texels) texel = static_cast<uint32_t>(random());
    const int64_t texWidth = 1 + static_cast<int64_t>(random() % texels.size());
    const Image pattern = makeTestPattern(32, 24);
    const std::vector<uint32_t> layerColours = {rgb(200, 10, 10), rgb(10, 200, 10)};
    const std::vector<uint8_t> hidden = {0, static_cast<uint8_t>(seed % 3 == 0), 0};
    std::vector<int32_t> marks(m.triangles.size());
    for (int32_t& mark : marks) mark = random() % 9 == 0 ? 5 : 0;

    RenderInputs in;
    in.framing = frameModel(m);
    in.camera = {.yaw = between(-180, 180), .pitch = between(-89, 89),
                 .dist = seed % 5 == 0 ? between(0, 1) : between(1.5, 6),  // sometimes inside
                 .panX = between(-0.8, 0.8), .panY = between(-0.8, 0.8)};
    in.mode = static_cast<ViewMode>(seed % 5);
    in.edges = seed % 2 == 0;
    in.texture = TexelView(texWidth, static_cast<int64_t>(texels.size()) / texWidth, texels);
    in.testPattern = TexelView(pattern);
    in.layerColor = layerColours;
    in.layerHidden = hidden;
    in.triMark = marks;
    in.markStamp = 5;
    const auto [w, h] = sizes[seed % std::size(sizes)];
    renderView(one, w, h, m, in);
    renderView(two, w, h, m, in);

    auto sameBytes = [](const auto& a, const auto& b, size_t count) {
      return a.size() >= count && b.size() >= count && std::memcmp(a.data(), b.data(), count * sizeof(a[0])) == 0;
    };
    const std::string where = "seed " + std::to_string(seed) + ", " + std::to_string(w) + " x " + std::to_string(h);
    ASSERT_EQ(two.width, one.width) << where;
    ASSERT_EQ(two.height, one.height) << where;
    const size_t pixels = static_cast<size_t>(w) * h;
    EXPECT_TRUE(sameBytes(one.viewColour.pixels, two.viewColour.pixels, pixels)) << where;
    EXPECT_TRUE(sameBytes(one.viewDepth, two.viewDepth, pixels)) << where;
    EXPECT_TRUE(sameBytes(one.viewTriangle, two.viewTriangle, pixels)) << where;
    EXPECT_TRUE(sameBytes(one.viewU, two.viewU, pixels)) << where;
    EXPECT_TRUE(sameBytes(one.viewV, two.viewV, pixels)) << where;
    EXPECT_TRUE(sameBytes(one.edgeNearness, two.edgeNearness, pixels)) << where;
    ASSERT_EQ(two.transformedVertices, one.transformedVertices) << where;
    const auto vertices = static_cast<size_t>(one.transformedVertices);
    EXPECT_TRUE(sameBytes(one.cameraX, two.cameraX, vertices)) << where;
    EXPECT_TRUE(sameBytes(one.cameraY, two.cameraY, vertices)) << where;
    EXPECT_TRUE(sameBytes(one.cameraZ, two.cameraZ, vertices)) << where;
    EXPECT_EQ(std::memcmp(&one.viewFocal, &two.viewFocal, sizeof(double)), 0) << where;
    EXPECT_EQ(std::memcmp(&one.viewNear, &two.viewNear, sizeof(double)), 0) << where;
    // And what the overlay makes of them.
    OverlayInputs overlay;
    overlay.model = &m;
    overlay.mode = in.mode;
    overlay.hasTexture = true;
    overlay.brush = OverlayInputs::Brush{w / 2, h / 2, 5};
    composite3D(one, w, h, overlay);
    composite3D(two, w, h, overlay);
    EXPECT_TRUE(sameBytes(one.viewDisplay.pixels, two.viewDisplay.pixels, pixels)) << where;
  }
}

// Inputs no render may trip over: whatever they hold, nothing is read outside an array and
// every pixel names a real triangle or none.
TEST(RenderView, SurvivesBadInput) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  struct Case {
    const char* name;
    Model model;
    Camera camera;
    Framing framing;
  };
  const Model quad = facingQuad();
  const Camera front{.yaw = 0, .pitch = 0, .dist = 5, .panX = 0, .panY = 0};
  const Framing unit{.modelCentre = {0, 0, 0}, .modelRadius = 1};
  std::vector<Case> cases = {
      {"no triangles", Model{}, front, unit},
      {"camera inside", modelOf(genSphere(12, 8)), Camera{.yaw = 10, .pitch = 5, .dist = 0, .panX = 0, .panY = 0}, unit},
      {"camera NaN", quad, Camera{.yaw = nan, .pitch = 0, .dist = nan, .panX = 0, .panY = 0}, unit},
      {"radius 0", quad, front, Framing{.modelCentre = {0, 0, 0}, .modelRadius = 0}},
      {"radius negative", quad, front, Framing{.modelCentre = {0, 0, 0}, .modelRadius = -3}},
      {"radius NaN", quad, front, Framing{.modelCentre = {0, 0, 0}, .modelRadius = nan}},
  };
  for (const float bad : {nan, inf, -inf, 3e38f, -3e38f, 1e-30f}) {
    Model m = facingQuad();
    m.vertices[1].x = bad;
    m.vertices[2].u = bad;
    m.vertices[3].v = bad;
    cases.push_back({"bad coordinate", m, front, unit});
  }
  Model broken = facingQuad();
  broken.triangles.push_back({0, 1, 99, 0, 0});
  broken.triangles.push_back({-1, 1, 2, 0, 0});
  broken.triangles.push_back({0, 2, 3, -1, -7});
  broken.triangles.push_back({0, 2, 3, 2000000000, 2000000000});
  cases.push_back({"bad indices", broken, front, unit});

  const Image pattern = makeTestPattern(8, 8);
  const std::vector<uint32_t> oneTexel = {rgb(1, 2, 3)};
  const std::vector<uint8_t> hidden = {0};
  const std::vector<int32_t> marks = {0, 0, 0, 0, 0, 0};
  for (const Case& c : cases)
    for (int mode = 0; mode < 5; ++mode)
      for (const auto& [w, h] : {std::pair{0, 0}, {1, 1}, {-4, 3}, {5, 0}, {17, 9}}) {
        RenderInputs in;
        in.camera = c.camera;
        in.framing = c.framing;
        in.mode = static_cast<ViewMode>(mode);
        in.edges = true;
        in.texture = TexelView(1, 1, oneTexel);  // one texel, whatever the layout's size
        in.testPattern = TexelView(pattern);
        in.layerHidden = hidden;
        in.triMark = marks;
        View3D view;
        renderView(view, w, h, c.model, in);
        const size_t pixels = static_cast<size_t>(std::max(w, 0)) * std::max(h, 0);
        ASSERT_EQ(view.viewTriangle.size(), pixels) << c.name;
        ASSERT_EQ(view.viewColour.pixels.size(), pixels) << c.name;
        for (const int32_t t : view.viewTriangle) ASSERT_LT(t, c.model.triangleCount()) << c.name;
        for (int y = -1; y <= h; ++y)
          for (int x = -1; x <= w; ++x) {
            const auto hit = pickAt(view, x, y);
            if (hit) {
              EXPECT_GE(hit->triangle, 0) << c.name;
            }
          }
        OverlayInputs overlay;
        overlay.model = &c.model;
        overlay.mode = in.mode;
        overlay.anchor = AnchorPoint{0, 0.3, 0.3};
        overlay.brush = OverlayInputs::Brush{w / 2, h / 2, 6};
        composite3D(view, w, h, overlay);
      }
}

// A 1 x 1 view samples its one pixel centre, which lies on the view axis.
TEST(RenderView, OneByOneViewSamplesItsCentre) {
  View3D view;
  RenderInputs in = straightOn(ViewMode::surfaceColours);
  renderView(view, 1, 1, facingQuad(), in);
  EXPECT_EQ(pixel(view, 0, 0), rgb(223, 52, 52));
  EXPECT_TRUE(pickAt(view, 0, 0));
  in.camera.panX = 2;  // the quad moves off the axis
  renderView(view, 1, 1, facingQuad(), in);
  EXPECT_EQ(pixel(view, 0, 0), rgb(40, 44, 52));
  EXPECT_FALSE(pickAt(view, 0, 0));
}

TEST(PieceColouring, JoinsAcrossSharedPositionsAndUvsAndNumbersLargestFirst) {
  Model m;
  auto vertex = [&](float x, float y, float u, float v) {
    m.vertices.push_back({x, y, 0, u, v});
    return static_cast<int32_t>(m.vertices.size() - 1);
  };
  // Two triangles sharing an edge with the same UVs: one piece.
  const int32_t a0 = vertex(0, 0, 0, 0), a1 = vertex(1, 0, 0.1f, 0), a2 = vertex(1, 1, 0.1f, 0.1f),
                a3 = vertex(0, 1, 0, 0.1f);
  m.triangles.push_back({a0, a1, a2, 0, 0});
  m.triangles.push_back({a0, a2, a3, 0, 0});
  // Two triangles sharing an edge's positions but not its UVs (a seam): two pieces. The
  // second repeats the first's corners as separate vertices, which still weld by key.
  const int32_t s0 = vertex(5, 0, 0.5f, 0.5f), s1 = vertex(6, 0, 0.6f, 0.5f), s2 = vertex(6, 1, 0.6f, 0.6f);
  const int32_t t0 = vertex(5, 0, 0.5f, 0.5f), t2 = vertex(6, 1, 0.9f, 0.9f), t3 = vertex(5, 1, 0.8f, 0.9f);
  m.triangles.push_back({s0, s1, s2, 0, 0});
  m.triangles.push_back({t0, t2, t3, 0, 0});
  // A strip of three: the largest piece.
  const int32_t b0 = vertex(10, 0, 0, 0), b1 = vertex(11, 0, 0, 0.2f), b2 = vertex(11, 1, 0.2f, 0.2f),
                b3 = vertex(10, 1, 0.2f, 0), b4 = vertex(10, 2, 0.3f, 0);
  m.triangles.push_back({b0, b1, b2, 0, 0});
  m.triangles.push_back({b0, b2, b3, 0, 0});
  m.triangles.push_back({b3, b2, b4, 0, 0});
  m.triangles.push_back({b0, b1, 999, 0, 0});  // a broken triangle is a piece of its own

  const PieceColouring pieces = buildPieceColouring(m);
  EXPECT_EQ(pieces.pieceOfTriangle, (std::vector<int32_t>{1, 1, 2, 3, 0, 0, 0, 4}));
  EXPECT_EQ(pieces.pieceCount, 5);

  PieceCache cache;
  EXPECT_EQ(cache.colouring(m).pieceCount, 5);
  m.triangles.pop_back();  // a new triangle count: rebuilt
  EXPECT_EQ(cache.colouring(m).pieceCount, 4);
  m.triangles[3] = {s0, s2, t3, 0, 0};  // now joined to its neighbour; same count: kept
  EXPECT_EQ(cache.colouring(m).pieceCount, 4);
  cache.forget();
  EXPECT_EQ(cache.colouring(m).pieceCount, 3);
}

TEST(TestPattern, CellsAndLabels) {
  // 100 x 40: cells of 12, so 9 columns (the last one cut) and 4 rows.
  const Image p = makeTestPattern(100, 40);
  ASSERT_EQ(p.width, 100);
  ASSERT_EQ(p.height, 40);
  EXPECT_EQ(p.at(0, 0), rgba(235, 235, 225));
  EXPECT_EQ(p.at(12, 0), rgba(70, 90, 150));            // row 0 colour
  EXPECT_EQ(p.at(0, 12), rgba(93, 131, 133));           // row 1: 23 + 70, 41 + 90, 150 - 17
  EXPECT_EQ(p.at(99, 39), rgba(139, 103, 99));          // column 8, row 3: 69 + 70, 13 + 90, 150 - 51
  EXPECT_EQ(p.at(96, 0), rgba(235, 235, 225));          // column 8, row 0
  // Every whole cell carries a label in its middle: pixels of its text colour's side.
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 8; ++c) {
      const bool light = (c + r) % 2 == 0;
      int text = 0;
      for (int y = r * 12 + 2; y < r * 12 + 10; ++y)
        for (int x = c * 12 + 2; x < c * 12 + 10; ++x)
          text += light ? redOf(p.at(x, y)) < 200 : redOf(p.at(x, y)) > redOf(p.at(c * 12, r * 12)) + 20;
      EXPECT_GT(text, 0) << "cell " << c << "," << r;
    }
  EXPECT_TRUE(makeTestPattern(0, 5).empty());
  EXPECT_EQ(makeTestPattern(3, 2).width, 3);  // cells of at least 4 pixels
}

TEST(Stencil, SamplesBilinearWithAlphaWeightedColour) {
  Image two(2, 2);
  two.pixels = {rgba(200, 0, 0), rgba(0, 200, 0), rgba(0, 0, 200), rgba(100, 100, 100)};
  Image edge(2, 1);
  edge.pixels = {rgba(255, 255, 255, 255), rgba(0, 0, 0, 0)};
  Image faint(2, 1);
  faint.pixels = {rgba(255, 255, 255, 1), rgba(0, 0, 0, 0)};
  Image one(1, 1, rgba(7, 8, 9, 200));
  const StencilPlacement at10{.x = 10, .y = 10, .scale = 1, .angle = 0};
  struct Case {
    const char* name;
    const Image& image;
    double x, y;
    uint32_t expected;
  } cases[] = {
      {"texel centre", two, 9.5, 9.5, rgba(200, 0, 0)},
      {"middle of four", two, 10, 10, rgba(75, 75, 75)},
      {"left border is inside", two, 9, 10.5, rgba(0, 0, 200)},
      {"right border is inside", two, 11, 10.5, rgba(100, 100, 100)},
      {"left of the border", two, 8.99, 10, 0},
      {"below the bottom", two, 10, 11.01, 0},
      {"transparent neighbour does not darken", edge, 10, 10, rgba(255, 255, 255, 128)},
      {"alpha below one half", faint, 10.2, 10, 0},
      {"one texel repeats", one, 10.3, 9.7, rgba(7, 8, 9, 200)},
      {"empty stencil", Image{}, 10, 10, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(sampleStencilAtView(c.image, at10, c.x, c.y), c.expected) << c.name;

  // Turned 90 degrees clockwise and scaled 10 times, the image's top row lies right of the
  // centre.
  Image column(1, 3);
  column.pixels = {rgba(255, 0, 0), rgba(0, 255, 0), rgba(0, 0, 255)};
  const StencilPlacement turned{.x = 50, .y = 50, .scale = 10, .angle = 90};
  EXPECT_EQ(sampleStencilAtView(column, turned, 61, 50), rgba(255, 0, 0));
  EXPECT_EQ(sampleStencilAtView(column, turned, 50, 50), rgba(0, 255, 0));
  EXPECT_EQ(sampleStencilAtView(column, turned, 39, 50), rgba(0, 0, 255));
  EXPECT_EQ(sampleStencilAtView(column, turned, 50, 56), 0u);

  const auto corners = stencilCorners(Image(4, 2), {.x = 10, .y = 20, .scale = 2, .angle = 0});
  const double expected[4][2] = {{6, 18}, {14, 18}, {14, 22}, {6, 22}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_DOUBLE_EQ(corners[i].x, expected[i][0]);
    EXPECT_DOUBLE_EQ(corners[i].y, expected[i][1]);
  }
}

TEST(Composite3D, StatusLines) {
  const Model m = facingQuad();
  struct Case {
    const Model* model;
    ViewMode mode;
    bool hasTexture;
    std::string text;
    uint32_t colour;
  } cases[] = {
      {nullptr, ViewMode::texture, false, "No model opened", rgb(220, 220, 220)},
      {&m, ViewMode::texture, false, "No texture yet - start painting, or use New / Load", rgb(255, 220, 120)},
      {&m, ViewMode::texture, true, "", 0},
      {&m, ViewMode::unwrapPieces, false, "7 unwrap pieces (each colour is one piece in the UV layout)", rgb(220, 220, 220)},
      {&m, ViewMode::surfaceColours, false, "", 0},
  };
  for (const Case& c : cases) {
    const StatusLine line = statusLine(c.model, c.mode, c.hasTexture, 7);
    EXPECT_EQ(line.text, c.text);
    if (!c.text.empty()) {
      EXPECT_EQ(line.colour & 0xFFFFFF, c.colour) << c.text;
    }
  }
}

TEST(Composite3D, DrawsTextMarkerCircleAndStencilOverTheRender) {
  const Model quad = facingQuad();
  View3D view;
  renderView(view, 100, 100, quad, straightOn(ViewMode::surfaceColours));

  // Another size than the last render: nothing is composited.
  OverlayInputs none;
  composite3D(view, 99, 100, none);
  EXPECT_EQ(view.viewDisplay.pixels, std::vector<uint32_t>(100 * 100, 0));

  OverlayInputs plain;
  plain.model = &quad;
  plain.mode = ViewMode::surfaceColours;
  composite3D(view, 100, 100, plain);
  EXPECT_EQ(view.viewDisplay.pixels, view.viewColour.pixels);

  // "No model opened" at (10, 10), in its colour, and nowhere else.
  composite3D(view, 100, 100, none);
  int inText = 0, changedElsewhere = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) {
      const bool changed = view.viewDisplay.at(x, y) != view.viewColour.at(x, y);
      const bool box = x >= 10 && y >= 10 && y < 30;
      inText += box && (view.viewDisplay.at(x, y) & 0xFFFFFF) == rgb(220, 220, 220);
      changedElsewhere += changed && !box;
    }
  EXPECT_GT(inText, 10);
  EXPECT_EQ(changedElsewhere, 0);

  // The anchor at the centroid of triangle 0 lies at model (1/3, -1/3): canvas (58.05, 58.05).
  OverlayInputs marker = plain;
  marker.anchor = AnchorPoint{0, 1 / 3.0, 1 / 3.0};
  marker.brush = OverlayInputs::Brush{20, 80, 20};  // radius 10
  composite3D(view, 100, 100, marker);
  const uint32_t orange = rgb(255, 160, 0), black = 0, white = rgb(255, 255, 255);
  auto shown = [&](int x, int y) { return view.viewDisplay.at(x, y) & 0xFFFFFF; };
  EXPECT_EQ(shown(48, 58), orange);
  EXPECT_EQ(shown(68, 58), orange);
  EXPECT_EQ(shown(58, 48), orange);
  EXPECT_EQ(shown(64, 59), black);   // circle of radius 6
  EXPECT_EQ(shown(63, 59), orange);  // circle of radius 5
  EXPECT_EQ(shown(69, 58), pixel(view, 69, 58));
  EXPECT_EQ(shown(30, 80), white);   // brush circle, radius 10
  EXPECT_EQ(shown(31, 80), black);   // and 11
  EXPECT_EQ(shown(20, 70), white);
  EXPECT_EQ(shown(20, 80), pixel(view, 20, 80));

  // A white 4 x 4 stencil, 5 times enlarged round (50, 50), at 50 %: k = round(127.5) = 128,
  // so the background (55, 59, 67) of row 50... is covered by the quad; take row 50's quad
  // colour (223, 52, 52): 223 + 32 * 128 / 255 = 239, 52 + 203 * 128 / 255 = 153.
  const Image stencil(4, 4, rgba(255, 255, 255));
  OverlayInputs withStencil = plain;
  withStencil.stencil = &stencil;
  withStencil.stencilPlacement = {.x = 50, .y = 50, .scale = 5, .angle = 0};
  withStencil.stencilOpacity = 50;
  composite3D(view, 100, 100, withStencil);
  EXPECT_EQ(shown(50, 50), rgb(239, 153, 153));
  EXPECT_EQ(shown(45, 40), rgb(255, 200, 0));  // the outline from (40, 40) to (60, 40)
  EXPECT_EQ(shown(60, 55), rgb(255, 200, 0));
  EXPECT_EQ(shown(61, 55), pixel(view, 61, 55));
  withStencil.stencilOpacity = 0;
  composite3D(view, 100, 100, withStencil);
  EXPECT_EQ(shown(50, 50), pixel(view, 50, 50));
}

TEST(RenderView, GoldenPictures) {
  const Model cube = unwrapped(genCube());
  const Model sphere = unwrapped(genSphere(16, 10));
  std::vector<uint32_t> texture(16 * 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) texture[y * 16 + x] = rgb(x * 16, y * 16, (x ^ y) & 1 ? 200 : 40);
  const Image testPattern = makeTestPattern(64, 64);
  const std::vector<uint32_t> layerColours = {rgb(230, 120, 40), rgb(60, 160, 230)};  // layer 2: grey
  const std::vector<uint8_t> secondHidden = {0, 1, 0};
  std::vector<int32_t> marks(sphere.triangles.size(), 0);
  for (size_t t = 40; t < 70; ++t) marks[t] = 3;

  const Framing cubeFrame = frameModel(cube), sphereFrame = frameModel(sphere);
  Camera sphereCamera = resetCamera(sphereFrame);
  sphereCamera.yaw = -40;
  sphereCamera.pitch = 35;
  sphereCamera.panX = 0.1;
  sphereCamera.panY = -0.05;
  Camera inside = resetCamera(cubeFrame);
  inside.dist = 0.2;  // the eye inside the cube: triangles reaching behind it are left out

  struct Case {
    std::string name;
    const Model& model;
    Framing framing;
    Camera camera;
    ViewMode mode;
    bool edges = false;
    bool hideSecond = false;
    bool mark = false;
    int width = 80, height = 60;
  };
  std::vector<Case> cases;
  const char* modeNames[] = {"test_pattern", "texture", "surfaces", "pieces", "layers"};
  for (int mode = 0; mode < 5; ++mode) {
    cases.push_back({std::string("cube_") + modeNames[mode], cube, cubeFrame, resetCamera(cubeFrame),
                     static_cast<ViewMode>(mode), true});
    cases.push_back({std::string("sphere_") + modeNames[mode], sphere, sphereFrame, sphereCamera,
                     static_cast<ViewMode>(mode)});
  }
  cases.push_back({"cube_hidden_layer", cube, cubeFrame, resetCamera(cubeFrame), ViewMode::layerColours, true, true});
  cases.push_back({"cube_inside", cube, cubeFrame, inside, ViewMode::surfaceColours, true});
  cases.push_back({"sphere_marked", sphere, sphereFrame, sphereCamera, ViewMode::surfaceColours, false, false, true, 120, 90});
  cases.push_back({"one_pixel", sphere, sphereFrame, sphereCamera, ViewMode::surfaceColours, true, false, false, 1, 1});

  for (const Case& c : cases) {
    RenderInputs in;
    in.camera = c.camera;
    in.framing = c.framing;
    in.mode = c.mode;
    in.edges = c.edges;
    in.texture = TexelView(16, 16, texture);
    in.testPattern = TexelView(testPattern);
    in.layerColor = layerColours;
    if (c.hideSecond) in.layerHidden = secondHidden;
    if (c.mark) {
      in.triMark = marks;
      in.markStamp = 3;
    }
    View3D view;
    renderView(view, c.width, c.height, c.model, in);
    expectGolden(view.viewColour, "render/" + c.name);
  }
}

TEST(TestPattern, GoldenPicture) { expectGolden(makeTestPattern(256, 160), "render/test_pattern_256x160"); }

}  // namespace
