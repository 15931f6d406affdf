#include "app/thumbnail.h"

#include <sys/resource.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <ostream>

#include "app/batch_run.h"
#include "app/render_inputs.h"
#include "app/session.h"
#include "base/file_io.h"
#include "model/readers.h"
#include "render/camera.h"
#include "render/view.h"

namespace {

// Renders at twice the size and averages each 2 × 2 block, so the edges of a small picture
// are smooth.
constexpr int kSupersample = 2;

// The document of the project or model at `path`; false (with `why`) when it has none.
bool openForThumbnail(const std::string& path, Session& session, std::string& why) {
  Document& d = session.document;
  if (lowerExtension(path) == "qmap") {
    ProjectReadError error = ProjectReadError::none;
    std::optional<ProjectRecord> record = readProjectFile(path, ViewState{}, error);
    if (!record) {
      why = error == ProjectReadError::cannotOpen ? "not a readable archive" : "not a project";
      return false;
    }
    takeProjectRecord(session, std::move(*record));
  } else {
    const ReadResult read = readModelFile(path, d.workModel);
    if (!read.ok) {
      why = read.message;
      return false;
    }
    modelToYUp(d.workModel);
    d.modelLoaded = true;
  }
  if (d.workModel.triangles.empty()) {
    why = "no triangles";
    return false;
  }
  return true;
}

// The 2 × 2 blocks of `big` averaged, each pixel weighted by its alpha.
Image shrunk(const Image& big) {
  Image small(big.width / kSupersample, big.height / kSupersample);
  for (int y = 0; y < small.height; ++y)
    for (int x = 0; x < small.width; ++x) {
      uint32_t sum[4] = {};
      for (int dy = 0; dy < kSupersample; ++dy)
        for (int dx = 0; dx < kSupersample; ++dx) {
          const uint32_t p = big.at(x * kSupersample + dx, y * kSupersample + dy);
          const uint32_t a = p >> 24;
          for (int c = 0; c < 3; ++c) sum[c] += (p >> (8 * c) & 0xFF) * a;
          sum[3] += a;
        }
      if (sum[3] == 0) continue;
      small.at(x, y) = rgba(sum[0] / sum[3], sum[1] / sum[3], sum[2] / sum[3],
                            sum[3] / (kSupersample * kSupersample));
    }
  return small;
}

// The size argument: a whole number within kThumbnailSides.
std::optional<int> thumbnailSide(const std::string& text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !kThumbnailSides.contains(value))
    return std::nullopt;
  return value;
}

// Ends the process (SIGALRM) after kThumbnailSeconds and makes allocations beyond
// kThumbnailMemoryBytes fail, which the program meets as std::bad_alloc.
void limitThumbnailWork() {
  alarm(kThumbnailSeconds);
#if !defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer reserves far more address space than it uses.
  const rlimit memory{kThumbnailMemoryBytes, kThumbnailMemoryBytes};
  setrlimit(RLIMIT_AS, &memory);
#endif
}

}  // namespace

std::optional<Image> thumbnailOf(const std::string& path, int size, std::string& why) {
  std::error_code ec;
  const auto bytes = std::filesystem::file_size(path, ec);
  if (ec) {
    why = "cannot read the file";
    return std::nullopt;
  }
  if (bytes > kThumbnailFileBytes) {
    why = "larger than " + std::to_string(kThumbnailFileBytes >> 20) + " MB";
    return std::nullopt;
  }
  Session session;
  if (!openForThumbnail(path, session, why)) return std::nullopt;
  const Document& d = session.document;
  const Framing framing = frameModel(d.workModel);
  const Image noTestPattern;  // neither view mode shows it
  RenderInputs in = renderInputsOf(d, framing, resetCamera(framing), noTestPattern);
  in.mode = d.texture.width() > 0 ? ViewMode::texture : ViewMode::surfaceColours;
  in.edges = false;
  View3D view;
  const int side = size * kSupersample;
  renderView(view, side, side, d.workModel, in);
  // The model opaque, the background transparent.
  Image picture = std::move(view.viewColour);
  for (size_t i = 0; i < picture.pixels.size(); ++i)
    picture.pixels[i] = view.viewTriangle[i] < 0 ? 0 : picture.pixels[i] | 0xFF000000u;
  return shrunk(picture);
}

int runThumbnail(const std::vector<std::string>& args, std::ostream& err) {
  const std::optional<int> size = args.size() == 3 ? thumbnailSide(args[2]) : std::nullopt;
  if (!size) {
    err << "--thumbnail needs INPUT OUTPUT SIZE, the size from " << rangeText(kThumbnailSides)
        << "\n";
    return kUsageError;
  }
  limitThumbnailWork();
  std::string why;
  std::optional<Image> picture;
  try {
    picture = thumbnailOf(args[0], *size, why);
  } catch (const std::bad_alloc&) {
    why = "more memory than a thumbnail may take";
  }
  if (!picture) {
    err << "No thumbnail of " << args[0] << ": " << why << "\n";
    return kFileError;
  }
  // The picture is whole: nothing may stop the writing half-way.
  alarm(0);
  const std::vector<uint8_t> png = encodePng(*picture, true);
  if (writeWholeFile(args[1], png.data(), png.size()) != FileWrite::ok) {
    err << "Cannot write " << args[1] << "\n";
    return kFileError;
  }
  return kOk;
}
