#include "app/batch.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <utility>

#include "app/batch_paint.h"
#include "app/controller.h"
#include "app/layout_change.h"
#include "app/preferences.h"
#include "app/session.h"
#include "app/ui.h"
#include "app/unwrap_driver.h"
#include "app/window_rules.h"
#include "base/file_io.h"
#include "base/text_fields.h"
#include "export/uv_layout.h"
#include "image/image.h"
#include "base/number_text.h"
#include "paint/settings_tables.h"
#include "render/camera.h"
#include "render/test_pattern.h"
#include "render/view.h"
#include "unwrap/unwrap_settings.h"

namespace {

// The canvas of a 3D window opened at 910 x 730.
constexpr std::pair<int, int> kDefaultViewSize{720, 634};
constexpr SpinRange kViewSideRange{1, 8192};

std::string sizeText(std::pair<int, int> size) {
  return std::to_string(size.first) + "x" + std::to_string(size.second);
}

// The usage lines of a table's options: those with a value, then the switches.
template <typename Record, size_t n>
std::string optionLines(const Setting<Record>* const (&table)[n]) {
  std::string lines;
  for (const bool switches : {false, true})
    for (const Setting<Record>* s : table)
      if ((s->kind == SettingKind::flag) == switches) lines += usageLine(*s);
  return lines;
}

std::string usageText() {
  const std::vector<int> sides(std::begin(unwrapSetting::kTextureSides),
                               std::end(unwrapSetting::kTextureSides));
  const UnwrapSettings defaults;
  const Camera reset = resetCamera(Framing{});
  return "Usage: quillmap --batch FILE [options]    open a .3ds or .obj model (unwrapped as a new\n"
         "                                          project) or a .qmap project; print its report\n"
         "       quillmap --help                    show this text\n"
         "       quillmap --version                 show the version\n"
         "Options of --batch:\n" +
         usageLine("--size", "WxH",
                   "texture size, powers of 2 from " + std::to_string(sides.front()) + " to " +
                       std::to_string(sides.back()) + " (default " +
                       sizeText({defaults.layoutWidth, defaults.layoutHeight}) + ")") +
         optionLines(kUnwrapSettings) +
         "  --uv-png FILE     write the UV layout picture at the texture size\n"
         "  --texture IMAGE   import IMAGE (.png, .tga, .bmp, .jpg) as the texture, scaled to\n"
         "                    the texture size\n"
         "  --export FILE     export to Serious Sam as File > Export does (.3ds is added when\n"
         "                    missing) and print what was written\n"
         "  --root DIR        with --export: the Serious Sam folder (default: the preferences)\n"
         "  --write LIST      with --export: what else to write, comma-separated from scr, tga,\n"
         "                    tex and uv, or none (default: the preferences)\n"
         "  --render FILE     write the 3D view after \"Reset view\" as a PNG picture (.png is\n"
         "                    added when missing)\n" +
         usageLine("--view-size", "WxH",
                   "with --render or --paint: the view's size, " + rangeText(kViewSideRange) +
                       " each\n(default " + sizeText(kDefaultViewSize) + ")") +
         "  --view-mode N     with --render: 0 test pattern, 1 texture, 2 surface colours,\n"
         "                    3 unwrap pieces, 4 layer colours (default: the project's, else 0)\n" +
         usageLine("--yaw", "D",
                   "with --render or --paint: turn the camera to D degrees\n(default " +
                       fixedText(reset.yaw, 0) + ")") +
         usageLine("--pitch", "D",
                   "with --render or --paint: tilt it to D degrees, " +
                       rangeText(viewSetting::pitch.range()) + "\n(default " +
                       fixedText(reset.pitch, 0) + ")") +
         "  --paint SCRIPT    paint in that view (size, yaw and pitch as for --render), one undo\n"
         "                    step each, in order: \"brush x,y x,y ...\" drags the brush through\n"
         "                    the canvas points; \"fill-triangle x,y\", \"fill-flat-face x,y\",\n"
         "                    \"fill-surface x,y\" or \"fill-layer x,y\" clicks with that fill tool\n" +
         optionLines(kBrushSettings) +
         "  --colour RRGGBB   with --paint: the brush colour in hexadecimal\n" +
         usageLine(brushSetting::source) +
         "  --stencil IMAGE   load IMAGE (.png, .tga, .bmp, .jpg) as the stencil, centred in the\n"
         "                    view (size as for --paint); --paint then paints through it\n"
         "  --stencil-at X,Y,SCALE,ANGLE\n"
         "                    with --stencil: its centre in view pixels, screen pixels per\n"
         "                    stencil pixel and clockwise degrees\n"
         "  --pattern IMAGE   load IMAGE as the pattern tile; --paint then paints with it\n" +
         optionLines(kPatternSettings) +
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

enum Status { kOk = 0, kUsageError = 1, kFileError = 2 };

// Boxes go to the error stream; questions are answered by --yes, else No, since nobody is
// there to ask. The file dialogs "choose" what the command line named for the step at hand.
class BatchUi : public Ui {
 public:
  BatchUi(std::ostream& err, bool yes) : err_(err), yes_(yes) {}
  Answer message(const std::string&, const std::string& text, Icon icon, Buttons buttons) override {
    if (buttons != Buttons::ok && answer_) return *std::exchange(answer_, std::nullopt);
    if (yesToAll_ && buttons != Buttons::ok) return Answer::yes;  // answered by the command line
    if (buttons == Buttons::ok) {
      err_ << text << "\n";
      if (icon == Icon::warning || icon == Icon::error) ++problems_;
      return Answer::ok;
    }
    err_ << text << "\n";
    return yes_ ? Answer::yes : Answer::no;
  }
  // With --yes nobody is asked: an overwrite is reported as done, not as a question.
  bool confirmOverwrite(const std::string& title, const std::string& question,
                        const std::vector<std::string>& files) override {
    if (!yes_) return Ui::confirmOverwrite(title, question, files);
    std::string names;
    for (const std::string& file : files) names += (names.empty() ? "" : ", ") + file;
    err_ << "Overwriting: " << names << "\n";
    return true;
  }
  std::string chooseOpen(const FileDialog&) override { return openPath_; }
  std::string chooseSave(const FileDialog&) override { return savePath_; }
  void status(int field, const std::string& text) override {
    if (field == kStatusNote) note_ = text;
  }

  // What the next dialogs choose, and whether questions are answered Yes regardless of --yes
  // (the scale question of --texture).
  void setChoices(std::string open, std::string save, bool yesToAll = false) {
    openPath_ = std::move(open);
    savePath_ = std::move(save);
    yesToAll_ = yesToAll;
  }
  // The answer to the next question, which the command line gave.
  void answerNext(Answer answer) { answer_ = answer; }
  // Warning and error boxes shown so far.
  int problems() const { return problems_; }
  // The last note of the status bar; taking it empties it.
  std::string takeNote() { return std::exchange(note_, std::string()); }

 private:
  std::ostream& err_;
  bool yes_;
  bool yesToAll_ = false;
  std::optional<Answer> answer_;
  std::string openPath_, savePath_;
  std::string note_;
  int problems_ = 0;
};

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
    if (s == &brushSetting::tip)
      b.tip = static_cast<BrushTip>(value);
    else
      *(s == &brushSetting::size ? &b.size : s == &brushSetting::opacity ? &b.opacity : &b.hardness) =
          value;
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

// Fills `options` from the arguments after "--batch"; on a bad one returns the line to show.
std::optional<std::string> parseBatch(const std::vector<std::string>& args, BatchOptions& options) {
  auto change = [&](std::function<void(UnwrapSettings&)> f) {
    options.unwrapChanges.push_back(std::move(f));
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    const std::string value = hasValue ? args[i + 1] : "";
    auto takeValue = [&]() { ++i; };
    if (auto problem = settingOption(arg, value, hasValue, i, options)) {
      if (!problem->empty()) return problem;
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
          return "--view-size accepts WxH with each from " + rangeText(kViewSideRange) + ", e.g. " +
                 sizeText(kDefaultViewSize);
        options.viewSize = size;
      } else if (arg == "--view-mode") {
        const SpinRange modes{0, viewSetting::viewMode.high};
        const auto mode = wholeNumber(value, modes);
        if (!mode) return "--view-mode accepts " + rangeText(modes);
        options.viewMode = static_cast<ViewMode>(*mode);
      } else if (arg == "--yaw") {
        options.yaw = realNumber(value);
        if (!options.yaw) return std::string("--yaw accepts a number of degrees");
      } else if (arg == "--pitch") {
        // Refused rather than clamped: a tilt the view cannot show is a mistake worth hearing of.
        options.pitch = realNumber(value);
        if (!options.pitch || viewSetting::pitch.bring(*options.pitch) != *options.pitch)
          return "--pitch accepts a number of degrees from " +
                 rangeText(viewSetting::pitch.range());
      } else if (arg == "--paint") {
        const auto script = paintScriptOf(value);
        if (!script)
          return "--paint accepts \"brush x,y x,y ...\" or \"fill-triangle x,y\" (likewise "
                 "fill-flat-face, fill-surface, fill-layer)";
        options.paintScripts.push_back(*script);
      } else if (arg == "--colour") {
        options.brush.colour = colourOf(value);
        if (!options.brush.colour) return "--colour accepts RRGGBB in hexadecimal, e.g. FF8000";
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

// The 3D view as the 3D window shows it right after "Reset view", or turned to the given
// angles: the document's view mode, edges, texture and layer colours, without overlays.
Image renderedView(const Document& document, const BatchOptions& options) {
  const Model& model = document.workModel;
  RenderInputs in;
  in.framing = frameModel(model);
  in.camera = resetCamera(in.framing);
  in.camera.yaw = options.yaw.value_or(in.camera.yaw);
  in.camera.pitch = options.pitch.value_or(in.camera.pitch);
  in.mode = options.viewMode.value_or(document.view.viewMode);
  in.edges = document.view.edges;
  const Texture& texture = document.texture;
  in.texture = TexelView(texture.TextureWidth, texture.TextureHeight, texture.TexturePixels);
  const Image testPattern =
      makeTestPattern(document.settings.layoutWidth, document.settings.layoutHeight);
  in.testPattern = TexelView(testPattern);
  in.layerColor = document.layers.color;
  in.layerHidden = document.layers.hidden;
  // The canvas of a 3D window opened at 910 x 730.
  const auto [width, height] = options.viewSize.value_or(kDefaultViewSize);
  View3D view;
  renderView(view, width, height, model, in);
  return std::move(view.viewColour);
}

// Writes the rendered view to options.renderPath; false (after saying why) when the file is
// not written.
bool writeRenderedView(const Document& document, const BatchOptions& options, BatchUi& ui,
                       std::ostream& out, std::ostream& err) {
  std::string path = options.renderPath;
  if (lowerExtension(path) != "png") path += ".png";
  const std::string name = fileNameOf(path);
  std::error_code ec;
  if (std::filesystem::exists(path, ec) &&
      !ui.confirmOverwrite(kProgramName, name + " already exists. Overwrite it?", {name}))
    return false;
  const Image picture = renderedView(document, options);
  const std::vector<uint8_t> png = encodePng(picture, false);
  if (writeWholeFile(path, png.data(), png.size()) != FileWrite::ok) {
    err << "Cannot write " << path << "\n";
    return false;
  }
  out << "Rendered " << name << " (" << picture.width << " x " << picture.height << ")\n";
  return true;
}

// --change-layout on the opened project: the change and its unwrap with the options given.
// Returns the exit status.
int changeLayout(Session& session, BatchUi& ui, const BatchOptions& options, std::ostream& err) {
  if (!session.document.layoutLocked) {
    err << "--change-layout needs a project whose layout is locked\n";
    return kUsageError;
  }
  ui.answerNext(*options.paintingFollows ? Answer::yes : Answer::no);
  startLayoutChange(session, ui);
  for (const auto& change : options.unwrapChanges) change(session.document.settings);
  unwrapModel(session, ui);
  return kOk;
}

// --lock or --cancel: ends the change under way, begun by --change-layout or saved in the
// opened project. Returns the exit status.
int endLayoutChange(Session& session, BatchUi& ui, bool lock, std::ostream& err) {
  if (!session.layoutChange.layoutChanging) {
    err << "--lock and --cancel go with --change-layout or a project saved during a layout "
           "change\n";
    return kUsageError;
  }
  if (lock)
    lockNewLayout(session, ui);
  else
    cancelLayoutChange(session, ui);
  const std::string note = ui.takeNote();
  if (!note.empty()) err << note << "\n";
  return kOk;
}

int runBatch(const BatchOptions& options, std::ostream& out, std::ostream& err) {
  // The user's preferences are read (the Serious Sam folder, export choices) but never
  // changed by a batch run.
  const char* home = std::getenv("HOME");
  const std::string prefsFolder = preferencesFolder(home ? home : "");
  PreferencesFile prefsFile(preferencesPath(prefsFolder), true);
  Preferences prefs = loadPreferences(prefsFile, "");
  if (options.seriousSamRoot) {
    // As the Preferences dialog stores it: with a trailing separator.
    prefs.seriousSamRoot = *options.seriousSamRoot;
    const std::string& root = prefs.seriousSamRoot;
    if (!root.empty() && root.back() != '/' && root.back() != '\\') prefs.seriousSamRoot += '/';
  }
  if (options.exportChoice) {
    prefs.writeScript = options.exportChoice->script;
    prefs.writeTexture = options.exportChoice->tga;
    prefs.writeTex = options.exportChoice->tex;
    prefs.writePNG = options.exportChoice->uvPicture;
  }
  Session session;
  BatchUi ui(err, options.yes);
  Controller controller(session, ui, prefs, prefsFile, prefsFolder);

  const bool isProject = lowerExtension(options.path) == "qmap";
  if (!isProject)
    for (const auto& change : options.unwrapChanges) change(session.document.settings);
  if (!controller.openFile(options.path)) return kFileError;
  if (options.paintingFollows) {
    if (const int status = changeLayout(session, ui, options, err); status != kOk) return status;
  } else if (isProject && !options.unwrapChanges.empty() && session.document.layoutLocked) {
    err << "The layout of " << fileNameOf(options.path)
        << " is locked (it is painted): change it with --change-layout keep or empty\n";
    return kUsageError;
  } else if (isProject ? !options.unwrapChanges.empty()
                       : options.axisGiven) {
    // As a user would: change the controls after opening, which unwraps again.
    for (const auto& change : options.unwrapChanges) change(session.document.settings);
    unwrapModel(session, ui);
  }
  if (options.lockAfterChange)
    if (const int status = endLayoutChange(session, ui, *options.lockAfterChange, err); status != kOk)
      return status;
  out << session.document.reportText;

  if (!options.texturePath.empty()) {
    // The scale question is answered Yes: the texture is meant for this layout.
    ui.setChoices(options.texturePath, "", true);
    const bool imported = controller.importTexture();
    ui.setChoices("", "");
    if (!imported) return kFileError;
  }

  if (!options.paintScripts.empty() || options.sources.any()) {
    const auto [width, height] = options.viewSize.value_or(kDefaultViewSize);
    const PaintRun run =
        runPaintScripts(session, controller, ui, prefs, options.paintScripts, options.brush,
                        options.sources, {width, height, options.yaw, options.pitch}, out);
    if (run == PaintRun::imageNotLoaded) return kFileError;
    if (run == PaintRun::noAnchor) {
      err << "--anchor " << options.sources.anchor->first << "," << options.sources.anchor->second
          << ": the model is not there, or is seen edge-on\n";
      return kUsageError;
    }
  }

  int status = kOk;
  if (!options.uvPicturePath.empty()) {
    const Image picture =
        uvLayoutImage(session.document.workModel, session.document.settings.layoutWidth,
                      session.document.settings.layoutHeight);
    if (!savePicture(options.uvPicturePath, picture.pixels, picture.width, picture.height)) {
      err << "Cannot write " << options.uvPicturePath << "\n";
      status = kFileError;
    }
  }
  if (!options.renderPath.empty() && !writeRenderedView(session.document, options, ui, out, err))
    status = kFileError;
  if (!options.exportPath.empty()) {
    const std::string earlier = ui.takeNote();
    if (!earlier.empty()) err << earlier << "\n";
    ui.setChoices("", options.exportPath);
    const int problemsBefore = ui.problems();
    // A failed script or .tex leaves the export standing but the run counts as failed.
    if (!controller.exportToSeriousSam() || ui.problems() != problemsBefore) status = kFileError;
    const std::string report = ui.takeNote();
    if (!report.empty()) out << report << "\n";
  }
  ui.setChoices("", options.savePath);
  if (!options.savePath.empty() && !controller.saveAs(false)) status = kFileError;
  const std::string note = ui.takeNote();
  if (!note.empty()) err << note << "\n";
  return status;
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
