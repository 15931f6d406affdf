#include <gtest/gtest.h>


#include <algorithm>
#include <clocale>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "base/file_io.h"
#include "export/pad.h"
#include "export/script.h"
#include "export/tex.h"
#include "export/uv_layout.h"
#include "export/write3ds.h"
#include "image/image.h"
#include "model/readers.h"
#include "paint/fill.h"
#include "tests/golden.h"
#include "tests/temp_folder.h"
#include "tests/unwrap_checks.h"
#include "unwrap/unwrap.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;


Bytes readBytes(const std::string& path) {
  Bytes bytes;
  EXPECT_TRUE(readFileBytes(path, bytes)) << path;
  return bytes;
}

// Little-endian byte builders for hand-written expected files.
struct Out {
  Bytes b;
  Out& u8(uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  Out& u16(uint32_t v) { return u8(v).u8(v >> 8); }
  Out& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  Out& f32(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return u32(bits);
  }
  Out& text(const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
  Out& chunk(uint16_t id, uint32_t length) { return u16(id).u32(length); }
};

uint32_t le32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// A model of `n` separate triangles on Surfaces named by `names`, triangle t on Surface
// t % names.size(), with distinct positions and UVs.
Model stripModel(int n, std::vector<std::string> names) {
  Model m;
  m.materialNames = std::move(names);
  m.layerNames = {"Default"};
  for (int t = 0; t < n; ++t) {
    for (int k = 0; k < 3; ++k)
      modelAddVertex(m, static_cast<float>(t), static_cast<float>(k), -0.5f * t,
                     static_cast<float>(t * 3 + k) / 64, 1.0f - static_cast<float>(k) / 8);
    modelAddTriangle(m, 3 * t, 3 * t + 1, 3 * t + 2,
                     static_cast<int32_t>(t % m.materialNames.size()), 0);
  }
  return m;
}

// ---- 3DS -----------------------------------------------------------------------------------

TEST(Write3ds, LaysOutTheChunkTreeExactly) {
  Model m;
  m.materialNames = {"A", "Empty"};
  modelAddVertex(m, 1, 2, 3, 0.5f, 0.25f);
  modelAddVertex(m, -1, 0, 0, 0, 1);
  modelAddVertex(m, 0, 4, 0, 1, 0);
  modelAddTriangle(m, 2, 0, 1, 0, 0);

  Out e;
  const uint32_t a = surfaceColor(0), b = surfaceColor(1);
  e.chunk(0x4D4D, 270).chunk(0x0002, 10).u32(3);
  e.chunk(0x3D3D, 254).chunk(0x3D3E, 10).u32(3);
  e.chunk(0xAFFF, 29).chunk(0xA000, 8).text("A").u8(0);
  e.chunk(0xA020, 15).chunk(0x0011, 9).u8(a).u8(a >> 8).u8(a >> 16);
  // A Surface without triangles has its material but no face group.
  e.chunk(0xAFFF, 33).chunk(0xA000, 12).text("Empty").u8(0);
  e.chunk(0xA020, 15).chunk(0x0011, 9).u8(b).u8(b >> 8).u8(b >> 16);
  e.chunk(0x4000, 176).text("Model").u8(0).chunk(0x4100, 164);
  e.chunk(0x4110, 44).u16(3).f32(1).f32(2).f32(3).f32(-1).f32(0).f32(0).f32(0).f32(4).f32(0);
  e.chunk(0x4140, 32).u16(3).f32(0.5f).f32(0.25f).f32(0).f32(1).f32(1).f32(0);
  e.chunk(0x4160, 54);
  for (float f : {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}) e.f32(f);
  e.chunk(0x4120, 28).u16(1).u16(2).u16(0).u16(1).u16(7);
  e.chunk(0x4130, 12).text("A").u8(0).u16(1).u16(0);

  const Encoded3ds out = encode3ds(m);
  ASSERT_TRUE(out.ok) << out.message;
  EXPECT_EQ(out.bytes, e.b);
}

TEST(Write3ds, OurReaderGetsTheSameModelBack) {
  // 15 characters survive; the long names differ only after that and so still match their
  // own face groups.
  Model m = stripModel(7, {"Body_001", "Wheel_front_left", "Z", "Abcdefghijklmnopqrstu"});
  m.materialNames.push_back("NoTriangles");
  const TempFolder dir("quillmap_export");
  const std::string path = dir.path("model.3ds");
  const Encoded3ds written = write3ds(m, path);
  ASSERT_TRUE(written.ok) << written.message;
  EXPECT_EQ(readBytes(path), written.bytes);

  Model back;
  const ReadResult read = read3ds(path, back);
  ASSERT_TRUE(read.ok) << read.message;
  EXPECT_EQ(back.layerNames, std::vector<std::string>{"Model"});
  EXPECT_TRUE(back.zUp);
  EXPECT_TRUE(back.hasUVs);
  EXPECT_EQ(back.vertices, m.vertices);
  EXPECT_EQ(back.materialNames,
            (std::vector<std::string>{"Body_001", "Wheel_front_lef", "Z", "Abcdefghijklmno"}));
  ASSERT_EQ(back.triangleCount(), m.triangleCount());
  for (size_t t = 0; t < m.triangles.size(); ++t) {
    const Triangle& x = m.triangles[t];
    const Triangle& y = back.triangles[t];
    EXPECT_EQ(std::vector<int32_t>({x.cornerA, x.cornerB, x.cornerC}),
              std::vector<int32_t>({y.cornerA, y.cornerB, y.cornerC}));
    EXPECT_EQ(back.materialNames[y.material], m.materialNames[x.material].substr(0, 15));
  }
}

// The game's importer divides by a triangle's area: triangles with two or three corners at one
// position (by the position key) are left out, with the vertices only they use.
TEST(Write3ds, LeavesOutTrianglesWithoutArea) {
  Model m;
  m.materialNames = {"A", "B"};
  for (const Vertex& v : std::initializer_list<Vertex>{
           {0, 0, 0, 0.1f, 0.1f},          // 0
           {1, 0, 0, 0.2f, 0.1f},          // 1
           {0, 1, 0, 0.1f, 0.2f},          // 2
           {1, 0, 0, 0.5f, 0.5f},          // 3: at 1's position
           {1, 0, 0, 0.6f, 0.5f},          // 4: there too
           {5, 5, 5, 0.7f, 0.7f},          // 5: used by no triangle
           {0.00004f, 0, 0, 0.3f, 0.3f},   // 6: 0's position key
           {1, 1, 0, 0.2f, 0.2f}})         // 7
    m.vertices.push_back(v);
  m.triangles = {{0, 1, 2, 0, 0},   // written
                 {3, 4, 2, 1, 0},   // left out, and 3 and 4 with it
                 {0, 6, 2, 0, 0},   // left out, and 6 with it
                 {6, 6, 6, 1, 0},   // left out
                 {1, 7, 2, 1, 0}};  // written
  const Encoded3ds out = encode3ds(m);
  ASSERT_TRUE(out.ok) << out.message;
  EXPECT_EQ(out.leftOut, 3);

  Model back;
  ASSERT_TRUE(parse3ds(out.bytes, "x.3ds", back).ok);
  EXPECT_EQ(back.vertices, (std::vector<Vertex>{m.vertices[0], m.vertices[1], m.vertices[2],
                                                m.vertices[5], m.vertices[7]}));
  EXPECT_EQ(back.materialNames, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(back.triangles, (std::vector<Triangle>{{0, 1, 2, 0, 0}, {1, 4, 2, 1, 0}}));
}

// Surface names reach the file at most 15 characters long and apart ignoring case, whatever
// the model holds (a project saved with older names, say); names that are apart stay.
TEST(Write3ds, SurfaceNamesStayApartIgnoringCase) {
  using namespace std::string_literals;
  const Model m = stripModel(6, {"Wood", "WOOD", "Abcdefghijklmnop", "Abcdefghijklmnoq",
                                 "Cut\0here"s, "Cut\0there"s});
  const Encoded3ds out = encode3ds(m);
  ASSERT_TRUE(out.ok) << out.message;
  Model back;
  ASSERT_TRUE(parse3ds(out.bytes, "x.3ds", back).ok);
  EXPECT_EQ(back.materialNames, (std::vector<std::string>{"Wood", "WOOD2", "Abcdefghijklmno",
                                                          "Abcdefghijklmn2", "Cut", "Cut2"}));
  for (size_t t = 0; t < 6; ++t) EXPECT_EQ(back.triangles[t].material, static_cast<int32_t>(t));
}

TEST(Write3ds, RefusesWhatTheFormatCannotHoldWithoutCreatingAFile) {
  const TempFolder dir("quillmap_export");
  const std::string tooLarge = "Te groot voor .3ds (maximaal 65535 hoekpunten en driehoeken)";
  auto model = [](int64_t vertices, int64_t triangles) {
    Model m;
    m.materialNames = {"S"};
    m.vertices.resize(static_cast<size_t>(vertices));
    if (vertices >= 3) m.vertices[1].x = m.vertices[2].y = 1;  // with area, so it is written
    m.triangles.assign(static_cast<size_t>(triangles), Triangle{0, 1, 2, 0, 0});
    return m;
  };
  const Encoded3ds largest = write3ds(model(65535, 65535), dir.path("largest.3ds"));
  EXPECT_TRUE(largest.ok) << largest.message;
  Model back;
  ASSERT_TRUE(read3ds(dir.path("largest.3ds"), back).ok);
  EXPECT_EQ(back.vertexCount(), 65535);
  EXPECT_EQ(back.triangleCount(), 65535);

  const struct {
    Model model;
    std::string message;
  } refused[] = {
      {model(65536, 1), tooLarge},
      {model(3, 65536), tooLarge},
      {model(2, 1), "Ongeldig model: een driehoek wijst buiten de hoekpunten"},
  };
  for (const auto& c : refused) {
    const std::string path = dir.path("refused.3ds");
    const Encoded3ds out = write3ds(c.model, path);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, c.message);
    EXPECT_FALSE(fs::exists(path));
  }

  const std::string missing = dir.path("no/such/folder/x.3ds");
  EXPECT_EQ(write3ds(model(3, 1), missing).message, "Kan bestand niet maken: " + missing);
  if (fs::exists("/dev/full")) {
    const Encoded3ds full = write3ds(model(3, 1), "/dev/full");
    EXPECT_FALSE(full.ok);
    EXPECT_EQ(full.message, "Kan bestand niet schrijven: /dev/full");
    EXPECT_TRUE(fs::exists("/dev/full"));  // a device is never removed
  }
}

// ---- Script ---------------------------------------------------------------------------------

TEST(Script, FormatMetresKeepsTwoToFiveDecimals) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{2, "2.00"},     {0.5, "0.50"},       {4.0 / 3, "1.33333"}, {0.03125, "0.03125"},
               {0.125, "0.125"}, {1.0 / 1024, "0.00098"}, {1, "1.00"}, {0.0625, "0.0625"}};
  for (const auto& c : cases) EXPECT_EQ(formatMetres(c.value), c.text) << c.value;
  if (std::setlocale(LC_ALL, "de_DE.UTF-8")) {
    EXPECT_EQ(formatMetres(4.0 / 3), "1.33333");
    std::setlocale(LC_ALL, "C");
  }
}

TEST(Script, SizesInMetresAndMex) {
  const struct {
    int w, h;
    const char* dim;
    int64_t mexW, mexH;
  } cases[] = {
      {256, 256, "2.00 2.00", 2048, 2048},   {512, 256, "2.00 1.00", 2048, 1024},
      {256, 512, "1.00 2.00", 1024, 2048},   {2048, 32, "2.00 0.03125", 2048, 32},
      {32, 2048, "0.03125 2.00", 32, 2048},  {2048, 2048, "2.00 2.00", 2048, 2048},
  };
  for (const auto& c : cases) {
    const TextureMetres m = textureMetres(c.w, c.h);
    EXPECT_EQ(formatMetres(m.width) + " " + formatMetres(m.height), c.dim) << c.w << "x" << c.h;
    const MexSize mex = expectedMex(c.w, c.h);
    EXPECT_EQ(mex.width, c.mexW);
    EXPECT_EQ(mex.height, c.mexH);
  }
}

TEST(Script, WritesTheScriptByteForByte) {
  const TempFolder dir("quillmap_export");
  const std::string path = dir.path("Box.scr");
  ASSERT_TRUE(writeScript(path, "Models\\Cars\\", "Box.3ds", 512, 256).ok);
  const std::string expected =
      ";******* Creation settings\r\n"
      "TEXTURE_DIM 2.00 1.00\r\n"
      "SIZE 1.0\r\n"
      "MAX_SHADOW 0\r\n"
      "HI_QUALITY YES\r\n"
      "FLAT NO\r\n"
      "HALF_FLAT NO\r\n"
      "STRETCH_DETAIL NO\r\n"
      "\r\n"
      ";******* Mip models\r\n"
      "DIRECTORY Models\\Cars\\\r\n"
      "MIP_MODELS 1\r\n"
      "    Box.3ds\r\n"
      "\r\n"
      "ANIM_START\r\n"
      ";******* Start of animation block\r\n"
      "\r\n"
      "DIRECTORY Models\\Cars\\\r\n"
      "ANIMATION Default\r\n"
      "SPEED 0.1\r\n"
      "    Box.3ds\r\n"
      "\r\n"
      ";******* End of animation block\r\n"
      "ANIM_END\r\n"
      "\r\n"
      "END\r\n";
  const Bytes bytes = readBytes(path);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);
  // Only the dimension line depends on the size.
  std::string wide = expected;
  wide.replace(wide.find("2.00 1.00"), 9, "2.00 0.03125");
  EXPECT_EQ(scriptText("Models\\Cars\\", "Box.3ds", 2048, 32), wide);

  const std::string missing = dir.path("none/Box.scr");
  const ScriptWrite failed = writeScript(missing, "Models\\", "Box.3ds", 512, 512);
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(failed.message, "Cannot write " + missing);
}

TEST(Script, PlacesTheExportInsideTheSeriousSamFolder) {
  const std::string notInside =
      ").\nSerious Modeler can only use files inside that folder.\n\n"
      "If this is not your Serious Sam folder, change it in Tools > Preferences.";
  const std::string tooLong =
      "The path is too long for Serious Modeler (maximum 127 characters per line).";
  // DIRECTORY + 117 characters is 127: the longest line allowed.
  const std::string dir117 = std::string(116, 'd') + "/";
  const std::string dir118 = std::string(117, 'd') + "/";
  const std::string name123 = std::string(119, 'n') + ".3ds";
  const struct {
    std::string path, root;
    bool ok;
    std::string directory, name, message;
  } cases[] = {
      {"/games/SS/Models/Box/box.3ds", "/games/SS/", true, "Models\\Box\\", "box.3ds", ""},
      // Letter case of the folder is ignored, the path's own case is kept; a root without
      // its trailing separator gets one.
      {"/Games/ss/Models/Box.3DS", "/games/SS", true, "Models\\", "Box.3DS", ""},
      {"/games/SS/Models/box.3ds", "\\games\\SS\\", true, "Models\\", "box.3ds", ""},
      {"/games/SSX/Models/box.3ds", "/games/SS", false, "", "",
       "The file is not inside the Serious Sam folder (/games/SS" + notInside},
      {"/other/box.3ds", "/games/SS/", false, "", "",
       "The file is not inside the Serious Sam folder (/games/SS/" + notInside},
      {"/games/SS/Models/box.3ds", "", false, "", "",
       "The file is not inside the Serious Sam folder (" + notInside},
      {"/games/SS/My Models/box.3ds", "/games/SS/", false, "", "",
       "The folder or file name contains a space:\nMy Models\\box.3ds"
       "\nSerious Modeler cannot read names with spaces in a script."},
      {"/games/SS/box.3ds", "/games/SS/", false, "", "",
       "Put the model in a subfolder of the Serious Sam folder (/games/SS/),\n"
       "for example /games/SS/MyModels\\\n\n"
       "If this is not your Serious Sam folder, change it in Tools > Preferences."},
      {"/games/SS/" + dir117 + "box.3ds", "/games/SS/", true, std::string(116, 'd') + "\\",
       "box.3ds", ""},
      {"/games/SS/" + dir118 + "box.3ds", "/games/SS/", false, "", "", tooLong},
      {"/games/SS/m/" + name123, "/games/SS/", true, "m\\", name123, ""},
      {"/games/SS/m/n" + name123, "/games/SS/", false, "", "", tooLong},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path + " in " + c.root);
    const ScriptPlace place = placeInSeriousSam(c.path, c.root);
    EXPECT_EQ(place.ok, c.ok);
    EXPECT_EQ(place.directory, c.directory);
    EXPECT_EQ(place.name, c.name);
    EXPECT_EQ(place.message, c.message);
  }
}

// ---- .tex -----------------------------------------------------------------------------------

struct TexFields {
  std::string tags;  // the seven tags in file order
  uint32_t version, flags, mexW, mexH, mips, shift, frames, animations, frameCount, frameIndex;
  float secondsPerFrame;
  std::string animName;
  Bytes pixels;  // RGB rows
};

// Reads a .tex file laid out as the game expects; fails the test when the layout is off.
TexFields readTex(const std::string& path, int64_t w, int64_t h) {
  const Bytes b = readBytes(path);
  TexFields t{};
  const size_t pixelBytes = static_cast<size_t>(w * h * 3);
  EXPECT_EQ(b.size(), 96 + pixelBytes);
  if (b.size() != 96 + pixelBytes) return t;
  auto tag = [&](size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); };
  const size_t after = 40 + pixelBytes;
  t.tags = tag(0) + tag(8) + tag(36) + tag(after) + tag(after + 4);
  t.version = le32(b, 4);
  t.flags = le32(b, 12);
  t.mexW = le32(b, 16);
  t.mexH = le32(b, 20);
  t.mips = le32(b, 24);
  t.shift = le32(b, 28);
  t.frames = le32(b, 32);
  t.pixels.assign(b.begin() + 40, b.begin() + static_cast<std::ptrdiff_t>(after));
  t.animations = le32(b, after + 8);
  t.animName.assign(b.begin() + after + 12, b.begin() + after + 44);
  const uint32_t bits = le32(b, after + 44);
  std::memcpy(&t.secondsPerFrame, &bits, 4);
  t.frameCount = le32(b, after + 48);
  t.frameIndex = le32(b, after + 52);
  return t;
}

TEST(Tex, SizesScalingAndHeader) {
  const TempFolder dir("quillmap_export");
  const struct {
    int64_t w, h, expectedW, expectedH;
    int64_t outW, outH;
    uint32_t shift, mips;
    bool scaled;
  } cases[] = {
      {2048, 2048, 2048, 2048, 1024, 1024, 1, 11, true},
      {512, 256, 2048, 1024, 512, 256, 2, 9, false},
      {32, 32, 2048, 2048, 32, 32, 6, 6, false},
      {1024, 64, 2048, 128, 1024, 64, 1, 7, false},
      {4096, 16, 2048, 8, 1024, 4, 1, 3, true},  // halved twice, the ratio kept
      {4096, 1, 2048, 2, 1024, 1, 1, 1, true},   // a side of 1 stays 1
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    const std::vector<uint32_t> pixels(static_cast<size_t>(c.w * c.h), rgba(10, 20, 30, 255));
    const std::string path = dir.path("t.tex");
    const TexWrite out = writeTex(pixels, c.w, c.h, path, c.expectedW, c.expectedH);
    ASSERT_TRUE(out.ok) << out.message;
    EXPECT_EQ(out.scaled, c.scaled);
    const TexFields t = readTex(path, c.outW, c.outH);
    EXPECT_EQ(t.tags, "TVERTDATFRMSANIMADAT");
    EXPECT_EQ(t.version, 4u);
    EXPECT_EQ(t.flags, 0u);
    EXPECT_EQ(t.mexW, c.expectedW);
    EXPECT_EQ(t.mexH, c.expectedH);
    EXPECT_EQ(t.shift, c.shift);
    EXPECT_EQ(t.mips, c.mips);
    EXPECT_EQ(t.frames, 1u);
    EXPECT_EQ(t.animations, 1u);
    EXPECT_EQ(t.animName, std::string("OnlyAnim") + std::string(24, '\0'));
    EXPECT_EQ(t.secondsPerFrame, 0.02f);
    EXPECT_EQ(t.frameCount, 1u);
    EXPECT_EQ(t.frameIndex, 0u);
    EXPECT_EQ(t.pixels.size(), static_cast<size_t>(c.outW * c.outH * 3));
    EXPECT_EQ(std::set<uint8_t>(t.pixels.begin(), t.pixels.end()), (std::set<uint8_t>{10, 20, 30}));
  }
}

TEST(Tex, PixelsAreRgbRowsAndScalingAveragesTwoByTwo) {
  const TempFolder dir("quillmap_export");
  const std::string path = dir.path("p.tex");
  // Unscaled: rows from the top, red, green, blue.
  const std::vector<uint32_t> small = {rgba(1, 2, 3), rgba(4, 5, 6), rgba(7, 8, 9),
                                       rgba(10, 11, 12)};
  ASSERT_TRUE(writeTex(small, 2, 2, path, 2048, 2048).ok);
  EXPECT_EQ(readTex(path, 2, 2).pixels, (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));

  // 2048 x 2 halves to 1024 x 1: each channel (sum of four + 2) / 4.
  std::vector<uint32_t> wide(2048 * 2, rgba(0, 0, 0));
  wide[0] = rgba(10, 0, 255);
  wide[1] = rgba(11, 0, 255);
  wide[2048] = rgba(12, 0, 255);
  wide[2049] = rgba(14, 2, 255);
  wide[2] = rgba(1, 0, 0);  // (1 + 2) / 4 rounds down to 0
  ASSERT_TRUE(writeTex(wide, 2048, 2, path, 2048, 2).ok);
  const Bytes px = readTex(path, 1024, 1).pixels;
  EXPECT_EQ(Bytes(px.begin(), px.begin() + 6), (Bytes{12, 1, 255, 0, 0, 0}));

  // A side of 1 uses its single row twice: (2a + 2b + 2) / 4.
  std::vector<uint32_t> line(2048, rgba(0, 0, 0));
  line[0] = rgba(1, 0, 0);
  line[1] = rgba(2, 0, 0);
  ASSERT_TRUE(writeTex(line, 2048, 1, path, 2048, 2).ok);
  EXPECT_EQ(readTex(path, 1024, 1).pixels[0], 2);
}

TEST(Tex, RefusalsAndFailuresLeaveNoFile) {
  const TempFolder dir("quillmap_export");
  const std::string path = dir.path("r.tex");
  const std::vector<uint32_t> pixels(512 * 512);
  const struct {
    int64_t w, h, expectedW, expectedH;
    std::string message;
  } cases[] = {
      {512, 512, 2048, 1024,
       "The texture (512 x 512 pixels) does not fit the size the model expects\n"
       "(2048 x 1024 mex = TEXTURE_DIM x 1024). Width and height must have the same\n"
       "ratio as the texture size of the layout."},
      {96, 64, 2048, 2048, "The texture size must be a power of 2 (96 x 64)."},
      {0, 64, 2048, 2048, "The texture size must be a power of 2 (0 x 64)."},
      {1024, 1024, 2048, 2048, "The texture holds fewer pixels than its size (1024 x 1024)."},
  };
  for (const auto& c : cases) {
    const TexWrite out = writeTex(pixels, c.w, c.h, path, c.expectedW, c.expectedH);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, c.message);
    EXPECT_FALSE(fs::exists(path));
  }
  const std::string missing = dir.path("no/folder/r.tex");
  EXPECT_EQ(writeTex(pixels, 512, 512, missing, 2048, 2048).message, "Cannot write " + missing);
  if (fs::exists("/dev/full")) {
    const TexWrite full = writeTex(pixels, 512, 512, "/dev/full", 2048, 2048);
    EXPECT_FALSE(full.ok);
    EXPECT_EQ(full.message, "Cannot write /dev/full");
    EXPECT_TRUE(fs::exists("/dev/full"));
  }
}

// ---- Padding --------------------------------------------------------------------------------

constexpr uint32_t A = rgba(10, 0, 255, 0), B = rgba(13, 1, 0, 0);

TEST(Padding, RingsGrowFromCoveredPixels) {
  const uint32_t AB = rgba(12, 1, 128, 0);  // (10 + 13 + 1) / 2, (0 + 1 + 1) / 2, (255 + 0 + 1) / 2
  const uint32_t X = rgba(99, 99, 99, 255);  // uncovered paint, overwritten
  const struct {
    const char* what;
    int64_t w, h;
    std::vector<uint8_t> covered;
    std::vector<uint32_t> in, out;
  } cases[] = {
      {"one pixel fills the image", 4, 4,
       {0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       {X, X, X, X, X, A, X, X, X, X, X, X, X, X, X, X},
       std::vector<uint32_t>(16, A)},
      {"islands meet halfway with the rounded average", 5, 1,
       {1, 0, 0, 0, 1}, {A, X, X, X, B}, {A, A, AB, B, B}},
      {"a ring is written all at once", 4, 1, {1, 0, 0, 1}, {A, X, X, B}, {A, A, B, B}},
      {"the first ring counts diagonal neighbours", 3, 2,
       {1, 0, 1, 0, 0, 0}, {A, X, B, X, X, X}, {A, AB, B, A, AB, B}},
      {"a covered pixel keeps its alpha, new ones get none", 2, 1,
       {1, 0}, {rgba(1, 2, 3, 77), X}, {rgba(1, 2, 3, 77), rgba(1, 2, 3, 0)}},
      {"nothing covered: unchanged", 2, 2, {0, 0, 0, 0}, {X, A, B, X}, {X, A, B, X}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint32_t> pixels = c.in;
    std::vector<uint8_t> covered = c.covered;
    padUncovered(pixels, covered, c.w, c.h);
    EXPECT_EQ(pixels, c.out);
  }
}

Model layoutModel(std::initializer_list<std::array<float, 6>> triangles) {
  Model m;
  m.materialNames = {"S"};
  m.layerNames = {"L0", "L1"};
  int32_t layer = 0;
  for (const auto& t : triangles) {
    const int32_t first = static_cast<int32_t>(m.vertices.size());
    for (int k = 0; k < 3; ++k) modelAddVertex(m, 0, 0, 0, t[2 * k], t[2 * k + 1]);
    modelAddTriangle(m, first, first + 1, first + 2, 0, layer ^= 1);
  }
  return m;
}

TEST(Padding, CoverageIsTheFillToolsRule) {
  // Slivers, a degenerate triangle, one in the next copy of the texture and one over its
  // edge (both wrap, as the view and painting repeat the texture).
  const Model m = layoutModel({{0.1f, 0.1f, 0.45f, 0.2f, 0.2f, 0.6f},
                               {0.5f, 0.9f, 0.95f, 0.88f, 0.52f, 0.87f},
                               {0.7f, 0.1f, 0.7f, 0.1f, 0.9f, 0.3f},
                               {1.5f, 1.5f, 1.9f, 1.5f, 1.5f, 1.9f},
                               {0.8f, 0.4f, 1.3f, 0.45f, 0.85f, -0.2f},
                               {0.3f, 0.7f, 0.31f, 0.7f, 0.3f, 0.71f}});
  const int64_t w = 37, h = 23;
  std::vector<uint32_t> painted(static_cast<size_t>(w * h), 0);
  for (int64_t t = 0; t < m.triangleCount(); ++t) fillTriangle(m, t, painted, w, h, 1, 255);
  const std::vector<uint8_t> covered = layoutCoverage(m, w, h);
  ASSERT_EQ(covered.size(), painted.size());
  const auto coveredCount = std::count(covered.begin(), covered.end(), 1);
  EXPECT_GT(coveredCount, 40);  // the layout covers some pixels and leaves many
  EXPECT_LT(coveredCount, static_cast<long>(painted.size()) * 2 / 3);
  for (size_t i = 0; i < painted.size(); ++i) EXPECT_EQ(covered[i], painted[i]) << i;

  // padTexture keeps exactly those pixels (every value here is distinct and has alpha, which
  // no padded pixel has).
  std::vector<uint32_t> texture(painted.size());
  for (size_t i = 0; i < texture.size(); ++i) texture[i] = 0xFF000000u | static_cast<uint32_t>(i);
  const std::vector<uint32_t> padded = padTexture(&m, texture, w, h);
  for (size_t i = 0; i < texture.size(); ++i) EXPECT_EQ(padded[i] == texture[i], covered[i] == 1) << i;
}

TEST(Padding, WholeLayoutsAndEmptyOnes) {
  std::vector<uint32_t> texture(16 * 8);
  for (size_t i = 0; i < texture.size(); ++i) texture[i] = 0xAB000000u | static_cast<uint32_t>(i * 7);
  const Model full = layoutModel({{0, 0, 1, 0, 1, 1}, {0, 0, 1, 1, 0, 1}});
  EXPECT_EQ(padTexture(&full, texture, 16, 8), texture);
  // UVs that repeat the texture too often to be painted cover nothing.
  const Model outside = layoutModel({{0, 0, 1000, 0, 0, 1000}});
  EXPECT_EQ(padTexture(&outside, texture, 16, 8), texture);
  EXPECT_EQ(padTexture(nullptr, texture, 16, 8), texture);
  EXPECT_EQ(padTexture(&full, texture, 16, 9), texture);  // fewer pixels than the size says
}

// ---- UV overlay -----------------------------------------------------------------------------

TEST(UvOverlay, TransparentExceptTheEdgesInSurfaceColours) {
  Model m = layoutModel({{0, 0, 1, 0, 1, 1}, {0.1f, 0.5f, 0.4f, 0.5f, 0.1f, 0.9f}});
  m.triangles[1].material = 3;
  const Image overlay = uvOverlayImage(m, 64, 32);
  ASSERT_EQ(overlay.width, 64);
  ASSERT_EQ(overlay.height, 32);
  std::set<uint32_t> colours(overlay.pixels.begin(), overlay.pixels.end());
  EXPECT_EQ(colours, (std::set<uint32_t>{rgba(255, 255, 255, 0), surfaceColor(0) | 0xFF000000u,
                                         surfaceColor(3) | 0xFF000000u}));
  // Corners at round(u * 63), round((1 - v) * 31): the first triangle's hypotenuse runs
  // from the bottom left to the top right, its other edges along the bottom and right.
  EXPECT_EQ(overlay.at(0, 31), surfaceColor(0) | 0xFF000000u);
  EXPECT_EQ(overlay.at(63, 0), surfaceColor(0) | 0xFF000000u);
  EXPECT_EQ(overlay.at(0, 0), rgba(255, 255, 255, 0));
  EXPECT_EQ(overlay.at(6, 16), surfaceColor(3) | 0xFF000000u);  // (0.1 * 63, 0.5 * 31)
}

// ---- Golden pictures ------------------------------------------------------------------------

// A small sphere unwrapped and split into Surfaces as the program does it.
Model unwrappedSphere() {
  Model m = modelOf(genSphere(12, 8));
  UnwrapSettings settings;
  UnwrapStats stats;
  unwrapPieces(m, settings, stats);
  buildSurfaces(m, settings.mergeSurfaces);
  return m;
}

TEST(UvLayout, GoldenPictures) {
  const Model m = unwrappedSphere();
  expectGolden(uvLayoutImage(m, 128, -1), "export/uv_layout_sphere");
  expectGolden(uvOverlayImage(m, 96, 64), "export/uv_overlay_sphere", true);
}

// The Surface colours fill made opaque, padded as the export pads it: alpha 0 marks the padding.
TEST(Padding, GoldenPicture) {
  const Model m = unwrappedSphere();
  Image texture(64, 64, rgba(255, 255, 255));
  fillSurfaceColours(&m, texture.pixels, texture.width, texture.height);
  for (uint32_t& p : texture.pixels) p |= rgba(0, 0, 0, 255);
  Image padded(texture.width, texture.height);
  padded.pixels = padTexture(&m, texture.pixels, texture.width, texture.height);
  expectGolden(padded, "export/padding_sphere", true);
}

}  // namespace
