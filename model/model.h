// The one in-memory triangle mesh every part of the program shares.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Vertex {
  float x = 0, y = 0, z = 0;  // position
  float u = 0, v = 0;         // texture coordinate, fractions of the texture, v up

  bool operator==(const Vertex&) const = default;
};

struct Triangle {
  int32_t cornerA = 0, cornerB = 0, cornerC = 0;  // indices into Model::vertices, file winding
  int32_t material = -1;  // index into materialNames (the Surface after unwrapping)
  int32_t layer = 0;      // index into layerNames

  // Corner k (0, 1, 2): cornerA, cornerB, cornerC.
  int32_t corner(int k) const { return k == 0 ? cornerA : k == 1 ? cornerB : cornerC; }
  int32_t& corner(int k) { return k == 0 ? cornerA : k == 1 ? cornerB : cornerC; }

  bool operator==(const Triangle&) const = default;
};

// Counts are the sizes of the vectors; a seam is two vertices with the same position.
struct Model {
  std::vector<std::string> layerNames;
  bool hasUVs = false;          // the file supplied texture coordinates
  bool zUp = false;             // positions still Z-up; modelToYUp turns them
  int64_t objectCount = 0;      // mesh objects in the file (.obj: always 1)
  int64_t splitPolygons = 0;    // faces of more than three corners split by the reader
  std::vector<Vertex> vertices;
  std::vector<Triangle> triangles;
  std::vector<std::string> materialNames;

  int64_t vertexCount() const { return static_cast<int64_t>(vertices.size()); }
  int64_t triangleCount() const { return static_cast<int64_t>(triangles.size()); }
  int64_t materialCount() const { return static_cast<int64_t>(materialNames.size()); }
  int64_t layerCount() const { return static_cast<int64_t>(layerNames.size()); }

  bool operator==(const Model&) const = default;
};

// The .3ds format counts vertices and faces in 16 bits: a larger model cannot be exported.
constexpr int64_t kMax3dsCount = 65535;
inline bool fitsIn3ds(int64_t vertexCount, int64_t triangleCount) {
  return vertexCount <= kMax3dsCount && triangleCount <= kMax3dsCount;
}

// Empties every array and resets counts and flags.
void modelClear(Model& model);
// Appends a vertex; returns its index.
int32_t modelAddVertex(Model& model, float x, float y, float z, float u, float v);
// Appends a triangle on the given layer (a reader passes its current layer); indices are not
// checked here. Returns its index.
int32_t modelAddTriangle(Model& model, int32_t a, int32_t b, int32_t c, int32_t material,
                         int32_t layer);
// Index of the material with exactly this name (case-sensitive), appended when new.
int32_t modelMaterialIndex(Model& model, const std::string& name);
// Index of the layer with exactly this name (case-sensitive), appended when new.
int32_t modelLayerIndex(Model& model, const std::string& name);
// A model without layers gets the layer "Default" and every triangle is put on it.
void modelEnsureLayer(Model& model);
// Deep copy; dest shares nothing with src afterwards.
void modelCopy(Model& dest, const Model& src);
// Turns a Z-up model to Y-up (y = z, z = -y) once; does nothing when zUp is already off.
void modelToYUp(Model& model);
// Copies the layer names and every triangle's layer from work back to source, so a later
// re-unwrap keeps layer edits. Only when both have the same number of triangles.
void modelStoreLayers(Model& source, const Model& work);

// Display state of each layer of the work model, same index as Model::layerNames.
struct LayerState {
  std::vector<uint32_t> color;  // RGB, red in the lowest byte
  std::vector<uint8_t> hidden;  // not drawn and not painted
  std::vector<uint8_t> locked;  // not painted
  int64_t curLayer = 0;
  bool onlyLayer = false;       // paint only on the current layer

  int64_t count() const { return static_cast<int64_t>(color.size()); }
  bool operator==(const LayerState&) const = default;
};

// n = 0 empties the state; a larger n adds visible, unlocked layers with their default
// colours; a smaller n changes nothing.
void resizeLayerState(LayerState& state, int64_t n);

// Default colours: packed RGB with red in the lowest byte.
uint32_t surfaceColor(int64_t k);
uint32_t layerDefaultColor(int64_t k);

// Numbers every vertex by its position key and UV key together, in order of first appearance:
// vertices share a number exactly when they weld and carry the same UV.
std::vector<int32_t> uvVertexIds(const Model& model);
