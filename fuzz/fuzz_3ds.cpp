#include <cstddef>
#include <cstdint>

#include "fuzz/model_checks.h"
#include "model/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Model model;
  if (parse3ds({data, size}, "fuzz.3ds", model).ok) checkModelConsistent(model);
  return 0;
}
