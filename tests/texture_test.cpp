#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "model/uv_coverage.h"
#include "paint/fill.h"
#include "paint/texture.h"

namespace {

// Not a multiple of the tile side, so edge tiles are narrower and shorter.
constexpr int64_t kW = 200, kH = 130;

uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }

// One brush stroke as the 3D window makes it: a step (which also makes the first texture),
// then a square dab of colour at a place that depends on n, cut off by the edges of a texture
// smaller than it.
void stroke(Texture& t, int n) {
  t.beginPaintStep(kW, kH);
  const int64_t x0 = (n * 37) % std::max<int64_t>(t.width() - 12, 1);
  const int64_t y0 = (n * 23) % std::max<int64_t>(t.height() - 12, 1);
  for (int64_t y = y0; y < std::min(y0 + 12, t.height()); ++y)
    for (int64_t x = x0; x < std::min(x0 + 12, t.width()); ++x)
      t.pixelsToPaint()[static_cast<size_t>(y * t.width() + x)] = rgb(n, 255 - n, 7 * n % 256);
}

struct State {
  int64_t width, height;
  std::vector<uint32_t> pixels;
  bool operator==(const State&) const = default;
};
State stateOf(const Texture& t) { return {t.width(), t.height(), t.pixels()}; }

TEST(TextureUndo, TwentyOneStrokesThenTwentyOneUndosEndAfterTheFirstStroke) {
  Texture t;
  std::vector<State> after;  // after[i]: the texture after stroke i + 1
  for (int n = 1; n <= 21; ++n) {
    stroke(t, n);
    after.push_back(stateOf(t));
  }
  EXPECT_EQ(t.undoSteps().size(), kUndoDepth);
  const int64_t revision = t.revision();

  for (int k = 1; k <= 20; ++k) {
    EXPECT_TRUE(t.undo().redraw);
    ASSERT_EQ(stateOf(t), after[20 - k]) << "undo " << k;
  }
  const TextureViewUpdate none = t.undo();
  EXPECT_FALSE(none.redraw || none.showTexture);
  EXPECT_EQ(stateOf(t), after[0]);
  EXPECT_EQ(t.redoSteps().size(), kUndoDepth);

  for (int k = 1; k <= 20; ++k) {
    EXPECT_TRUE(t.redo().showTexture);
    ASSERT_EQ(stateOf(t), after[k]) << "redo " << k;
  }
  EXPECT_FALSE(t.redo().redraw);
  EXPECT_EQ(t.revision(), revision);  // undo and redo are not steps
}

TEST(TextureUndo, AStrokeAfterUndosEmptiesRedo) {
  Texture t;
  for (int n = 1; n <= 3; ++n) stroke(t, n);
  t.undo();
  t.undo();
  const State afterFirst = stateOf(t);
  stroke(t, 9);
  const State latest = stateOf(t);
  EXPECT_FALSE(t.redo().redraw);
  EXPECT_EQ(stateOf(t), latest);
  t.undo();
  EXPECT_EQ(stateOf(t), afterFirst);
}

TEST(TextureUndo, UndoingTheFirstStrokeBringsBackNoTexture) {
  Texture t;
  const TextureViewUpdate made = t.beginPaintStep(kW, kH);
  EXPECT_TRUE(made.redraw && made.showTexture);
  ASSERT_EQ(t.width(), kW);
  EXPECT_EQ(t.pixels(), std::vector<uint32_t>(kW * kH, rgb(255, 255, 255)));
  t.pixelsToPaint()[5] = rgb(1, 2, 3);
  const State painted = stateOf(t);
  t.markSaved();

  const TextureViewUpdate undone = t.undo();
  EXPECT_TRUE(undone.redraw);
  EXPECT_FALSE(undone.showTexture);  // the view mode stays; the view says "No texture yet"
  EXPECT_EQ(stateOf(t), (State{0, 0, {}}));
  EXPECT_TRUE(t.modified());
  EXPECT_FALSE(t.undo().redraw);

  EXPECT_TRUE(t.redo().showTexture);
  EXPECT_EQ(stateOf(t), painted);

  // An existing texture is left as it is: the view is asked for, nothing is redrawn for it.
  const TextureViewUpdate again = t.ensure(32, 32);
  EXPECT_TRUE(again.showTexture);
  EXPECT_FALSE(again.redraw);
  EXPECT_EQ(stateOf(t), painted);
}

TEST(TextureUndo, NewTextureIsAStepOnlyWhenATextureExisted) {
  Texture t;
  t.newTexture(NewTextureKind::oneColour, rgb(9, 9, 9), kW, kH, nullptr);
  EXPECT_TRUE(t.undoSteps().empty());
  EXPECT_FALSE(t.undo().redraw);
  EXPECT_EQ(t.pixels(), std::vector<uint32_t>(kW * kH, rgb(9, 9, 9)));

  const State first = stateOf(t);
  t.newTexture(NewTextureKind::oneColour, rgb(1, 1, 1), 64, 64, nullptr);
  EXPECT_EQ(t.undoSteps().size(), 1u);
  // A one-colour texture is saved as one tile of each edge size, not as a full copy.
  EXPECT_LT(t.undoStoreBytes(), kW * kH * sizeof(uint32_t) / 4);
  t.undo();
  EXPECT_EQ(stateOf(t), first);
  EXPECT_EQ(t.revision(), 2);

  // Opening a project forgets the steps; the revision keeps counting.
  t.setFile("/tmp/a.png");
  t.clear();
  EXPECT_EQ(stateOf(t), (State{0, 0, {}}));
  EXPECT_FALSE(t.modified());
  EXPECT_TRUE(t.file().empty());
  EXPECT_FALSE(t.redo().redraw);
  EXPECT_EQ(t.revision(), 2);
}

TEST(TextureUndo, ASnapshotOfAnotherSizeRestoresThatSize) {
  Texture t;
  for (int n = 1; n <= 2; ++n) stroke(t, n);
  const State big = stateOf(t);

  // "Import..." of a smaller picture.
  Image small(70, 3);
  for (size_t i = 0; i < small.pixels.size(); ++i) small.pixels[i] = uint32_t(i * 977);
  t.replaceWith(std::move(small), t.file());
  const State imported = stateOf(t);
  stroke(t, 5);  // a step taken on the small size, shares nothing with the big one
  const State paintedSmall = stateOf(t);

  t.undo();
  EXPECT_EQ(stateOf(t), imported);
  t.undo();
  EXPECT_EQ(stateOf(t), big);
  t.redo();
  EXPECT_EQ(stateOf(t), imported);
  t.redo();
  EXPECT_EQ(stateOf(t), paintedSmall);
}

// A texture whose every tile differs, so nothing is shared by accident of colour.
TEST(TextureUndo, SmallStepsShareUnchangedTilesAndRestoreExactly) {
  constexpr int64_t side = 512;
  Texture t;
  t.newTexture(NewTextureKind::oneColour, 0, side, side, nullptr);
  std::mt19937 random(5);
  for (uint32_t& c : t.pixelsToPaint()) c = random() & 0xFFFFFF;
  const size_t fullCopy = side * side * sizeof(uint32_t);
  const size_t tileBytes = kTextureTileSide * kTextureTileSide * sizeof(uint32_t);

  std::vector<State> before;
  for (int n = 0; n < 20; ++n) {
    before.push_back(stateOf(t));
    t.beginStep();
    // A dab of 20 x 20 pixels touches at most four tiles.
    const int64_t x0 = 30 + n * 23, y0 = 470 - n * 21;
    for (int64_t y = y0; y < y0 + 20; ++y)
      for (int64_t x = x0; x < x0 + 20; ++x) t.pixelsToPaint()[y * side + x] ^= 0x00FF00;
  }
  const size_t held = t.undoStoreBytes();
  EXPECT_GT(held, fullCopy);
  EXPECT_LT(held, fullCopy + 20 * 4 * (tileBytes + 64) + 20 * 64 * 16 + 4096);

  const State last = stateOf(t);
  for (int n = 19; n >= 0; --n) {
    t.undo();
    ASSERT_EQ(stateOf(t), before[n]) << n;
  }
  // Undo moved every state onto the redo list, still sharing its tiles.
  EXPECT_LT(t.undoStoreBytes(), fullCopy + 20 * 4 * (tileBytes + 64) + 20 * 64 * 16 + 4096);
  for (int n = 1; n < 20; ++n) {
    t.redo();
    ASSERT_EQ(stateOf(t), before[n]) << n;
  }
  t.redo();
  EXPECT_EQ(stateOf(t), last);
}

TEST(TextureTitle, Texts) {
  struct Case {
    int64_t w, h;
    const char* file;
    bool modified;
    const char* title;
  };
  const Case cases[] = {
      {0, 0, "", false, "3D preview"},
      {256, 128, "", false, "3D preview - texture 256x128"},
      {2048, 2048, "", true, "3D preview - texture 2048x2048 *"},
      {1024, 32, "/home/sam/My Paint/körper.png", true,
       "3D preview - texture 1024x32 (körper.png) *"},
      {64, 64, "skin.tga", false, "3D preview - texture 64x64 (skin.tga)"},
      {0, 0, "", true, "3D preview *"},  // the first stroke undone
      {0, 0, "/home/sam/models/", false, "3D preview"},  // a new model's folder
  };
  for (const Case& c : cases) {
    Texture t;
    Image picture(static_cast<int>(c.w), static_cast<int>(c.h));
    if (c.modified)
      t.replaceWith(std::move(picture), c.file);
    else
      t.load(std::move(picture), c.file);
    EXPECT_EQ(t.title(), c.title);
  }
}

// Pixel (x, y) of a size x size texture as a UV.
Vertex at(double x, double y, double size) {
  return {0, 0, 0, float(x / size), float(1 - y / size)};
}

Model oneTriangle(Vertex a, Vertex b, Vertex c) {
  Model m;
  m.vertices = {a, b, c};
  m.triangles = {{0, 1, 2, 0, 0}};
  m.materialNames = {"M"};
  return m;
}

std::vector<std::string> picture(const std::vector<uint32_t>& pixels, int64_t w, uint32_t ink) {
  std::vector<std::string> rows;
  for (size_t i = 0; i < pixels.size(); i += w) {
    std::string row;
    for (int64_t x = 0; x < w; ++x) row += pixels[i + x] == ink ? 'X' : '.';
    rows.push_back(row);
  }
  return rows;
}

// The right triangle (2, 2), (6, 2), (2, 6) in pixels: centres inside it or less than one
// pixel outside each edge line (x >= 1, y >= 1, x + y <= 8 + sqrt 2).
const std::vector<std::string> kRightTriangle = {
    "........",
    ".XXXXXXX",
    ".XXXXXX.",
    ".XXXXX..",
    ".XXXX...",
    ".XXX....",
    ".XX.....",
    ".X......",
};

TEST(FillTriangle, CoversTheTriangleAndAOnePixelFringeInEitherWinding) {
  const uint32_t ink = rgb(10, 20, 30);
  for (bool reversed : {false, true}) {
    Model m = reversed ? oneTriangle(at(2, 2, 8), at(2, 6, 8), at(6, 2, 8))
                       : oneTriangle(at(2, 2, 8), at(6, 2, 8), at(2, 6, 8));
    std::vector<uint32_t> pixels(64, 0);
    fillTriangle(m, 0, pixels, 8, 8, ink, 255);
    EXPECT_EQ(picture(pixels, 8, ink), kRightTriangle) << reversed;

    const TriangleCoverage cover = triangleCoverage(m, 0, 8, 8);
    for (int64_t y = 0; y < 8; ++y)
      for (int64_t x = 0; x < 8; ++x)
        EXPECT_EQ(cover.covers(x, y), kRightTriangle[y][x] == 'X') << x << "," << y;
  }
}

TEST(FillTriangle, ClipsToItsBoxAndTheTextureAndPaintsNothingWhereItMustNot) {
  const uint32_t ink = rgb(1, 2, 3);
  // Reaching far beyond the texture on every side: every pixel covered, nothing written
  // outside the buffer (the sanitizer build watches).
  Model big = oneTriangle(at(-40, -40, 8), at(60, -40, 8), at(-40, 60, 8));
  std::vector<uint32_t> pixels(64, 0);
  fillTriangle(big, 0, pixels, 8, 8, ink, 255);
  EXPECT_EQ(pixels, std::vector<uint32_t>(64, ink));

  // A sharp corner: its fringe reaches further along the corner's bisector than one pixel,
  // and the box (the corners' pixels widened by 2) cuts it off at column 10 + 2.
  Model sharp = oneTriangle(at(2, 7, 32), at(2, 9, 32), at(10, 8, 32));
  const TriangleCoverage tip = triangleCoverage(sharp, 0, 32, 32);
  EXPECT_EQ(tip.right(), 12);
  EXPECT_TRUE(tip.covers(12, 7));
  EXPECT_FALSE(tip.covers(13, 7));
  std::vector<uint32_t> wide(32 * 32, 0);
  fillTriangle(sharp, 0, wide, 32, 32, ink, 255);
  EXPECT_EQ(wide[7 * 32 + 12], ink);
  EXPECT_EQ(wide[7 * 32 + 13], 0u);

  const float nan = std::numeric_limits<float>::quiet_NaN();
  Model right = oneTriangle(at(2, 2, 8), at(6, 2, 8), at(2, 6, 8));
  struct Case {
    const char* name;
    Model model;
    int64_t triangle = 0;
    int alpha = 255;
    int64_t width = 8;
  };
  Model flat = oneTriangle(at(1, 1, 8), at(4, 4, 8), at(7, 7, 8));
  Model nanUV = right;
  nanUV.vertices[1].u = nan;
  Model badCorner = right;
  badCorner.triangles[0].cornerC = 3;
  const Case cases[] = {
      {"collinear corners", flat},
      {"NaN coordinate", nanUV},
      {"corner outside the vertices", badCorner},
      {"triangle index past the end", right, 1},
      {"negative triangle index", right, -1},
      {"partial alpha without a blend state", right, 0, 127},
      {"no texture", right, 0, 255, 0},
  };
  for (const Case& c : cases) {
    std::vector<uint32_t> untouched(64, 0);
    fillTriangle(c.model, c.triangle, untouched, c.width, 8, ink, c.alpha);
    EXPECT_EQ(untouched, std::vector<uint32_t>(64, 0)) << c.name;
  }
  std::vector<uint32_t> tooShort(63, 0);
  fillTriangle(right, 0, tooShort, 8, 8, ink, 255);
  EXPECT_EQ(tooShort, std::vector<uint32_t>(63, 0));
}

TEST(FillTriangle, PartialAlphaBlendsEachPixelOnceFromTheBase) {
  // A 12 x 12 square of two triangles with a shared diagonal: the fringes overlap there.
  Model m;
  m.vertices = {at(2, 2, 16), at(14, 2, 16), at(14, 14, 16), at(2, 14, 16)};
  m.triangles = {{0, 1, 2, 0, 0}, {0, 2, 3, 0, 0}};
  m.materialNames = {"M"};
  const uint32_t base = rgb(100, 200, 50), colour = rgb(255, 0, 10);
  std::vector<uint32_t> pixels(256, base);
  const std::vector<uint32_t> strokeBase = pixels;
  std::vector<uint8_t> mask(256, 0);
  const StrokeBlend blend{strokeBase, mask};
  fillTriangle(m, 0, pixels, 16, 16, colour, 127, &blend);
  fillTriangle(m, 1, pixels, 16, 16, colour, 127, &blend);
  fillTriangle(m, 1, pixels, 16, 16, colour, 100, &blend);  // weaker: no effect

  // 100 + 127 * 155 / 255 = 177; 200 - 127 * 200 / 255 = 101; 50 - 127 * 40 / 255 = 31
  const uint32_t blended = rgb(177, 101, 31);
  const TriangleCoverage a = triangleCoverage(m, 0, 16, 16), b = triangleCoverage(m, 1, 16, 16);
  int coveredByBoth = 0;
  for (int64_t y = 0; y < 16; ++y) {
    for (int64_t x = 0; x < 16; ++x) {
      const bool covered = a.covers(x, y) || b.covers(x, y);
      coveredByBoth += a.covers(x, y) && b.covers(x, y);
      EXPECT_EQ(pixels[y * 16 + x], covered ? blended : base) << x << "," << y;
      EXPECT_EQ(mask[y * 16 + x], covered ? 127 : 0) << x << "," << y;
    }
  }
  EXPECT_GT(coveredByBoth, 12);
}

TEST(NewTexture, KindsOneColourTestPatternAndSurfaceColours) {
  Texture t;
  t.setFile("old.png");
  const TextureViewUpdate u =
      t.newTexture(NewTextureKind::oneColour, rgb(5, 6, 7), 32, 16, nullptr);
  EXPECT_TRUE(u.redraw && u.showTexture);
  EXPECT_EQ(t.pixels(), std::vector<uint32_t>(32 * 16, rgb(5, 6, 7)));
  EXPECT_TRUE(t.file().empty());
  EXPECT_TRUE(t.modified());
  EXPECT_EQ(t.revision(), 1);

  // Test pattern: copied as RGB when it has the size, else zeros.
  Image pattern(32, 16);
  for (size_t i = 0; i < pattern.pixels.size(); ++i) pattern.pixels[i] = 0xFF000000u | uint32_t(i);
  t.newTexture(NewTextureKind::testPattern, 0, 32, 16, nullptr, &pattern);
  for (size_t i = 0; i < t.pixels().size(); ++i) ASSERT_EQ(t.pixels()[i], uint32_t(i));
  t.newTexture(NewTextureKind::testPattern, 0, 32, 32, nullptr, &pattern);
  EXPECT_EQ(t.pixels(), std::vector<uint32_t>(32 * 32, 0));
  t.newTexture(NewTextureKind::testPattern, 0, 32, 16, nullptr, nullptr);
  EXPECT_EQ(t.pixels(), std::vector<uint32_t>(32 * 16, 0));

  // Surface colours: two triangles of different materials in opposite corners of 32 x 32.
  Model m;
  m.vertices = {at(1, 1, 32), at(12, 1, 32), at(1, 12, 32),
                at(30, 30, 32), at(20, 30, 32), at(30, 20, 32)};
  m.triangles = {{0, 1, 2, 0, 0}, {3, 4, 5, 1, 0}};
  m.materialNames = {"A_001", "A_002"};
  const uint32_t background = rgb(200, 200, 200);
  t.newTexture(NewTextureKind::surfaceColours, background, 32, 32, &m);
  EXPECT_EQ(t.pixels(), [&] {
    std::vector<uint32_t> expected(32 * 32, background);
    for (int64_t k = 0; k < 2; ++k) {
      const TriangleCoverage c = triangleCoverage(m, k, 32, 32);
      for (int64_t y = 0; y < 32; ++y)
        for (int64_t x = 0; x < 32; ++x)
          if (c.covers(x, y)) expected[y * 32 + x] = surfaceColor(k);
    }
    return expected;
  }());
  EXPECT_EQ(t.pixels()[4 * 32 + 4], surfaceColor(0));
  EXPECT_EQ(t.pixels()[27 * 32 + 27], surfaceColor(1));
  EXPECT_EQ(t.pixels()[4 * 32 + 27], background);
  EXPECT_NE(surfaceColor(0), surfaceColor(1));

  // No model: the colour alone.
  t.newTexture(NewTextureKind::surfaceColours, background, 32, 32, nullptr);
  EXPECT_EQ(t.pixels(), std::vector<uint32_t>(32 * 32, background));
  EXPECT_EQ(t.revision(), 6);
  EXPECT_EQ(t.undoSteps().size(), 5u);
}

}  // namespace
