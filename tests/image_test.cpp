#include <gtest/gtest.h>


#include <algorithm>
#include <array>
#include <cstdio>  // jpeglib.h needs FILE declared first
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>

#include <jpeglib.h>
#include <zlib.h>

#include "base/file_io.h"
#include "image/image.h"
#include "tests/byte_writer.h"
#include "tests/temp_folder.h"

namespace {

namespace fs = std::filesystem;
// ---- helpers ---------------------------------------------------------------------------
Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}
Bytes cut(const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + std::min(n, b.size())); }

Image makeImage(int w, int h, std::initializer_list<uint32_t> px) {
  Image img(w, h);
  img.pixels.assign(px);
  return img;
}
Image opaque(Image img) {
  for (uint32_t& c : img.pixels) c |= 0xFF000000u;
  return img;
}
// Distinct values in every channel so a swapped channel, flipped row or shifted pixel shows.
Image pattern(int w, int h, std::function<uint32_t(int, int)> alpha) {
  Image img(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      img.at(x, y) = rgba((x * 37 + y * 11 + 3) & 255, (x * 13 + y * 71 + 5) & 255,
                          (x * 101 ^ y * 29) & 255, alpha(x, y));
  return img;
}

// A PNG put together chunk by chunk, so every colour type and depth can be fed to the
// decoder. `raw` is the filtered image data (a filter byte before each row).
Bytes pngChunk(const char* type, const Bytes& data) {
  Bytes body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  Bytes out;
  put32be(out, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), body.begin(), body.end());
  put32be(out, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
  return out;
}
Bytes makePng(uint32_t w, uint32_t h, int depth, int colourType, const Bytes& raw,
              const std::vector<Bytes>& extraChunks = {}, bool interlaced = false) {
  Bytes ihdr;
  put32be(ihdr, w);
  put32be(ihdr, h);
  ihdr.insert(ihdr.end(), {uint8_t(depth), uint8_t(colourType), 0, 0, uint8_t(interlaced)});
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  Bytes packed(packedSize);
  EXPECT_EQ(compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size())), Z_OK);
  packed.resize(packedSize);
  Bytes out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  out = cat({out, pngChunk("IHDR", ihdr)});
  for (const Bytes& c : extraChunks) out = cat({out, c});
  return cat({out, pngChunk("IDAT", packed), pngChunk("IEND", {})});
}

Bytes tgaHeader(uint8_t type, uint32_t w, uint32_t h, uint8_t bits, uint8_t descriptor,
                uint8_t idLength = 0, uint8_t mapType = 0, uint32_t mapLength = 0,
                uint8_t mapBits = 0) {
  Bytes b = {idLength, mapType, type, 0, 0};
  put16le(b, mapLength);
  b.push_back(mapBits);
  put32le(b, 0);  // x and y origin
  put16le(b, w);
  put16le(b, h);
  b.push_back(bits);
  b.push_back(descriptor);
  return b;
}

// `extra` follows the 40 standard header bytes: inside the header when headerSize leaves room
// (the masks of a v4 header), after it otherwise (the masks of BI_BITFIELDS with 40 bytes).
Bytes bmpFile(int32_t w, int32_t h, uint16_t bits, uint32_t compression, const Bytes& pixels,
              const Bytes& extra = {}, uint32_t headerSize = 40) {
  Bytes info;
  put32le(info, headerSize);
  put32le(info, static_cast<uint32_t>(w));
  put32le(info, static_cast<uint32_t>(h));
  put16le(info, 1);
  put16le(info, bits);
  put32le(info, compression);
  put32le(info, static_cast<uint32_t>(pixels.size()));
  put32le(info, 2835);
  put32le(info, 2835);
  put32le(info, 0);
  put32le(info, 0);
  info.insert(info.end(), extra.begin(), extra.end());
  info.resize(std::max<size_t>(info.size(), headerSize), 0);
  Bytes file = {'B', 'M'};
  put32le(file, static_cast<uint32_t>(14 + info.size() + pixels.size()));
  put32le(file, 0);
  put32le(file, static_cast<uint32_t>(14 + info.size()));
  return cat({file, info, pixels});
}

// libjpeg's own compressor makes the JPEG inputs; 4:4:4 sampling keeps colours close.
Bytes makeJpeg(int w, int h, int components, J_COLOR_SPACE space, const Bytes& samples,
               bool progressive = false) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = components;
  c.in_color_space = space;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  for (int i = 0; i < c.num_components; ++i)
    c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(samples.data()) +
                   size_t(c.next_scanline) * size_t(w) * size_t(components);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  Bytes result(out, out + size);
  std::free(out);
  jpeg_destroy_compress(&c);
  return result;
}
Bytes grayJpeg(int w, int h, uint8_t value) {
  return makeJpeg(w, h, 1, JCS_GRAYSCALE, Bytes(size_t(w) * size_t(h), value));
}


// ---- round trips ------------------------------------------------------------------------

struct Codec {
  const char* name;
  std::function<Bytes(const Image&)> encode;
  bool keepsAlpha;
};
const Codec kCodecs[] = {
    {"png rgba", [](const Image& i) { return encodePng(i, true); }, true},
    {"png rgb", [](const Image& i) { return encodePng(i, false); }, false},
    {"bmp", [](const Image& i) { return encodeBmp(i); }, false},
    {"tga rgba", [](const Image& i) { return encodeTga(i, true); }, true},
    {"tga rgb", [](const Image& i) { return encodeTga(i, false); }, false},
};

TEST(ImageCodecs, EncodeThenDecodeGivesTheImageBack) {
  const struct {
    const char* name;
    Image image;
  } images[] = {
      {"1x1", pattern(1, 1, [](int, int) { return 255; })},
      {"odd width, mixed alpha", pattern(3, 2, [](int x, int y) { return x * 90 + y * 7; })},
      {"fully transparent", pattern(5, 3, [](int, int) { return 0; })},
      {"wide", pattern(7, 4, [](int x, int) { return 255 - x; })},
  };
  for (const auto& [name, image] : images) {
    for (const Codec& codec : kCodecs) {
      SCOPED_TRACE(std::string(name) + " / " + codec.name);
      const Bytes bytes = codec.encode(image);
      // decodeImage also proves each format is recognised (TGA by falling through).
      const std::optional<Image> back = decodeImage(bytes);
      ASSERT_TRUE(back);
      EXPECT_EQ(*back, codec.keepsAlpha ? image : opaque(image));
    }
  }
}

TEST(ImageCodecs, EncodersRefuseWhatTheFormatCannotHold) {
  EXPECT_TRUE(encodePng(Image(), true).empty());
  EXPECT_TRUE(encodeBmp(Image()).empty());
  // Image(65536, 0) holds no pixels, so this is cheap, but the side does not fit 16 bits.
  EXPECT_TRUE(encodeTga(Image(65536, 0), false).empty());
  EXPECT_TRUE(encodeTga(Image(0, 65536), true).empty());
  EXPECT_FALSE(encodeTga(Image(65535, 0), true).empty());
  Image broken(2, 2);
  broken.pixels.resize(3);  // fewer pixels than the sides say
  EXPECT_TRUE(encodePng(broken, true).empty());
  EXPECT_TRUE(encodeBmp(broken).empty());
  EXPECT_TRUE(encodeTga(broken, true).empty());
}

// ---- TGA --------------------------------------------------------------------------------

const Bytes kTgaFooter = {0,   0,   0,   0,   0,   0,   0,   0,   'T', 'R', 'U', 'E', 'V',
                          'I', 'S', 'I', 'O', 'N', '-', 'X', 'F', 'I', 'L', 'E', '.', 0};

TEST(Tga, EncodeLaysOutHeaderPixelsAndFooterExactly) {
  const Image img = makeImage(2, 1, {rgba(1, 2, 3, 4), rgba(5, 6, 7, 8)});
  const Bytes rgb = cat(
      {{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0x20}, {3, 2, 1, 7, 6, 5}, kTgaFooter});
  const Bytes rgbaBytes = cat({{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 32, 0x28},
                               {3, 2, 1, 4, 7, 6, 5, 8},
                               kTgaFooter});
  EXPECT_EQ(encodeTga(img, false), rgb);
  EXPECT_EQ(encodeTga(img, true), rgbaBytes);

  // Rows go from the top down.
  const Image tall = makeImage(1, 2, {rgba(10, 20, 30), rgba(40, 50, 60)});
  const Bytes tallBytes = encodeTga(tall, false);
  ASSERT_EQ(tallBytes.size(), 2 * 3 + 44u);
  EXPECT_EQ(Bytes(tallBytes.begin() + 18, tallBytes.begin() + 24), Bytes({30, 20, 10, 60, 50, 40}));
}

TEST(Tga, WriteTgaWritesTheEncodedBlockAndReportsFailure) {
  const TempFolder dir("quillmap_image");
  const Image img = pattern(3, 2, [](int x, int) { return x * 100; });
  ASSERT_TRUE(writeTga(img, dir.path("a.tga"), true));
  Bytes written;
  ASSERT_TRUE(readFileBytes(dir.path("a.tga"), written));
  EXPECT_EQ(written, encodeTga(img, true));

  EXPECT_FALSE(writeTga(img, dir.path("missing/dir/a.tga"), true));
  EXPECT_FALSE(writeTga(Image(65536, 0), dir.path("wide.tga"), false));
  EXPECT_FALSE(fs::exists(dir.path("wide.tga")));
  if (fs::exists("/dev/full")) {
    EXPECT_FALSE(writeTga(img, "/dev/full", false));  // disk full
  }
}

TEST(Tga, HandMadeFilesDecodeToTheExpectedPixels) {
  const uint32_t A = rgba(10, 20, 30), B = rgba(40, 50, 60), C = rgba(70, 80, 90);
  const struct {
    const char* name;
    Bytes file;
    Image expected;
  } cases[] = {
      // Bottom-left origin: the first stored row is the bottom one. The run of 3 crosses
      // from the bottom row into the top row.
      {"rle 24-bit bottom-left",
       cat({tgaHeader(10, 2, 2, 24, 0x00), {0x82, 30, 20, 10, 0x00, 60, 50, 40}}),
       makeImage(2, 2, {A, B, A, A})},
      {"raw 32-bit top-left with id field",
       cat({tgaHeader(2, 2, 2, 32, 0x28, 3),
            {'i', 'd', '!'},
            {30, 20, 10, 255, 60, 50, 40, 128, 90, 80, 70, 0, 30, 20, 10, 1}}),
       makeImage(2, 2, {A, B & 0x80FFFFFFu, C & 0x00FFFFFF, A & 0x01FFFFFF})},
      {"colour map present is skipped",
       cat({tgaHeader(2, 1, 1, 24, 0x20, 0, 1, 2, 24), {1, 2, 3, 4, 5, 6}, {60, 50, 40}}),
       makeImage(1, 1, {B})},
      {"15-bit colour map entries take 2 bytes",
       cat({tgaHeader(2, 1, 1, 24, 0x20, 0, 1, 3, 15), {1, 2, 3, 4, 5, 6}, {60, 50, 40}}),
       makeImage(1, 1, {B})},
      {"top-right origin mirrors the columns",
       cat({tgaHeader(2, 2, 1, 24, 0x30), {30, 20, 10, 60, 50, 40}}), makeImage(2, 1, {B, A})},
      {"rle raw packet then run",
       cat({tgaHeader(10, 3, 1, 24, 0x20), {0x01, 30, 20, 10, 60, 50, 40, 0x80, 90, 80, 70}}),
       makeImage(3, 1, {A, B, C})},
      {"8-bit grey raw", cat({tgaHeader(3, 2, 1, 8, 0x20), {0, 200}}),
       makeImage(2, 1, {rgba(0, 0, 0), rgba(200, 200, 200)})},
      {"8-bit grey rle bottom-left", cat({tgaHeader(11, 1, 3, 8, 0x00), {0x81, 7, 0x00, 9}}),
       makeImage(1, 3, {rgba(9, 9, 9), rgba(7, 7, 7), rgba(7, 7, 7)})},
      // 32-bit with no alpha bits declared and every fourth byte 0: meant opaque.
      {"32-bit, no alpha bits, all zero",
       cat({tgaHeader(2, 2, 1, 32, 0x20), {30, 20, 10, 0, 60, 50, 40, 0}}),
       makeImage(2, 1, {A, B})},
      {"32-bit, no alpha bits, some alpha",
       cat({tgaHeader(2, 2, 1, 32, 0x20), {30, 20, 10, 0, 60, 50, 40, 9}}),
       makeImage(2, 1, {A & 0x00FFFFFF, (B & 0x00FFFFFF) | 9u << 24})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<Image> img = decodeTga(c.file);
    ASSERT_TRUE(img);
    EXPECT_EQ(*img, c.expected);
  }
}

// Colour-mapped TGA: indices of 8 or 16 bits into a map that may start above 0, with 15/16-,
// 24- or 32-bit entries; an index outside the map gives its first entry.
TEST(Tga, ColourMappedImages) {
  const uint32_t R = rgba(255, 0, 0), G = rgba(0, 255, 0), B = rgba(0, 0, 255);
  Bytes firstTwo = tgaHeader(1, 3, 1, 16, 0x20, 0, 1, 2, 16);
  firstTwo[3] = 2;  // the map starts at index 2
  Bytes map16;
  put16le(map16, 0x7C00);  // red in 5-5-5
  put16le(map16, 0x03E0);  // green
  Bytes indices16;
  for (uint32_t i : {3u, 2u, 9u}) put16le(indices16, i);
  const struct {
    const char* name;
    Bytes file;
    Image expected;
  } cases[] = {
      {"8-bit indices, 24-bit map, bottom-left",
       cat({tgaHeader(1, 2, 2, 8, 0x00, 0, 1, 3, 24), {0, 0, 255, 0, 255, 0, 255, 0, 0}, {0, 1, 2, 0}}),
       makeImage(2, 2, {B, R, R, G})},
      {"16-bit indices from index 2, 16-bit map", cat({firstTwo, map16, indices16}),
       makeImage(3, 1, {G, R, R})},
      {"rle, 32-bit map with alpha",
       cat({tgaHeader(9, 4, 1, 8, 0x28, 0, 1, 2, 32), {0, 0, 255, 255, 255, 0, 0, 64},
            {0x82, 1, 0x00, 0}}),
       makeImage(4, 1, {rgba(0, 0, 255, 64), rgba(0, 0, 255, 64), rgba(0, 0, 255, 64),
                        rgba(255, 0, 0)})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string why;
    const std::optional<Image> img = decodeTga(c.file, kMaxImageSide, &why);
    ASSERT_TRUE(img) << why;
    EXPECT_EQ(*img, c.expected);
  }
}

// Palette files as ImageMagick writes them (convert -type Palette, BMP3 with and without
// -compress RLE, TGA plain and RLE), each decoded as ImageMagick decodes it (the .png beside
// it, written by convert file PNG32:file.png; for TGA with -auto-orient, as ImageMagick keeps
// the origin corner as a note instead of placing the rows by it).
TEST(ImageCodecs, PaletteFilesDecodeAsImageMagickDecodesThem) {
  const std::string folder = std::string(QM_TEST_DATA) + "/palette/";
  for (const char* name : {"pal1.bmp", "pal4.bmp", "pal8.bmp", "rle8.bmp", "rle8_runs.bmp",
                           "pal.tga", "palrle.tga", "palrle4.tga"}) {
    SCOPED_TRACE(name);
    std::string why;
    const std::optional<Image> ours = loadImage(folder + name, &why);
    const std::optional<Image> theirs = loadImage(folder + name + ".png");
    ASSERT_TRUE(ours) << why;
    ASSERT_TRUE(theirs);
    EXPECT_EQ(*ours, *theirs);
  }
}

// ---- BMP --------------------------------------------------------------------------------

TEST(Bmp, RowOrderPaddingAndAlphaRules) {
  const uint32_t A = rgba(10, 20, 30), B = rgba(40, 50, 60), C = rgba(70, 80, 90),
                 D = rgba(100, 110, 120);
  // Two 24-bit rows of 2 pixels, each padded from 6 to 8 bytes.
  const Bytes rows24 = {30, 20, 10, 60, 50, 40, 0xEE, 0xEE, 90, 80, 70, 120, 110, 100, 0xEE, 0xEE};
  const Bytes rows32 = {30, 20, 10, 0, 60, 50, 40, 0, 90, 80, 70, 0, 120, 110, 100, 0};
  Bytes rows32Alpha = rows32;
  rows32Alpha[7] = 128;
  Bytes standardMasks;
  for (uint32_t m : {0x00FF0000u, 0x0000FF00u, 0x000000FFu}) put32le(standardMasks, m);
  Bytes v4Masks = standardMasks;  // a 108-byte header holds the masks itself, alpha included
  put32le(v4Masks, 0);

  const struct {
    const char* name;
    Bytes file;
    Image expected;
  } cases[] = {
      {"bottom-up", bmpFile(2, 2, 24, 0, rows24), makeImage(2, 2, {C, D, A, B})},
      {"top-down", bmpFile(2, -2, 24, 0, rows24), makeImage(2, 2, {A, B, C, D})},
      {"last row padding missing", bmpFile(2, -2, 24, 0, cut(rows24, 14)),
       makeImage(2, 2, {A, B, C, D})},
      {"32-bit alpha all zero is opaque", bmpFile(2, -2, 32, 0, rows32),
       makeImage(2, 2, {A, B, C, D})},
      {"32-bit alpha used when present", bmpFile(2, -2, 32, 0, rows32Alpha),
       makeImage(2, 2,
                 {A & 0x00FFFFFF, (B & 0x00FFFFFF) | 128u << 24, C & 0x00FFFFFF, D & 0x00FFFFFF})},
      {"32-bit bitfields", bmpFile(2, -2, 32, 3, rows32Alpha, standardMasks),
       makeImage(2, 2,
                 {A & 0x00FFFFFF, (B & 0x00FFFFFF) | 128u << 24, C & 0x00FFFFFF, D & 0x00FFFFFF})},
      {"v4 header with zero alpha mask ignores alpha",
       bmpFile(2, -2, 32, 3, rows32Alpha, v4Masks, 108), makeImage(2, 2, {A, B, C, D})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<Image> img = decodeBmp(c.file);
    ASSERT_TRUE(img);
    EXPECT_EQ(*img, c.expected);
  }
}

// Palette images, indices packed from the high bits, rows padded to 4 bytes; run-length codes
// with runs, row ends, moves and literal runs padded to 2 bytes. An index past the palette
// gives its first colour, and so does every pixel the runs skip.
TEST(Bmp, PaletteAndRunLengthImages) {
  const uint32_t K = rgba(0, 0, 0), W = rgba(255, 255, 255), R = rgba(200, 10, 20),
                 G = rgba(30, 180, 40), B = rgba(50, 60, 170);
  const Bytes blackWhite = {0, 0, 0, 0, 255, 255, 255, 0};
  const Bytes kwrgb = {0, 0, 0, 0, 255, 255, 255, 0, 20, 10, 200, 0, 40, 180, 30, 0, 170, 60, 50, 0};
  Bytes explicitCount = bmpFile(3, 1, 4, 0, {0x12, 0x40, 0, 0}, kwrgb);
  explicitCount[46] = 3;  // colours used: 3 of the 5 entries that follow the header
  const struct {
    const char* name;
    Bytes file;
    Image expected;
  } cases[] = {
      {"1-bit, 10 wide", bmpFile(10, 1, 1, 0, {0b10110000, 0b01000000, 0, 0}, blackWhite),
       makeImage(10, 1, {W, K, W, W, K, K, K, K, K, W})},
      {"4-bit bottom-up, index past the palette",
       bmpFile(3, 2, 4, 0, {0x23, 0x40, 0, 0, 0x01, 0x90, 0, 0}, kwrgb),
       makeImage(3, 2, {K, W, K, R, G, B})},
      {"4-bit, fewer colours used", explicitCount, makeImage(3, 1, {W, R, K})},
      {"8-bit top-down", bmpFile(2, -2, 8, 0, {4, 3, 0, 0, 2, 1, 0, 0}, kwrgb),
       makeImage(2, 2, {B, G, R, W})},
      // Bottom row: a run of 4; middle row skipped by a move; top row: 3 literal indices at x 1.
      {"rle8 run, row end, move, literal run",
       bmpFile(4, 3, 8, 1, {4, 1, 0, 0, 0, 2, 1, 1, 0, 3, 2, 1, 2, 0, 0, 1}, kwrgb),
       makeImage(4, 3, {K, R, W, R, K, K, K, K, W, W, W, W})},
      {"rle4 run of alternating indices, literal run of 3",
       bmpFile(8, 1, 4, 2, {5, 0x12, 0, 3, 0x23, 0x40, 0, 1}, kwrgb),
       makeImage(8, 1, {W, R, W, R, W, R, G, B})},
      {"rle8 without its end marker, every row ended", bmpFile(1, 1, 8, 1, {1, 3, 0, 0}, kwrgb),
       makeImage(1, 1, {G})},
      {"rle8 runs past the row end are cut there",
       bmpFile(2, 2, 8, 1, {3, 2, 0, 0, 0, 3, 4, 3, 1, 0, 0, 1}, kwrgb),
       makeImage(2, 2, {B, G, R, R})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string why;
    const std::optional<Image> img = decodeBmp(c.file, kMaxImageSide, &why);
    ASSERT_TRUE(img) << why;
    EXPECT_EQ(*img, c.expected);
  }
}

TEST(Bmp, EncodeWritesExactHeadersAndPaddedBottomUpRows) {
  const Image img = makeImage(1, 2, {rgba(1, 2, 3), rgba(4, 5, 6)});
  // Every field spelt out byte by byte, so a field of the wrong size or byte order shows.
  const Bytes headers = {
      'B', 'M',                // signature
      62, 0, 0, 0,             // file size
      0, 0, 0, 0,              // reserved
      54, 0, 0, 0,             // offset of the pixels
      40, 0, 0, 0,             // info header size
      1, 0, 0, 0,              // width
      2, 0, 0, 0,              // height, positive: bottom-up
      1, 0,                    // planes
      24, 0,                   // bits per pixel
      0, 0, 0, 0,              // uncompressed
      8, 0, 0, 0,              // pixel bytes
      0x13, 0x0B, 0, 0,        // 2835 pixels per metre across
      0x13, 0x0B, 0, 0,        // and down
      0, 0, 0, 0, 0, 0, 0, 0,  // no palette
  };
  const Bytes rows = {6, 5, 4, 0, 3, 2, 1, 0};  // BGR, padded to 4 bytes, bottom row first
  EXPECT_EQ(encodeBmp(img), cat({headers, rows}));
}

// ---- PNG --------------------------------------------------------------------------------

TEST(Png, EveryColourTypeAndDepthBecomes8BitRgba) {
  const uint32_t white = rgba(255, 255, 255), black = rgba(0, 0, 0);
  Bytes plte = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  const struct {
    const char* name;
    Bytes file;
    Image expected;
  } cases[] = {
      {"grey 1-bit", makePng(3, 1, 1, 0, {0, 0b10100000}), makeImage(3, 1, {white, black, white})},
      {"grey 2-bit", makePng(4, 1, 2, 0, {0, 0b00011011}),
       makeImage(4, 1, {black, rgba(85, 85, 85), rgba(170, 170, 170), white})},
      {"grey 16-bit", makePng(2, 1, 16, 0, {0, 0x12, 0x12, 0xFF, 0xFF}),
       makeImage(2, 1, {rgba(0x12, 0x12, 0x12), white})},
      {"grey with tRNS key", makePng(2, 1, 8, 0, {0, 0x50, 0x51}, {pngChunk("tRNS", {0, 0x50})}),
       makeImage(2, 1, {rgba(0x50, 0x50, 0x50, 0), rgba(0x51, 0x51, 0x51)})},
      {"grey + alpha", makePng(1, 1, 8, 4, {0, 77, 99}), makeImage(1, 1, {rgba(77, 77, 77, 99)})},
      {"palette with partial tRNS",
       makePng(3, 1, 8, 3, {0, 0, 1, 2}, {pngChunk("PLTE", plte), pngChunk("tRNS", {0, 0x80})}),
       makeImage(3, 1, {rgba(255, 0, 0, 0), rgba(0, 255, 0, 0x80), rgba(0, 0, 255)})},
      {"palette 4-bit", makePng(2, 1, 4, 3, {0, 0x21}, {pngChunk("PLTE", plte)}),
       makeImage(2, 1, {rgba(0, 0, 255), rgba(0, 255, 0)})},
      {"rgb 16-bit", makePng(1, 1, 16, 2, {0, 0xFF, 0xFF, 0x12, 0x12, 0, 0}),
       makeImage(1, 1, {rgba(255, 0x12, 0)})},
      {"rgba 16-bit", makePng(1, 1, 16, 6, {0, 1, 1, 2, 2, 3, 3, 0x80, 0x80}),
       makeImage(1, 1, {rgba(1, 2, 3, 0x80)})},
      {"rgb with tRNS key",
       makePng(2, 1, 8, 2, {0, 1, 2, 3, 4, 5, 6}, {pngChunk("tRNS", {0, 4, 0, 5, 0, 6})}),
       makeImage(2, 1, {rgba(1, 2, 3), rgba(4, 5, 6, 0)})},
      {"filtered rows (sub, up)", makePng(2, 2, 8, 0, {1, 10, 5, 2, 1, 1}),
       makeImage(2, 2, {rgba(10, 10, 10), rgba(15, 15, 15), rgba(11, 11, 11), rgba(16, 16, 16)})},
      // Adam7 on 2x2: pass 1 holds (0,0), pass 6 holds (1,0), pass 7 the bottom row.
      {"interlaced", makePng(2, 2, 8, 0, {0, 1, 0, 2, 0, 3, 4}, {}, true),
       makeImage(2, 2, {rgba(1, 1, 1), rgba(2, 2, 2), rgba(3, 3, 3), rgba(4, 4, 4)})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<Image> img = decodePng(c.file);
    ASSERT_TRUE(img);
    EXPECT_EQ(*img, c.expected);
  }
}

// ---- JPEG -------------------------------------------------------------------------------

TEST(Jpeg, DecodesColourAndGreyOpaque) {
  // 16x8: left half one colour, right half another.
  const int w = 16, h = 8;
  const uint8_t left[3] = {200, 30, 40}, right[3] = {20, 90, 220};
  Bytes rgb;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* c = x < 8 ? left : right;
      rgb.insert(rgb.end(), c, c + 3);
    }
  for (bool progressive : {false, true}) {
    SCOPED_TRACE(progressive ? "progressive" : "baseline");
    const std::optional<Image> img = decodeImage(makeJpeg(w, h, 3, JCS_RGB, rgb, progressive));
    ASSERT_TRUE(img);
    ASSERT_EQ(img->width, w);
    ASSERT_EQ(img->height, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint32_t c = img->at(x, y);
        const uint8_t* want = x < 8 ? left : right;
        EXPECT_EQ(alphaOf(c), 255u);
        EXPECT_NEAR(int(redOf(c)), want[0], 6) << x << "," << y;
        EXPECT_NEAR(int(greenOf(c)), want[1], 6) << x << "," << y;
        EXPECT_NEAR(int(blueOf(c)), want[2], 6) << x << "," << y;
      }
  }
  const std::optional<Image> grey = decodeJpeg(grayJpeg(9, 5, 100));
  ASSERT_TRUE(grey);
  ASSERT_EQ(grey->width, 9);
  ASSERT_EQ(grey->height, 5);
  for (uint32_t c : grey->pixels) {
    EXPECT_EQ(redOf(c), greenOf(c));
    EXPECT_EQ(redOf(c), blueOf(c));
    EXPECT_NEAR(int(redOf(c)), 100, 2);
    EXPECT_EQ(alphaOf(c), 255u);
  }
}

// ---- refusals ---------------------------------------------------------------------------

// Each decoder accepts a side of kMaxImageSide and refuses one more, in either direction.
TEST(ImageCodecs, SidesAboveTheLimitAreRefused) {
  const int n = kMaxImageSide;
  const struct {
    const char* name;
    std::function<Bytes(int, int)> make;
  } formats[] = {
      {"png", [](int w, int h) { return encodePng(Image(w, h), false); }},
      {"bmp", [](int w, int h) { return encodeBmp(Image(w, h)); }},
      {"tga", [](int w, int h) { return encodeTga(Image(w, h), false); }},
      {"jpeg", [](int w, int h) { return grayJpeg(w, h, 0); }},
  };
  for (const auto& f : formats) {
    SCOPED_TRACE(f.name);
    EXPECT_TRUE(decodeImage(f.make(n, 1)));
    EXPECT_TRUE(decodeImage(f.make(1, n)));
    EXPECT_FALSE(decodeImage(f.make(n + 1, 1)));
    EXPECT_FALSE(decodeImage(f.make(1, n + 1)));
  }
}

TEST(ImageCodecs, TruncatedFilesAreRefused) {
  const Image img = pattern(4, 3, [](int x, int) { return 60 * x; });  // 4 wide: no BMP padding
  const Bytes png = encodePng(img, true), bmp = encodeBmp(img), tga = encodeTga(img, true);
  Bytes jpegRgb(4 * 3 * 3, 128);
  const Bytes jpeg = makeJpeg(4, 3, 3, JCS_RGB, jpegRgb);
  const Bytes tgaRle =
      cat({tgaHeader(10, 4, 1, 24, 0x20), {0x81, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9}});
  const struct {
    const char* name;
    const Bytes& file;
    size_t end;  // cut anywhere below this; the TGA footer is optional, so it is left out
  } formats[] = {
      {"png", png, png.size()},     {"bmp", bmp, bmp.size()},           {"jpeg", jpeg, jpeg.size()},
      {"tga", tga, 18 + 4 * 3 * 4}, {"tga rle", tgaRle, tgaRle.size()},
  };
  for (const auto& f : formats) {
    ASSERT_TRUE(decodeImage(f.file)) << f.name;
    for (size_t n : {size_t(0), size_t(1), size_t(2), size_t(8), size_t(17), size_t(18), size_t(30),
                     f.end / 2, f.end - 2, f.end - 1}) {
      if (n >= f.end) continue;
      EXPECT_FALSE(decodeImage(cut(f.file, n))) << f.name << " cut at " << n;
    }
  }
}

TEST(ImageCodecs, MalformedFilesAreRefused) {
  Bytes badCrc = makePng(1, 1, 8, 0, {0, 7});
  badCrc[8 + 8 + 13] ^= 1;  // first byte of the IHDR CRC
  const Bytes pixel24 = {1, 2, 3, 0};
  Bytes cmyk(4 * 4 * 4, 50);

  const struct {
    const char* name;
    Bytes file;
  } cases[] = {
      {"empty", {}},
      {"png bad IHDR crc", badCrc},
      {"png zero width", makePng(0, 1, 8, 0, {0})},
      {"png too little image data", makePng(2, 2, 8, 0, {0, 1, 2})},
      {"png bad bit depth", makePng(1, 1, 3, 0, {0, 0})},
      {"png palette index without PLTE", makePng(1, 1, 8, 3, {0, 0})},
      {"jpeg cmyk", makeJpeg(4, 4, 4, JCS_CMYK, cmyk)},
      {"jpeg signature only", {0xFF, 0xD8, 0xFF, 0xD9}},
      {"tga huge sides, no data", tgaHeader(2, 65535, 65535, 24, 0x20)},
      {"tga zero width", cat({tgaHeader(2, 0, 1, 24, 0x20), {1, 2, 3}})},
      {"tga 16-bit", cat({tgaHeader(2, 1, 1, 16, 0x20), {1, 2}})},
      {"tga colour map past the end",
       cat({tgaHeader(2, 1, 1, 24, 0x20, 0, 1, 100, 24), {1, 2, 3}})},
      {"tga id field past the end", cat({tgaHeader(2, 1, 1, 24, 0x20, 200), {1, 2, 3}})},
      {"tga rle run past the image", cat({tgaHeader(10, 2, 1, 24, 0x20), {0x82, 1, 2, 3}})},
      {"tga rle raw packet past the image",
       cat({tgaHeader(10, 2, 1, 24, 0x20), {0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9}})},
      {"tga rle run without its colour", cat({tgaHeader(10, 1, 1, 24, 0x20), {0x80, 1, 2}})},
      {"bmp zero width", bmpFile(0, 1, 24, 0, pixel24)},
      {"bmp zero height", bmpFile(1, 0, 24, 0, pixel24)},
      {"bmp negative width", bmpFile(-1, 1, 24, 0, pixel24)},
      {"bmp most negative height", bmpFile(1, INT32_MIN, 24, 0, pixel24)},
      {"bmp huge sides, no data", bmpFile(16384, 16384, 24, 0, pixel24)},
      {"bmp 8-bit without a palette", bmpFile(1, 1, 8, 0, pixel24)},
      {"bmp 24-bit compressed", bmpFile(1, 1, 24, 1, pixel24)},
      {"bmp bitfields, other masks", bmpFile(1, 1, 32, 3, pixel24, Bytes(12, 0xFF))},
      {"bmp core header", bmpFile(1, 1, 24, 0, pixel24, {}, 12)},
      {"bmp header size past the end",
       [&] {
         Bytes b = bmpFile(1, 1, 24, 0, pixel24);
         b[14] = 0xF0;
         return b;
       }()},
      {"bmp pixel offset past the end",
       [&] {
         Bytes b = bmpFile(1, 1, 24, 0, pixel24);
         b[10] = 0xF0;
         return b;
       }()},
      {"plain text",
       [] {
         const std::string text = "just some words, no picture";
         return Bytes(text.begin(), text.end());
       }()},
  };
  for (const auto& c : cases) {
    std::string why;
    EXPECT_FALSE(decodeImage(c.file, kMaxImageSide, &why)) << c.name;
    EXPECT_FALSE(why.empty()) << c.name;  // every refusal says why
  }
}

// The reason a refused file gets, as the user reads it after "Could not load <path>: ".
TEST(ImageCodecs, RefusalsSayWhy) {
  const Bytes pixel = {1, 2, 3, 0};
  const Bytes palette2 = {0, 0, 0, 0, 255, 255, 255, 0};
  Bytes cmyk(4 * 4 * 4, 50);
  const Bytes png = encodePng(Image(4, 3, rgba(1, 2, 3)), false);
  const struct {
    const char* name;
    Bytes file;
    std::string why;
  } cases[] = {
      {"empty", {}, "the file is empty"},
      {"text", {'h', 'e', 'l', 'l', 'o'}, "not a PNG, JPEG, TGA or BMP image"},
      {"png cut short", cut(png, png.size() - 5), "the file is cut short"},
      {"png too wide", encodePng(Image(kMaxImageSide + 1, 1), false), "larger than 8192 pixels"},
      {"jpeg too tall", grayJpeg(1, kMaxImageSide + 1, 0), "larger than 8192 pixels"},
      {"jpeg cmyk", makeJpeg(4, 4, 4, JCS_CMYK, cmyk), "CMYK JPEG is not supported"},
      {"tga too wide", tgaHeader(2, kMaxImageSide + 1, 1, 24, 0x20), "larger than 8192 pixels"},
      {"tga 16-bit", cat({tgaHeader(2, 1, 1, 16, 0x20), {1, 2}}), "16-bit TGA is not supported"},
      {"tga pixels cut short", cat({tgaHeader(2, 2, 1, 24, 0x20), {1, 2, 3}}),
       "the file is cut short"},
      {"tga 4-bit indices", cat({tgaHeader(1, 1, 1, 4, 0x20, 0, 1, 1, 24), {1, 2, 3, 0}}),
       "TGA with 4-bit colour indices is not supported"},
      {"bmp 16-bit", bmpFile(1, 1, 16, 0, pixel), "16-bit BMP is not supported"},
      {"bmp 4-bit RLE8", bmpFile(1, 1, 4, 1, pixel, palette2),
       "4-bit BMP with compression 1 is not supported"},
      {"bmp OS/2 header", bmpFile(1, 1, 24, 0, pixel, {}, 12), "OS/2 BMP is not supported"},
      {"bmp too tall", bmpFile(1, -(kMaxImageSide + 1), 24, 0, pixel), "larger than 8192 pixels"},
      {"bmp rle run above the image", bmpFile(2, 1, 8, 1, {2, 1, 0, 0, 1, 1}, palette2),
       "the file is damaged"},
      {"bmp rle move above the image", bmpFile(2, 2, 8, 1, {0, 2, 0, 3, 0, 1}, palette2),
       "the file is damaged"},
      {"bmp rle without the last rows", bmpFile(2, 2, 8, 1, {2, 1, 0, 0}, palette2),
       "the file is cut short"},
      {"bmp rle top-down", bmpFile(1, -1, 8, 1, {1, 1, 0, 1}, palette2), "the file is damaged"},
  };
  for (const auto& c : cases) {
    std::string why;
    EXPECT_FALSE(decodeImage(c.file, kMaxImageSide, &why)) << c.name;
    EXPECT_EQ(why, c.why) << c.name;
  }
  std::string why;
  EXPECT_FALSE(loadImage("/nonexistent/picture.png", &why));
  EXPECT_EQ(why, "the file cannot be read");
}

// ---- scaling ----------------------------------------------------------------------------

TEST(Scale, ConstantImageStaysConstant) {
  const uint32_t c = rgba(12, 34, 56, 78);
  for (auto [sw, sh, w, h] : std::initializer_list<std::array<int, 4>>{
           {1, 1, 5, 3}, {7, 5, 2, 9}, {3, 3, 3, 3}, {4, 6, 1, 1}}) {
    const Image out = scaleBilinear(Image(sw, sh, c), w, h);
    EXPECT_EQ(out, Image(w, h, c)) << sw << "x" << sh << " -> " << w << "x" << h;
  }
}

TEST(Scale, SamplesAtPixelCentres) {
  const uint32_t p = rgba(0, 200, 40, 255), q = rgba(200, 0, 120, 55);
  const struct {
    const char* name;
    Image source;
    int w, h;
    Image expected;
  } cases[] = {
      // Destination centres at source x = -0.25 (clamped), 0.25, 0.75, 1.25 (clamped).
      {"2x1 up to 4x1", makeImage(2, 1, {p, q}), 4, 1,
       makeImage(4, 1, {p, rgba(50, 150, 60, 205), rgba(150, 50, 100, 105), q})},
      {"1x2 up to 1x4", makeImage(1, 2, {p, q}), 1, 4,
       makeImage(1, 4, {p, rgba(50, 150, 60, 205), rgba(150, 50, 100, 105), q})},
      // Down by two: each output is the mean of a pair; 0.5 rounds up.
      {"4x1 down to 2x1",
       makeImage(
           4, 1,
           {rgba(0, 0, 0, 0), rgba(1, 100, 3, 255), rgba(10, 200, 7, 255), rgba(20, 250, 8, 255)}),
       2, 1, makeImage(2, 1, {rgba(1, 50, 2, 128), rgba(15, 225, 8, 255)})},
      {"2x2 down to 1x1",
       makeImage(2, 2, {rgba(0, 0, 0, 0), rgba(4, 0, 0, 0), rgba(0, 8, 0, 0), rgba(0, 0, 12, 40)}),
       1, 1, makeImage(1, 1, {rgba(1, 2, 3, 10)})},
  };
  for (const auto& c : cases) EXPECT_EQ(scaleBilinear(c.source, c.w, c.h), c.expected) << c.name;
}

TEST(Scale, SameSizeKeepsPixelsAndBadSizesGiveEmpty) {
  const Image img = pattern(7, 5, [](int x, int y) { return x * 30 + y; });
  EXPECT_EQ(scaleBilinear(img, 7, 5), img);
  EXPECT_TRUE(scaleBilinear(img, 0, 5).empty());
  EXPECT_TRUE(scaleBilinear(img, 3, -1).empty());
  EXPECT_TRUE(scaleBilinear(Image(), 3, 3).empty());
}

// ---- savePicture and loadImage -----------------------------------------------------------

TEST(SavePicture, PicksTheFormatByExtensionAndDropsAlpha) {
  const TempFolder dir("quillmap_image");
  const Image img = pattern(3, 2, [](int x, int) { return x * 50; });
  const struct {
    const char* name;
    Bytes signature;
  } cases[] = {
      {"a.tga", {0, 0, 2}},
      {"b.TGA", {0, 0, 2}},
      {"c.bmp", {'B', 'M'}},
      {"d.Bmp", {'B', 'M'}},
      {"e.png", {0x89, 'P', 'N'}},
      {"f.jpg", {0x89, 'P', 'N'}},
      {"noextension", {0x89, 'P', 'N'}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.path(c.name);
    ASSERT_TRUE(savePicture(path, img.pixels, img.width, img.height));
    Bytes bytes;
    ASSERT_TRUE(readFileBytes(path, bytes));
    EXPECT_EQ(cut(bytes, c.signature.size()), c.signature);
    if (c.signature[0] == 0) {
      EXPECT_EQ(bytes[16], 24);  // TGA without alpha
    }
    const std::optional<Image> back = loadImage(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, opaque(img));
  }
}

TEST(SavePicture, FailsWithoutWritingForBadInput) {
  const TempFolder dir("quillmap_image");
  const std::vector<uint32_t> pixels(6, rgba(1, 2, 3));
  EXPECT_FALSE(savePicture(dir.path("zero.png"), pixels, 0, 3));
  EXPECT_FALSE(savePicture(dir.path("zero.tga"), pixels, 0, 3));
  EXPECT_FALSE(savePicture(dir.path("short.png"), pixels, 4, 2));  // 8 pixels wanted, 6 given
  EXPECT_FALSE(fs::exists(dir.path("zero.png")));
  EXPECT_FALSE(fs::exists(dir.path("zero.tga")));
  EXPECT_FALSE(fs::exists(dir.path("short.png")));
  EXPECT_FALSE(savePicture(dir.path("no/such/dir/a.png"), pixels, 3, 2));
  EXPECT_FALSE(loadImage(dir.path("missing.png")));
}

}  // namespace
