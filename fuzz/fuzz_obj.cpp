#include <cstddef>
#include <cstdint>

#include "fuzz/model_checks.h"
#include "model/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Model model;
  if (parseObj({data, size}, "fuzz.obj", model, true).ok) checkModelConsistent(model);
  return 0;
}
