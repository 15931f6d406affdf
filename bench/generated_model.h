// Generated meshes read as the program reads an .obj file, for the benchmarks.
#pragma once

#include <string>

#include "model/readers.h"
#include "tools/meshgen/meshgen.h"

inline Model modelOf(const GenMesh& mesh) {
  const std::string text = genObjText(mesh);
  Model m;
  parseObj({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, "bench.obj", m, true);
  return m;
}

// The large model of the unwrap and view benchmarks: a sphere of 60 000 triangles.
inline const Model& sphere60k() {
  static const Model model = modelOf(genSphere(200, 151));
  return model;
}
