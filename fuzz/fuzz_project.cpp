// Opening a project file over an open project either works or says why; it never crashes.
// The input is a list of archive entries (fuzz/project_input.h), packed here into a valid ZIP
// archive so that project.ini, the model snapshots and the image decoders see the mutations.
// Every run starts from the same opened project: a refused file must leave it exactly as it
// was, and a project that opens must be safe to use and save as it was read.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/controller.h"
#include "app/quiet_ui.h"
#include "fuzz/model_checks.h"
#include "fuzz/project_input.h"

namespace {

// No flush to disk: the files are rewritten thousands of times a second and never kept.
bool noSync(int) { return true; }

struct OpenedProject {
  std::string path = "/tmp/quillmap_fuzz_" + std::to_string(::getpid()) + ".qmap";
  Session session;
  QuietUi ui;
  Preferences prefs;
  PreferencesFile prefsFile{""};
  Controller controller{session, ui, prefs, prefsFile, ""};
  Session opened;  // what every run starts from

  OpenedProject() {
    const ProjectRecord sample =
        sampleProject(genTwoObjects(), encodePng(Image(3, 2, rgba(1, 2, 3, 4)), true), "png",
                      encodeBmp(Image(2, 2, rgba(9, 8, 7))), "bmp");
    if (writeZipArchive(path, writeProjectEntries(sample), noSync) != ArchiveWrite::ok ||
        !controller.openProject(path))
      std::abort();
    opened = session;
  }
};

ProjectEntries entriesOf(const std::vector<ArchiveEntry>& written) {
  ProjectEntries entries;
  for (const ArchiveEntry& e : written) entries[e.name] = e.bytes;
  return entries;
}

bool sameEntries(const std::vector<ArchiveEntry>& a, const std::vector<ArchiveEntry>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const ArchiveEntry& x, const ArchiveEntry& y) {
                      return x.name == y.name && x.bytes == y.bytes && x.ok && y.ok;
                    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static OpenedProject p;
  p.session = p.opened;
  // An entry libarchive cannot write (an empty name) is left out; the rest is still a project.
  writeZipArchive(p.path, splitProjectInput(data, size), noSync);
  if (!p.controller.openProject(p.path)) {
    if (!sameEntries(projectEntriesOf(p.session), projectEntriesOf(p.opened)) ||
        p.session.document.projectPath != p.opened.document.projectPath)
      std::abort();
    return 0;
  }
  const Document& d = p.session.document;
  checkModelConsistent(d.workModel);
  checkModelConsistent(d.sourceModel);
  const Texture& t = d.texture;
  if (t.pixels().size() != static_cast<size_t>(t.width() * t.height())) std::abort();
  if (d.layers.count() != d.workModel.layerCount()) std::abort();
  if (d.pattern.anchorFace >= d.workModel.triangleCount()) std::abort();
  // What Cancel would bring back fits the project as well.
  const LayoutChange& change = p.session.layoutChange;
  if (change.layoutChanging) {
    checkModelConsistent(change.before.model);
    if (change.before.model.triangleCount() != d.workModel.triangleCount() ||
        change.before.layers.count() != change.before.model.layerCount() || d.layoutLocked)
      std::abort();
  }
  // Saving what was read and opening that again changes nothing more: every value was already
  // brought into its range and every image kept as it came. The one known change: an empty
  // source model (no "source.bin") comes back with the layer every read snapshot gets.
  Session saving = p.session;
  modelEnsureLayer(saving.document.sourceModel);
  const std::vector<ArchiveEntry> saved = projectEntriesOf(saving);
  const std::optional<ProjectRecord> again = readProjectEntries(entriesOf(saved), d.view);
  if (!again || !sameEntries(writeProjectEntries(*again), saved)) std::abort();
  return 0;
}
