// Batch mode's run: the options read from the command line, carried out as a user would
// through the main window's and the 3D window's commands, with a Ui that answers from the
// command line.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/batch_paint.h"
#include "app/export_plan.h"
#include "base/setting.h"
#include "render/view.h"
#include "unwrap/unwrap.h"

// The canvas of a 3D window opened at 910 x 730: the view of --render and --paint.
inline constexpr std::pair<int, int> kDefaultViewSize{720, 634};
// The sides --view-size accepts.
inline constexpr SpinRange kViewSideRange{1, 8192};

// The exit status.
enum BatchStatus { kOk = 0, kUsageError = 1, kFileError = 2 };

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

// Opens options.path, unwraps, paints and writes what the options ask for; returns the exit
// status. The report goes to `out`, messages to `err`.
int runBatch(const BatchOptions& options, std::ostream& out, std::ostream& err);
