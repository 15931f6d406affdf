// How the decoders say why they refuse a file: a short reason for the user, shown after
// "Could not load <path>: ".
#pragma once

#include <optional>
#include <string>

#include "image/image.h"

namespace image_detail {

inline constexpr const char* kCutShort = kImageCutShort;
inline constexpr const char* kDamaged = "the file is damaged";
inline constexpr const char* kNotAnImage = "not a PNG, JPEG, TGA or BMP image";

inline std::string tooLarge(int maxSide) {
  return "larger than " + std::to_string(maxSide) + " pixels";
}

// Stores the reason where the caller asked for one; returns "no image".
inline std::nullopt_t refuse(std::string* why, std::string reason) {
  if (why) *why = std::move(reason);
  return std::nullopt;
}

}  // namespace image_detail
