#include "app/batch.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <optional>
#include <ostream>
#include <utility>

#include "app/batch_paint.h"
#include "app/batch_run.h"
#include "app/window_rules.h"
#include "base/text_fields.h"
#include "project/control_ranges.h"

namespace {

std::string rangeText(SpinRange range) {
  return std::to_string(range.low) + " to " + std::to_string(range.high);
}

// The options that set a spin box of the unwrap settings.
struct NumberOption {
  const char* name;
  const char* unit;      // of the value, as the error names it
  const char* help;      // the usage line, before the range
  const char* helpUnit;  // the usage line, after the range
  SpinRange range;
  int UnwrapSettings::*field;
};
constexpr NumberOption kNumberOptions[] = {
    {"--angle", "degrees", "max. angle between faces, ", " degrees", controlRange::maxAngle,
     &UnwrapSettings::maxAngle},
    {"--margin", "pixels", "margin in pixels, ", "", controlRange::margin, &UnwrapSettings::margin},
    {"--stretch", "percent", "max. stretch % for smooth mapping, ", "", controlRange::maxStretch,
     &UnwrapSettings::maxStretch},
};

std::string usageText() {
  std::string numberLines;
  for (const NumberOption& option : kNumberOptions) {
    std::string line = std::string("  ") + option.name + " N";
    line.resize(20, ' ');
    numberLines += line + option.help + rangeText(option.range) + option.helpUnit + " (default " +
                   std::to_string(UnwrapSettings{}.*option.field) + ")\n";
  }
  return "Usage: quillmap --batch FILE [options]    open a .3ds or .obj model (unwrapped as a new\n"
         "                                          project) or a .qmap project; print its report\n"
         "       quillmap --help                    show this text\n"
         "       quillmap --version                 show the version\n"
         "Options of --batch:\n"
         "  --size WxH        texture size, powers of 2 from 32 to 2048 (default 512x512)\n"
         "  --mapping MODE    keep, exact or smooth (default exact)\n" +
         numberLines +
         "  --rotate MODE     turn pieces: no, lying or all (default lying)\n"
         "  --up AXIS         z or y (default y for .obj files, z for others)\n"
         "  --mirror AXIS     none, x (left - right), z (front - back) or y (up - down)\n"
         "  --no-combine      do not combine pieces into fewer surfaces\n"
         "  --per-layer       unwrap per layer (layers = surfaces)\n"
         "  --uv-png FILE     write the UV layout picture at the texture size\n"
         "  --texture IMAGE   import IMAGE (.png, .tga, .bmp, .jpg) as the texture, scaled to\n"
         "                    the texture size\n"
         "  --export FILE     export to Serious Sam as File > Export does (.3ds is added when\n"
         "                    missing) and print what was written\n"
         "  --root DIR        with --export: the Serious Sam folder (default: the preferences)\n"
         "  --write LIST      with --export: what else to write, comma-separated from scr, tga,\n"
         "                    tex and uv, or none (default: the preferences)\n"
         "  --render FILE     write the 3D view after \"Reset view\" as a PNG picture (.png is\n"
         "                    added when missing)\n"
         "  --view-size WxH   with --render or --paint: the view's size, 1 to 8192 each\n"
         "                    (default 720x634)\n"
         "  --view-mode N     with --render: 0 test pattern, 1 texture, 2 surface colours,\n"
         "                    3 unwrap pieces, 4 layer colours (default: the project's, else 0)\n"
         "  --yaw D           with --render or --paint: turn the camera to D degrees\n"
         "                    (default 30)\n"
         "  --pitch D         with --render or --paint: tilt it to D degrees, -89 to 89\n"
         "                    (default 20)\n"
         "  --paint SCRIPT    paint in that view (size, yaw and pitch as for --render), one undo\n"
         "                    step each, in order: \"brush x,y x,y ...\" drags the brush through\n"
         "                    the canvas points; \"fill-triangle x,y\", \"fill-flat-face x,y\",\n"
         "                    \"fill-surface x,y\" or \"fill-layer x,y\" clicks with that fill tool\n"
         "  --brush-size N    with --paint: brush diameter in pixels, 1 to 400\n"
         "  --opacity N       with --paint: 1 to 100 %\n"
         "  --hardness N      with --paint: 0 to 100 %\n"
         "  --tip TIP         with --paint: round, sponge, splatter or chalk\n"
         "  --colour RRGGBB   with --paint: the brush colour in hexadecimal\n"
         "  --source SOURCE   with --paint: paint with colour, stencil or pattern\n"
         "  --stencil IMAGE   load IMAGE (.png, .tga, .bmp, .jpg) as the stencil, centred in the\n"
         "                    view (size as for --paint); --paint then paints through it\n"
         "  --stencil-at X,Y,SCALE,ANGLE\n"
         "                    with --stencil: its centre in view pixels, screen pixels per\n"
         "                    stencil pixel and clockwise degrees\n"
         "  --pattern IMAGE   load IMAGE as the pattern tile; --paint then paints with it\n"
         "  --tile CM         the pattern's tile size, 1 to 100000 cm\n"
         "  --mapping-pattern triplanar|anchor\n"
         "                    how the pattern is mapped onto the model\n"
         "  --anchor X,Y      Shift+click at view pixel X,Y: the pattern's anchor, rolled out\n"
         "                    from there (anchored mapping)\n"
         "  --change-layout keep|empty\n"
         "                    on a project whose layout is locked (painted): unwrap again with\n"
         "                    the unwrap options given, the painting following the new layout\n"
         "                    (keep) or not (empty); then one of the next two, or --save\n"
         "                    alone, which saves the project in the middle of the change\n"
         "  --lock            lock the new layout (also of a project saved during a change)\n"
         "  --cancel          go back to the layout, texture and settings before the change\n"
         "  --save FILE       save the project (.qmap is added when missing)\n"
         "  --yes             answer Yes to questions (overwrite, newer autosave); else No\n"
         "A project is unwrapped again only when an unwrap option is given; when its layout\n"
         "is locked, only with --change-layout.\n";
}


constexpr SpinRange kViewSideRange{1, 8192};

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

// A whole number within the range of the window's spin box for the same setting.
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
  return value && textureSide(*value) == *value ? value : std::nullopt;
}

const NumberOption* numberOption(const std::string& name) {
  for (const NumberOption& option : kNumberOptions)
    if (name == option.name) return &option;
  return nullptr;
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

// Fills `options` from the arguments after "--batch"; on a bad one returns the line to show.
std::optional<std::string> parseBatch(const std::vector<std::string>& args, BatchOptions& options) {
  auto change = [&](std::function<void(UnwrapSettings&)> f) { options.unwrapChanges.push_back(std::move(f)); };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    const std::string value = hasValue ? args[i + 1] : "";
    auto takeValue = [&]() { ++i; };
    if (arg == "--no-combine") {
      change([](UnwrapSettings& s) { s.mergeSurfaces = false; });
    } else if (arg == "--per-layer") {
      change([](UnwrapSettings& s) { s.layerUnwrap = true; });
    } else if (arg == "--yes") {
      options.yes = true;
    } else if (arg == "--lock" || arg == "--cancel") {
      if (options.lockAfterChange) return std::string("Give either --lock or --cancel");
      options.lockAfterChange = arg == "--lock";
    } else if (arg.starts_with("--")) {
      if (!hasValue) return arg + " needs a value";
      takeValue();
      if (arg == "--size") {
        const auto size = sizePair(value, textureSideNumber);
        if (!size) return "--size accepts WxH with powers of 2 from 32 to 2048, e.g. 512x256";
        change([size = *size](UnwrapSettings& s) {
          s.layoutWidth = size.first;
          s.layoutHeight = size.second;
        });
      } else if (arg == "--mapping") {
        const auto mode = choice(value, {"keep", "exact", "smooth"});
        if (!mode) return "--mapping accepts keep, exact or smooth";
        change([mode = static_cast<MapMode>(*mode)](UnwrapSettings& s) { s.mapMode = mode; });
      } else if (const NumberOption* option = numberOption(arg)) {
        const auto n = wholeNumber(value, option->range);
        if (!n)
          return arg + " accepts a whole number of " + option->unit + " from " + rangeText(option->range);
        change([n = *n, field = option->field](UnwrapSettings& s) { s.*field = n; });
      } else if (arg == "--rotate") {
        const auto mode = choice(value, {"no", "lying", "all"});
        if (!mode) return "--rotate accepts no, lying or all";
        change([mode = static_cast<RotateMode>(*mode)](UnwrapSettings& s) { s.rotateMode = mode; });
      } else if (arg == "--up") {
        const auto axis = choice(value, {"z", "y"});
        if (!axis) return "--up accepts z or y";
        options.upAxis = *axis;
        change([axis = static_cast<UpAxis>(*axis)](UnwrapSettings& s) { s.upAxisChoice = axis; });
      } else if (arg == "--mirror") {
        const auto axis = choice(value, {"none", "x", "z", "y"});
        if (!axis) return "--mirror accepts none, x, z or y";
        options.mirrorAxis = *axis;
        change([axis = static_cast<MirrorAxis>(*axis)](UnwrapSettings& s) { s.mirrorAxis = axis; });
      } else if (arg == "--change-layout") {
        const auto follows = choice(value, {"empty", "keep"});
        if (!follows) return "--change-layout accepts keep or empty";
        options.paintingFollows = *follows == 1;
      } else if (arg == "--uv-png") {
        options.uvPicturePath = value;
      } else if (arg == "--render") {
        options.renderPath = value;
      } else if (arg == "--view-size") {
        const auto size = sizePair(value, [](const std::string& side) {
          return wholeNumber(side, kViewSideRange);
        });
        if (!size)
          return "--view-size accepts WxH with each from " + rangeText(kViewSideRange) + ", e.g. 720x634";
        options.viewSize = size;
      } else if (arg == "--view-mode") {
        const SpinRange modes{0, controlRange::viewMode.count - 1};
        const auto mode = wholeNumber(value, modes);
        if (!mode) return "--view-mode accepts " + rangeText(modes);
        options.viewMode = static_cast<ViewMode>(*mode);
      } else if (arg == "--yaw") {
        options.yaw = realNumber(value);
        if (!options.yaw) return std::string("--yaw accepts a number of degrees");
      } else if (arg == "--pitch") {
        // Refused rather than clamped: a tilt the view cannot show is a mistake worth hearing of.
        options.pitch = realNumber(value);
        if (!options.pitch || std::fabs(*options.pitch) > controlRange::pitchLimit)
          return "--pitch accepts a number of degrees from -89 to 89";
      } else if (arg == "--paint") {
        const auto script = paintScriptOf(value);
        if (!script)
          return "--paint accepts \"brush x,y x,y ...\" or \"fill-triangle x,y\" (likewise "
                 "fill-flat-face, fill-surface, fill-layer)";
        options.paintScripts.push_back(*script);
      } else if (arg == "--brush-size" || arg == "--opacity" || arg == "--hardness") {
        const auto [range, field] =
            arg == "--brush-size" ? std::pair{controlRange::brushSize, &BrushOptions::size}
            : arg == "--opacity"  ? std::pair{controlRange::opacity, &BrushOptions::opacity}
                                  : std::pair{controlRange::hardness, &BrushOptions::hardness};
        options.brush.*field = wholeNumber(value, range);
        if (!(options.brush.*field)) return arg + " accepts a whole number from " + rangeText(range);
      } else if (arg == "--tip") {
        options.brush.tip = choice(value, {"round", "sponge", "splatter", "chalk"});
        if (!options.brush.tip) return "--tip accepts round, sponge, splatter or chalk";
      } else if (arg == "--colour") {
        options.brush.colour = colourOf(value);
        if (!options.brush.colour) return "--colour accepts RRGGBB in hexadecimal, e.g. FF8000";
      } else if (arg == "--source") {
        const auto source = choice(value, {"colour", "stencil", "pattern"});
        if (!source) return "--source accepts colour, stencil or pattern";
        options.brush.source = static_cast<PaintSource>(*source);
      } else if (arg == "--stencil") {
        options.sources.stencilPath = value;
      } else if (arg == "--stencil-at") {
        const std::vector<std::string> fields = splitFields(value, ',');
        std::array<double, 4> at{};
        for (size_t k = 0; k < 4 && fields.size() == 4; ++k) {
          const std::optional<double> number = realNumber(fields[k]);
          if (!number) break;
          at[k] = *number;
          if (k == 3) options.sources.stencilAt = at;
        }
        if (!options.sources.stencilAt || at[2] <= 0)
          return std::string("--stencil-at accepts X,Y,SCALE,ANGLE with a scale above 0");
      } else if (arg == "--pattern") {
        options.sources.patternPath = value;
      } else if (arg == "--tile") {
        options.sources.tileCm = wholeNumber(value, controlRange::patternTileCm);
        if (!options.sources.tileCm)
          return "--tile accepts a whole number of centimetres from " +
                 rangeText(controlRange::patternTileCm);
      } else if (arg == "--mapping-pattern") {
        options.sources.mapping = choice(value, {"triplanar", "anchor"});
        if (!options.sources.mapping) return "--mapping-pattern accepts triplanar or anchor";
      } else if (arg == "--anchor") {
        options.sources.anchor = pointOf(value);
        if (!options.sources.anchor) return std::string("--anchor accepts X,Y in view pixels");
      } else if (arg == "--save") {
        options.savePath = value;
      } else if (arg == "--texture") {
        options.texturePath = value;
      } else if (arg == "--export") {
        options.exportPath = value;
      } else if (arg == "--root") {
        options.seriousSamRoot = value;
      } else if (arg == "--write") {
        options.exportChoice = exportChoiceOf(value);
        if (!options.exportChoice) return "--write accepts scr, tga, tex and uv, comma-separated, or none";
      } else {
        return "Unknown option " + arg;
      }
    } else if (options.path.empty()) {
      options.path = arg;
    } else {
      return "Only one file can be given";
    }
  }
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
  const BrushOptions& b = options.brush;
  if ((b.size || b.opacity || b.hardness || b.tip || b.colour || b.source) && !painting)
    return std::string(
        "--brush-size, --opacity, --hardness, --tip, --colour and --source go with --paint");
  if (options.sources.stencilAt && options.sources.stencilPath.empty())
    return std::string("--stencil-at goes with --stencil");
  return std::nullopt;
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
