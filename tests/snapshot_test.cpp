#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include "project/snapshot.h"
#include "tests/byte_writer.h"

namespace {

void putName(std::vector<uint8_t>& out, const std::string& text) {
  put32le(out, static_cast<uint32_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}
void set32(std::vector<uint8_t>& block, size_t offset, int32_t value) {
  for (int k = 0; k < 4; ++k)
    block[offset + k] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * k));
}

std::vector<uint32_t> floatBits(const Model& m) {
  std::vector<uint32_t> bits;
  for (const Vertex& v : m.vertices)
    for (float f : {v.x, v.y, v.z, v.u, v.v}) bits.push_back(std::bit_cast<uint32_t>(f));
  return bits;
}

// The model whose block the truncation and corruption cases start from. Its block:
//   36 header | 96 three vertices | 96..127 two triangles (16 each) | 128 "A" (5 bytes)
//   133 "Bc" (6) | 139 nl | 143 "L0" (6) | 149 "L1" (6) | 155 two layers (4 each) | 163 end
Model small() {
  Model m;
  m.hasUVs = true;
  m.objectCount = 2;
  for (int i = 0; i < 3; ++i) m.vertices.push_back({float(i), 1, 2, 0.25f * i, 0.5f});
  m.materialNames = {"A", "Bc"};
  m.layerNames = {"L0", "L1"};
  m.triangles = {{0, 1, 2, 0, 1}, {2, 1, 0, 1, 0}};
  return m;
}
constexpr size_t kTriangles = 96, kAfterMaterials = 139, kLayerIndices = 155, kEnd = 163;

// What a failed read must leave alone.
Model sentinel() {
  Model m;
  m.vertices.push_back({7, 7, 7, 0, 0});
  m.materialNames = {"keep"};
  m.layerNames = {"keep"};
  m.triangles = {{0, 0, 0, 0, 0}};
  return m;
}

TEST(Snapshot, ByteLayout) {
  Model m;
  m.hasUVs = true;
  m.zUp = true;
  m.objectCount = 3;
  m.splitPolygons = 4;
  m.vertices = {{1.0f, -2.0f, 0.5f, 0.25f, 0.75f}};
  m.triangles = {{0, 0, 0, 0, 0}};
  m.materialNames = {"M"};
  m.layerNames = {"Body"};

  std::vector<uint8_t> expected = {'U', 'V', 'M', '1'};
  for (uint32_t v : {2u, 1u, 1u, 1u, 1u, 1u, 3u, 4u}) put32le(expected, v);
  for (float f : {1.0f, -2.0f, 0.5f, 0.25f, 0.75f}) put32le(expected, std::bit_cast<uint32_t>(f));
  for (uint32_t v : {0u, 0u, 0u, 0u}) put32le(expected, v);
  putName(expected, "M");
  put32le(expected, 1);
  putName(expected, "Body");
  put32le(expected, 0);
  EXPECT_EQ(writeModelSnapshot(m), expected);
}

TEST(Snapshot, RoundTripKeepsEverythingBitForBit) {
  Model m;
  m.hasUVs = true;
  m.zUp = true;
  m.objectCount = 5;
  m.splitPolygons = 17;
  const float nanWithPayload = std::bit_cast<float>(0x7FC12345u);
  const float specials[] = {-0.0f, nanWithPayload, std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::denorm_min(), -1e30f, 0.1f};
  for (int i = 0; i < 6; ++i)
    m.vertices.push_back({specials[i], specials[(i + 1) % 6], specials[(i + 2) % 6],
                          specials[(i + 3) % 6], specials[(i + 4) % 6]});
  m.materialNames = {"", "Stål_001", "木材", "Default"};
  m.layerNames = {"Default", "", "Räder"};
  for (int t = 0; t < 9; ++t)
    m.triangles.push_back({t % 6, (t + 1) % 6, (t + 5) % 6, t % 4, t % 3});

  const std::vector<uint8_t> block = writeModelSnapshot(m);
  size_t names = 0;
  for (const auto& n : m.materialNames) names += 4 + n.size();
  for (const auto& n : m.layerNames) names += 4 + n.size();
  EXPECT_EQ(block.size(), 36 + 20 * 6 + 16 * 9 + 4 + names + 4 * 9);

  Model back = sentinel();
  ASSERT_TRUE(readModelSnapshot(back, block));
  EXPECT_EQ(floatBits(back), floatBits(m));
  EXPECT_EQ(back.triangles, m.triangles);
  EXPECT_EQ(back.materialNames, m.materialNames);
  EXPECT_EQ(back.layerNames, m.layerNames);
  EXPECT_TRUE(back.hasUVs && back.zUp);
  EXPECT_EQ(back.objectCount, 5);
  EXPECT_EQ(back.splitPolygons, 17);

  Model empty;
  ASSERT_TRUE(readModelSnapshot(back, writeModelSnapshot(empty)));
  EXPECT_EQ(back.vertexCount() + back.triangleCount() + back.materialCount(), 0);
  EXPECT_EQ(back.layerNames, std::vector<std::string>{"Default"});
}

TEST(Snapshot, RefusedBlocksLeaveTheModelAlone) {
  const std::vector<uint8_t> good = writeModelSnapshot(small());
  ASSERT_EQ(good.size(), kEnd);
  struct Case {
    const char* name;
    size_t cut;  // keep this many bytes
    size_t offset = 0;
    int32_t value = 0;  // written at offset when offset > 0
  };
  const int32_t maxInt = std::numeric_limits<int32_t>::max();
  const Case cases[] = {
      {"35 bytes", 35},
      {"other letters", kEnd, 3, 0x32},  // "UVM2"
      {"negative vertex count", kEnd, 8, -1},
      {"negative triangle count", kEnd, 12, -1},
      {"negative material count", kEnd, 16, -1},
      {"vertices past the block", kEnd, 8, 7},
      {"triangles past the block", kEnd, 12, 5},
      {"huge counts that overflow 32 bits", kEnd, 8, maxInt},
      {"more material names than the block holds", kEnd, 16, maxInt},
      {"cut inside the triangles", kTriangles + 20},
      {"cut inside a material name", 135},
      {"material name length past the end", kEnd, 133, 100},
      {"negative material name length", kEnd, 133, -2},
      {"negative layer count", kEnd, kAfterMaterials, -1},
      {"layer name length past the end", kEnd, 149, 20},
      {"cut inside the layer names", 146},
      {"cut inside the layer indices", kEnd - 2},
      {"layer indices missing", kLayerIndices},
      {"corner index equal to the vertex count", kEnd, kTriangles + 4, 3},
      {"negative corner index", kEnd, kTriangles + 16 + 8, -1},
      {"material equal to the material count", kEnd, kTriangles + 12, 2},
      {"material -1", kEnd, kTriangles + 16 + 12, -1},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> block(good.begin(), good.begin() + static_cast<ptrdiff_t>(c.cut));
    if (c.offset) set32(block, c.offset, c.value);
    Model m = sentinel();
    EXPECT_FALSE(readModelSnapshot(m, block)) << c.name;
    EXPECT_EQ(m, sentinel()) << c.name;
  }
}

// A few bytes of a compressed archive could declare millions of vertices for no triangle:
// more vertices than corners is refused. A model with points no face uses (a .3ds file may
// list them) is written without them, so every block written reads back.
TEST(Snapshot, MoreVerticesThanCornersAreRefusedAndNeverWritten) {
  std::vector<uint8_t> block = writeModelSnapshot(small());
  block.insert(block.begin() + kTriangles, 4 * 20, 0);  // 7 vertices for 2 triangles
  set32(block, 8, 7);
  Model m = sentinel();
  EXPECT_FALSE(readModelSnapshot(m, block));
  EXPECT_EQ(m, sentinel());
  EXPECT_EQ(SnapshotSizeLimit(1000)(block), 0u);

  Model loose = small();
  loose.vertices.insert(loose.vertices.begin(), 7, Vertex{9, 9, 9, 0, 0});
  for (Triangle& t : loose.triangles)
    for (int k = 0; k < 3; ++k) t.corner(k) += 7;
  Model back;
  ASSERT_TRUE(readModelSnapshot(back, writeModelSnapshot(loose)));
  EXPECT_EQ(back, small());
}

// The limit never cuts a valid block short, is its exact size once the names are read, and is 0
// as soon as the bytes show it cannot be one.
TEST(Snapshot, SizeLimitFollowsTheBlockAsItArrives) {
  const size_t ceiling = 1 << 20;
  const std::vector<uint8_t> good = writeModelSnapshot(small());
  std::vector<uint8_t> version1(good.begin(), good.begin() + kAfterMaterials);
  set32(version1, 4, 1);
  for (const std::vector<uint8_t>& block : {good, version1, writeModelSnapshot(Model{})}) {
    SnapshotSizeLimit limit(ceiling);
    size_t last = 0;
    for (size_t n = 1; n <= block.size(); ++n) {
      last = limit(std::span(block).first(n));
      ASSERT_GE(last, n) << "after " << n << " of " << block.size() << " bytes";
    }
    EXPECT_EQ(last, block.size());
  }
  EXPECT_EQ(SnapshotSizeLimit(ceiling)(std::span(good).first(kTriangles)), ceiling);

  std::vector<uint8_t> otherLetters = {'U', 'V', 'X'};
  std::vector<uint8_t> negativeName = good;
  set32(negativeName, 133, -2);
  std::vector<uint8_t> trailing = good;
  trailing.push_back(0);
  EXPECT_EQ(SnapshotSizeLimit(ceiling)(otherLetters), 0u);
  EXPECT_EQ(SnapshotSizeLimit(ceiling)(negativeName), 0u);
  EXPECT_LT(SnapshotSizeLimit(ceiling)(trailing), trailing.size());
}

TEST(Snapshot, BlocksWithoutUsableLayersPutEveryTriangleOnDefault) {
  const std::vector<uint8_t> good = writeModelSnapshot(small());
  struct Case {
    const char* name;
    size_t cut;
    int32_t version = 2;
    size_t tail = 0;  // extra bytes after the cut
  };
  const Case cases[] = {
      {"version 1 block", kAfterMaterials, 1},
      {"version 1 field before a full layer section", kEnd, 1},
      {"version 0", kAfterMaterials, 0},
      {"version 2 cut right after the material names", kAfterMaterials},
      {"version 2 with three stray bytes after the material names", kAfterMaterials, 2, 3},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> block(good.begin(), good.begin() + static_cast<ptrdiff_t>(c.cut));
    block.insert(block.end(), c.tail, 0xAB);
    set32(block, 4, c.version);
    Model m;
    ASSERT_TRUE(readModelSnapshot(m, block)) << c.name;
    EXPECT_EQ(m.layerNames, std::vector<std::string>{"Default"}) << c.name;
    for (const Triangle& t : m.triangles) EXPECT_EQ(t.layer, 0) << c.name;
    EXPECT_EQ(m.materialNames, small().materialNames) << c.name;
    EXPECT_EQ(m.triangleCount(), 2) << c.name;
  }

  // An empty layer section: no names, and indices that cannot name one.
  Model noLayers = small();
  noLayers.layerNames.clear();
  Model m;
  ASSERT_TRUE(readModelSnapshot(m, writeModelSnapshot(noLayers)));
  EXPECT_EQ(m.layerNames, std::vector<std::string>{"Default"});
  EXPECT_EQ(m.triangles[0].layer, 0);
}

TEST(Snapshot, LayerIndicesOutsideTheLayersReadAsZero) {
  std::vector<uint8_t> block = writeModelSnapshot(small());
  for (int32_t bad : {-1, 2, std::numeric_limits<int32_t>::min()}) {
    set32(block, kLayerIndices, bad);
    set32(block, kLayerIndices + 4, 1);
    Model m;
    ASSERT_TRUE(readModelSnapshot(m, block)) << bad;
    EXPECT_EQ(m.layerNames, (std::vector<std::string>{"L0", "L1"}));
    EXPECT_EQ(m.triangles[0].layer, 0) << bad;
    EXPECT_EQ(m.triangles[1].layer, 1) << bad;
  }
}

}  // namespace
