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
// Winding is counter-clockwise seen from outside. The round shapes have no UVs and share every
// position between neighbouring faces; their angle runs counter-clockwise seen from +y.
// Counts below a shape's minimum are raised to it (segments 3, rings 1; sphere rings 2).
GenMesh genCube(float size = 1.0f);  // centred; 8 positions, 12 triangles
// (columns + 1) * (rows + 1) positions centred on the origin, 2 * columns * rows triangles
// facing +y; UVs span 0..1 with u along +x and v along -z (the top view, not mirrored).
GenMesh genGrid(int columns, int rows, float cellSize = 1.0f);
// Axis along y from 0 to height; `rings` bands, so (rings + 1) circles of `segments` positions.
GenMesh genTube(int segments, int rings, float radius = 1.0f, float height = 2.0f);  // open
// A tube of one band with a fan round a centre position at each end: 4 * segments triangles.
GenMesh genCylinder(int segments, float radius = 1.0f, float height = 2.0f);
// Centred; `rings` bands from pole to pole, each pole one position:
// segments * (rings - 1) + 2 positions, 2 * segments * (rings - 1) triangles.
GenMesh genSphere(int segments, int rings, float radius = 1.0f);
// genSphere pushed out along its normals by smooth bulges (a few long waves over the
// surface, up to 30 % of the radius): an organic shape with the same faces.
GenMesh genBulgySphere(int segments, int rings, float radius = 1.0f);
// The part of genSphere above y = 0, `rings` bands from the pole to the open equator.
GenMesh genHemisphere(int segments, int rings, float radius = 1.0f);
// One concave six-cornered face shaped like an L in the x-y plane, facing +z; its first
// corner is the reflex one, so a fan from the first corner is a valid triangulation.
GenMesh genLHexagon();
GenMesh genQuad();  // one four-cornered planar face, tilted out of every axis plane
// Hard-surface parts in a row along x: 8 boxes of several proportions, then 5 closed
// cylinders of 8, 14, ... 32 segments; 496 triangles.
GenMesh genParts();
// Two named objects ("Box" and "Roof") with two materials ("Wood" and "Slate"): a Wood box of
// 12 triangles on y = 0 and a closed gabled roof of 8 triangles above it whose faces use both
// materials, alternating.
GenMesh genTwoObjects();
// A shape symmetric in x face for face: the faces of `mesh` whose centroid has x > 0, then
// their mirror images in the plane x = 0 with the corner order reversed (so they still face
// outward); face f of the right half has face f + n as its image, n being the number of right
// faces. Positions within 1e-6 of the plane are put on it and shared by both halves; only
// positions the faces use are kept, in order of first use; UVs are dropped.
GenMesh genMirrorX(const GenMesh& mesh);
// Appends `other` to `mesh`, its objects and materials matched by name (names `mesh` lacks are
// added), its positions moved by `offset`. When only one side has UVs the other side's
// positions get (0, 0).
void genAppend(GenMesh& mesh, const GenMesh& other, std::array<float, 3> offset = {0, 0, 0});

// Both writers leave out objects without faces, and return an empty result for a mesh whose
// faces name a position, object or material that does not exist (or whose UVs are neither
// empty nor one per position).
//
// The .obj text: "o" per object with that object's faces after it, "usemtl" per material run,
// "vt" when the mesh has UVs. Numbers are the shortest text that reads back to the same float.
std::string genObjText(const GenMesh& mesh);
// A .3ds file in Z-up (the format's usual frame): one named object with one triangle mesh
// per object, polygons fanned from their first corner, one face material group per material.
// Each object's vertex list holds only the positions its faces use, in their original order.
// Empty when an object has more than 65535 vertices or triangles (the format's 16-bit counts).
std::vector<uint8_t> gen3dsBytes(const GenMesh& mesh);
// Writes by the extension of `path` (".obj" or ".3ds"); false on failure.
bool genWriteFile(const GenMesh& mesh, const std::string& path);
