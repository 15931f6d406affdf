#include "app/export_job.h"

#include <deque>
#include <filesystem>
#include <new>
#include <optional>

#include "app/preferences.h"
#include "base/file_io.h"
#include "export/pad.h"
#include "export/script.h"
#include "export/tex.h"
#include "export/uv_layout.h"
#include "export/write3ds.h"
#include "image/image.h"

namespace {

namespace fs = std::filesystem;

// A file written under a temporary name; `place` is where it goes: the path itself, or the
// file a link at the path leads to, since a file written in place would go there too.
struct Staged {
  std::string place, temporary;
  bool written = false;
};

// The temporary files of one export. Those not moved into place are removed when it goes, so
// that a stop (WorkCancelled) or a failure leaves nothing behind.
class Staging {
 public:
  Staging() = default;
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;
  ~Staging() {
    for (const Staged& file : files_)
      if (!file.temporary.empty()) removeRegularFile(file.temporary);
  }

  Staged& add(const std::string& path) {
    std::error_code ec;
    std::string place = path;
    if (fs::is_symlink(path, ec) && fs::exists(path, ec)) place = fs::canonical(path, ec).string();
    if (ec || place.empty()) place = path;
    return files_.emplace_back(Staged{place, temporaryNameFor(place)});
  }

  // Moves a written file into place, with the permissions of the file it replaces. False when
  // it was not written or cannot be moved (its temporary file is then removed).
  bool commit(Staged& file) {
    if (!file.written) return false;
    std::error_code ec;
    const fs::file_status old = fs::status(file.place, ec);
    if (!ec && fs::is_regular_file(old)) fs::permissions(file.temporary, old.permissions(), ec);
    fs::rename(file.temporary, file.place, ec);
    if (ec) return false;
    file.temporary.clear();
    return true;
  }

 private:
  std::deque<Staged> files_;  // a deque: add() hands out references that stay valid
};

// The script beside the .3ds, naming the model by its place in the Serious Sam folder; the
// problem that keeps it from being written, "" when it was.
std::string stageScript(const ExportInputs& in, Staged& file) {
  std::string root = findSeriousSamFolder(in.plan.modelPath);
  if (root.empty()) root = in.seriousSamRoot;
  const ScriptPlace place = placeInSeriousSam(in.plan.modelPath, root);
  if (!place.ok) return place.message;
  const ScriptWrite written = writeScript(file.temporary, place.directory, place.name,
                                          in.layoutWidth, in.layoutHeight, in.plan.scriptPath);
  file.written = written.ok;
  return written.message;
}

// The Texture's padded copy; nothing when memory is short. The Texture itself stays as painted.
std::optional<Image> paddedTexture(const ExportInputs& in, Progress* progress) {
  try {
    Image padded;
    padded.width = static_cast<int>(in.textureWidth);
    padded.height = static_cast<int>(in.textureHeight);
    padded.pixels = padTexture(&in.workModel, in.texture, in.textureWidth, in.textureHeight, progress);
    return padded;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

// The .tga and .tex of the padded texture, as the plan asks; the .tex's outcome.
TexWrite stageTextures(const ExportInputs& in, Staged* tga, Staged* tex, Progress* progress) {
  const std::optional<Image> padded = paddedTexture(in, progress);
  checkpoint(progress, ProgressStage::writing, 0);
  if (tga && padded) {
    try {
      tga->written = writeTga(*padded, tga->temporary, false);
    } catch (const std::bad_alloc&) {
    }
  }
  if (!tex) return {};
  checkpoint(progress, ProgressStage::writing, 0.4);
  if (!padded) return {false, false, "Not enough memory to write " + in.plan.texPath};
  const MexSize mex = expectedMex(in.layoutWidth, in.layoutHeight);
  const TexWrite written = writeTex(padded->pixels, in.textureWidth, in.textureHeight,
                                    tex->temporary, mex.width, mex.height, in.plan.texPath);
  tex->written = written.ok;
  return written;
}

void stageUvPicture(const ExportInputs& in, Staged& file) {
  try {
    const Image picture = uvLayoutImage(in.workModel, in.layoutWidth, in.layoutHeight);
    const std::vector<uint8_t> png = encodePng(picture, false);
    file.written =
        !png.empty() && writeWholeFile(file.temporary, png.data(), png.size()) == FileWrite::ok;
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace

std::string temporaryNameFor(const std::string& path) {
  std::string name = path + ".tmp";
  std::error_code ec;
  for (int n = 2; fs::exists(fs::symlink_status(name, ec)); ++n)
    name = path + ".tmp" + std::to_string(n);
  return name;
}

ExportOutcome writeExport(const ExportInputs& in, Progress* progress) {
  const ExportPlan& plan = in.plan;
  ExportOutcome out;
  Staging files;
  checkpoint(progress, ProgressStage::start, 0);
  Staged& model = files.add(plan.modelPath);
  const Encoded3ds encoded = write3ds(in.workModel, model.temporary, plan.modelPath);
  if (!encoded.ok) {
    out.modelMessage = encoded.message;
    return out;
  }
  model.written = true;
  out.leftOut = encoded.leftOut;

  Staged* script = plan.scriptPath.empty() ? nullptr : &files.add(plan.scriptPath);
  Staged* tga = plan.tgaPath.empty() ? nullptr : &files.add(plan.tgaPath);
  Staged* tex = plan.texPath.empty() ? nullptr : &files.add(plan.texPath);
  Staged* uv = plan.uvPicturePath.empty() ? nullptr : &files.add(plan.uvPicturePath);
  checkpoint(progress, ProgressStage::start, 0.5);
  std::string scriptProblem = script ? stageScript(in, *script) : "";
  const TexWrite texWritten = tga || tex ? stageTextures(in, tga, tex, progress) : TexWrite{};
  checkpoint(progress, ProgressStage::writing, 0.8);
  if (uv) stageUvPicture(in, *uv);
  // The last point where a stop leaves every file as it was.
  checkpoint(progress, ProgressStage::writing, 1);

  if (!files.commit(model)) {
    out.modelMessage = "Kan bestand niet schrijven: " + plan.modelPath;
    return out;
  }
  out.done = true;
  out.report = "Exported " + plan.fileName;
  if (script) {
    if (script->written && !files.commit(*script)) scriptProblem = "Cannot write " + plan.scriptPath;
    if (scriptProblem.empty())
      out.report += " + .scr";
    else
      out.warnings.push_back("The model is exported, but the script (.scr) is not:\n\n" +
                             scriptProblem);
  }
  if (tga && files.commit(*tga)) out.report += " + .tga";
  if (tex) {
    std::string problem = texWritten.message;
    if (texWritten.ok && !files.commit(*tex)) problem = "Cannot write " + plan.texPath;
    if (problem.empty())
      out.report += std::string(" + .tex") + (texWritten.scaled ? " (scaled down to max. 1024)" : "");
    else
      out.warnings.push_back("The .tex texture is not written:\n\n" + problem);
  }
  if (uv && files.commit(*uv)) out.report += " + UV layout";
  return out;
}
