// A sphere of 60 000 triangles, unwrapped and split into Surfaces as the program shows it:
// the large model of the view benchmarks.
#pragma once

#include "bench/generated_model.h"
#include "unwrap/surfaces.h"
#include "unwrap/unwrap.h"

inline const Model& unwrappedSphere() {
  static const Model model = [] {
    Model m = sphere60k();
    UnwrapSettings settings;
    UnwrapStats stats;
    unwrapPieces(m, settings, stats);
    buildSurfaces(m, settings.mergeSurfaces);
    return m;
  }();
  return model;
}
