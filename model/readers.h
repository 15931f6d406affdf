// The model file readers. Each parses a byte buffer into a Model; messages are in Dutch, as
// the model import has always worded them, and the caller shows them after its own lead-in.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "model/model.h"

struct ReadResult {
  bool ok = false;
  std::string message;  // empty on success
};

// Binary .3ds: every triangle mesh becomes triangles of the model, each named object a layer,
// each face material group a material. Leaves zUp on. A face that names a vertex outside its
// mesh makes the file invalid. `path` is only used in messages.
ReadResult parse3ds(std::span<const uint8_t> bytes, const std::string& path, Model& model);
ReadResult read3ds(const std::string& path, Model& model);

// Wavefront .obj: each distinct (position, texture coordinate) pair used by a face becomes one
// vertex; polygons are split by ear clipping; groups and objects become layers. keepYUp leaves
// zUp off.
ReadResult parseObj(std::span<const uint8_t> bytes, const std::string& path, Model& model,
                    bool keepYUp);
ReadResult readObj(const std::string& path, Model& model, bool keepYUp);

// Reads a model file the way a new project does: ".obj" (any case) with the OBJ reader, kept
// Y-up, every other extension as .3ds. The model is cleared when reading fails.
ReadResult readModelFile(const std::string& path, Model& model);
