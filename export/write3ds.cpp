#include "export/write3ds.h"

#include <new>

#include "base/file_io.h"
#include "base/le_bytes.h"

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
  // The first 15 bytes of the name and a 0 byte; a name is cut at an embedded 0 anyway.
  void name(const std::string& text) {
    for (size_t i = 0; i < text.size() && i < 15 && text[i] != '\0'; ++i)
      out_.push_back(static_cast<uint8_t>(text[i]));
    out_.push_back(0);
  }

 private:
  std::vector<uint8_t>& out_;
  std::vector<size_t> open_;
};

constexpr const char* kTooLarge = "Te groot voor .3ds (maximaal 65535 hoekpunten en driehoeken)";

}  // namespace

Encoded3ds encode3ds(const Model& model) {
  if (model.vertexCount() > kMax3dsCount || model.triangleCount() > kMax3dsCount)
    return {false, kTooLarge, {}};
  for (const Triangle& t : model.triangles)
    for (int32_t c : {t.cornerA, t.cornerB, t.cornerC})
      if (c < 0 || c >= model.vertexCount())
        return {false, "Ongeldig model: een driehoek wijst buiten de hoekpunten", {}};

  Encoded3ds result;
  result.ok = true;
  std::vector<uint8_t>& out = result.bytes;
  out.reserve(static_cast<size_t>(200 + 32 * model.vertexCount() + 10 * model.triangleCount() +
                                  64 * model.materialCount()));
  ChunkWriter w(out);
  w.open(0x4D4D);
  w.open(0x0002);
  w.u32(3);
  w.close();
  w.open(0x3D3D);
  w.open(0x3D3E);
  w.u32(3);
  w.close();
  for (int64_t k = 0; k < model.materialCount(); ++k) {
    w.open(0xAFFF);
    w.open(0xA000);
    w.name(model.materialNames[static_cast<size_t>(k)]);
    w.close();
    w.open(0xA020);
    w.open(0x0011);
    const uint32_t colour = surfaceColor(k);
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

  w.open(0x4110);
  w.u16(static_cast<uint32_t>(model.vertexCount()));
  for (const Vertex& v : model.vertices) {
    w.f32(v.x);
    w.f32(v.y);
    w.f32(v.z);
  }
  w.close();
  w.open(0x4140);
  w.u16(static_cast<uint32_t>(model.vertexCount()));
  for (const Vertex& v : model.vertices) {
    w.f32(v.u);
    w.f32(v.v);
  }
  w.close();
  w.open(0x4160);  // identity axes, zero origin
  for (float f : {1.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f}) w.f32(f);
  w.close();

  w.open(0x4120);
  w.u16(static_cast<uint32_t>(model.triangleCount()));
  for (const Triangle& t : model.triangles) {
    w.u16(static_cast<uint32_t>(t.cornerA));
    w.u16(static_cast<uint32_t>(t.cornerB));
    w.u16(static_cast<uint32_t>(t.cornerC));
    w.u16(7);
  }
  // One counting pass per Surface; with at most 65535 triangles this stays small.
  for (int64_t k = 0; k < model.materialCount(); ++k) {
    uint32_t count = 0;
    for (const Triangle& t : model.triangles) count += t.material == k;
    if (count == 0) continue;
    w.open(0x4130);
    w.name(model.materialNames[static_cast<size_t>(k)]);
    w.u16(count);
    for (size_t i = 0; i < model.triangles.size(); ++i)
      if (model.triangles[i].material == k) w.u16(static_cast<uint32_t>(i));
    w.close();
  }
  w.close();  // face list
  w.close();  // mesh
  w.close();  // object
  w.close();  // editor data
  w.close();  // main
  return result;
}

Encoded3ds write3ds(const Model& model, const std::string& path) {
  Encoded3ds encoded;
  try {
    encoded = encode3ds(model);
  } catch (const std::bad_alloc&) {
    return {false, "Te weinig geheugen", {}};
  }
  if (!encoded.ok) return encoded;
  switch (writeWholeFile(path, encoded.bytes.data(), encoded.bytes.size())) {
    case FileWrite::cannotCreate:
      return {false, "Kan bestand niet maken: " + path, {}};
    case FileWrite::incomplete:
      // A cut-off model would load as a broken or partial mesh; none at all is better.
      return {false, "Kan bestand niet schrijven: " + path, {}};
    case FileWrite::ok:
      break;
  }
  return encoded;
}
