// Opening any file as a project either works or says why; it never crashes, and a refused
// file leaves the open project usable.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/controller.h"
#include "app/quiet_ui.h"
#include "base/file_io.h"
#include "fuzz/model_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/quillmap_fuzz_" + std::to_string(::getpid()) + ".qmap";
  if (!writeFileBytes(path, data, size)) return 0;
  Session session;
  QuietUi ui;
  Preferences prefs;
  PreferencesFile prefsFile("");
  Controller controller(session, ui, prefs, prefsFile, "");
  if (controller.openProject(path)) {
    checkModelConsistent(session.document.workModel);
    checkModelConsistent(session.document.sourceModel);
    const Texture& t = session.document.texture;
    if (t.TexturePixels.size() != static_cast<size_t>(t.TextureWidth * t.TextureHeight)) std::abort();
    if (session.document.layers.count() != session.document.workModel.layerCount()) std::abort();
  }
  return 0;
}
