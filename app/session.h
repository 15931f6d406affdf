// Everything the program holds for the open piece of work, owned by main and passed by
// reference: the document, the layout-change record and each open window's runtime state.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "model/model.h"
#include "paint/brush.h"
#include "paint/regions.h"
#include "paint/paint_state.h"
#include "paint/pattern.h"
#include "paint/texture.h"
#include "project/project_file.h"
#include "render/camera.h"
#include "render/view.h"
#include "unwrap/unwrap.h"

// The open piece of work: what the project file holds (the content, read and written as it
// is), the Texture with its undo store, and what is known of the project file itself.
struct Document : ProjectContent {
  bool modelLoaded = false;
  Texture texture;  // the painted Texture and its undo store

  std::string projectPath;  // empty while never saved
  bool projectChanged = false;

  // The model every view, tool and exporter works on; null while none is loaded.
  const Model* displayModel() const { return modelLoaded ? &workModel : nullptr; }
};

// A layout change in progress: from "Change layout..." until "Lock layout" or "Cancel". The
// backups are what "Cancel" brings back; locking drops them.
struct LayoutChange {
  bool layoutChanging = false;
  bool paintingFollows = false;  // the painting moves along to every new layout
  TextureSnapshot textureBackup;  // the Texture then; width 0: none
  LayoutBefore before;            // the layout, settings, report and layer flags then
  int64_t revisionAtChange = 0;  // the Texture's revision then: a step since is painting on the new layout
};

// The main window's runtime state that the commands use.
struct MainWindowState {
  int64_t autosaveTicks = 0;  // minutes of the window's timer counted toward the next autosave
};

// What a drag with Ctrl does to the stencil.
enum class StencilDrag { none, moving, rotating };
// A middle-button drag turns the view; with Shift held when it began, it moves the view.
enum class MiddleDrag { none, turning, moving };

// The 3D window's runtime state: what the camera orbits, the view buffers, the mouse and the
// gestures under way. It exists only while the window is open; the project values it shows
// live in the document.
struct Window3DState {
  Framing framing;     // ModelCentre, ModelRadius
  View3D view;         // the buffers of the last render
  Image testPattern;   // made for the main window's texture size
  int canvasWidth = 0, canvasHeight = 0;
  bool renderPending = true;   // the picture must be rendered before it is shown again
  bool overlayPending = true;  // the overlays must be laid over it again

  bool mouseInView = false;  // MouseInView
  bool navigating = false;   // Space held
  StencilDrag stencilDrag = StencilDrag::none;
  MiddleDrag middleDrag = MiddleDrag::none;
  int lastMouseX = 0, lastMouseY = 0;  // of the last handled mouse event
  Stroke stroke;                       // the brush stroke under way (active while it runs),
                                       // and the base and mask of the last stroke or fill
  bool assignDrag = false;             // an "Assign layer: brush" drag runs
  // LayersChanged: a layer was made, renamed or deleted, or triangles moved between layers.
  // The event step passes the layers on to the source model (and unwraps again when they
  // decide the layout) once no assign drag runs, so a drag does it once, on release.
  bool layersChanged = false;
  int32_t hoverTriangle = -1;          // of the hover preview; -1 none, -2 forces a new one
  TriangleMarks marks;                 // the hover preview's region, drawn by the view
  NeighbourTables neighbours;          // of the shown model, built on the first region
  PatternCaches patternCaches;         // corner normals and the anchor's roll-out
  std::vector<int32_t> region;         // work list of the regions

  // The camera, the view, a tool or paint setting or a layer's colour, lock or visibility
  // (LayerStyleChanged) changed: the project has unsaved changes. The event step takes it
  // after every event of the window.
  bool settingsChanged = false;
};

struct Session {
  Document document;
  LayoutChange layoutChange;
  MainWindowState mainWindow;
  std::optional<Window3DState> window3d;  // while the 3D window is open
  // The brush tips' random look. Seeded the same at every start, so a scripted stroke paints
  // the same texels every time.
  std::mt19937 paintRandom;
};

// The project file's entries for the session: the document, its Texture and the layout
// change under way with its backups.
std::vector<ArchiveEntry> projectEntriesOf(const Session& session);
// What the entries hold besides the document's content: a copy of the Texture's pixels, its
// file and the layout change.
ProjectExtras projectExtrasOf(const Session& session);
// Makes the record the session's project: its content, the Texture (with empty undo and redo
// lists); a layout change in progress ends without bringing anything back, and the record's
// own change (if any) takes its place; a model is loaded. Paths, change flags and counters
// are the caller's.
void takeProjectRecord(Session& session, ProjectRecord record);
