// Scripted painting for batch mode: brush strokes and fill clicks given on the command line,
// run through the 3D window's controller event by event, as the window runs a drag or a click.
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/controller.h"
#include "app/preferences.h"
#include "app/session.h"
#include "app/ui.h"
#include "paint/paint_state.h"
#include "paint/settings_tables.h"

// One --paint: a brush drag through the points, or a fill tool's click at one point (canvas
// pixels).
struct PaintScript {
  std::string text;  // as given
  Tool tool = Tool::brush;
  std::vector<std::pair<int, int>> points;
};
// "x,y": a point of the canvas in whole pixels.
std::optional<std::pair<int, int>> pointOf(const std::string& text);
// "brush x,y x,y ..." (at least one point) or "fill-triangle x,y", "fill-flat-face x,y",
// "fill-surface x,y", "fill-layer x,y"; nothing when the text is none of these.
std::optional<PaintScript> paintScriptOf(const std::string& text);

// The brush options; those not given keep the project's values.
struct BrushOptions {
  // The options of the brush settings' table (size, opacity, hardness, tip), in the order
  // given: each one sets its setting's field of the view state.
  std::vector<std::pair<const ViewSetting*, int>> settings;
  std::optional<uint32_t> colour;  // red in the lowest byte
  std::optional<PaintSource> source;
  bool any() const { return !settings.empty() || colour || source; }
};

// The stencil and the pattern, loaded and placed as the 3D window's gadgets and gestures do.
struct SourceOptions {
  std::string stencilPath, patternPath;  // empty: keep the project's
  std::optional<std::array<double, 4>> stencilAt;  // centre x, y (canvas pixels), scale, angle
  std::optional<int> tileCm;
  std::optional<PatternMapping> mapping;
  std::optional<std::pair<int, int>> anchor;  // a Shift+click there
  bool any() const {
    return !stencilPath.empty() || !patternPath.empty() || stencilAt || tileCm || mapping || anchor;
  }
};
// The brush colour's option (no settings table row: the window sets the colour by a chooser),
// "RRGGBB" in hexadecimal.
inline constexpr const char* kColourOption = "--colour";
std::optional<uint32_t> colourOf(const std::string& text);

// The view the scripts point into: a canvas of width x height seen after "Reset view", then
// turned to yaw and pitch when given.
struct ScriptView {
  int width = 720, height = 634;
  std::optional<double> yaw, pitch;
};

enum class PaintRun {
  done,
  imageNotLoaded,  // the stencil or pattern file is no image (the Ui was told)
  noAnchor,        // nothing of the model under the anchor's point
};
// Opens the 3D window's controller on the loaded model, sets up the paint sources and runs
// every script in order, each one undo step, with the after-event work (lock check, title)
// after every event. Prints one line per script: its text and how many texels it changed.
// Stops before painting when a source cannot be set up.
PaintRun runPaintScripts(Session& session, Controller& controller, Ui& ui,
                         const Preferences& prefs, const std::vector<PaintScript>& scripts,
                         const BrushOptions& brush, const SourceOptions& sources,
                         const ScriptView& view, std::ostream& out);
