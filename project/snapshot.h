// The byte form of one Model inside a project file ("source.bin" and "model.bin").
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "model/model.h"

// The whole block: "UVM1", version 2, counts and flags, vertices, triangles, material names,
// layer names and every triangle's layer; little-endian 32-bit values. hasUVs and zUp are
// written as 0 or 1, objectCount and splitPolygons saturated to 32 bits. A model with more
// vertices than three per triangle (a .3ds file may list points no face uses) is written
// without the vertices no triangle uses, so that every block written reads back. Empty when a
// count or a name's byte length does not fit in 32 bits (the block could not hold it).
std::vector<uint8_t> writeModelSnapshot(const Model& model);

// Reads a block written by writeModelSnapshot (version 1 blocks end after the material names).
// Every count and length is checked against the block. A block with more vertices than three
// per triangle is refused (a few bytes of a compressed archive could otherwise claim
// gigabytes of vertices), and so is one whose triangles name a vertex or material outside
// their lists, so nothing later reads outside an array. On failure `model` is left as it was.
bool readModelSnapshot(Model& model, std::span<const uint8_t> bytes);

// The most bytes a valid block beginning with `head` can have, for a reader that takes the
// block in pieces and should stop as soon as it cannot be one: 0 once `head` shows it is no
// valid block (other letters, impossible counts), the exact size once every length in it is
// known, and `ceiling` until then. Asked again with a longer head (the same bytes and more), it
// goes on where it stopped, so a whole block costs one pass.
class SnapshotSizeLimit {
 public:
  explicit SnapshotSizeLimit(size_t ceiling) : ceiling_(ceiling) {}
  size_t operator()(std::span<const uint8_t> head);

 private:
  enum class Stage { header, materialNames, layerCount, layerNames, done, invalid };
  size_t ceiling_;
  Stage stage_ = Stage::header;
  size_t pos_ = 0;        // where the next length to read starts
  int64_t namesLeft_ = 0;  // in the list being read
  int64_t triangles_ = 0;
  int32_t version_ = 0;
};
