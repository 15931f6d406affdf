// The game's own texture format (.tex): one 24-bit frame with its mip-map count, at most 1024
// pixels a side, sized in mex (1 metre = 1024 mex) to match what the model expects.
#pragma once

#include <cstdint>
#include <span>
#include <string>

constexpr int64_t kMaxTexSide = 1024;

struct TexWrite {
  bool ok = false;
  bool scaled = false;  // the image was halved to fit kMaxTexSide
  std::string message;  // why it was not written, when !ok
};

// Writes w x h pixels (row 0 at the top, red in the lowest byte) as a .tex file.
// - Both sides must be powers of 2.
// - While a side exceeds 1024 both sides are halved (a side of 1 stays 1) by 2 x 2 averaging,
//   each channel (sum + 2) / 4.
// - The mex shift s is the smallest (at most 20) with w * 2^s >= expectedW; the texture must
//   then measure exactly expectedW x expectedH mex, else it is refused.
// Nothing is created when the texture is refused or memory is short; a file that cannot be
// written whole is removed. The message says why in each case; shownPath is the path it
// names, for a file written under a temporary name first ("" = path).
TexWrite writeTex(std::span<const uint32_t> pixels, int64_t w, int64_t h, const std::string& path,
                  int64_t expectedW, int64_t expectedH, const std::string& shownPath = "");
