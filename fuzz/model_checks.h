// Checks shared by the model reader fuzzers: a model a reader returns must be safe to use.
#pragma once

#include <cstdlib>

#include "model/model.h"

inline void checkModelConsistent(const Model& m) {
  for (const Triangle& t : m.triangles) {
    for (int32_t c : {t.cornerA, t.cornerB, t.cornerC})
      if (c < 0 || c >= m.vertexCount()) std::abort();
    if (t.material < 0 || t.material >= m.materialCount()) std::abort();
    if (t.layer < 0 || t.layer >= m.layerCount()) std::abort();
  }
}
