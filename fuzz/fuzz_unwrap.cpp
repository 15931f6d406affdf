// Whatever a model file holds (huge, tiny, NaN coordinates; degenerate faces), the unwrap
// finishes in every mode, with or without the mirror, and leaves every corner on a vertex with
// a UV.
//
// Input: a flags byte, then the model file. Flags bit 0: .3ds (else .obj); bits 1-2 and 3-4:
// texture width and height; bit 5: turn all pieces; bit 6: combine Surfaces; bit 7: an options
// byte follows with bit 0: smooth mode; bits 1-2: mirror axis; bits 3-4: stretch limit;
// bits 5-6: angle; bit 7: a single mirror pass (so late triangles are laid out on their own).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/model_checks.h"
#include "model/readers.h"
#include "unwrap/mirror.h"
#include "unwrap/surfaces.h"
#include "unwrap/unwrap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t flags = data[0];
  const bool hasOptions = flags & 0x80;
  if (hasOptions && size < 2) return 0;
  const uint8_t options = hasOptions ? data[1] : 0;
  const size_t skip = hasOptions ? 2 : 1;
  Model model;
  const bool binary = flags & 1;
  const ReadResult read = binary ? parse3ds({data + skip, size - skip}, "fuzz.3ds", model)
                                 : parseObj({data + skip, size - skip}, "fuzz.obj", model, true);
  if (!read.ok || model.triangleCount() > 2000) return 0;
  UnwrapSettings settings;
  settings.layoutWidth = 64 << (flags >> 1 & 3);
  settings.layoutHeight = 32 << (flags >> 3 & 3);
  settings.rotateMode = flags >> 5 & 1 ? RotateMode::all : RotateMode::lyingOnly;
  settings.mapMode = options & 1 ? MapMode::smooth : MapMode::exact;
  settings.mirrorAxis = static_cast<MirrorAxis>(options >> 1 & 3);
  constexpr int kStretch[4] = {1, 30, 100, 1000}, kAngle[4] = {1, 40, 70, 89};
  settings.maxStretch = kStretch[options >> 3 & 3];
  settings.maxAngle = kAngle[options >> 5 & 3];
  const int64_t triangles = model.triangleCount();
  UnwrapStats stats;
  modelToYUp(model);
  if (settings.mirrorAxis != MirrorAxis::off) {
    const MirrorOutcome out = mirrorUnwrap(model, settings, stats, options & 0x80 ? 1 : 6);
    if (out.mirroredCount + out.halfTriangles != triangles) std::abort();
  } else {
    unwrapPieces(model, settings, stats);
  }
  if (model.triangleCount() != triangles || !model.hasUVs) std::abort();
  if (stats.largestStretch < 1 || stats.foldedCount < 0 || stats.foldedCount > triangles) std::abort();
  buildSurfaces(model, flags >> 6 & 1);
  checkModelConsistent(model);
  return 0;
}
