#include "export/write3ds.h"

#include <algorithm>
#include <array>
#include <new>

#include "base/file_io.h"
#include "base/le_bytes.h"
#include "unwrap/surfaces.h"
#include "unwrap/weld.h"

namespace {

// Chunks are opened with a placeholder length and patched when they close, so nested
// chunks need no size computed in advance.
class ChunkWriter {
 public:
  explicit ChunkWriter(std::vector<uint8_t>& out) : out_(out) {}

  void open(uint16_t id) {
    open_.push_back(out_.size());
    u16(id);
    u32(0);
  }
  void close() {
    const size_t start = open_.back();
    open_.pop_back();
    setU32(&out_[start + 2], static_cast<uint32_t>(out_.size() - start));
  }
  void u8(uint8_t v) { out_.push_back(v); }
  void u16(uint32_t v) { appendU16(out_, v); }
  void u32(uint32_t v) { appendU32(out_, v); }
  void f32(float f) { appendF32(out_, f); }
  void name(const std::string& text) {
    out_.insert(out_.end(), text.begin(), text.end());
    out_.push_back(0);
  }

 private:
  std::vector<uint8_t>& out_;
  std::vector<size_t> open_;
};

constexpr const char* kTooLarge = "Te groot voor .3ds (maximaal 65535 hoekpunten en driehoeken)";

// The Surface names as the file holds them: cut at an embedded 0, at most kMaxSurfaceName
// characters and unique ignoring case, so that no importer takes two Surfaces for one.
std::vector<std::string> writtenNames(const Model& model) {
  std::vector<std::string> names;
  for (const std::string& name : model.materialNames) names.push_back(name.substr(0, name.find('\0')));
  return distinctNames(names, kMaxSurfaceName);
}

// What the file holds of the mesh: the triangles with area, and every vertex but those that
// only triangles without area use.
struct WrittenMesh {
  std::vector<int32_t> triangles;  // in model order
  std::vector<int32_t> vertices;   // in model order
  std::vector<int32_t> fileIndex;  // per model vertex; -1 when left out
};

WrittenMesh writtenMesh(const Model& model) {
  constexpr uint8_t unused = 0, onlyWithoutArea = 1, written = 2;
  std::vector<uint8_t> use(model.vertices.size(), unused);
  WrittenMesh mesh;
  for (size_t t = 0; t < model.triangles.size(); ++t) {
    const Triangle& tri = model.triangles[t];
    const bool withoutArea = cornersCoincide(model, tri);
    if (!withoutArea) mesh.triangles.push_back(static_cast<int32_t>(t));
    for (int32_t c : {tri.cornerA, tri.cornerB, tri.cornerC})
      use[c] = withoutArea ? std::max<uint8_t>(use[c], onlyWithoutArea) : written;
  }
  mesh.fileIndex.assign(model.vertices.size(), -1);
  for (size_t v = 0; v < model.vertices.size(); ++v) {
    if (use[v] == onlyWithoutArea) continue;
    mesh.fileIndex[v] = static_cast<int32_t>(mesh.vertices.size());
    mesh.vertices.push_back(static_cast<int32_t>(v));
  }
  return mesh;
}

}  // namespace

Encoded3ds encode3ds(const Model& model) {
  if (!fitsIn3ds(model.vertexCount(), model.triangleCount())) return {false, kTooLarge, {}};
  for (const Triangle& t : model.triangles)
    for (int32_t c : {t.cornerA, t.cornerB, t.cornerC})
      if (c < 0 || c >= model.vertexCount())
        return {false, "Ongeldig model: een driehoek wijst buiten de hoekpunten", {}};

  const WrittenMesh mesh = writtenMesh(model);
  const std::vector<std::string> names = writtenNames(model);
  Encoded3ds result;
  result.ok = true;
  result.leftOut = model.triangleCount() - static_cast<int64_t>(mesh.triangles.size());
  std::vector<uint8_t>& out = result.bytes;
  out.reserve(200 + 32 * mesh.vertices.size() + 10 * mesh.triangles.size() + 64 * names.size());
  ChunkWriter w(out);
  w.open(0x4D4D);
  w.open(0x0002);
  w.u32(3);
  w.close();
  w.open(0x3D3D);
  w.open(0x3D3E);
  w.u32(3);
  w.close();
  for (size_t k = 0; k < names.size(); ++k) {
    w.open(0xAFFF);
    w.open(0xA000);
    w.name(names[k]);
    w.close();
    w.open(0xA020);
    w.open(0x0011);
    const uint32_t colour = surfaceColor(static_cast<int64_t>(k));
    w.u8(static_cast<uint8_t>(colour & 0xFF));
    w.u8(static_cast<uint8_t>(colour >> 8 & 0xFF));
    w.u8(static_cast<uint8_t>(colour >> 16 & 0xFF));
    w.close();
    w.close();
    w.close();
  }
  w.open(0x4000);
  w.name("Model");
  w.open(0x4100);

  // The written vertices' positions (0x4110), then their UVs (0x4140).
  auto vertexList = [&](uint16_t id, auto fieldsOf) {
    w.open(id);
    w.u16(static_cast<uint32_t>(mesh.vertices.size()));
    for (int32_t i : mesh.vertices)
      for (float f : fieldsOf(model.vertices[i])) w.f32(f);
    w.close();
  };
  vertexList(0x4110, [](const Vertex& v) { return std::array{v.x, v.y, v.z}; });
  vertexList(0x4140, [](const Vertex& v) { return std::array{v.u, v.v}; });
  w.open(0x4160);  // identity axes, zero origin
  for (float f : {1.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f}) w.f32(f);
  w.close();

  w.open(0x4120);
  w.u16(static_cast<uint32_t>(mesh.triangles.size()));
  for (int32_t t : mesh.triangles) {
    const Triangle& tri = model.triangles[t];
    for (int32_t c : {tri.cornerA, tri.cornerB, tri.cornerC})
      w.u16(static_cast<uint32_t>(mesh.fileIndex[c]));
    w.u16(7);
  }
  // One counting pass per Surface; with at most 65535 triangles this stays small. A group
  // lists positions in the face list above.
  for (size_t k = 0; k < names.size(); ++k) {
    auto onSurface = [&](int32_t t) { return model.triangles[t].material == static_cast<int64_t>(k); };
    const auto count = static_cast<uint32_t>(
        std::count_if(mesh.triangles.begin(), mesh.triangles.end(), onSurface));
    if (count == 0) continue;
    w.open(0x4130);
    w.name(names[k]);
    w.u16(count);
    for (size_t i = 0; i < mesh.triangles.size(); ++i)
      if (onSurface(mesh.triangles[i])) w.u16(static_cast<uint32_t>(i));
    w.close();
  }
  w.close();  // face list
  w.close();  // mesh
  w.close();  // object
  w.close();  // editor data
  w.close();  // main
  return result;
}

Encoded3ds write3ds(const Model& model, const std::string& path, const std::string& shownPath) {
  const std::string& named = shownPath.empty() ? path : shownPath;
  Encoded3ds encoded;
  try {
    encoded = encode3ds(model);
  } catch (const std::bad_alloc&) {
    return {false, "Te weinig geheugen", {}};
  }
  if (!encoded.ok) return encoded;
  switch (writeWholeFile(path, encoded.bytes.data(), encoded.bytes.size())) {
    case FileWrite::cannotCreate:
      return {false, "Kan bestand niet maken: " + named, {}};
    case FileWrite::incomplete:
      // A cut-off model would load as a broken or partial mesh; none at all is better.
      return {false, "Kan bestand niet schrijven: " + named, {}};
    case FileWrite::ok:
      break;
  }
  return encoded;
}
