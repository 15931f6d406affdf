// Whatever a model file holds (huge, tiny, NaN coordinates; degenerate faces), the unwrap
// finishes and leaves every corner on a vertex with a UV.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/model_checks.h"
#include "model/readers.h"
#include "unwrap/surfaces.h"
#include "unwrap/unwrap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  Model model;
  const bool binary = data[0] & 1;
  const ReadResult read = binary ? parse3ds({data + 1, size - 1}, "fuzz.3ds", model)
                                 : parseObj({data + 1, size - 1}, "fuzz.obj", model, true);
  if (!read.ok || model.triangleCount() > 2000) return 0;
  UnwrapSettings settings;
  settings.layoutWidth = 64 << (data[0] >> 1 & 3);
  settings.layoutHeight = 32 << (data[0] >> 3 & 3);
  settings.rotateMode = data[0] >> 5 & 1 ? 2 : 1;
  UnwrapStats stats;
  modelToYUp(model);
  unwrapPieces(model, settings, stats);
  buildSurfaces(model, data[0] >> 6 & 1);
  checkModelConsistent(model);
  return 0;
}
