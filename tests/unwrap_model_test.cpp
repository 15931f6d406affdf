// The report of an unwrap: the lines that only unusual layouts or sizes give.
#include <gtest/gtest.h>

#include "base/number_text.h"
#include "tests/unwrap_checks.h"
#include "unwrap/unwrap_model.h"

namespace {

TEST(UnwrapReport, TurnedPiecesAreCountedOnTheUsageLine) {
  const Model sphere = modelOf(genSphere(16, 8));
  UnwrapSettings settings;
  settings.mapMode = MapMode::smooth;
  settings.upAxisChoice = UpAxis::y;
  for (RotateMode rotate : {RotateMode::never, RotateMode::all}) {
    settings.rotateMode = rotate;
    const UnwrapResult r = unwrapSourceModel(sphere, settings);
    const std::string used = "Texture used: " + fixedText(r.stats.textureUsed * 100, 0) + "%";
    if (rotate == RotateMode::never) {
      EXPECT_EQ(r.stats.rotatedCount, 0);
      EXPECT_NE(r.report.find(used + "\nLargest stretch: "), std::string::npos) << r.report;
    } else {
      ASSERT_GT(r.stats.rotatedCount, 1);
      EXPECT_NE(r.report.find(used + "  (" + std::to_string(r.stats.rotatedCount) +
                              " pieces rotated)\nLargest stretch: "),
                std::string::npos)
          << r.report;
    }
  }
}

TEST(UnwrapReport, FoldedTrianglesWarnAfterTheStretch) {
  UnwrapSettings smooth;
  smooth.mapMode = MapMode::smooth;
  UnwrapStats stats;
  stats.pieceCount = 4;
  stats.layoutScale = 12.34;
  stats.textureUsed = 0.5;
  stats.largestStretch = 1.4;
  stats.foldedCount = 3;
  EXPECT_EQ(flatteningReport(smooth, stats, 100),
            "Unwrapped pieces: 4\nScale: 12.3 pixels per unit\nTexture used: 50%\n"
            "Largest stretch: 40%\nWARNING: 3 triangles folded over\n");
  stats.foldedCount = 0;
  EXPECT_EQ(flatteningReport(smooth, stats, 100).find("WARNING"), std::string::npos);

  // Exact mode has no stretch line; its folded count is always 0.
  UnwrapSettings exact;
  stats.largestStretch = 1;
  EXPECT_EQ(flatteningReport(exact, stats, 100),
            "Unwrapped pieces: 4\nScale: 12.3 pixels per unit\nTexture used: 50%\n");
}

TEST(UnwrapReport, SizeWarningAboveWhatA3dsHolds) {
  const std::string warning = "WARNING: too large for .3ds (max. 65535)\n";
  struct Case {
    int64_t vertices, triangles;
    bool warns;
  };
  const Case cases[] = {
      {65535, 65535, false}, {65536, 10, true}, {10, 65536, true}, {65536, 65536, true}, {0, 0, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(surfacesReport(7, c.vertices, c.triangles), "Surfaces: 7\n" + (c.warns ? warning : ""))
        << c.vertices << " vertices, " << c.triangles << " triangles";
}

}  // namespace
