// A sphere of 60 000 triangles, unwrapped and split into Surfaces as the program shows it:
// the large model of the view benchmarks.
#pragma once

#include <string>

#include "model/readers.h"
#include "tools/meshgen/meshgen.h"
#include "unwrap/surfaces.h"
#include "unwrap/unwrap.h"

inline const Model& unwrappedSphere() {
  static const Model model = [] {
    const std::string text = genObjText(genSphere(200, 151));
    Model m;
    parseObj({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, "bench.obj", m, true);
    UnwrapSettings settings;
    UnwrapStats stats;
    unwrapPieces(m, settings, stats);
    buildSurfaces(m, settings.mergeSurfaces);
    return m;
  }();
  return model;
}
