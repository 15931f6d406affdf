#include "app/batch.h"

#include <array>
#include <charconv>
#include <cmath>
#include <functional>
#include <iterator>
#include <optional>
#include <ostream>
#include <utility>

#include "app/batch_paint.h"
#include "app/batch_run.h"
#include "app/command_line.h"
#include "app/thumbnail.h"
#include "app/window_rules.h"
#include "base/number_text.h"
#include "base/setting.h"
#include "base/text_fields.h"
#include "paint/settings_tables.h"
#include "render/camera.h"
#include "unwrap/unwrap_settings.h"

namespace {

// "scr,tga,tex,uv" in any order and number, or "none".
std::optional<ExportChoice> exportChoiceOf(const std::string& list) {
  ExportChoice c;
  if (list == "none") return c;
  for (const std::string& item : splitFields(list, ',')) {
    if (item == "scr")
      c.script = true;
    else if (item == "tga")
      c.tga = true;
    else if (item == "tex")
      c.tex = true;
    else if (item == "uv")
      c.uvPicture = true;
    else
      return std::nullopt;
  }
  return c;
}

std::optional<int> wholeNumber(const std::string& text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// A whole number within `range`.
std::optional<int> wholeNumber(const std::string& text, SpinRange range) {
  const std::optional<int> value = wholeNumber(text);
  return value && range.contains(*value) ? value : std::nullopt;
}

// A finite decimal number, read the same in every locale.
std::optional<double> realNumber(const std::string& text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

// "WxH" with each side read by `side`.
template <typename Side>
std::optional<std::pair<int, int>> sizePair(const std::string& text, Side side) {
  const size_t x = text.find('x');
  if (x == std::string::npos) return std::nullopt;
  const std::optional<int> w = side(text.substr(0, x)), h = side(text.substr(x + 1));
  if (!w || !h) return std::nullopt;
  return std::pair{*w, *h};
}

// One of the sides the texture lists offer.
std::optional<int> textureSideNumber(const std::string& text) {
  const std::optional<int> value = wholeNumber(text);
  return value && unwrapSetting::layoutWidth.bring(int64_t{*value}) == *value ? value : std::nullopt;
}

// Index of `text` in `choices`, or nullopt.
std::optional<int> choice(const std::string& text, std::initializer_list<const char*> choices) {
  int i = 0;
  for (const char* c : choices) {
    if (text == c) return i;
    ++i;
  }
  return std::nullopt;
}

// The row of a table whose option is `arg`, or null.
template <typename Record, size_t n>
const Setting<Record>* optionSetting(const Setting<Record>* const (&table)[n],
                                     const std::string& arg) {
  for (const Setting<Record>* s : table)
    if (arg == s->option) return s;
  return nullptr;
}

// The value an option of a table gives; a switch gives the opposite of its default. Numbers
// come in whole units of the range.
template <typename Record>
std::optional<int> optionValue(const Setting<Record>& s, const std::string& text) {
  switch (s.kind) {
    case SettingKind::flag: return s.defaultValue() == 0;
    case SettingKind::list:
    case SettingKind::cycle: {
      const int index = wordIndex(s, text);
      return index < 0 ? std::nullopt : std::optional<int>(index);
    }
    default: return wholeNumber(text, s.range());
  }
}

template <typename Record>
std::string optionError(const Setting<Record>& s) {
  if (s.kind == SettingKind::list || s.kind == SettingKind::cycle)
    return std::string(s.option) + " accepts " + wordsText(s, false);
  return std::string(s.option) + " accepts a whole number" +
         (*s.unit ? std::string(" of ") + s.unit : "") + " from " + rangeText(s.range());
}

// Where the value of a brush or pattern option goes.
void takeSourceOption(const std::string& arg, int value, BatchOptions& options) {
  BrushOptions& b = options.brush;
  if (const ViewSetting* s = optionSetting(kBrushSettings, arg)) {
    b.settings.emplace_back(s, value);
  } else if (arg == brushSetting::source.option) {
    b.source = static_cast<PaintSource>(value);
  } else if (arg == patternSetting::tile.option) {
    options.sources.tileCm = value;
  } else if (arg == patternSetting::mapping.option) {
    options.sources.mapping = static_cast<PatternMapping>(value);
  }
}

// An option of the settings tables: nullopt when `arg` is none; else "" when taken, or the
// line to show. `value` is the next argument, taken (++i) when the option has a value.
template <typename Record>
std::optional<std::string> tableOption(const Setting<Record>* setting, const std::string& value,
                                       bool hasValue, size_t& i) {
  if (!setting) return std::nullopt;
  if (setting->kind != SettingKind::flag) {
    if (!hasValue) return std::string(setting->option) + " needs a value";
    ++i;
  }
  return optionValue(*setting, value) ? "" : optionError(*setting);
}

std::optional<std::string> settingOption(const std::string& arg, const std::string& value,
                                         bool hasValue, size_t& i, BatchOptions& options) {
  if (const UnwrapSetting* s = optionSetting(kUnwrapSettings, arg)) {
    std::optional<std::string> problem = tableOption(s, value, hasValue, i);
    if (problem->empty()) {
      const int v = *optionValue(*s, value);
      options.unwrapChanges.push_back([s, v](UnwrapSettings& u) { s->field.set(u, v); });
      options.axisGiven |= s == &unwrapSetting::upAxis || s == &unwrapSetting::mirror;
    }
    return problem;
  }
  const ViewSetting* brush = optionSetting(kBrushSettings, arg);
  if (!brush && arg == brushSetting::source.option) brush = &brushSetting::source;
  const PatternSetting* pattern = optionSetting(kPatternSettings, arg);
  std::optional<std::string> problem =
      brush ? tableOption(brush, value, hasValue, i) : tableOption(pattern, value, hasValue, i);
  if (problem && problem->empty())
    takeSourceOption(arg, brush ? *optionValue(*brush, value) : *optionValue(*pattern, value),
                     options);
  return problem;
}

// The options of the files read and written, and of the layout change. Each of these option
// functions returns whether it knows `arg`, and sets `problem` when the value is refused.
bool fileOption(const std::string& arg, const std::string& value, BatchOptions& options,
                std::string& problem) {
  if (arg == "--size") {
    const auto size = sizePair(value, textureSideNumber);
    if (!size) problem = "--size accepts WxH with powers of 2 from " + sidesText() + ", e.g. 512x256";
    if (size)
      options.unwrapChanges.push_back([size = *size](UnwrapSettings& s) {
        s.layoutWidth = size.first;
        s.layoutHeight = size.second;
      });
  } else if (arg == "--change-layout") {
    const auto follows = choice(value, {"empty", "keep"});
    if (!follows) problem = "--change-layout accepts keep or empty";
    if (follows) options.paintingFollows = *follows == 1;
  } else if (arg == "--write") {
    options.exportChoice = exportChoiceOf(value);
    if (!options.exportChoice) problem = "--write accepts scr, tga, tex and uv, comma-separated, or none";
  } else if (arg == "--root") {
    options.seriousSamRoot = value;
  } else {
    std::string* path = arg == "--uv-png"    ? &options.uvPicturePath
                        : arg == "--save"    ? &options.savePath
                        : arg == "--texture" ? &options.texturePath
                        : arg == "--export"  ? &options.exportPath
                        : arg == "--render"  ? &options.renderPath
                                             : nullptr;
    if (!path) return false;
    *path = value;
  }
  return true;
}

// The view that --render and --paint show.
bool viewOption(const std::string& arg, const std::string& value, BatchOptions& options,
                std::string& problem) {
  if (arg == "--view-size") {
    options.viewSize = sizePair(value, [](const std::string& side) {
      return wholeNumber(side, kViewSideRange);
    });
    if (!options.viewSize)
      problem = "--view-size accepts WxH with each from " + rangeText(kViewSideRange) + ", e.g. " +
                sizeText(kDefaultViewSize);
  } else if (arg == "--view-mode") {
    const SpinRange modes{0, viewSetting::viewMode.high};
    const auto mode = wholeNumber(value, modes);
    if (!mode) problem = "--view-mode accepts " + rangeText(modes);
    if (mode) options.viewMode = static_cast<ViewMode>(*mode);
  } else if (arg == "--yaw") {
    options.yaw = realNumber(value);
    if (!options.yaw) problem = "--yaw accepts a number of degrees";
  } else if (arg == "--pitch") {
    // Refused rather than clamped: a tilt the view cannot show is a mistake worth hearing of.
    options.pitch = realNumber(value);
    if (!options.pitch || viewSetting::pitch.bring(*options.pitch) != *options.pitch)
      problem = "--pitch accepts a number of degrees from " + rangeText(viewSetting::pitch.range());
  } else {
    return false;
  }
  return true;
}

// --paint, and the colour, stencil and pattern it paints with.
bool paintOption(const std::string& arg, const std::string& value, BatchOptions& options,
                 std::string& problem) {
  SourceOptions& sources = options.sources;
  if (arg == "--paint") {
    const auto script = paintScriptOf(value);
    if (!script)
      problem = "--paint accepts \"brush x,y x,y ...\" or \"fill-triangle x,y\" (likewise "
                "fill-flat-face, fill-surface, fill-layer)";
    if (script) options.paintScripts.push_back(*script);
  } else if (arg == kColourOption) {
    options.brush.colour = colourOf(value);
    if (!options.brush.colour) problem = "--colour accepts RRGGBB in hexadecimal, e.g. FF8000";
  } else if (arg == "--stencil" || arg == "--pattern") {
    (arg == "--stencil" ? sources.stencilPath : sources.patternPath) = value;
  } else if (arg == "--stencil-at") {
    const std::vector<std::string> fields = splitFields(value, ',');
    std::array<double, 4> at{};
    for (size_t k = 0; k < 4 && fields.size() == 4; ++k) {
      const std::optional<double> number = realNumber(fields[k]);
      if (!number) break;
      at[k] = *number;
      if (k == 3) sources.stencilAt = at;
    }
    if (!sources.stencilAt || at[2] <= 0)
      problem = "--stencil-at accepts X,Y,SCALE,ANGLE with a scale above 0";
  } else if (arg == "--anchor") {
    sources.anchor = pointOf(value);
    if (!sources.anchor) problem = "--anchor accepts X,Y in view pixels";
  } else {
    return false;
  }
  return true;
}

// "--brush-size, --opacity, --hardness, --tip, --colour and --source": every brush option.
std::string brushOptionsText() {
  std::vector<std::string> names;
  for (const ViewSetting* s : kBrushSettings)
    if (*s->option) names.push_back(s->option);
  names.push_back(kColourOption);
  names.push_back(brushSetting::source.option);
  std::string text;
  for (size_t i = 0; i < names.size(); ++i)
    text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
  return text;
}

// Options that only make sense together; the line to show when one is missing.
std::optional<std::string> missingCompanion(const BatchOptions& options) {
  if (options.path.empty()) return std::string("--batch needs a model or project file");
  if ((options.seriousSamRoot || options.exportChoice) && options.exportPath.empty())
    return std::string("--root and --write go with --export");
  // A change that is neither ended nor saved would be lost.
  if (options.paintingFollows && !options.lockAfterChange && options.savePath.empty())
    return std::string("--change-layout goes with --lock, --cancel or --save");
  const bool painting = !options.paintScripts.empty();
  if (options.viewMode && options.renderPath.empty())
    return std::string("--view-mode goes with --render");
  if ((options.viewSize || options.yaw || options.pitch) && options.renderPath.empty() &&
      !painting && !options.sources.any())
    return std::string("--view-size, --yaw and --pitch go with --render, --paint or the stencil "
                       "and pattern options");
  if (options.brush.any() && !painting)
    return brushOptionsText() + " go with --paint";
  if (options.sources.stencilAt && options.sources.stencilPath.empty())
    return std::string("--stencil-at goes with --stencil");
  return std::nullopt;
}

// Fills `options` from the arguments after "--batch"; on a bad one returns the line to show.
std::optional<std::string> parseBatch(const std::vector<std::string>& args, BatchOptions& options) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    const std::string value = hasValue ? args[i + 1] : "";
    if (auto problem = settingOption(arg, value, hasValue, i, options)) {
      if (!problem->empty()) return problem;
    } else if (arg == "--yes") {
      options.yes = true;
    } else if (arg == "--lock" || arg == "--cancel") {
      if (options.lockAfterChange) return std::string("Give either --lock or --cancel");
      options.lockAfterChange = arg == "--lock";
    } else if (arg.starts_with("--")) {
      if (!hasValue) return arg + " needs a value";
      ++i;
      std::string problem;
      if (!fileOption(arg, value, options, problem) && !viewOption(arg, value, options, problem) &&
          !paintOption(arg, value, options, problem))
        return "Unknown option " + arg;
      if (!problem.empty()) return problem;
    } else if (options.path.empty()) {
      options.path = arg;
    } else {
      return "Only one file can be given";
    }
  }
  return missingCompanion(options);
}

}  // namespace

int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() == 1 && args[0] == "--help") {
    out << usageText();
    return kOk;
  }
  if (args.size() == 1 && args[0] == "--version") {
    out << kProgramVersion << "\n";
    return kOk;
  }
  if (!args.empty() && args[0] == "--thumbnail")
    return runThumbnail({args.begin() + 1, args.end()}, err);
  if (!args.empty() && args[0] == "--batch") {
    BatchOptions options;
    if (const auto problem = parseBatch({args.begin() + 1, args.end()}, options)) {
      err << *problem << "\n";
      return kUsageError;
    }
    return runBatch(options, out, err);
  }
  err << usageText();
  return kUsageError;
}
