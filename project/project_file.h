// A project as plain data, and its form inside a .qmap archive: "project.ini" with every key,
// the two model snapshots, the painted Texture as PNG, and the stencil and pattern images as
// the files they were loaded from. Reading brings every value into the range of its control.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "image/image.h"
#include "model/model.h"
#include "paint/paint_state.h"
#include "project/archive.h"
#include "unwrap/unwrap.h"

// A layout change that was under way when the project was saved: what "Cancel" brings back.
// Only a project saved during a change has one; older programs open such a project locked on
// the new layout, as they always did.
// The layout before a change, without the Texture: what "Cancel" brings back of the document,
// kept alike in the running change and in a project saved during one.
struct LayoutBefore {
  Model model;              // "model_before.bin": the workModel when the change started
  UnwrapSettings settings;  // the settings keys + "Before"
  std::string reportText;   // "InfoBefore"
  UnwrapStats stats;        // as far as "InfoBefore" tells them
  LayerState layers;        // the layer keys + "Before", one entry per layer of model

  bool operator==(const LayoutBefore&) const = default;
};

struct LayoutChangeRecord {
  bool paintingFollows = false;  // "PaintingFollows"
  LayoutBefore before;
  Image texture;  // "texture_before.png": the Texture then; width 0 = none

  bool operator==(const LayoutChangeRecord&) const = default;
};

// An image entry that is there but holds no image the project can use, and why.
struct UnreadImage {
  std::string entry;  // "texture.png", "stencil.png", ...
  std::string why;    // for the user: "larger than 8192 pixels", "the file is damaged", ...

  bool operator==(const UnreadImage&) const = default;
};

// What a project holds that the open document keeps as it is: the Document is one of these,
// the project reader fills one and the writer reads one, so nothing is copied in between.
struct ProjectContent {
  // "source.bin": as read from the model file. When that entry is missing, unreadable or
  // holds no triangle, a stand-in made from the workModel (sourceFromWorkModel set).
  Model sourceModel;
  Model workModel;    // "model.bin": Y-up and unwrapped
  UnwrapSettings settings;
  // Of the last unwrap. The file keeps only the report, so a project read back knows no more
  // than the report says: whether the pieces fit.
  UnwrapStats stats;
  std::string reportText;   // "Info": the report of the last unwrap, several lines

  std::string modelPath;    // "Source": the model file the project was made from
  int64_t sourceSize = 0;   // its size and modification time (seconds) when it was read
  int64_t sourceDate = 0;
  std::string exportPath;   // "ExportFile"
  // "Locked"; a painted texture also locks on reading. The file also says "Locked" during a
  // layout change, so that an older program opens the new layout locked.
  bool layoutLocked = false;

  StencilState stencil;
  PatternState pattern;
  ViewState view;
  LayerState layers;  // one colour, hidden and locked flag per layer of the workModel

  bool operator==(const ProjectContent&) const = default;
};

// What the project file holds beside the content: the Texture as an image, and a layout
// change under way. The document keeps these in its own form (the Texture with its undo
// store, the change with its backups).
struct ProjectExtras {
  Image texture;  // "texture.png": the painted Texture with alpha bits 0; width 0 = none
  std::string textureFile;  // "TextureFile": the Texture's last image file or folder
  // "LayoutChanging": the change under way; the workModel, settings and texture are then
  // those of the new layout.
  std::optional<LayoutChangeRecord> layoutChange;

  bool operator==(const ProjectExtras&) const = default;
};

// A project as read.
struct ProjectRecord : ProjectContent, ProjectExtras {
  // The texture, stencil and pattern entries that are there but hold no image the project
  // can use (it opens without them), in that order.
  std::vector<UnreadImage> unreadImages;
  bool sourceFromWorkModel = false;

  bool operator==(const ProjectRecord&) const = default;
};

// Entries by name, as readZipArchive gives them.
using ProjectEntries = std::map<std::string, std::vector<uint8_t>>;

// The project in `entries`, or nullopt when it is not one: "model.bin" missing or not a
// readable snapshot, or "project.ini" missing or without a single key. A missing or
// unreadable "source.bin" gives a sourceModel made from the workModel: its triangles,
// materials and layers, turned back to Z-up when the settings say the model is Z-up, so that
// the next unwrap shows it as before. An undecodable "texture.png" gives no texture; a stencil
// or pattern comes from the entry its key names, and the stencil's keys count only when its
// image decodes; an image entry that is there but does not decode (no image sides
// beyond kMaxImageSide) is listed in unreadImages. Values outside the range of their control
// are brought into it.
// A layout change comes back only with "LayoutChanging" set and a readable "model_before.bin"
// of as many triangles as "model.bin"; otherwise the project opens as one saved without it.
// shownView: what the 3D window shows now. The camera (without a positive "Dist"), the tool
// and brush (without "Tool") and the view mode (without "ViewMode") keep its values, except
// that its "Texture" view mode becomes the first mode; a painted texture shows "Texture".
std::optional<ProjectRecord> readProjectEntries(const ProjectEntries& entries,
                                                const ViewState& shownView);

enum class ProjectReadError {
  none,
  cannotOpen,   // not a file libarchive can open as a ZIP archive
  notAProject,  // a ZIP archive, but readProjectEntries refuses its entries
};
// readProjectEntries on the archive at `path`, reading only the entries a project uses, and
// each only as far as it can still be valid (an image entry left out for that is listed in
// unreadImages). On nullopt, `error` says why.
std::optional<ProjectRecord> readProjectFile(const std::string& path, const ViewState& shownView,
                                             ProjectReadError& error);

// The archive's entries in their order: "project.ini", "source.bin", "model.bin", then
// "texture.png" when there is a texture (ok = false when it cannot be encoded), then
// "stencil." and "pattern." + extension with the loaded files' bytes, then for a layout change
// "model_before.bin" and "texture_before.png" (when there was a texture). Numbers are written the
// same under every locale; the layer keys hold one field per entry of `layers`.
std::vector<ArchiveEntry> writeProjectEntries(const ProjectContent& content,
                                              const ProjectExtras& extras);
// A project as read, written back.
inline std::vector<ArchiveEntry> writeProjectEntries(const ProjectRecord& record) {
  return writeProjectEntries(record, record);
}
