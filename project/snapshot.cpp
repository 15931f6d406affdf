#include "project/snapshot.h"

#include "base/le_bytes.h"

#include <bit>
#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace {

constexpr char kMagic[4] = {'U', 'V', 'M', '1'};
constexpr int32_t kVersion = 2;
constexpr size_t kHeaderSize = 36;

// Writes into a buffer sized exactly beforehand, byte by byte so the block is little-endian
// on any host.
class Writer {
 public:
  explicit Writer(std::vector<uint8_t>& out) : out_(out) {}
  void i32(int32_t value) { appendU32(out_, static_cast<uint32_t>(value)); }
  void f32(float value) { appendF32(out_, value); }
  void name(const std::string& text) {
    i32(static_cast<int32_t>(text.size()));
    out_.insert(out_.end(), text.begin(), text.end());
  }

 private:
  std::vector<uint8_t>& out_;
};

// Reads from the block, never past its end: every read is preceded by a check of what is left.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  size_t left() const { return bytes_.size() - pos_; }
  void seek(size_t pos) { pos_ = pos; }
  int32_t i32() {
    const auto value = static_cast<int32_t>(getU32(&bytes_[pos_]));
    pos_ += 4;
    return value;
  }
  float f32() { return std::bit_cast<float>(static_cast<uint32_t>(i32())); }
  // A length-prefixed name; false when the length or its text runs past the block.
  bool name(std::string& text) {
    if (left() < 4) return false;
    const int32_t length = i32();
    if (length < 0 || static_cast<size_t>(length) > left()) return false;
    text.assign(reinterpret_cast<const char*>(bytes_.data() + pos_), static_cast<size_t>(length));
    pos_ += static_cast<size_t>(length);
    return true;
  }
  bool names(int64_t count, std::vector<std::string>& out) {
    // Each name takes at least its 4-byte length, so a count the block cannot hold fails
    // before anything is allocated for it.
    if (static_cast<uint64_t>(count) > left() / 4) return false;
    out.resize(static_cast<size_t>(count));
    for (std::string& text : out)
      if (!name(text)) return false;
    return true;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
};

// The counts a block may declare: none negative, and no more vertices than the triangles'
// corners.
bool countsValid(int64_t nv, int64_t nt, int64_t nm) {
  return nv >= 0 && nt >= 0 && nm >= 0 && nv <= 3 * nt;
}

// The model without the vertices no triangle uses, the others in their order.
Model withoutUnusedVertices(const Model& model) {
  Model out = model;
  std::vector<int32_t> newIndex(model.vertices.size(), -1);
  for (const Triangle& t : model.triangles)
    for (int32_t c : {t.cornerA, t.cornerB, t.cornerC})
      if (c >= 0 && static_cast<size_t>(c) < newIndex.size()) newIndex[c] = 0;
  out.vertices.clear();
  for (size_t i = 0; i < newIndex.size(); ++i)
    if (newIndex[i] == 0) {
      newIndex[i] = static_cast<int32_t>(out.vertices.size());
      out.vertices.push_back(model.vertices[i]);
    }
  for (Triangle& t : out.triangles)
    for (int32_t* c : {&t.cornerA, &t.cornerB, &t.cornerC})
      if (*c >= 0 && static_cast<size_t>(*c) < newIndex.size()) *c = newIndex[*c];
  return out;
}

bool fitsInt32(int64_t value) {
  return value >= std::numeric_limits<int32_t>::min() &&
         value <= std::numeric_limits<int32_t>::max();
}

// The flags and figures are 64-bit in memory but 32-bit in the block; out-of-range values
// are saturated rather than wrapped so they never change sign.
int32_t saturate32(int64_t value) {
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

bool trianglesInRange(const Model& model) {
  const int64_t nv = model.vertexCount();
  const int64_t nm = model.materialCount();
  for (const Triangle& t : model.triangles) {
    for (int32_t c : {t.cornerA, t.cornerB, t.cornerC})
      if (c < 0 || c >= nv) return false;
    if (t.material < 0 || t.material >= nm) return false;
  }
  return true;
}

}  // namespace

std::vector<uint8_t> writeModelSnapshot(const Model& model) {
  if (model.vertexCount() > 3 * model.triangleCount())
    return writeModelSnapshot(withoutUnusedVertices(model));
  const int64_t nv = model.vertexCount();
  const int64_t nt = model.triangleCount();
  size_t size = kHeaderSize + 20 * static_cast<size_t>(nv) + 16 * static_cast<size_t>(nt) + 4 +
                4 * static_cast<size_t>(nt);
  bool fits = fitsInt32(nv) && fitsInt32(nt) && fitsInt32(model.materialCount()) &&
              fitsInt32(model.layerCount());
  for (const auto* list : {&model.materialNames, &model.layerNames})
    for (const std::string& text : *list) {
      size += 4 + text.size();
      fits = fits && fitsInt32(static_cast<int64_t>(text.size()));
    }
  if (!fits) return {};

  std::vector<uint8_t> out;
  out.reserve(size);
  Writer w(out);
  out.insert(out.end(), kMagic, kMagic + 4);
  w.i32(kVersion);
  w.i32(static_cast<int32_t>(nv));
  w.i32(static_cast<int32_t>(nt));
  w.i32(static_cast<int32_t>(model.materialCount()));
  w.i32(model.hasUVs ? 1 : 0);
  w.i32(model.zUp ? 1 : 0);
  w.i32(saturate32(model.objectCount));
  w.i32(saturate32(model.splitPolygons));
  for (const Vertex& v : model.vertices) {
    w.f32(v.x);
    w.f32(v.y);
    w.f32(v.z);
    w.f32(v.u);
    w.f32(v.v);
  }
  for (const Triangle& t : model.triangles) {
    w.i32(t.cornerA);
    w.i32(t.cornerB);
    w.i32(t.cornerC);
    w.i32(t.material);
  }
  for (const std::string& text : model.materialNames) w.name(text);
  w.i32(static_cast<int32_t>(model.layerCount()));
  for (const std::string& text : model.layerNames) w.name(text);
  for (const Triangle& t : model.triangles) w.i32(t.layer);
  return out;
}

bool readModelSnapshot(Model& model, std::span<const uint8_t> bytes) {
  if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), kMagic, 4) != 0) return false;
  Reader r(bytes);
  r.seek(4);
  const int32_t version = r.i32();
  const int32_t nv = r.i32();
  const int32_t nt = r.i32();
  const int32_t nm = r.i32();
  if (!countsValid(nv, nt, nm)) return false;
  if (bytes.size() < kHeaderSize + 20 * static_cast<uint64_t>(nv) + 16 * static_cast<uint64_t>(nt))
    return false;

  // Built aside and moved in only on success, so a bad block leaves the caller's model whole.
  Model m;
  m.hasUVs = r.i32() != 0;
  m.zUp = r.i32() != 0;
  m.objectCount = r.i32();
  m.splitPolygons = r.i32();
  m.vertices.resize(static_cast<size_t>(nv));
  for (Vertex& v : m.vertices) {
    v.x = r.f32();
    v.y = r.f32();
    v.z = r.f32();
    v.u = r.f32();
    v.v = r.f32();
  }
  m.triangles.resize(static_cast<size_t>(nt));
  for (Triangle& t : m.triangles) {
    t.cornerA = r.i32();
    t.cornerB = r.i32();
    t.cornerC = r.i32();
    t.material = r.i32();
    t.layer = 0;
  }
  if (!r.names(nm, m.materialNames)) return false;

  // Version 1 blocks end here; so does a later block cut right after the material names.
  if (version >= 2 && r.left() >= 4) {
    const int32_t nl = r.i32();
    if (nl < 0 || !r.names(nl, m.layerNames)) return false;
    if (r.left() / 4 < static_cast<uint64_t>(nt)) return false;
    for (Triangle& t : m.triangles) {
      const int32_t layer = r.i32();
      t.layer = layer >= 0 && layer < nl ? layer : 0;
    }
  }
  modelEnsureLayer(m);
  if (!trianglesInRange(m)) return false;
  model = std::move(m);
  return true;
}

size_t SnapshotSizeLimit::operator()(std::span<const uint8_t> head) {
  const size_t n = head.size();
  auto i32At = [&](size_t at) { return static_cast<int32_t>(getU32(head.data() + at)); };
  if (stage_ == Stage::header) {
    if (std::memcmp(head.data(), kMagic, std::min<size_t>(n, 4)) != 0) {
      stage_ = Stage::invalid;
    } else if (n >= kHeaderSize) {
      version_ = i32At(4);
      const int64_t nv = i32At(8), nt = i32At(12), nm = i32At(16);
      if (!countsValid(nv, nt, nm)) {
        stage_ = Stage::invalid;
      } else {
        triangles_ = nt;
        pos_ = kHeaderSize + 20 * static_cast<size_t>(nv) + 16 * static_cast<size_t>(nt);
        namesLeft_ = nm;
        stage_ = Stage::materialNames;
      }
    }
  }
  // Each step needs 4 more bytes at pos_; the lengths may point far beyond what is there.
  while (stage_ == Stage::materialNames || stage_ == Stage::layerCount ||
         stage_ == Stage::layerNames) {
    const bool names = stage_ != Stage::layerCount;
    if (names && namesLeft_ == 0) {
      if (stage_ == Stage::layerNames) {
        pos_ += 4 * static_cast<size_t>(triangles_);
        stage_ = Stage::done;
      } else {
        stage_ = version_ >= 2 ? Stage::layerCount : Stage::done;
      }
      continue;
    }
    if (pos_ > n || n - pos_ < 4) break;
    const int32_t value = i32At(pos_);
    pos_ += 4;
    if (value < 0) {
      stage_ = Stage::invalid;
    } else if (names) {
      pos_ += static_cast<size_t>(value);
      --namesLeft_;
    } else {
      namesLeft_ = value;
      stage_ = Stage::layerNames;
    }
  }
  if (stage_ == Stage::invalid) return 0;
  return stage_ == Stage::done ? pos_ : ceiling_;
}
