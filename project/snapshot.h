// The byte form of one Model inside a project file ("source.bin" and "model.bin").
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "model/model.h"

// The whole block: "UVM1", version 2, counts and flags, vertices, triangles, material names,
// layer names and every triangle's layer; little-endian 32-bit values. hasUVs and zUp are
// written as 0 or 1, objectCount and splitPolygons saturated to 32 bits. Empty when a count or
// a name's byte length does not fit in 32 bits (the block could not hold it).
std::vector<uint8_t> writeModelSnapshot(const Model& model);

// Reads a block written by writeModelSnapshot (version 1 blocks end after the material names).
// Every count and length is checked against the block. A block whose triangles name a vertex
// or material outside their lists is refused, so nothing later reads outside an array.
// On failure `model` is left as it was.
bool readModelSnapshot(Model& model, std::span<const uint8_t> bytes);
