#include "unwrap/unwrap.h"

#include <malloc.h>

#include <algorithm>
#include <mutex>

#include "unwrap/pack.h"
#include "unwrap/smooth.h"

Segmentation segmentPieces(const Model& model, const WeldData& weld, const UnwrapSettings& settings,
                           Progress* progress) {
  checkpoint(progress, ProgressStage::pieces, 0);
  Segmentation s;
  if (settings.mapMode == MapMode::smooth) {
    SmoothLayout smooth =
        segmentSmooth(model, weld, settings.maxAngle, settings.maxStretch / 100.0 + 1, progress);
    s.layout = std::move(smooth.layout);
    s.largestStretch = smooth.largestStretch;
    s.foldedCount = smooth.foldedCount;
  } else {
    s.layout = segmentExact(model, weld, settings.maxAngle);
  }
  return s;
}

int64_t layOutPieces(Model& model, const WeldData& weld, Segmentation segmentation,
                     const UnwrapSettings& settings, UnwrapStats& stats, Progress* progress) {
  PieceLayout& layout = segmentation.layout;
  checkpoint(progress, ProgressStage::packing, 0);
  Pieces pieces = groupPieces(layout, weld);
  orientPieces(weld, layout, pieces, settings.rotateMode);
  checkpoint(progress, ProgressStage::packing, 0.2);
  const PackResult packed =
      packPieces(layout, pieces, settings.layoutWidth, settings.layoutHeight, settings.margin,
                 settings.packMode, progress);
  writeLayoutUVs(model, weld, layout, pieces, packed.scale, settings.layoutWidth,
                 settings.layoutHeight);
  stats.pieceCount = layout.pieceCount;
  stats.layoutScale = packed.scale;
  stats.largestPiece = 0;
  for (const PieceBox& box : pieces.boxes)
    stats.largestPiece = std::max({stats.largestPiece, box.width, box.height});
  stats.piecesFit = !(stats.largestPiece > 0 && stats.layoutScale * stats.largestPiece < 1);
  stats.textureUsed = packed.textureUsed;
  stats.rotatedCount = packed.rotatedCount;
  stats.largestStretch = segmentation.largestStretch;
  stats.foldedCount = segmentation.foldedCount;
  return layout.pieceCount;
}

namespace {

// An unwrap fills tens of megabytes of flat tables and frees them at its end. The allocator
// would hand that memory back to the system at once, and the next unwrap (the user changes a
// setting and the model is unwrapped again) would pay for every page anew; kept, it is reused.
void keepFreedMemory() {
  static std::once_flag once;
  std::call_once(once, [] {
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);  // the largest the allocator takes
  });
}

}  // namespace

int64_t unwrapPieces(Model& model, const UnwrapSettings& settings, UnwrapStats& stats,
                     Progress* progress) {
  keepFreedMemory();
  checkpoint(progress, ProgressStage::weld, 0);
  const WeldData weld = weldModel(model);
  return layOutPieces(model, weld, segmentPieces(model, weld, settings, progress), settings, stats,
                      progress);
}
