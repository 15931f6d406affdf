// What the 3D window and its paint sources keep between runs: stored in the project, used by
// painting. Plain records; the window and the painting code give them their behaviour.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/image.h"
#include "paint/tips.h"
#include "render/stencil.h"
#include "render/view.h"

// The 3D window's lists, each in the order of its items; the project file stores the index.
// (ViewMode comes with the renderer.)
enum class Tool {
  brush,
  fillTriangle,
  fillFlatFace,
  fillSurface,
  fillLayer,
  assignTriangle,  // from here on: the tools that give triangles the current layer
  assignFlatFace,
  assignConnectedPart,
  assignBrush,
};
enum class PaintSource { colour, stencil, pattern };  // "Paint with"

// Camera, tool and brush of the 3D window.
struct ViewState {
  ViewMode viewMode = ViewMode::testPattern;
  Camera camera;  // dist 0: not framed yet
  Tool tool = Tool::brush;
  uint32_t brushColor = 200 | 30 << 8 | 30 << 16;  // red + 256 green + 65536 blue
  int brushSize = 24;
  int opacity = 100;
  int hardness = 50;
  BrushTip brushTip = BrushTip::round;
  bool edges = true;
  PaintSource paintSource = PaintSource::colour;

  bool operator==(const ViewState&) const = default;
};

// An image the user loaded as a paint source, kept with the file it came from so the project
// can store that file unchanged.
struct SourceImage {
  Image pixels;                 // decoded; width 0 = none loaded
  std::vector<uint8_t> fileBytes;
  std::string fileExt;          // lower-cased extension of the file it was loaded from

  bool loaded() const { return pixels.width > 0 && !fileBytes.empty(); }
  bool operator==(const SourceImage&) const = default;
};

struct StencilState {
  SourceImage image;  // RGBA, alpha kept
  double x = 0, y = 0;  // centre on the 3D view, canvas pixels
  double scale = 1.0;   // screen pixels per stencil pixel
  double angle = 0;     // degrees, clockwise on screen
  bool show = true;
  int opacity = 50;     // overlay strength in %

  bool operator==(const StencilState&) const = default;
};

// Where the stencil lies on the 3D view.
inline StencilPlacement stencilPlacement(const StencilState& stencil) {
  return {stencil.x, stencil.y, stencil.scale, stencil.angle};
}

// How the pattern lies on the model: projected from three sides, or rolled out from the anchor.
enum class PatternMapping { triplanar, anchor };
// The pattern's turn on the model, clockwise in quarter turns.
enum class PatternTurn { none, quarter, half, threeQuarters };

struct PatternState {
  SourceImage image;  // RGB, alpha bits 0
  double tile = 0.2;  // tile width on the model, metres
  bool tint = false;  // multiply by the brush colour
  PatternTurn rotate = PatternTurn::none;
  PatternMapping mapping = PatternMapping::triplanar;
  double offsetX = 0, offsetY = 0;  // fractions of a tile
  int64_t anchorFace = -1;          // -1: no anchor
  double anchorBary[2] = {0, 0};
  double anchorUp[3] = {0, 0, 0};
  double anchorRight[3] = {0, 0, 0};

  bool operator==(const PatternState&) const = default;
};

// Decodes a stencil (alpha kept) or pattern (alpha bits cleared) from file bytes. False, leaving
// `image` unchanged, when the bytes are no image, a truncated one, or one with a side beyond
// kMaxImageSide, or when there is not enough memory for it; `why`, when given, then receives
// the reason for the user.
bool loadSourceImage(SourceImage& image, std::vector<uint8_t> bytes, const std::string& ext,
                     bool keepAlpha, std::string* why = nullptr);
// The same from the file at `path`, the extension taken lower-cased from the path.
bool loadSourceFile(SourceImage& image, const std::string& path, bool keepAlpha,
                    std::string* why = nullptr);
