#include <new>
#include <vector>

#include "base/file_io.h"
#include "base/le_bytes.h"
#include "model/readers.h"

namespace {

const char* const kInvalid = "Geen geldig .3ds-bestand";

// Parses one file. Offsets are size_t; every read is checked against the end of the chunk it
// belongs to, so nothing a file claims can move a read outside the buffer.
class Reader3ds {
 public:
  Reader3ds(std::span<const uint8_t> bytes, Model& model) : data_(bytes), model_(model) {}

  // Walks the chunk tree of the whole buffer. Containers nest as deep as a file likes, so the
  // lists still open are kept on a stack of their own rather than on the call stack.
  // False when a face names a vertex outside its mesh.
  bool walk() {
    struct List {
      size_t at, end;
    };
    std::vector<List> open{{0, data_.size()}};
    while (!open.empty()) {
      const auto [s, e] = open.back();
      if (s + 6 > e) {
        open.pop_back();
        continue;
      }
      const uint16_t id = u16(s);
      const uint32_t length = u32(s + 2);
      // A file cut short leaves its containers running past the end; their complete
      // children are still read, so the meshes before the cut survive.
      const bool cutShort = length > e - s;
      const bool container = id == 0x4D4D || id == 0x3D3D || id == 0x4000;
      if (length < 6 || (cutShort && !container)) {
        open.pop_back();
        continue;
      }
      const size_t end = cutShort ? e : s + length;
      open.back().at = end;
      switch (id) {
        case 0x4D4D:
        case 0x3D3D:
          open.push_back({s + 6, end});
          break;
        case 0x4000: {
          const std::string name = cString(s + 6);
          layer_ = modelLayerIndex(model_, name.empty() ? "Object" : name);
          open.push_back({s + 6 + name.size() + 1, end});
          break;
        }
        case 0x4100:
          ++model_.objectCount;
          if (!readMesh(s + 6, end)) return false;
          break;
        default:
          break;
      }
    }
    return true;
  }

 private:
  uint16_t u16(size_t at) const { return static_cast<uint16_t>(getU16(&data_[at])); }
  uint32_t u32(size_t at) const { return getU32(&data_[at]); }
  float f32(size_t at) const { return getF32(&data_[at]); }
  // A NUL-terminated name; a name without its NUL runs to the end of the file.
  std::string cString(size_t at) const {
    size_t end = at;
    while (end < data_.size() && data_[end] != 0) ++end;
    return at < end ? std::string(reinterpret_cast<const char*>(&data_[at]), end - at) : "";
  }
  // The entry count at the start of a list body, lowered to the entries the chunk holds.
  size_t listCount(size_t s, size_t e, size_t entrySize) const {
    if (s + 2 > e) return 0;
    const size_t claimed = u16(s);
    const size_t fits = (e - s - 2) / entrySize;
    return claimed < fits ? claimed : fits;
  }

  bool readMesh(size_t s, size_t e) {
    const size_t vb = model_.vertices.size();
    const size_t tb = model_.triangles.size();
    size_t meshVertexCount = 0;
    size_t mapping = 0, faces = 0, facesEnd = 0;  // offsets of the last chunks seen; 0 = none
    for (size_t at = s; at + 6 <= e;) {
      const uint16_t id = u16(at);
      const uint32_t length = u32(at + 2);
      if (length < 6 || length > e - at) break;
      if (id == 0x4110) {
        const size_t n = listCount(at + 6, at + length, 12);
        for (size_t i = 0; i < n; ++i) {
          const size_t p = at + 8 + i * 12;
          modelAddVertex(model_, f32(p), f32(p + 4), f32(p + 8), 0, 0);
        }
        meshVertexCount = n;
      } else if (id == 0x4140) {
        mapping = at;
      } else if (id == 0x4120) {
        faces = at;
        facesEnd = at + length;
      }
      at += length;
    }
    if (mapping != 0) {
      const uint32_t mappingLength = u32(mapping + 2);
      size_t k = listCount(mapping + 6, mapping + mappingLength, 8);
      if (k > meshVertexCount) k = meshVertexCount;
      for (size_t i = 0; i < k; ++i) {
        Vertex& v = model_.vertices[vb + i];
        v.u = f32(mapping + 8 + i * 8);
        v.v = f32(mapping + 12 + i * 8);
      }
      model_.hasUVs = true;
    }
    if (faces == 0) return true;
    const size_t f = listCount(faces + 6, facesEnd, 8);
    const size_t meshVertices = model_.vertices.size() - vb;
    for (size_t i = 0; i < f; ++i) {
      const size_t p = faces + 8 + i * 8;
      const size_t a = u16(p), b = u16(p + 2), c = u16(p + 4);
      if (a >= meshVertices || b >= meshVertices || c >= meshVertices) return false;
      modelAddTriangle(model_, static_cast<int32_t>(vb + a), static_cast<int32_t>(vb + b),
                       static_cast<int32_t>(vb + c), -1, layer_);
    }
    for (size_t at = faces + 8 + f * 8; at + 6 <= facesEnd;) {
      const uint16_t id = u16(at);
      const uint32_t length = u32(at + 2);
      if (length < 6 || length > facesEnd - at) break;
      if (id == 0x4130) {
        const std::string name = cString(at + 6);
        const int32_t material = modelMaterialIndex(model_, name);
        const size_t listStart = at + 6 + name.size() + 1;
        const size_t m = listCount(listStart, at + length, 2);
        for (size_t i = 0; i < m; ++i) {
          const size_t j = u16(listStart + 2 + i * 2);
          if (j < f) model_.triangles[tb + j].material = material;
        }
      }
      at += length;
    }
    for (size_t t = tb; t < model_.triangles.size(); ++t)
      if (model_.triangles[t].material < 0)
        model_.triangles[t].material = modelMaterialIndex(model_, "Default");
    return true;
  }

  std::span<const uint8_t> data_;
  Model& model_;
  int32_t layer_ = 0;  // the layer new triangles go on: the last named object's
};

}  // namespace

ReadResult parse3ds(std::span<const uint8_t> bytes, const std::string& path, Model& model) {
  modelClear(model);
  if (bytes.size() <= 5 || (bytes[0] | bytes[1] << 8) != 0x4D4D) return {false, kInvalid};
  if (!Reader3ds(bytes, model).walk()) {
    modelClear(model);
    return {false, kInvalid};
  }
  model.zUp = true;
  modelEnsureLayer(model);
  if (model.triangles.empty()) return {false, "Geen driehoeken gevonden in " + path};
  return {true, ""};
}

ReadResult read3ds(const std::string& path, Model& model) {
  modelClear(model);
  std::vector<uint8_t> bytes;
  try {
    if (!readFileBytes(path, bytes)) return {false, "Kan bestand niet openen: " + path};
    return parse3ds(bytes, path, model);
  } catch (const std::bad_alloc&) {
    modelClear(model);
    return {false, "Te weinig geheugen"};
  }
}
