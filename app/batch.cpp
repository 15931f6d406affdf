#include "app/batch.h"

#include <charconv>
#include <filesystem>
#include <optional>
#include <ostream>

#include "app/session.h"
#include "app/ui.h"
#include "app/unwrap_driver.h"
#include "base/file_io.h"
#include "export/uv_layout.h"
#include "image/image.h"
#include "model/readers.h"

namespace {

constexpr const char* kUsage =
    "Usage: quillmap --batch MODEL [options]   unwrap a .3ds or .obj model and print its report\n"
    "       quillmap --help                    show this text\n"
    "       quillmap --version                 show the version\n"
    "Options of --batch:\n"
    "  --size WxH        texture size, powers of 2 from 32 to 2048 (default 512x512)\n"
    "  --mapping MODE    keep, exact or smooth (default exact)\n"
    "  --angle N         max. angle between faces, 1 to 89 degrees (default 40)\n"
    "  --margin N        margin in pixels, 0 to 64 (default 4)\n"
    "  --stretch N       max. stretch % for smooth mapping, 1 to 1000 (default 30)\n"
    "  --rotate MODE     turn pieces: no, lying or all (default lying)\n"
    "  --up AXIS         z or y (default y for .obj files, z for others)\n"
    "  --mirror AXIS     none, x (left - right), z (front - back) or y (up - down)\n"
    "  --no-combine      do not combine pieces into fewer surfaces\n"
    "  --per-layer       unwrap per layer (layers = surfaces)\n"
    "  --uv-png FILE     write the UV layout picture at the texture size\n";

enum Status { kOk = 0, kUsageError = 1, kFileError = 2 };

// Boxes go to the error stream; questions are answered No, since nobody is there to ask.
class BatchUi : public Ui {
 public:
  explicit BatchUi(std::ostream& err) : err_(err) {}
  Answer message(const std::string&, const std::string& text, Icon, Buttons buttons) override {
    err_ << text << "\n";
    return buttons == Buttons::ok ? Answer::ok : Answer::no;
  }
  std::string chooseOpen(const FileDialog&) override { return ""; }
  std::string chooseSave(const FileDialog&) override { return ""; }
  void status(int, const std::string&) override {}
  void refreshControls() override {}
  void refreshViews() override {}

 private:
  std::ostream& err_;
};

struct BatchOptions {
  std::string modelPath;
  UnwrapSettings settings;
  std::optional<int> upAxis;
  std::string uvPicturePath;
};

std::optional<int> wholeNumber(const std::string& text, int low, int high) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
    return std::nullopt;
  return value;
}

bool isTextureSide(int n) { return n >= 32 && n <= 2048 && (n & (n - 1)) == 0; }

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
  UnwrapSettings& s = options.settings;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    const std::string value = hasValue ? args[i + 1] : "";
    auto takeValue = [&]() { ++i; };
    if (arg == "--no-combine") {
      s.mergeSurfaces = false;
    } else if (arg == "--per-layer") {
      s.layerUnwrap = true;
    } else if (arg.starts_with("--")) {
      if (!hasValue) return arg + " needs a value";
      takeValue();
      if (arg == "--size") {
        const size_t x = value.find('x');
        const auto w = x == std::string::npos ? std::nullopt : wholeNumber(value.substr(0, x), 32, 2048);
        const auto h = x == std::string::npos ? std::nullopt : wholeNumber(value.substr(x + 1), 32, 2048);
        if (!w || !h || !isTextureSide(*w) || !isTextureSide(*h))
          return "--size accepts WxH with powers of 2 from 32 to 2048, e.g. 512x256";
        s.layoutWidth = *w;
        s.layoutHeight = *h;
      } else if (arg == "--mapping") {
        const auto mode = choice(value, {"keep", "exact", "smooth"});
        if (!mode) return "--mapping accepts keep, exact or smooth";
        s.mapMode = static_cast<MapMode>(*mode);
      } else if (arg == "--angle") {
        const auto n = wholeNumber(value, 1, 89);
        if (!n) return "--angle accepts a whole number of degrees from 1 to 89";
        s.maxAngle = *n;
      } else if (arg == "--margin") {
        const auto n = wholeNumber(value, 0, 64);
        if (!n) return "--margin accepts a whole number of pixels from 0 to 64";
        s.margin = *n;
      } else if (arg == "--stretch") {
        const auto n = wholeNumber(value, 1, 1000);
        if (!n) return "--stretch accepts a whole number of percent from 1 to 1000";
        s.maxStretch = *n;
      } else if (arg == "--rotate") {
        const auto mode = choice(value, {"no", "lying", "all"});
        if (!mode) return "--rotate accepts no, lying or all";
        s.rotateMode = *mode;
      } else if (arg == "--up") {
        const auto axis = choice(value, {"z", "y"});
        if (!axis) return "--up accepts z or y";
        options.upAxis = *axis;
      } else if (arg == "--mirror") {
        const auto axis = choice(value, {"none", "x", "z", "y"});
        if (!axis) return "--mirror accepts none, x, z or y";
        s.mirrorAxis = *axis;
      } else if (arg == "--uv-png") {
        options.uvPicturePath = value;
      } else {
        return "Unknown option " + arg;
      }
    } else if (options.modelPath.empty()) {
      options.modelPath = arg;
    } else {
      return "Only one model can be given";
    }
  }
  if (options.modelPath.empty()) return std::string("--batch needs a model file");
  return std::nullopt;
}

int runBatch(const BatchOptions& options, std::ostream& out, std::ostream& err) {
  const std::string& path = options.modelPath;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    err << "File not found:\n" << path << "\n";
    return kFileError;
  }
  Session session;
  session.settings = options.settings;
  const ReadResult result = readModelFile(path, session.sourceModel);
  if (!result.ok) {
    err << "Could not open the model:\n" << result.message << "\n";
    return kFileError;
  }
  // As a new project from this model: layers start fresh and the up axis follows the format.
  session.modelPath = path;
  resizeLayerState(session.layers, session.sourceModel.layerCount());
  session.settings.upAxisChoice = options.upAxis.value_or(lowerExtension(path) == "obj" ? 1 : 0);

  BatchUi ui(err);
  unwrapModel(session, ui);
  out << session.reportText;

  if (!options.uvPicturePath.empty()) {
    const Image picture = uvLayoutImage(session.workModel, session.settings.layoutWidth,
                                        session.settings.layoutHeight);
    if (!savePicture(options.uvPicturePath, picture.pixels, picture.width, picture.height)) {
      err << "Cannot write " << options.uvPicturePath << "\n";
      return kFileError;
    }
  }
  return kOk;
}

}  // namespace

int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() == 1 && args[0] == "--help") {
    out << kUsage;
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
  err << kUsage;
  return kUsageError;
}
