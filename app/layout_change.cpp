#include "app/layout_change.h"

#include <string>
#include <utility>

#include "paint/transfer.h"

namespace {

void emptyUndoSteps(Texture& texture) {
  texture.UndoList.clear();
  texture.RedoList.clear();
}

}  // namespace

Changes startLayoutChange(Session& session, Ui& ui) {
  Document& d = session.document;
  if (!d.modelLoaded || !d.layoutLocked) return {};
  const Answer answer =
      ui.message("Change layout", kChangeLayoutQuestion, Icon::information, Buttons::yesNoCancel);
  if (answer != Answer::yes && answer != Answer::no) return {};
  Texture& t = d.texture;
  LayoutChange& change = session.layoutChange;
  change.lockedModel = d.workModel;
  change.textureBackup = t.TexturePixels;
  change.savedTextureWidth = t.TextureWidth;
  change.savedTextureHeight = t.TextureHeight;
  change.settingsBackup = d.settings;
  change.savedReportText = d.reportText;
  change.statsBackup = d.stats;
  change.layersBackup = d.layers;
  change.paintingFollows = answer == Answer::yes;
  Changes changes{.controls = true, .uvView = true};
  if (!change.paintingFollows) {
    t.TextureWidth = t.TextureHeight = 0;
    t.TexturePixels.clear();
    emptyUndoSteps(t);
    if (d.view.viewMode == ViewMode::texture) d.view.viewMode = ViewMode::testPattern;
    changes |= {.title = true, .view3d = true};
  }
  d.layoutLocked = false;
  change.layoutChanging = true;
  change.revisionAtChange = t.TextureRevision;
  return changes;
}

Changes lockLayout(Session& session) {
  session.document.layoutLocked = true;
  dropLayoutChange(session);
  session.document.projectChanged = true;
  return {.controls = true};
}

Changes lockNewLayout(Session& session, Ui& ui) {
  if (!session.layoutChange.layoutChanging) return {};
  Changes changes = lockLayout(session);
  ui.status(kStatusNote, kNewLayoutLockedNote);
  changes.uvView = true;
  return changes;
}

Changes cancelLayoutChange(Session& session, Ui& ui) {
  LayoutChange& change = session.layoutChange;
  if (!change.layoutChanging) return {};
  Document& d = session.document;
  d.settings = change.settingsBackup;
  d.workModel = std::move(change.lockedModel);
  modelStoreLayers(d.sourceModel, d.workModel);
  // The flags belong to the layers by index: a layer deleted or added during the change has
  // shifted them.
  d.layers = std::move(change.layersBackup);
  Texture& t = d.texture;
  if (change.savedTextureWidth > 0) {
    t.TexturePixels = std::move(change.textureBackup);
    t.TextureWidth = change.savedTextureWidth;
    t.TextureHeight = change.savedTextureHeight;
    d.view.viewMode = ViewMode::texture;
  }
  emptyUndoSteps(t);
  d.reportText = std::move(change.savedReportText);
  d.stats = change.statsBackup;
  // The counts of the last unwrap are no longer those of the layout shown.
  ui.status(kStatusCounts, std::to_string(d.workModel.triangleCount()) + " triangles, " +
                               std::to_string(d.workModel.materialCount()) + " surfaces");
  Changes changes = lockLayout(session);
  changes |= {.report = true, .uvView = true, .title = true, .view3d = true, .model3d = true};
  return changes;
}

Changes lockCheck(Session& session, Ui& ui) {
  const Document& d = session.document;
  if (!d.modelLoaded) return {};
  const char* note = nullptr;
  if (session.layoutChange.layoutChanging) {
    if (d.texture.TextureRevision != session.layoutChange.revisionAtChange)
      note = kLockedStartedPaintingNote;
  } else if (!d.layoutLocked && d.texture.TextureWidth > 0) {
    note = kLockedPaintedNote;
  }
  if (!note) return {};
  Changes changes = lockLayout(session);
  ui.status(kStatusNote, note);
  changes.uvView = true;
  return changes;
}

void carryPainting(Session& session) {
  const LayoutChange& change = session.layoutChange;
  if (!change.layoutChanging || !change.paintingFollows || change.savedTextureWidth <= 0) return;
  Document& d = session.document;
  const int64_t width = d.settings.layoutWidth, height = d.settings.layoutHeight;
  if (!transferPainting(change.lockedModel, change.textureBackup, change.savedTextureWidth,
                        change.savedTextureHeight, d.workModel, d.texture.TexturePixels, width,
                        height))
    return;
  d.texture.TextureWidth = width;
  d.texture.TextureHeight = height;
  emptyUndoSteps(d.texture);
}

void dropLayoutChange(Session& session) { session.layoutChange = LayoutChange{}; }

std::optional<LayoutChangeRecord> layoutChangeRecordOf(const Session& session) {
  const LayoutChange& change = session.layoutChange;
  if (!change.layoutChanging) return std::nullopt;
  LayoutChangeRecord r;
  r.paintingFollows = change.paintingFollows;
  r.lockedModel = change.lockedModel;
  if (change.savedTextureWidth > 0) {
    r.texture.width = static_cast<int>(change.savedTextureWidth);
    r.texture.height = static_cast<int>(change.savedTextureHeight);
    r.texture.pixels = change.textureBackup;
  }
  r.settings = change.settingsBackup;
  r.reportText = change.savedReportText;
  r.stats = change.statsBackup;
  r.layers = change.layersBackup;
  return r;
}

void resumeLayoutChange(Session& session, LayoutChangeRecord record) {
  LayoutChange& change = session.layoutChange;
  change.paintingFollows = record.paintingFollows;
  change.lockedModel = std::move(record.lockedModel);
  change.savedTextureWidth = record.texture.width;
  change.savedTextureHeight = record.texture.height;
  change.textureBackup = std::move(record.texture.pixels);
  change.settingsBackup = record.settings;
  change.savedReportText = std::move(record.reportText);
  change.statsBackup = record.stats;
  change.layersBackup = std::move(record.layers);
  change.layoutChanging = true;
  // Painting from now on ends the change, as it would have before the save.
  change.revisionAtChange = session.document.texture.TextureRevision;
  session.document.layoutLocked = false;
}
