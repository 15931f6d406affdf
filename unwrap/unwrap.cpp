#include "unwrap/unwrap.h"

#include "unwrap/exact.h"
#include "unwrap/pack.h"
#include "unwrap/weld.h"

int64_t unwrapPieces(Model& model, const UnwrapSettings& settings, UnwrapStats& stats) {
  const WeldData weld = weldModel(model);
  PieceLayout layout = segmentExact(model, weld, settings.maxAngle);
  stats.largestStretch = 1;
  stats.foldedCount = 0;
  Pieces pieces = groupPieces(layout, weld);
  orientPieces(weld, layout, pieces, settings.rotateMode);
  const PackResult packed =
      packPieces(layout, pieces, settings.layoutWidth, settings.layoutHeight, settings.margin);
  writeLayoutUVs(model, weld, layout, pieces, packed.scale, settings.layoutWidth,
                 settings.layoutHeight);
  stats.pieceCount = layout.pieceCount;
  stats.layoutScale = packed.scale;
  stats.textureUsed = packed.textureUsed;
  stats.rotatedCount = packed.rotatedCount;
  return layout.pieceCount;
}
