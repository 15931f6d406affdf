#include "tools/meshgen/meshgen.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <numbers>

#include "base/file_io.h"

namespace {

using Float3 = std::array<float, 3>;

int32_t addPosition(GenMesh& mesh, double x, double y, double z) {
  mesh.positions.push_back({static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)});
  return static_cast<int32_t>(mesh.positions.size() - 1);
}

void addFace(GenMesh& mesh, std::vector<int32_t> corners, int32_t material = 0) {
  mesh.faces.push_back({std::move(corners), material, 0});
}

// A quad of a surface of revolution as two triangles: `lo` and `hi` are neighbouring corners
// on the lower and upper circle, angle increasing from 0 to 1.
void addBandQuad(GenMesh& mesh, int32_t lo0, int32_t lo1, int32_t hi1, int32_t hi0) {
  addFace(mesh, {lo0, lo1, hi1});
  addFace(mesh, {lo0, hi1, hi0});
}

// One circle of `segments` positions at height y. The angle runs counter-clockwise seen from
// above (+y), which is what makes the band and cap windings below face outward.
int32_t addCircle(GenMesh& mesh, int segments, double radius, double y) {
  const int32_t first = static_cast<int32_t>(mesh.positions.size());
  for (int i = 0; i < segments; ++i) {
    const double angle = 2 * std::numbers::pi * i / segments;
    addPosition(mesh, radius * std::cos(angle), y, -radius * std::sin(angle));
  }
  return first;
}

// The band between two circles made by addCircle, `lower` below `upper`.
void addBand(GenMesh& mesh, int segments, int32_t lower, int32_t upper) {
  for (int i = 0; i < segments; ++i) {
    const int j = (i + 1) % segments;
    addBandQuad(mesh, lower + i, lower + j, upper + j, upper + i);
  }
}

// A fan from `centre` to a circle; `up` says which way the fan faces.
void addFan(GenMesh& mesh, int segments, int32_t centre, int32_t circle, bool up) {
  for (int i = 0; i < segments; ++i) {
    const int32_t a = circle + i, b = circle + (i + 1) % segments;
    if (up)
      addFace(mesh, {centre, a, b});
    else
      addFace(mesh, {centre, b, a});
  }
}

// Face indices out of range would make either writer produce a file that names things that
// do not exist; the writers refuse such a mesh instead.
bool meshIsValid(const GenMesh& mesh) {
  if (!mesh.uvs.empty() && mesh.uvs.size() != mesh.positions.size()) return false;
  for (const GenFace& face : mesh.faces) {
    if (face.material < 0 || static_cast<size_t>(face.material) >= mesh.materialNames.size())
      return false;
    if (face.object < 0 || static_cast<size_t>(face.object) >= mesh.objectNames.size())
      return false;
    for (int32_t c : face.corners)
      if (c < 0 || static_cast<size_t>(c) >= mesh.positions.size()) return false;
  }
  return true;
}

void appendNumber(std::string& out, float value) {
  char buffer[32];
  // Shortest text that reads back to the same float, and never affected by the locale.
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void appendNumber(std::string& out, size_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

// Little-endian chunk writer; lengths are patched in when a chunk closes.
class ChunkWriter {
 public:
  size_t open(uint16_t id) {
    u16(id);
    const size_t at = bytes.size();
    u32(0);
    return at - 2;
  }
  void close(size_t start) {
    const auto length = static_cast<uint32_t>(bytes.size() - start);
    for (int i = 0; i < 4; ++i) bytes[start + 2 + i] = static_cast<uint8_t>(length >> (8 * i));
  }
  void u16(uint16_t v) {
    bytes.push_back(static_cast<uint8_t>(v));
    bytes.push_back(static_cast<uint8_t>(v >> 8));
  }
  void u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void f32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    u32(bits);
  }
  void name(const std::string& s) {
    bytes.insert(bytes.end(), s.begin(), s.end());
    bytes.push_back(0);
  }

  std::vector<uint8_t> bytes;
};

// The top pole (position 0 of an empty mesh) and `count` circles below it from the top down,
// circle k at the polar angle span * k / rings; circle k starts at position 1 + (k - 1) * segments.
void addPoleAndCircles(GenMesh& mesh, int segments, float radius, int count, double span, int rings) {
  addPosition(mesh, 0, radius, 0);
  for (int k = 1; k <= count; ++k) {
    const double polar = span * k / rings;
    addCircle(mesh, segments, radius * std::sin(polar), radius * std::cos(polar));
  }
}

// The faces of addPoleAndCircles: the fan round the pole and the bands between the circles.
void addCapFaces(GenMesh& mesh, int segments, int count) {
  addFan(mesh, segments, 0, 1, true);
  for (int k = 1; k < count; ++k) addBand(mesh, segments, 1 + k * segments, 1 + (k - 1) * segments);
}

}  // namespace

size_t GenMesh::triangleCount() const {
  size_t n = 0;
  for (const GenFace& face : faces)
    if (face.corners.size() >= 3) n += face.corners.size() - 2;
  return n;
}

GenMesh genCube(float size) {
  GenMesh mesh;
  const double h = size / 2.0;
  // Position index = x + 2y + 4z, each bit choosing the low or high side.
  for (int i = 0; i < 8; ++i) addPosition(mesh, i & 1 ? h : -h, i & 2 ? h : -h, i & 4 ? h : -h);
  const int32_t quads[6][4] = {
      {1, 3, 7, 5},  // +x
      {0, 4, 6, 2},  // -x
      {2, 6, 7, 3},  // +y
      {0, 1, 5, 4},  // -y
      {4, 5, 7, 6},  // +z
      {0, 2, 3, 1},  // -z
  };
  for (const auto& q : quads) {
    addFace(mesh, {q[0], q[1], q[2]});
    addFace(mesh, {q[0], q[2], q[3]});
  }
  return mesh;
}

GenMesh genGrid(int columns, int rows, float cellSize) {
  columns = std::max(columns, 1);
  rows = std::max(rows, 1);
  GenMesh mesh;
  const double x0 = -0.5 * columns * cellSize, z0 = -0.5 * rows * cellSize;
  for (int j = 0; j <= rows; ++j)
    for (int i = 0; i <= columns; ++i) {
      addPosition(mesh, x0 + i * double(cellSize), 0, z0 + j * double(cellSize));
      // Seen from above, -z is up the picture, so v grows towards -z and the UV layout is
      // the top view, not its mirror image.
      mesh.uvs.push_back({static_cast<float>(double(i) / columns),
                          static_cast<float>(1.0 - double(j) / rows)});
    }
  const auto at = [columns](int i, int j) { return static_cast<int32_t>(j * (columns + 1) + i); };
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < columns; ++i) {
      // Going +z then +x is counter-clockwise seen from above.
      addFace(mesh, {at(i, j), at(i, j + 1), at(i + 1, j + 1)});
      addFace(mesh, {at(i, j), at(i + 1, j + 1), at(i + 1, j)});
    }
  return mesh;
}

GenMesh genTube(int segments, int rings, float radius, float height) {
  segments = std::max(segments, 3);
  rings = std::max(rings, 1);
  GenMesh mesh;
  for (int k = 0; k <= rings; ++k) addCircle(mesh, segments, radius, double(height) * k / rings);
  for (int k = 0; k < rings; ++k) addBand(mesh, segments, k * segments, (k + 1) * segments);
  return mesh;
}

GenMesh genCylinder(int segments, float radius, float height) {
  GenMesh mesh = genTube(segments, 1, radius, height);
  segments = std::max(segments, 3);
  const int32_t bottom = addPosition(mesh, 0, 0, 0);
  const int32_t top = addPosition(mesh, 0, height, 0);
  addFan(mesh, segments, bottom, 0, false);
  addFan(mesh, segments, top, segments, true);
  return mesh;
}

GenMesh genSphere(int segments, int rings, float radius) {
  segments = std::max(segments, 3);
  rings = std::max(rings, 2);
  GenMesh mesh;
  addPoleAndCircles(mesh, segments, radius, rings - 1, std::numbers::pi, rings);
  const int32_t bottom = addPosition(mesh, 0, -radius, 0);
  addCapFaces(mesh, segments, rings - 1);
  addFan(mesh, segments, bottom, 1 + (rings - 2) * segments, false);
  return mesh;
}

GenMesh genBulgySphere(int segments, int rings, float radius) {
  GenMesh mesh = genSphere(segments, rings, radius);
  for (auto& p : mesh.positions) {
    const double x = p[0] / radius, y = p[1] / radius, z = p[2] / radius;
    const double bulge = 0.12 * std::sin(3 * x + 1) * std::cos(2 * y) + 0.1 * std::sin(4 * z + 2 * x) +
                        0.08 * std::cos(5 * y + z);
    for (float& c : p) c = static_cast<float>(c * (1 + bulge));
  }
  return mesh;
}

GenMesh genHemisphere(int segments, int rings, float radius) {
  segments = std::max(segments, 3);
  rings = std::max(rings, 1);
  GenMesh mesh;
  addPoleAndCircles(mesh, segments, radius, rings, std::numbers::pi / 2, rings);
  addCapFaces(mesh, segments, rings);
  return mesh;
}

GenMesh genParts() {
  GenMesh mesh;
  const std::array<float, 3> boxes[] = {{1, 1, 1}, {2, 0.5f, 0.5f}, {0.3f, 1.5f, 0.8f},
                                        {1.2f, 0.2f, 2}, {0.6f, 0.6f, 2.5f}, {3, 0.4f, 1},
                                        {0.8f, 0.8f, 0.3f}, {1.5f, 1, 0.4f}};
  float x = 0;
  for (const auto& size : boxes) {
    GenMesh box = genCube();
    for (auto& p : box.positions)
      for (int k = 0; k < 3; ++k) p[k] *= size[k];
    genAppend(mesh, box, {x, 0, 0});
    x += size[0] + 1;
  }
  for (int segments = 8; segments <= 32; segments += 6) {
    genAppend(mesh, genCylinder(segments, 0.2f + segments / 40.0f, 0.5f + segments / 16.0f),
              {x, 0, 0});
    x += 3;
  }
  return mesh;
}

GenMesh genLHexagon() {
  GenMesh mesh;
  // The L covers [0,2]x[0,1] and [0,1]x[0,2], counter-clockwise seen from +z. The reflex
  // corner (1,1) comes first: a fan from it stays inside the L, a fan from any other corner
  // would not.
  const float corners[6][2] = {{1, 1}, {1, 2}, {0, 2}, {0, 0}, {2, 0}, {2, 1}};
  for (const auto& c : corners) addPosition(mesh, c[0], c[1], 0);
  addFace(mesh, {0, 1, 2, 3, 4, 5});
  return mesh;
}

GenMesh genQuad() {
  GenMesh mesh;
  // Tilted so that no axis plane holds it; still planar.
  addPosition(mesh, 0, 0, 0);
  addPosition(mesh, 2, 0, 0);
  addPosition(mesh, 2, 1, -1);
  addPosition(mesh, 0, 1, -1);
  addFace(mesh, {0, 1, 2, 3});
  return mesh;
}

GenMesh genTwoObjects() {
  GenMesh mesh = genCube(1.0f);
  for (auto& p : mesh.positions) p[1] += 0.5f;  // the box stands on y = 0
  mesh.objectNames = {"Box", "Roof"};
  mesh.materialNames = {"Wood", "Slate"};

  // A gabled roof on top of the box, ridge along x; its own positions.
  const int32_t r = static_cast<int32_t>(mesh.positions.size());
  addPosition(mesh, -0.5, 1, -0.5);  // r+0
  addPosition(mesh, 0.5, 1, -0.5);   // r+1
  addPosition(mesh, 0.5, 1, 0.5);    // r+2
  addPosition(mesh, -0.5, 1, 0.5);   // r+3
  addPosition(mesh, -0.5, 1.5, 0);   // r+4, ridge
  addPosition(mesh, 0.5, 1.5, 0);    // r+5, ridge
  const int32_t wood = 0, slate = 1;
  // Slate and wood alternate, so each material's faces are not one run.
  const struct {
    int32_t a, b, c, material;
  } roof[] = {
      {0, 4, 5, slate}, {0, 5, 1, slate},  // slope facing -z
      {0, 3, 4, wood},                     // gable at -x
      {3, 2, 5, slate}, {3, 5, 4, slate},  // slope facing +z
      {1, 5, 2, wood},                     // gable at +x
      {0, 1, 2, wood},  {0, 2, 3, wood},   // underside
  };
  for (const auto& f : roof) mesh.faces.push_back({{r + f.a, r + f.b, r + f.c}, f.material, 1});
  return mesh;
}

GenMesh genMirrorX(const GenMesh& mesh) {
  GenMesh out;
  out.objectNames = mesh.objectNames;
  out.materialNames = mesh.materialNames;
  std::vector<int32_t> renumbered(mesh.positions.size(), -1);
  for (const GenFace& face : mesh.faces) {
    double x = 0;
    for (int32_t c : face.corners) x += mesh.positions[static_cast<size_t>(c)][0];
    if (face.corners.size() < 3 || !(x > 0)) continue;
    GenFace kept = face;
    for (int32_t& c : kept.corners) {
      int32_t& to = renumbered[static_cast<size_t>(c)];
      if (to < 0) {
        std::array<float, 3> p = mesh.positions[static_cast<size_t>(c)];
        if (std::fabs(p[0]) < 1e-6f) p[0] = 0;
        out.positions.push_back(p);
        to = static_cast<int32_t>(out.positions.size() - 1);
      }
      c = to;
    }
    out.faces.push_back(std::move(kept));
  }
  const size_t right = out.positions.size(), faces = out.faces.size();
  std::vector<int32_t> image(right);
  for (size_t i = 0; i < right; ++i) {
    const std::array<float, 3> p = out.positions[i];
    image[i] = p[0] == 0 ? static_cast<int32_t>(i) : addPosition(out, -p[0], p[1], p[2]);
  }
  for (size_t f = 0; f < faces; ++f) {
    GenFace mirrored = out.faces[f];
    std::reverse(mirrored.corners.begin() + 1, mirrored.corners.end());
    for (int32_t& c : mirrored.corners) c = image[static_cast<size_t>(c)];
    out.faces.push_back(std::move(mirrored));
  }
  return out;
}

void genAppend(GenMesh& mesh, const GenMesh& other, std::array<float, 3> offset) {
  const auto mapNames = [](std::vector<std::string>& into, const std::vector<std::string>& from) {
    std::vector<int32_t> map;
    for (const std::string& name : from) {
      auto it = std::find(into.begin(), into.end(), name);
      if (it == into.end()) it = into.insert(into.end(), name);
      map.push_back(static_cast<int32_t>(it - into.begin()));
    }
    return map;
  };
  const std::vector<int32_t> objectMap = mapNames(mesh.objectNames, other.objectNames);
  const std::vector<int32_t> materialMap = mapNames(mesh.materialNames, other.materialNames);

  // UVs stay one per position: whichever side has none gets (0, 0).
  if (mesh.uvs.empty() && !other.uvs.empty()) mesh.uvs.resize(mesh.positions.size(), {0, 0});
  const auto base = static_cast<int32_t>(mesh.positions.size());
  for (size_t i = 0; i < other.positions.size(); ++i) {
    const Float3& p = other.positions[i];
    mesh.positions.push_back({p[0] + offset[0], p[1] + offset[1], p[2] + offset[2]});
    if (!mesh.uvs.empty())
      mesh.uvs.push_back(i < other.uvs.size() ? other.uvs[i] : std::array<float, 2>{0, 0});
  }
  for (const GenFace& face : other.faces) {
    GenFace copy = face;
    for (int32_t& c : copy.corners) c += base;
    const auto remap = [](const std::vector<int32_t>& map, int32_t i) {
      return i >= 0 && static_cast<size_t>(i) < map.size() ? map[static_cast<size_t>(i)] : i;
    };
    copy.object = remap(objectMap, face.object);
    copy.material = remap(materialMap, face.material);
    mesh.faces.push_back(std::move(copy));
  }
}

std::string genObjText(const GenMesh& mesh) {
  if (!meshIsValid(mesh)) return "";
  std::string out = "# Made by quillmap-meshgen\n";
  // A line of the keyword and its numbers, each after a space.
  auto line = [&out](const char* keyword, std::initializer_list<float> numbers) {
    out += keyword;
    for (float n : numbers) {
      out += ' ';
      appendNumber(out, n);
    }
    out += '\n';
  };
  for (const Float3& p : mesh.positions) line("v", {p[0], p[1], p[2]});
  const bool uvs = !mesh.uvs.empty();
  for (const auto& t : mesh.uvs) line("vt", {t[0], t[1]});
  // Faces grouped by object; an object without faces is left out, so reading the file back
  // gives exactly the layers that hold triangles.
  int32_t material = -1;
  for (size_t object = 0; object < mesh.objectNames.size(); ++object) {
    bool named = false;
    for (const GenFace& face : mesh.faces) {
      if (face.object != static_cast<int32_t>(object)) continue;
      if (!named) {
        out += "o " + mesh.objectNames[object] + "\n";
        named = true;
      }
      if (face.material != material) {
        material = face.material;
        out += "usemtl " + mesh.materialNames[static_cast<size_t>(material)] + "\n";
      }
      out += 'f';
      for (int32_t c : face.corners) {
        const size_t n = static_cast<size_t>(c) + 1;
        out += ' ';
        appendNumber(out, n);
        if (uvs) {
          out += '/';
          appendNumber(out, n);
        }
      }
      out += '\n';
    }
  }
  return out;
}

std::vector<uint8_t> gen3dsBytes(const GenMesh& mesh) {
  if (!meshIsValid(mesh)) return {};
  constexpr size_t kMaxList = 65535;  // counts and indices are 16-bit
  const bool uvs = !mesh.uvs.empty();
  ChunkWriter w;
  const size_t main = w.open(0x4D4D);
  const size_t version = w.open(0x0002);
  w.u32(3);
  w.close(version);
  const size_t editor = w.open(0x3D3D);

  std::vector<int32_t> local(mesh.positions.size());
  for (size_t object = 0; object < mesh.objectNames.size(); ++object) {
    // This object's positions, renumbered in their original order.
    std::vector<uint8_t> used(mesh.positions.size(), 0);
    size_t triangles = 0;
    for (const GenFace& face : mesh.faces) {
      if (face.object != static_cast<int32_t>(object) || face.corners.size() < 3) continue;
      for (int32_t c : face.corners) used[static_cast<size_t>(c)] = 1;
      triangles += face.corners.size() - 2;
    }
    if (triangles == 0) continue;
    if (triangles > kMaxList) return {};
    std::vector<size_t> vertices;
    for (size_t i = 0; i < used.size(); ++i)
      if (used[i]) {
        local[i] = static_cast<int32_t>(vertices.size());
        vertices.push_back(i);
      }
    if (vertices.size() > kMaxList) return {};

    const size_t named = w.open(0x4000);
    w.name(mesh.objectNames[object]);
    const size_t trimesh = w.open(0x4100);

    const size_t vertexList = w.open(0x4110);
    w.u16(static_cast<uint16_t>(vertices.size()));
    for (size_t i : vertices) {
      // Our frame is Y-up, the file's Z-up: (x, y, z) -> (x, -z, y).
      const Float3& p = mesh.positions[i];
      w.f32(p[0]);
      w.f32(-p[2]);
      w.f32(p[1]);
    }
    w.close(vertexList);

    if (uvs) {
      const size_t mapping = w.open(0x4140);
      w.u16(static_cast<uint16_t>(vertices.size()));
      for (size_t i : vertices) {
        w.f32(mesh.uvs[i][0]);
        w.f32(mesh.uvs[i][1]);
      }
      w.close(mapping);
    }

    const size_t faceList = w.open(0x4120);
    w.u16(static_cast<uint16_t>(triangles));
    // Face numbers per material, materials in order of first use within the object.
    std::vector<std::pair<int32_t, std::vector<uint16_t>>> groups;
    uint16_t number = 0;
    for (const GenFace& face : mesh.faces) {
      if (face.object != static_cast<int32_t>(object) || face.corners.size() < 3) continue;
      auto group = std::find_if(groups.begin(), groups.end(),
                                [&](const auto& g) { return g.first == face.material; });
      if (group == groups.end()) group = groups.insert(groups.end(), {face.material, {}});
      const auto& c = face.corners;
      for (size_t k = 1; k + 1 < c.size(); ++k) {
        w.u16(static_cast<uint16_t>(local[static_cast<size_t>(c[0])]));
        w.u16(static_cast<uint16_t>(local[static_cast<size_t>(c[k])]));
        w.u16(static_cast<uint16_t>(local[static_cast<size_t>(c[k + 1])]));
        w.u16(7);  // all three edges visible
        group->second.push_back(number++);
      }
    }
    for (const auto& [material, numbers] : groups) {
      const size_t group = w.open(0x4130);
      w.name(mesh.materialNames[static_cast<size_t>(material)]);
      w.u16(static_cast<uint16_t>(numbers.size()));
      for (uint16_t n : numbers) w.u16(n);
      w.close(group);
    }
    w.close(faceList);
    w.close(trimesh);
    w.close(named);
  }
  w.close(editor);
  w.close(main);
  return std::move(w.bytes);
}

bool genWriteFile(const GenMesh& mesh, const std::string& path) {
  const std::string ext = lowerExtension(path);
  if (ext == "obj") {
    const std::string text = genObjText(mesh);
    return !text.empty() &&
           writeFileBytes(path, reinterpret_cast<const uint8_t*>(text.data()), text.size());
  }
  if (ext == "3ds") {
    const std::vector<uint8_t> bytes = gen3dsBytes(mesh);
    return !bytes.empty() && writeFileBytes(path, bytes);
  }
  return false;
}
