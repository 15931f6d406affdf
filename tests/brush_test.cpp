#include <gtest/gtest.h>

#include <random>

#include "base/second_thread.h"
#include "paint/brush.h"
#include "render/view.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr int kSide = 100;        // view, pixels
constexpr int64_t kTexels = 64;   // texture side
constexpr double kDist = 4;       // eye to the quad at z = 0

// The rectangle x0 .. x1 by y0 .. y1 in the plane z, facing the camera, with the UVs u0 .. u1
// across and v0 .. v1 up.
void addRect(Model& m, float x0, float y0, float x1, float y1, float z, float u0, float v0,
             float u1, float v1, int32_t layer = 0) {
  const int32_t first = static_cast<int32_t>(m.vertices.size());
  m.vertices.push_back({x0, y0, z, u0, v0});
  m.vertices.push_back({x1, y0, z, u1, v0});
  m.vertices.push_back({x1, y1, z, u1, v1});
  m.vertices.push_back({x0, y1, z, u0, v1});
  m.triangles.push_back({first, first + 1, first + 2, 0, layer});
  m.triangles.push_back({first, first + 2, first + 3, 0, layer});
}

void addQuad(Model& m, float half, float z, float u0, float u1, int32_t layer = 0) {
  addRect(m, -half, -half, half, half, z, u0, 0, u1, 1, layer);
}

// A square of side 2 facing the camera at distance 4, its UVs over the whole texture, seen in
// a 100 x 100 view; the texture is white once a stroke begins.
struct BrushFixture : ::testing::Test {
  Model model;
  View3D view;
  LayerState layers;
  Texture texture;
  Stroke stroke;
  BrushSettings brush;
  std::mt19937 random{7};

  BrushFixture() {
    model.layerNames = {"A", "B"};
    addQuad(model, 1, 0, 0, 1);
    resizeLayerState(layers, 2);
    brush.color = 0;  // black on white: each channel reads 255 - alpha
    render();  // screenX and screenY need the focal length
  }
  BrushScene scene() { return {model, view, layers, texture}; }
  void render() {
    RenderInputs in;
    in.camera.dist = kDist;
    renderView(view, kSide, kSide, model, in);
  }
  void stroke1(double x, double y) {
    render();
    beginStroke(stroke, scene(), brush, kTexels, kTexels, x, y, random);
  }
  // Where the centre of texel (column, row) of the facing quad lands on the screen.
  double screenX(int64_t column) const {
    const double x = 2 * (column + 0.5) / kTexels - 1;
    return kSide / 2.0 + view.viewFocal * x / kDist;
  }
  double screenY(int64_t row) const {
    const double y = 1 - 2 * (row + 0.5) / kTexels;
    return kSide / 2.0 - view.viewFocal * y / kDist;
  }
  // The square in 16 x 16 cells, each about 3.8 pixels wide, most of them off the centre.
  void useFineMesh() {
    constexpr int kCells = 16;
    model.vertices.clear();
    model.triangles.clear();
    for (int i = 0; i < kCells; ++i)
      for (int j = 0; j < kCells; ++j) {
        const float x0 = -1 + 2.f * j / kCells, y0 = -1 + 2.f * i / kCells, step = 2.f / kCells;
        addRect(model, x0, y0, x0 + step, y0 + step, 0, (x0 + 1) / 2, (y0 + 1) / 2,
                (x0 + step + 1) / 2, (y0 + step + 1) / 2);
      }
  }
  uint32_t red(int64_t column, int64_t row) const {
    return texture.pixels()[static_cast<size_t>(row * kTexels + column)] & 0xFF;
  }
};

TEST_F(BrushFixture, RoundDabPaintsTheCircleWithItsHardness) {
  brush.size = 10;
  brush.hardness = 100;
  brush.color = 0x123456;
  stroke1(screenX(32), screenY(32));
  EXPECT_EQ(texture.pixels()[32 * kTexels + 32], 0x123456u);
  // A texel is 0.943 pixels on the screen: 4 texels lie inside the radius of 5, 6 outside.
  EXPECT_EQ(texture.pixels()[32 * kTexels + 36], 0x123456u);
  EXPECT_EQ(texture.pixels()[32 * kTexels + 38], kWhite);
  EXPECT_EQ(texture.pixels()[0], kWhite);
  EXPECT_EQ(texture.revision(), 2);  // the white texture, then the stroke
  EXPECT_EQ(texture.undoSteps().size(), 1u);

  // Hardness 0 falls off from the centre: 5 texels (4.715 pixels) out, t = 0.4715,
  // s = 0.5285, coverage 0.5427, alpha 138.
  texture.clear();
  brush.size = 20;
  brush.hardness = 0;
  brush.color = 0;
  stroke1(screenX(32), screenY(32));
  EXPECT_EQ(red(32, 32), 0u);
  EXPECT_EQ(red(37, 32), 255u - 138u);
}

TEST_F(BrushFixture, PaintDoesNotBuildUpWithinAStroke) {
  brush.opacity = 50;
  brush.hardness = 0;
  stroke1(screenX(32), screenY(32));
  EXPECT_EQ(red(32, 32), 127u);  // alpha 128 at the centre
  ASSERT_GT(red(34, 32), 127u);  // reached with less coverage
  // A dab centred on texel 34 reaches texel 32 with less coverage and leaves it as it was;
  // texel 34 takes the stronger alpha 128, blended from the stroke's base (255 - 128), not
  // from what the first dab left there.
  continueStroke(stroke, scene(), brush, screenX(34), screenY(32), random);
  EXPECT_EQ(red(32, 32), 127u);
  EXPECT_EQ(red(34, 32), 127u);
  // A second stroke blends from what the first left: 127 - 128 * 127 / 255.
  stroke1(screenX(32), screenY(32));
  EXPECT_EQ(red(32, 32), 64u);
  EXPECT_EQ(texture.undoSteps().size(), 2u);
}

// A stroke makes its undo step (and the white texture of a first stroke) only when it first
// changes a texel: one on the background, or one that paints what is there already, leaves the
// texture, its undo and redo steps, its revision and its modified flag as they were.
TEST_F(BrushFixture, AStrokeThatChangesNothingLeavesNoTrace) {
  brush.hardness = 100;
  render();
  TextureViewUpdate update = beginStroke(stroke, scene(), brush, kTexels, kTexels, 5, 5, random);
  EXPECT_FALSE(update.redraw);
  EXPECT_FALSE(update.showTexture);
  EXPECT_EQ(texture.width(), 0);
  EXPECT_TRUE(texture.undoSteps().empty());
  EXPECT_EQ(texture.revision(), 0);
  EXPECT_EQ(stroke.blocked, PaintBlock::none);  // the background blocks nothing
  // Moving onto the model paints: now the white texture and the stroke are one undo step.
  update = continueStroke(stroke, scene(), brush, screenX(32), screenY(32), random);
  EXPECT_TRUE(update.redraw);
  EXPECT_TRUE(update.showTexture);
  ASSERT_EQ(texture.width(), kTexels);
  EXPECT_EQ(red(32, 32), 0u);
  EXPECT_EQ(texture.undoSteps().size(), 1u);
  EXPECT_EQ(texture.revision(), 2);
  // Further moves make no further step.
  EXPECT_FALSE(continueStroke(stroke, scene(), brush, screenX(20), screenY(32), random).redraw);
  EXPECT_EQ(texture.undoSteps().size(), 1u);

  // With a texture, an undo step and a redo step.
  stroke1(screenX(10), screenY(54));
  texture.undo();
  texture.markSaved();
  const Texture before = texture;
  ASSERT_EQ(before.undoSteps().size(), 1u);
  ASSERT_EQ(before.redoSteps().size(), 1u);
  for (const auto& [x, y] : {std::pair{5.0, 5.0}, {screenX(32), screenY(32)}}) {
    SCOPED_TRACE(x);
    stroke1(x, y);  // the background, then black on black
    continueStroke(stroke, scene(), brush, x, y, random);
    EXPECT_EQ(texture.pixels(), before.pixels());
    EXPECT_EQ(texture.undoSteps().size(), before.undoSteps().size());
    EXPECT_EQ(texture.redoSteps().size(), before.redoSteps().size());
    EXPECT_EQ(texture.revision(), before.revision());
    EXPECT_FALSE(texture.modified());
  }
  // A stroke that paints: its undo step saves the texture as the stroke found it.
  brush.color = 0x00FF00;
  stroke1(screenX(32), screenY(32));
  EXPECT_EQ(texture.undoSteps().size(), before.undoSteps().size() + 1);
  EXPECT_TRUE(texture.redoSteps().empty());
  texture.undo();
  EXPECT_EQ(texture.pixels(), before.pixels());
}

// UVs outside 0..1 repeat the texture in the view; the brush paints the texel the view shows,
// in whichever copy of the texture the triangle's UVs lie.
TEST_F(BrushFixture, PaintsTheTexelTheViewShowsWhereUvsRepeatTheTexture) {
  struct Case {
    const char* name;
    float u0, u1, v0, v1;
    bool painted;
  } cases[] = {
      {"within 0..1", 0, 1, 0, 1, true},
      {"one copy over, and below", 1.1f, 1.9f, -0.9f, -0.1f, true},
      {"over the edge of the first copy", 0.5f, 1.5f, 0.25f, 1.25f, true},
      {"twice across", 0, 2, 0, 2, true},
      {"too many copies to paint", 0, 1000, 0, 1, false},
  };
  brush.size = 4;
  brush.hardness = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (Vertex& v : model.vertices) {
      v.u = v.u == 0 ? c.u0 : c.u1;
      v.v = v.v == 0 ? c.v0 : c.v1;
    }
    for (int y = 30; y <= 70; y += 20)
      for (int x = 30; x <= 70; x += 10) {
        texture.clear();
        stroke1(x + 0.5, y + 0.5);
        if (!c.painted) {
          EXPECT_EQ(texture.width(), 0);
          continue;
        }
        const std::optional<ViewHit> hit = pickAt(view, x, y);
        ASSERT_TRUE(hit);
        ASSERT_EQ(texture.width(), kTexels) << x << "," << y;
        const TexelView texels(kTexels, kTexels, texture.pixels());
        EXPECT_EQ(texture.pixels()[texelIndex(texels, hit->u, hit->v)], 0u) << x << "," << y;
      }
    for (Vertex& v : model.vertices) {  // back to 0..1 for the next case's test of v.u == 0
      v.u = v.u == c.u0 ? 0 : 1;
      v.v = v.v == c.v0 ? 0 : 1;
    }
  }
}

TEST_F(BrushFixture, HiddenTexelsAreNotPainted) {
  // A smaller square in front (z = 1, 20 pixels to each side of the centre) takes the right
  // half of the texture; the facing square behind it keeps the left half.
  model.vertices.clear();
  model.triangles.clear();
  addQuad(model, 1, 0, 0, 0.5f);
  addQuad(model, 0.5f, 1, 0.5f, 1);
  brush.size = 16;
  brush.hardness = 100;
  stroke1(70, 50);  // on the front square's right edge
  // Behind: u = (x + 1) / 4 with x = (sx - 50) * 4 / f; the texel row of v = 0.5 is 31/32.
  const auto backColumn = [&](double sx) {
    return static_cast<int64_t>(((sx - 50) * kDist / view.viewFocal + 1) / 4 * kTexels);
  };
  EXPECT_EQ(red(backColumn(66), 31), 255u) << "hidden by the front square";
  EXPECT_EQ(red(backColumn(75), 31), 0u) << "seen beside it";
  // In front: u = 0.5 + (x' + 0.5) / 2 with x' = (sx - 50) * 3 / f.
  const double frontU = 0.5 + ((66 - 50) * (kDist - 1) / view.viewFocal + 0.5) / 2;
  EXPECT_EQ(red(static_cast<int64_t>(frontU * kTexels), 31), 0u);
}

TEST_F(BrushFixture, StencilPaintsItsColoursThroughItsAlpha) {
  // Two stencil pixels 20 screen pixels wide over the view's centre: opaque blue on the
  // left, transparent on the right.
  Image stencil(2, 1);
  stencil.at(0, 0) = 0xFFu << 24 | 0xFF0000u;
  BrushScene withStencil = scene();
  withStencil.stencil = &stencil;
  withStencil.stencilPlacement = {50, 50, 20, 0};
  brush.size = 40;
  brush.hardness = 100;
  brush.source = PaintSource::stencil;
  beginStroke(stroke, withStencil, brush, kTexels, kTexels, 50, 50, random);
  // Texel 19 lands at x = 38.2, on the blue pixel; texel 44 at 61.8 on the transparent one.
  EXPECT_EQ(texture.pixels()[32 * kTexels + 19], 0xFF0000u);
  EXPECT_EQ(texture.pixels()[32 * kTexels + 44], kWhite);
  // Without a stencil the brush colour is painted.
  withStencil.stencil = nullptr;
  beginStroke(stroke, withStencil, brush, kTexels, kTexels, 50, 50, random);
  EXPECT_EQ(texture.pixels()[32 * kTexels + 44], brush.color);
}

TEST_F(BrushFixture, PatternPaintsItsTintedColoursWhereTheMappingReaches) {
  PatternState pattern;
  ASSERT_TRUE(loadSourceImage(pattern.image, encodePng(Image(1, 1, rgba(200, 100, 50)), false), "png", false));
  pattern.tint = true;
  NeighbourTables tables;
  PatternCaches caches;
  BrushScene withPattern = scene();
  withPattern.pattern = &pattern;
  withPattern.patternCaches = &caches;
  brush.size = 20;
  brush.hardness = 100;
  brush.source = PaintSource::pattern;
  brush.color = rgba(128, 128, 128, 0);
  preparePattern(caches, tables, model, pattern);
  beginStroke(stroke, withPattern, brush, kTexels, kTexels, 50, 50, random);
  EXPECT_EQ(texture.pixels()[32 * kTexels + 32], rgba(100, 50, 25, 0));
  // Anchored, with a roll-out that has not been built for this model: nothing is painted, so
  // no texture is made.
  pattern.mapping = PatternMapping::anchor;
  storeAnchor(pattern, {.face = 0, .b0 = 0.3, .b1 = 0.3, .up = {0, 1, 0}, .right = {1, 0, 0}});
  texture.clear();
  beginStroke(stroke, withPattern, brush, kTexels, kTexels, 50, 50, random);
  EXPECT_EQ(texture.width(), 0);
}

TEST_F(BrushFixture, LayersThatMayNotBePaintedStayUnchanged) {
  struct Case {
    const char* name;
    bool hidden, locked, onlyLayer;
    int64_t curLayer;
    bool otherHidden, otherLocked;  // layer 1's flags
    PaintBlock blocked;             // PaintBlock::none: painted
  };
  const Case cases[] = {
      {"hidden", true, false, false, 0, false, false, PaintBlock::hidden},
      {"locked", false, true, false, 0, false, false, PaintBlock::locked},
      {"only another layer", false, false, true, 1, false, false, PaintBlock::notCurrent},
      {"only another layer, which is hidden", false, false, true, 1, true, false, PaintBlock::hidden},
      {"only another layer, which is locked", false, false, true, 1, false, true, PaintBlock::locked},
      {"only this layer", false, false, true, 0, true, true, PaintBlock::none},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    layers.hidden = {c.hidden, c.otherHidden};
    layers.locked = {c.locked, c.otherLocked};
    layers.onlyLayer = c.onlyLayer;
    layers.curLayer = c.curLayer;
    texture.clear();
    // The view still shows the triangles of a hidden layer: the brush must refuse them itself.
    stroke1(screenX(32), screenY(32));
    EXPECT_EQ(paintBlockOf(model, layers, 0), c.blocked);
    EXPECT_EQ(stroke.blocked, c.blocked);
    if (c.blocked == PaintBlock::none) {
      EXPECT_EQ(red(32, 32), 0u);
    } else {
      // Nothing changed, so nothing was made: no texture, no undo step, no revision.
      EXPECT_EQ(texture.width(), 0);
      EXPECT_TRUE(texture.undoSteps().empty());
      EXPECT_EQ(texture.revision(), 0);
    }
  }
  layers.locked.resize(0);  // a layer beyond the array is unlocked
  layers.hidden[0] = false;
  layers.onlyLayer = false;
  EXPECT_TRUE(isPaintable(model, layers, 0));
}

// The brush paints within half its size, at least half a pixel; what works pixel by pixel (the
// circle drawn on the view, the assign brush) within the whole part of that, at least one.
TEST(BrushRadius, PaintedAndPixelRadiusOfOneDefinition) {
  const struct {
    int size;
    double painted;
    int pixels;
  } cases[] = {{-3, 0.5, 1}, {0, 0.5, 1}, {1, 0.5, 1}, {2, 1, 1}, {3, 1.5, 1},
               {24, 12, 12}, {25, 12.5, 12}, {400, 200, 200}};
  for (const auto& c : cases) {
    EXPECT_EQ(brushRadius(c.size), c.painted) << c.size;
    EXPECT_EQ(brushPixelRadius(c.size), c.pixels) << c.size;
  }
}

TEST_F(BrushFixture, DabSpacingAlongAMove) {
  brush.size = 24;  // "Round": every 4 pixels, the move divided evenly
  stroke1(20, 50);
  continueStroke(stroke, scene(), brush, 30, 50, random);
  EXPECT_EQ(stroke.dabCounter, 3u);
  continueStroke(stroke, scene(), brush, 31, 50, random);  // shorter than the spacing: one dab
  EXPECT_EQ(stroke.dabCounter, 4u);
  EXPECT_EQ(stroke.lastX, 31);

  brush.tip = BrushTip::sponge;  // every 7 pixels at size 20; the rest carries over
  brush.size = 20;
  stroke1(20, 50);
  const uint32_t first = stroke.dabCounter;  // the counter runs on across strokes
  continueStroke(stroke, scene(), brush, 25, 50, random);
  EXPECT_EQ(stroke.dabCounter, first);
  EXPECT_EQ(stroke.lastX, 20);
  continueStroke(stroke, scene(), brush, 35, 50, random);
  EXPECT_EQ(stroke.dabCounter, first + 2);
  EXPECT_DOUBLE_EQ(stroke.lastX, 34);

  brush.tip = BrushTip::splatter;
  EXPECT_EQ(dabSpacing(brush), 18);
  brush.size = 1;
  EXPECT_EQ(dabSpacing(brush), 1);
}

TEST_F(BrushFixture, MovesFarOutsideTheViewPlaceOnlyTheDabsThatReachIt) {
  // From the middle to a point a billion pixels to the right: the dabs up to the view's edge
  // and a little beyond, no more.
  for (const BrushTip tip : {BrushTip::round, BrushTip::sponge}) {
    SCOPED_TRACE(static_cast<int>(tip));
    brush.tip = tip;
    brush.size = 12;
    texture.clear();
    stroke1(50, 50);
    const uint32_t first = stroke.dabCounter;
    continueStroke(stroke, scene(), brush, 1e9, 50, random);
    EXPECT_LE(stroke.dabCounter - first, 60u / dabSpacing(brush) + 2);
    EXPECT_NE(texture.pixels()[32 * kTexels + kTexels - 1], kWhite);  // right edge
    // The next move starts where the last one ended: nothing more within the view.
    continueStroke(stroke, scene(), brush, -1e300, 50, random);
    continueStroke(stroke, scene(), brush, NAN, 50, random);
  }
}

TEST_F(BrushFixture, TipsBreakUpTheDabRepeatablyFromTheSeed) {
  brush.size = 40;
  brush.hardness = 100;
  const auto paintWith = [&](BrushTip tip, unsigned seed) {
    brush.tip = tip;
    random.seed(seed);
    texture.clear();
    stroke1(50, 50);
    return texture.pixels();
  };
  const auto painted = [](const std::vector<uint32_t>& pixels) {
    return std::count_if(pixels.begin(), pixels.end(), [](uint32_t p) { return p != kWhite; });
  };
  const auto round = painted(paintWith(BrushTip::round, 1));
  for (const BrushTip tip : {BrushTip::sponge, BrushTip::splatter, BrushTip::chalk}) {
    SCOPED_TRACE(static_cast<int>(tip));
    const auto first = paintWith(tip, 1);
    EXPECT_EQ(paintWith(tip, 1), first);
    EXPECT_GT(painted(first), 0);
    EXPECT_LT(painted(first), round);
    // "Chalk" is fixed to the screen and draws nothing at random.
    EXPECT_EQ(paintWith(tip, 2) == first, tip == BrushTip::chalk);
  }
}

TEST_F(BrushFixture, TheBackOfAThinPlateIsNotPainted) {
  // A larger back, 1 % or 4 % farther than the front, in the texture's right half: its rim is
  // seen around the front, so the dab takes it in, and its middle lies behind the front.
  for (const double gap : {0.01, 0.04}) {
    SCOPED_TRACE(gap);
    model.vertices.clear();
    model.triangles.clear();
    addQuad(model, 1, 0, 0, 0.5f);
    addQuad(model, 1.5f, static_cast<float>(-gap * kDist), 0.5f, 1);
    brush.size = 80;
    brush.hardness = 100;
    texture.clear();
    stroke1(50, 50);
    EXPECT_EQ(red(16, 32), 0u);
    EXPECT_EQ(red(60, 32), 0u) << "the back's rim at x = 1.2, seen beside the front";
    // x and y within -0.9 .. 0.9 on the back: hidden.
    for (int64_t row = 13; row <= 51; ++row)
      for (int64_t column = 39; column <= 57; ++column)
        ASSERT_EQ(red(column, row), 255u) << column << "," << row;
  }
}

TEST_F(BrushFixture, ADabAcrossASeamPaintsATexelBeyondEachPiece) {
  // The left and right halves of the square meet at x = 0 but lie apart in the texture: the
  // centre of column 28 lies 0.8 texels beyond the left one's edge, that of column 35 0.8
  // texels before the right one's.
  model.vertices.clear();
  model.triangles.clear();
  addRect(model, -1, -1, 0, 1, 0, 4.f / kTexels, 0, 27.7f / kTexels, 1);
  addRect(model, 0, -1, 1, 1, 0, 36.3f / kTexels, 0, 60.f / kTexels, 1);
  brush.size = 20;
  brush.hardness = 100;
  stroke1(50, 50);
  // Texels 28 and 35 lie up to a texel outside their piece, where the game's filtering reads.
  for (int64_t column = 26; column <= 37; ++column)
    EXPECT_EQ(red(column, 32), column <= 28 || column >= 35 ? 0u : 255u) << column;
}

TEST_F(BrushFixture, ADabPaintsEveryTexelInsideItsCircleOnAFineMesh) {
  useFineMesh();
  brush.size = 30;
  brush.hardness = 100;
  const double cx = 50.3, cy = 49.6, r = 15;
  stroke1(cx, cy);
  int64_t inside = 0;
  for (int64_t row = 0; row < kTexels; ++row)
    for (int64_t column = 0; column < kTexels; ++column) {
      const double dx = screenX(column) - cx, dy = screenY(row) - cy;
      const bool in = dx * dx + dy * dy <= r * r;
      inside += in;
      EXPECT_EQ(red(column, row), in ? 0u : 255u) << column << "," << row;
    }
  EXPECT_GT(inside, 700);  // about pi * (15 / 0.943)² texels
}

// A big dab walks its texels on two threads when the scene has a second one: the texture
// comes out as one thread paints it, with every tip and source, where cells' fringes overlap.
TEST_F(BrushFixture, TwoThreadsPaintWhatOnePaints) {
  useFineMesh();
  render();
  Image stencil(3, 3);
  for (int i = 0; i < 9; ++i) stencil.at(i % 3, i / 3) = static_cast<uint32_t>(28 * i) << 24 | 0x10305u * i;
  PatternState pattern;
  ASSERT_TRUE(loadSourceImage(pattern.image, encodePng(Image(2, 2, rgba(200, 100, 50)), false), "png", false));
  NeighbourTables tables;
  PatternCaches caches;
  preparePattern(caches, tables, model, pattern);
  brush.size = 40;  // radius 20: split between the threads
  brush.hardness = 30;
  brush.opacity = 60;
  SecondThread second;
  for (const BrushTip tip : {BrushTip::round, BrushTip::sponge, BrushTip::splatter, BrushTip::chalk})
    for (const PaintSource source : {PaintSource::colour, PaintSource::stencil, PaintSource::pattern}) {
      SCOPED_TRACE(static_cast<int>(tip) * 10 + static_cast<int>(source));
      brush.tip = tip;
      brush.source = source;
      const auto paint = [&](SecondThread* helper) {
        random.seed(3);
        texture.clear();
        BrushScene s = scene();
        s.stencil = &stencil;
        s.stencilPlacement = {50, 50, 30, 20};
        s.pattern = &pattern;
        s.patternCaches = &caches;
        s.helper = helper;
        beginStroke(stroke, s, brush, kTexels, kTexels, 35, 40, random);
        continueStroke(stroke, s, brush, 65, 62, random);
        return texture.pixels();
      };
      const std::vector<uint32_t> one = paint(nullptr);
      EXPECT_GT(std::count_if(one.begin(), one.end(), [](uint32_t p) { return p != kWhite; }), 300);
      EXPECT_EQ(paint(&second), one);
    }
}

}  // namespace
