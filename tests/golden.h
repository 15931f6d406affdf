// Golden pictures: PNGs in tests/data that a test's picture must equal pixel for pixel, checked
// by eye once when they were made.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "base/file_io.h"
#include "image/image.h"

// Compares `image` with tests/data/<name>.png, the colour channels only unless `withAlpha`.
// When they differ, the test fails with the share of differing pixels and writes two pictures
// under the build tree's golden folder, at the golden's own relative path: <name>.out.png (the
// picture the test made) and <name>.diff.png (differing pixels in red over a darkened golden).
// QM_UPDATE_GOLDEN=1 in the environment writes the golden instead.
inline void expectGolden(const Image& image, const std::string& name, bool withAlpha = false) {
  const std::string path = std::string(QM_TEST_DATA) + "/" + name + ".png";
  if (std::getenv("QM_UPDATE_GOLDEN")) {
    ASSERT_TRUE(writeFileBytes(path, encodePng(image, withAlpha))) << path;
    return;
  }
  const std::optional<Image> golden = loadImage(path);
  ASSERT_TRUE(golden) << "missing " << path << " (QM_UPDATE_GOLDEN=1 writes it)";

  const std::string out = std::string(QM_TEST_OUTPUT) + "/" + name;
  const uint32_t compared = withAlpha ? 0xFFFFFFFFu : 0xFFFFFFu;
  const bool sameSize = golden->width == image.width && golden->height == image.height;
  Image diff(golden->width, golden->height);
  size_t differing = 0;
  for (size_t i = 0; sameSize && i < image.pixels.size(); ++i) {
    const uint32_t g = golden->pixels[i];
    const bool differs = ((g ^ image.pixels[i]) & compared) != 0;
    differing += differs;
    diff.pixels[i] = differs ? rgba(255, 0, 0) : rgba(redOf(g) / 4, greenOf(g) / 4, blueOf(g) / 4);
  }
  if (sameSize && differing == 0) return;

  std::filesystem::create_directories(std::filesystem::path(out).parent_path());
  writeFileBytes(out + ".out.png", encodePng(image, withAlpha));
  if (!sameSize) {
    ADD_FAILURE() << name << ": " << image.width << " x " << image.height << " pixels, the golden has "
                  << golden->width << " x " << golden->height << "; see " << out << ".out.png";
    return;
  }
  writeFileBytes(out + ".diff.png", encodePng(diff, false));
  char share[32];
  std::snprintf(share, sizeof share, "%.2f %%", 100.0 * double(differing) / double(image.pixels.size()));
  ADD_FAILURE() << name << ": " << differing << " of " << image.pixels.size() << " pixels differ ("
                << share << "); see " << out << ".out.png and .diff.png";
}
