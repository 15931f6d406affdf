// Any block that reads is safe to use, writes again and reads back to the same block, whose
// size the archive reader's limit follows exactly; a refused block leaves the model it was
// read into untouched.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "fuzz/model_checks.h"
#include "project/snapshot.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Model model;
  model.vertices.push_back({1, 2, 3, 0, 0});
  model.materialNames = {"before"};
  model.triangles.push_back({0, 0, 0, 0, 0});
  const Model before = model;
  if (!readModelSnapshot(model, {data, size})) {
    if (!(model == before)) std::abort();
    return 0;
  }
  checkModelConsistent(model);
  // Blocks are compared rather than models, so NaN coordinates compare by their bits.
  const std::vector<uint8_t> block = writeModelSnapshot(model);
  Model again;
  if (!readModelSnapshot(again, block) || writeModelSnapshot(again) != block) std::abort();
  // The archive reader's limit, fed the block in two pieces, never cuts it short and ends at
  // its exact size.
  SnapshotSizeLimit limit(SIZE_MAX);
  const size_t half = block.size() / 2;
  if (limit(std::span(block).first(half)) < half || limit(block) != block.size()) std::abort();
  return 0;
}
