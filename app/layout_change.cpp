#include "app/layout_change.h"

#include <string>
#include <utility>

#include "paint/transfer.h"

Changes startLayoutChange(Session& session, Ui& ui) {
  Document& d = session.document;
  if (!d.modelLoaded || !d.layoutLocked) return {};
  const Answer answer =
      ui.message("Change layout", kChangeLayoutQuestion, Icon::information, Buttons::yesNoCancel);
  if (answer != Answer::yes && answer != Answer::no) return {};
  Texture& t = d.texture;
  LayoutChange& change = session.layoutChange;
  change.before = {d.workModel, d.settings, d.reportText, d.stats, d.layers};
  change.textureBackup = t.snapshot();
  change.paintingFollows = answer == Answer::yes;
  Changes changes{.controls = true, .uvView = true};
  if (!change.paintingFollows) {
    t.restore(TextureSnapshot{});  // no texture on the new layout
    if (d.view.viewMode == ViewMode::texture) d.view.viewMode = ViewMode::testPattern;
    changes |= {.title = true, .view3d = true};
  }
  d.layoutLocked = false;
  change.layoutChanging = true;
  change.revisionAtChange = t.revision();
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
  d.settings = change.before.settings;
  d.workModel = std::move(change.before.model);
  modelStoreLayers(d.sourceModel, d.workModel);
  // The flags belong to the layers by index: a layer deleted or added during the change has
  // shifted them.
  d.layers = std::move(change.before.layers);
  Texture& t = d.texture;
  if (change.textureBackup.width > 0) {
    t.restore(change.textureBackup);
    d.view.viewMode = ViewMode::texture;
  } else {
    t.forgetSteps();
  }
  d.reportText = std::move(change.before.reportText);
  d.stats = change.before.stats;
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
    if (d.texture.revision() != session.layoutChange.revisionAtChange)
      note = kLockedStartedPaintingNote;
  } else if (!d.layoutLocked && d.texture.width() > 0) {
    note = kLockedPaintedNote;
  }
  if (!note) return {};
  Changes changes = lockLayout(session);
  ui.status(kStatusNote, note);
  changes.uvView = true;
  return changes;
}

std::optional<CarriedPainting> carryPainting(const LayoutChange& change, const Model& newModel,
                                             int64_t width, int64_t height, Progress* progress) {
  const TextureSnapshot& backup = change.textureBackup;
  if (!change.layoutChanging || !change.paintingFollows || backup.width <= 0) return std::nullopt;
  std::vector<uint32_t> painting;
  backup.copyTo(painting);
  CarriedPainting carried{{}, width, height};
  if (!transferPainting(change.before.model, painting, backup.width, backup.height, newModel,
                        carried.pixels, width, height, progress))
    return std::nullopt;
  return carried;
}

void dropLayoutChange(Session& session) { session.layoutChange = LayoutChange{}; }

std::optional<LayoutChangeRecord> layoutChangeRecordOf(const Session& session) {
  const LayoutChange& change = session.layoutChange;
  if (!change.layoutChanging) return std::nullopt;
  LayoutChangeRecord r;
  r.paintingFollows = change.paintingFollows;
  r.before = change.before;
  if (change.textureBackup.width > 0) {
    r.texture.width = static_cast<int>(change.textureBackup.width);
    r.texture.height = static_cast<int>(change.textureBackup.height);
    change.textureBackup.copyTo(r.texture.pixels);
  }
  return r;
}

void resumeLayoutChange(Session& session, LayoutChangeRecord record) {
  LayoutChange& change = session.layoutChange;
  change.paintingFollows = record.paintingFollows;
  change.before = std::move(record.before);
  change.textureBackup =
      TextureSnapshot::of(record.texture.pixels, record.texture.width, record.texture.height);
  change.layoutChanging = true;
  // Painting from now on ends the change, as it would have before the save.
  change.revisionAtChange = session.document.texture.revision();
  session.document.layoutLocked = false;
}
