// Generated test meshes and writers for the two model formats we read. Tests, benchmarks and
// the bundled sample model are made with these, so no third-party model file is needed.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct GenFace {
  std::vector<int32_t> corners;  // indices into GenMesh::positions, counter-clockwise from outside
  int32_t material = 0;          // index into GenMesh::materialNames
  int32_t object = 0;            // index into GenMesh::objectNames
};

struct GenMesh {
  std::vector<std::array<float, 3>> positions;  // Y-up, metres
  std::vector<std::array<float, 2>> uvs;        // one per position, or empty for no UVs
  std::vector<GenFace> faces;                   // polygons; most shapes use triangles
  std::vector<std::string> objectNames{"Object"};
  std::vector<std::string> materialNames{"Material"};

  size_t triangleCount() const;  // after splitting every polygon into n - 2 triangles
};

// Shapes. Sizes are in metres; every shape is one object with one material unless noted.
GenMesh genCube(float size = 1.0f);                            // 8 positions, 12 triangles
GenMesh genGrid(int columns, int rows, float cellSize = 1.0f);  // flat in x-z, with UVs
GenMesh genTube(int segments, int rings, float radius = 1.0f, float height = 2.0f);  // open
GenMesh genCylinder(int segments, float radius = 1.0f, float height = 2.0f);  // capped
GenMesh genSphere(int segments, int rings, float radius = 1.0f);              // UV sphere
GenMesh genHemisphere(int segments, int rings, float radius = 1.0f);          // open upper half
GenMesh genLHexagon();  // one concave six-cornered face shaped like an L
GenMesh genQuad();      // one four-cornered planar face
// Two named objects ("Box" and "Roof") with two materials ("Wood" and "Slate").
GenMesh genTwoObjects();
// Appends `other` to `mesh`, its objects and materials matched by name.
void genAppend(GenMesh& mesh, const GenMesh& other, std::array<float, 3> offset = {0, 0, 0});

// The .obj text: "o" per object, "usemtl" per material run, "vt" when the mesh has UVs.
std::string genObjText(const GenMesh& mesh);
// A .3ds file in Z-up (the format's usual frame): one named object with one triangle mesh
// per object, polygons fanned from their first corner, one face material group per material.
std::vector<uint8_t> gen3dsBytes(const GenMesh& mesh);
// Writes by the extension of `path` (".obj" or ".3ds"); false on failure.
bool genWriteFile(const GenMesh& mesh, const std::string& path);
