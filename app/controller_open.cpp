// Opening models and projects. The file is read (and a model unwrapped) on the worker into
// fresh copies; the open project changes only when that has ended well, so a file that fails
// or an open that is cancelled leaves it exactly as it was.
#include "app/controller.h"
#include "app/layout_change.h"
#include "app/unwrap_driver.h"
#include "base/file_io.h"
#include "model/readers.h"
#include "project/project_file.h"

namespace {

constexpr const char* kModelFilter = "3D models (*.3ds;*.obj)|*.3ds;*.obj|All files (*.*)|*.*";
constexpr const char* kOpenFilter =
    "Projects and models (*.qmap;*.3ds;*.obj)|*.qmap;*.3ds;*.obj|Projects (*.qmap)|*.qmap|"
    "3D models (*.3ds;*.obj)|*.3ds;*.obj|All files (*.*)|*.*";

// What the project opens without or with in its place, for one message; empty when all is
// there.
std::string openingProblems(const ProjectRecord& record) {
  std::string text;
  auto paragraph = [&](const std::string& line) { text += (text.empty() ? "" : "\n\n") + line; };
  if (record.sourceFromWorkModel)
    paragraph(
        "The project's source.bin (the model as read from its file) is missing or damaged; the "
        "unwrapped model takes its place.");
  const std::vector<UnreadImage>& unread = record.unreadImages;
  if (unread.empty()) return text;
  std::string lines;
  bool painting = false;
  for (const UnreadImage& image : unread) {
    lines += "The project's " + image.entry + " could not be read: " + image.why + ".\n";
    painting |= image.entry == "texture.png";
  }
  lines += unread.size() == 1 ? "It opens without that image." : "It opens without those images.";
  if (painting) lines += "\nSaving it now stores the project without its painted texture.";
  paragraph(lines);
  return text;
}

}  // namespace

// ---- Opening -------------------------------------------------------------------------------

bool Controller::openFile(const std::string& path) {
  settle();
  if (!fileFacts(path).exists) {
    ui_.message(kProgramName, "File not found:\n" + path, Icon::warning, Buttons::ok);
    return false;
  }
  const std::string ext = lowerExtension(path);
  if (ext != "qmap" && ext != "3ds" && ext != "obj") {
    ui_.message(kProgramName, "Only projects (.qmap) and models (.3ds, .obj) can be opened.",
                Icon::warning, Buttons::ok);
    return false;
  }
  // After a save the guard asked for, which may still run in the background.
  auto opened = std::make_shared<bool>(false);
  const bool allowed = allowDiscard([this, path, ext, opened] {
    *opened = ext == "qmap" ? openProject(path) : openModel(path);
  });
  return *opened || (allowed && jobs_->busy());
}

bool Controller::openModel(const std::string& path) {
  struct Job {
    UnwrapSettings settings;
    Model source;
    ReadResult read;
    UnwrapResult result;
  };
  auto job = std::make_shared<Job>();
  job->settings = s_.document.settings;
  job->settings.mirrorAxis = MirrorAxis::off;
  job->settings.upAxisChoice = lowerExtension(path) == "obj" ? UpAxis::y : UpAxis::z;
  // Run at once, the unwrap shows its progress where the Ui wants it (the batch mode's).
  Progress* watcher = jobs_->async() ? nullptr : ui_.unwrapProgress();
  auto opened = std::make_shared<bool>(false);
  jobs_->start(
      JobKind::open,
      [job, path, watcher](Progress& progress) {
        checkpoint(&progress, ProgressStage::start, 0);
        job->read = readModelFile(path, job->source);
        if (!job->read.ok || job->source.triangles.empty()) return;
        job->result = unwrapSourceModel(job->source, job->settings, watcher ? watcher : &progress);
        if (job->result.cancelled) throw WorkCancelled{};
      },
      [this, job, path, opened](bool cancelled) {
        if (cancelled) {
          ui_.status(kStatusNote, kOpenCancelledNote);
        } else if (!job->read.ok) {
          error("Could not open the model:\n" + job->read.message);
        } else {
          takeOpenedModel(path, std::move(job->settings), std::move(job->source),
                          std::move(job->result));
          *opened = true;
        }
      });
  return *opened || jobs_->busy();
}

void Controller::takeOpenedModel(const std::string& path, UnwrapSettings settings, Model source,
                                 UnwrapResult unwrapped) {
  Document& d = s_.document;
  d.sourceModel = std::move(source);
  d.settings = settings;
  const FileFacts facts = fileFacts(path);
  d.modelPath = path;
  d.sourceSize = facts.size;
  d.sourceDate = facts.modified;
  prefs_.lastDir = folderOf(path);
  prefsFile_.writeText("LastDir", prefs_.lastDir);
  d.projectPath.clear();
  d.exportPath.clear();
  d.layoutLocked = false;
  dropLayoutChange(s_);
  d.texture.clear(folderOf(path));
  d.stencil = StencilState{};
  d.pattern.anchorFace = -1;
  resizeLayerState(d.layers, 0);
  resizeLayerState(d.layers, d.sourceModel.layerCount());
  d.layers.curLayer = 0;
  ui_.status(kStatusNote, "");
  changes_.controls = true;
  d.view.camera.dist = 0;  // not framed: the 3D view frames the new model when it shows it
  if (d.sourceModel.triangles.empty())
    changes_ |= unwrapModel(s_, ui_);  // a model without triangles is no model to show
  else
    changes_ |= takeUnwrap(s_, ui_, std::move(unwrapped), std::nullopt);
  d.projectChanged = true;
  addRecent(prefs_, prefsFile_, path);
}

bool Controller::openProject(const std::string& path) {
  std::string archivePath = path;
  bool fromAutosave = false;
  const FileFacts autosave = fileFacts(path + ".autosave");
  if (autosave.exists && autosave.size >= 1 && autosave.modified > fileFacts(path).modified &&
      ui_.message(kProgramName,
                  "There is an autosave of this project that is newer than the saved project.\n"
                  "Probably the program was closed without saving.\n\nOpen the autosave?",
                  Icon::information, Buttons::yesNo) == Answer::yes) {
    archivePath = path + ".autosave";
    fromAutosave = true;
  }
  return loadProject(path, archivePath, fromAutosave, true, [this] {
    changes_.reopen3d = true;  // an open 3D window starts again on the project
  });
}

bool Controller::loadProject(const std::string& path, const std::string& archivePath,
                             bool fromAutosave, bool remember, std::function<void()> loaded) {
  struct Job {
    ViewState shownView;  // a copy: the 3D window may change its own meanwhile
    ProjectReadError problem = ProjectReadError::none;
    std::optional<ProjectRecord> record;
  };
  auto job = std::make_shared<Job>(Job{s_.document.view, {}, {}});
  auto opened = std::make_shared<bool>(false);
  jobs_->start(
      JobKind::open,
      [job, archivePath](Progress& progress) {
        checkpoint(&progress, ProgressStage::start, 0);
        job->record = readProjectFile(archivePath, job->shownView, job->problem);
        checkpoint(&progress, ProgressStage::done, 1);
      },
      [this, job, path, fromAutosave, remember, loaded, opened](bool cancelled) {
        if (cancelled) {
          ui_.status(kStatusNote, kOpenCancelledNote);
          return;
        }
        *opened = takeProject(path, job->problem, std::move(job->record), fromAutosave, remember);
        if (*opened && loaded) loaded();
      });
  return *opened || jobs_->busy();
}

bool Controller::takeProject(const std::string& path, ProjectReadError problem,
                             std::optional<ProjectRecord> record, bool fromAutosave,
                             bool remember) {
  if (!record) {
    error(problem == ProjectReadError::cannotOpen ? "Cannot open " + path
                                                  : path + " is not a valid project file.");
    return false;
  }
  const std::string problems = openingProblems(*record);
  takeProjectRecord(s_, std::move(*record));
  if (!problems.empty()) ui_.message(kProgramName, problems, Icon::warning, Buttons::ok);
  s_.document.projectPath = path;
  s_.document.projectChanged = fromAutosave;
  s_.document.texture.markSaved();
  s_.mainWindow.autosaveTicks = 0;
  if (remember) rememberProject(path);
  showOpenedProject(path);
  return true;
}

void Controller::showOpenedProject(const std::string& path) {
  const Document& d = s_.document;
  ui_.status(kStatusFile, fileNameOf(path));
  ui_.status(kStatusCounts, std::to_string(d.workModel.triangleCount()) + " triangles, " +
                                std::to_string(d.workModel.materialCount()) + " surfaces");
  ui_.status(kStatusNote, "");
  const FileFacts model = fileFacts(d.modelPath);
  if (model.exists && (model.size != d.sourceSize || model.modified != d.sourceDate))
    ui_.status(kStatusNote,
               "Note: " + fileNameOf(d.modelPath) + " has changed since this project was made.");
  changes_ |= {.controls = true, .report = true, .uvView = true, .title = true, .view3d = true};
}

void Controller::rememberProject(const std::string& path) {
  prefs_.lastProjectDir = folderOf(path);
  prefsFile_.writeText("LastProjectDir", prefs_.lastProjectDir);
  addRecent(prefs_, prefsFile_, path);
}

bool Controller::newProjectDialog() {
  const std::string path =
      ui_.chooseOpen({"New project from a 3D model", prefs_.lastDir, "", kModelFilter});
  return !path.empty() && openFile(path);
}

bool Controller::openDialog() {
  const std::string path = ui_.chooseOpen({"Open", prefs_.lastProjectDir, "", kOpenFilter});
  return !path.empty() && openFile(path);
}

bool Controller::openRecent(int index) {
  if (index < 0 || index >= static_cast<int>(prefs_.recentFiles.size())) return false;
  // A copy: opening rewrites the list this entry lives in.
  const std::string path = prefs_.recentFiles[static_cast<size_t>(index)];
  return !path.empty() && openFile(path);
}

void Controller::openAtStart(const std::vector<std::string>& args) {
  if (!args.empty())
    openFile(args.front());
  else
    offerUntitledAutosave();
}

bool Controller::offerUntitledAutosave() {
  settle();
  if (prefsFolder_.empty()) return false;
  const std::string path = prefsFolder_ + "untitled.autosave.qmap";
  const FileFacts facts = fileFacts(path);
  if (!facts.exists || facts.size < 1) return false;
  if (ui_.message(kProgramName, "There is an autosave of a project that was never saved.\nOpen it?",
                  Icon::information, Buttons::yesNo) != Answer::yes) {
    removeRegularFile(path);
    return false;
  }
  return loadProject(path, path, false, false, [this, path] {
    changes_.reopen3d = true;
    // The restored work was never saved: its next save asks for a name, and until then it
    // keeps autosaving to this same file.
    s_.document.projectPath.clear();
    s_.document.projectChanged = true;
    ui_.status(kStatusFile, fileNameOf(s_.document.modelPath));
  });
}
