// The .3ds file Serious Modeler builds its model from: one object "Model" with one triangle
// mesh carrying the layout UVs, and one material per Surface whose face group holds the
// Surface's triangles. Messages are in Dutch, like those of the .3ds reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/model.h"

struct Encoded3ds {
  bool ok = false;
  std::string message;         // empty on success
  std::vector<uint8_t> bytes;  // the whole file; empty on failure
  int64_t leftOut = 0;         // triangles without area, not written
};

// Builds the file in memory. Positions and UVs are written as stored (no axis change, no v
// flip); every face gets the flags 7. Triangles without area (cornersCoincide) are left out,
// since the game's importer divides by the area, and so are the vertices that only they use.
// Surface names are cut to 15 bytes and kept apart ignoring case (distinctNames). Triangles
// whose material is not a Surface of the model belong to no face group. Refuses a model that
// does not fit (fitsIn3ds), and one whose triangles name a vertex outside it.
Encoded3ds encode3ds(const Model& model);

// encode3ds, then creates (or truncates) the file and writes it. On any failure the message
// says why and no file is left behind (a refused model never creates one). shownPath: the
// path the messages name, for a file written under a temporary name first ("" = path).
Encoded3ds write3ds(const Model& model, const std::string& path,
                    const std::string& shownPath = "");
