// The layout lock: a painted texture fits only the layout it was painted on, so the layout
// locks once there is paint and opens again only through a change that the user ends with
// "Lock layout" or "Cancel". During a change every unwrap may carry the painting along.
// Each command returns what the windows must show again.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "app/changes.h"
#include "app/session.h"
#include "app/ui.h"

constexpr const char* kChangeLayoutQuestion =
    "The layout can now be changed again.\n\nKeep the painting? It moves along to the new "
    "layout.\n  Yes = keep the painting\n  No = start with an empty texture\n\nUse 'Lock "
    "layout' when you are done, or 'Cancel' to go back.";
constexpr const char* kLockedPaintedNote =
    "Layout locked: the texture is painted. Use 'Change layout...' to change it.";
constexpr const char* kLockedStartedPaintingNote = "Layout locked: you started painting";
constexpr const char* kNewLayoutLockedNote = "New layout locked";

// "Change layout..." on a locked layout: asks whether the painting follows (Yes), the new
// layout starts empty (No: no Texture, no undo steps, the 3D view leaves "Texture") or nothing
// changes (Cancel). Yes and No keep the layout, texture, settings and report to go back to.
// Nothing while the layout is not locked.
Changes startLayoutChange(Session& session, Ui& ui);

// Ends a change, or locks a free layout: the backups go and the project has changed.
Changes lockLayout(Session& session);
// The "Lock layout" button: lockLayout with the note "New layout locked". Nothing unless a
// change is in progress.
Changes lockNewLayout(Session& session, Ui& ui);

// "Cancel": the settings, layout (with its layers back in the source model), texture and
// report as they were when the change started; the undo steps go. Then locked. Nothing unless
// a change is in progress.
Changes cancelLayoutChange(Session& session, Ui& ui);

// After every event: locks a free layout once a Texture exists, and ends a change once the
// texture had a step (a stroke, fill, import or new texture) since it started, with the reason
// in the status bar. Nothing while no model is loaded.
Changes lockCheck(Session& session, Ui& ui);

// The end of an unwrap during a change whose painting follows: the painting as it was when the
// change started, moved onto `newModel`'s layout at width x height (the main window's texture
// size). Nothing when no change whose painting follows is under way, when it started without
// a Texture or when the layouts differ in triangle count. Reads only the change, so it may
// run beside the windows; progress may stop it (WorkCancelled).
struct CarriedPainting {
  std::vector<uint32_t> pixels;
  int64_t width = 0, height = 0;
};
std::optional<CarriedPainting> carryPainting(const LayoutChange& change, const Model& newModel,
                                             int64_t width, int64_t height,
                                             Progress* progress = nullptr);

// Opening a project or model ends a change without bringing anything back.
void dropLayoutChange(Session& session);

// What a project saved now stores of the change under way; nullopt when none is.
std::optional<LayoutChangeRecord> layoutChangeRecordOf(const Session& session);
// A project saved during a change opens into that change, with the backups it stored and the
// texture the project holds as the one the change made so far: the layout is free, and
// "Lock layout" and "Cancel" work as before the save.
void resumeLayoutChange(Session& session, LayoutChangeRecord record);
