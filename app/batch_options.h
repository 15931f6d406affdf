// Batch mode's command line: the options, their usage text and the parser. The options of
// the settings tables are those tables' rows; the rest are the few special ones.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/batch_paint.h"
#include "render/view.h"
#include "unwrap/unwrap.h"

// The canvas of a 3D window opened at 910 x 730: the view of --render and --paint.
inline constexpr std::pair<int, int> kDefaultViewSize{720, 634};

// The files an export writes besides the .3ds.
struct ExportChoice {
  bool script = false, tga = false, tex = false, uvPicture = false;
};

struct BatchOptions {
  std::string path;
  // The unwrap options given, applied to the settings of the opened project or model.
  std::vector<std::function<void(UnwrapSettings&)>> unwrapChanges;
  bool axisGiven = false;  // --up or --mirror, which a new project from a model resets
  // --change-layout: whether the painting follows. --lock (true) or --cancel (false) ends
  // that change, or the one a project saved during a change opens into.
  std::optional<bool> paintingFollows;
  std::optional<bool> lockAfterChange;
  std::string uvPicturePath;
  std::string savePath;
  std::string texturePath;
  std::string exportPath;
  std::optional<std::string> seriousSamRoot;
  std::optional<ExportChoice> exportChoice;
  bool yes = false;
  // --render and the view it shows.
  std::string renderPath;
  std::optional<std::pair<int, int>> viewSize;
  std::optional<ViewMode> viewMode;
  std::optional<double> yaw, pitch;
  // --paint, the brush it paints with and the stencil and pattern.
  std::vector<PaintScript> paintScripts;
  BrushOptions brush;
  SourceOptions sources;
};

// The text of --help, and of a command line that is not understood.
std::string usageText();

// Fills `options` from the arguments after "--batch"; on a bad one returns the line to show.
std::optional<std::string> parseBatch(const std::vector<std::string>& args, BatchOptions& options);
