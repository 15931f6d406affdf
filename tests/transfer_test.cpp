// The painting moved from one layout to another, on hand-made layouts whose pixels can be
// worked out by hand.
#include "paint/transfer.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "image/image.h"

namespace {

constexpr uint32_t kRed = rgba(200, 0, 0, 0), kBlue = rgba(0, 0, 200, 0),
                   kGreen = rgba(0, 200, 0, 0);

using Corners = std::array<std::array<double, 2>, 3>;  // pixel positions in a w x h texture

// Adds a triangle whose corners lie at these pixel positions of a w x h texture.
void addTriangle(Model& model, const Corners& corners, int w, int h) {
  int32_t index[3];
  for (int k = 0; k < 3; ++k)
    index[k] = modelAddVertex(model, static_cast<float>(k), 0, 0,
                              static_cast<float>(corners[k][0] / w),
                              static_cast<float>(1 - corners[k][1] / h));
  modelAddTriangle(model, index[0], index[1], index[2], 0, 0);
}

// Two triangles covering the whole texture.
Model wholeTexture() {
  Model m;
  addTriangle(m, {{{0, 0}, {1, 0}, {0, 1}}}, 1, 1);
  addTriangle(m, {{{1, 0}, {1, 1}, {0, 1}}}, 1, 1);
  return m;
}

TEST(TransferPainting, RefusesWhatCannotBeMovedAndLeavesTheTarget) {
  const Model two = wholeTexture();
  Model one;
  addTriangle(one, {{{0, 0}, {1, 0}, {0, 1}}}, 1, 1);
  const std::vector<uint32_t> pixels(16, kRed);
  struct Case {
    const char* name;
    const Model& oldModel;
    size_t oldPixels;
    int64_t w0, h0, w1, h1;
  };
  const Case cases[] = {
      {"triangle counts differ", one, 16, 4, 4, 4, 4},
      {"old width 0", two, 16, 0, 4, 4, 4},
      {"old height 0", two, 16, 4, 0, 4, 4},
      {"new width 0", two, 16, 4, 4, 0, 4},
      {"new height negative", two, 16, 4, 4, 4, -1},
      {"old pixels missing", two, 15, 4, 4, 4, 4},
  };
  for (const Case& c : cases) {
    std::vector<uint32_t> target{7};
    EXPECT_FALSE(transferPainting(c.oldModel, std::span(pixels).first(c.oldPixels), c.w0, c.h0,
                                  two, target, c.w1, c.h1))
        << c.name;
    EXPECT_EQ(target, std::vector<uint32_t>{7}) << c.name;
  }
}

TEST(TransferPainting, SameLayoutAndSizeGiveTheSamePicture) {
  std::vector<uint32_t> old(9 * 7);
  for (size_t i = 0; i < old.size(); ++i)
    old[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
  std::vector<uint32_t> out;
  ASSERT_TRUE(transferPainting(wholeTexture(), old, 9, 7, wholeTexture(), out, 9, 7));
  EXPECT_EQ(out, old);
}

// A linear ramp stays a ramp under bilinear sampling, so every moved pixel can be predicted:
// the old triangle pair covers the top-left quarter of 512 x 512, the new one all of 1024 x 512.
TEST(TransferPainting, StretchesThePaintingToTheNewPlaceAndSize) {
  Model oldModel;
  addTriangle(oldModel, {{{0, 0}, {256, 0}, {0, 256}}}, 512, 512);
  addTriangle(oldModel, {{{256, 0}, {256, 256}, {0, 256}}}, 512, 512);
  std::vector<uint32_t> old(512 * 512);
  for (int y = 0; y < 512; ++y)
    for (int x = 0; x < 512; ++x) old[static_cast<size_t>(y * 512 + x)] = rgba(x / 2, y / 2, 77, 0);
  std::vector<uint32_t> out;
  ASSERT_TRUE(transferPainting(oldModel, old, 512, 512, wholeTexture(), out, 1024, 512));
  ASSERT_EQ(out.size(), 1024u * 512);
  for (int y = 0; y < 512; y += 37)
    for (int x = 0; x < 1024; x += 41) {
      // The new centre (x + 0.5, y + 0.5) comes from old (x + 0.5) / 4, (y + 0.5) / 2.
      const double oldX = std::clamp((x + 0.5) / 4 - 0.5, 0.0, 511.0);
      const double oldY = std::clamp((y + 0.5) / 2 - 0.5, 0.0, 511.0);
      const uint32_t c = out[static_cast<size_t>(y * 1024 + x)];
      EXPECT_NEAR(redOf(c), oldX / 2, 1.0) << x << "," << y;
      EXPECT_NEAR(greenOf(c), oldY / 2, 1.0) << x << "," << y;
      EXPECT_EQ(blueOf(c), 77u);
      EXPECT_EQ(alphaOf(c), 0u);
    }
}

// Old 2 x 1 pixels black and (255, 101, 3); new 4 x 1 centres fall at old x' 0 (clamped), 0.25,
// 0.75 and 1 (clamped); each channel is rounded, and the result has no alpha.
TEST(TransferPainting, SamplesBilinearlyWithClampingAndRounding) {
  const std::vector<uint32_t> old{rgba(0, 0, 0, 0), rgba(255, 101, 3, 255)};
  std::vector<uint32_t> out;
  ASSERT_TRUE(transferPainting(wholeTexture(), old, 2, 1, wholeTexture(), out, 4, 1));
  const std::vector<uint32_t> expected{rgba(0, 0, 0, 0), rgba(64, 25, 1, 0), rgba(191, 76, 2, 0),
                                       rgba(255, 101, 3, 0)};
  EXPECT_EQ(out, expected);
}

// Two triangles side by side on a 12 x 4 texture: A (first) reaches right up to x = aRight,
// B (second) starts at x = bLeft; each spans all rows there. A takes its paint from a red part
// of the old texture, B from a blue part; the old texture's first pixel is green.
TEST(TransferPainting, InsidesWinFirstFringesKeepAndUntouchedPixelsTakeTheFirstOldPixel) {
  constexpr int kW = 12, kH = 4;
  std::vector<uint32_t> old(16 * 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) old[static_cast<size_t>(y * 16 + x)] = x < 8 ? kRed : kBlue;
  old[0] = kGreen;
  Model oldModel;
  addTriangle(oldModel, {{{2, 2}, {6, 2}, {6, 6}}}, 16, 8);
  addTriangle(oldModel, {{{10, 2}, {14, 2}, {14, 6}}}, 16, 8);

  const uint32_t R = kRed, B = kBlue, G = kGreen;
  struct Case {
    const char* name;
    double aRight, bLeft;
    std::array<uint32_t, kW> row;
  };
  const Case cases[] = {
      // x = 4.5 lies inside A and half a pixel outside B; x = 5.5 the other way round.
      {"touching", 5, 5, {R, R, R, R, R, B, B, B, B, B, B, B}},
      // x = 5.5 is half a pixel outside both: A's fringe reached it first.
      {"a gap of one pixel", 5, 6, {R, R, R, R, R, R, B, B, B, B, B, B}},
      // x = 6.5 is more than a pixel outside both.
      {"a gap of three pixels", 5, 8, {R, R, R, R, R, R, G, B, B, B, B, B}},
      // x = 5.5 lies inside both: the later triangle paints over the earlier.
      {"overlapping", 6, 5, {R, R, R, R, R, B, B, B, B, B, B, B}},
  };
  // Also moved `shift` pixels to the right on a wider texture, where both triangles' rows are
  // searched for the pixels near them rather than tested whole.
  for (const auto& [width, shift] : {std::pair{kW, 0}, {6 * kW, 24}})
    for (const Case& c : cases) {
      const double a = c.aRight + shift, b = c.bLeft + shift;
      Model newModel;
      addTriangle(newModel, {{{shift - 20.0, -20}, {a, -20}, {a, 40}}}, width, kH);
      addTriangle(newModel, {{{b, -20}, {b, 40}, {shift + 40.0, -20}}}, width, kH);
      std::vector<uint32_t> out;
      ASSERT_TRUE(transferPainting(oldModel, old, 16, 8, newModel, out, width, kH));
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
          EXPECT_EQ(out[static_cast<size_t>(y * width + shift + x)], c.row[static_cast<size_t>(x)])
              << c.name << " at " << x << "," << y << " of " << width;
    }
}

TEST(TransferPainting, TrianglesWithoutAreaInTheNewLayoutGetNoPaint) {
  std::vector<uint32_t> old(8 * 8, kRed);
  old[0] = kGreen;
  Model oldModel, newModel;
  addTriangle(oldModel, {{{1, 1}, {7, 1}, {1, 7}}}, 8, 8);
  addTriangle(newModel, {{{1, 1}, {4, 4}, {7, 7}}}, 8, 8);  // on one line
  std::vector<uint32_t> out;
  ASSERT_TRUE(transferPainting(oldModel, old, 8, 8, newModel, out, 8, 8));
  EXPECT_EQ(out, std::vector<uint32_t>(8 * 8, kGreen));
}

// A piece in the bottom-right quarter of an old 4 x 8 ramp, touching its right and bottom
// edges, moved onto the whole of an 8 x 8 texture: the new pixels nearest those edges fall
// between the old last pixel centres and the edges, and take the last column and row.
TEST(TransferPainting, APieceAtTheOldTexturesEdgesSamplesItsLastColumnAndRow) {
  constexpr int kW0 = 4, kH0 = 8;
  std::vector<uint32_t> old(kW0 * kH0);
  for (int y = 0; y < kH0; ++y)
    for (int x = 0; x < kW0; ++x) old[static_cast<size_t>(y * kW0 + x)] = rgba(60 * x, 30 * y, 9, 0);
  Model oldModel;
  addTriangle(oldModel, {{{2, 4}, {4, 4}, {2, 8}}}, kW0, kH0);
  addTriangle(oldModel, {{{4, 4}, {4, 8}, {2, 8}}}, kW0, kH0);
  std::vector<uint32_t> out;
  ASSERT_TRUE(transferPainting(oldModel, old, kW0, kH0, wholeTexture(), out, 8, 8));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      // The new centre comes from old (2 + (x + 0.5) / 4, 4 + (y + 0.5) / 2).
      const double oldX = std::min(2 + (x + 0.5) / 4 - 0.5, kW0 - 1.0);
      const double oldY = std::min(4 + (y + 0.5) / 2 - 0.5, kH0 - 1.0);
      const uint32_t c = out[static_cast<size_t>(y * 8 + x)];
      EXPECT_NEAR(redOf(c), 60 * oldX, 0.6) << x << "," << y;
      EXPECT_NEAR(greenOf(c), 30 * oldY, 0.6) << x << "," << y;
    }
  EXPECT_EQ(out[63], rgba(180, 210, 9, 0));  // the old bottom-right pixel
}

}  // namespace
