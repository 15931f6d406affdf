#include "app/session.h"

#include "app/layout_change.h"

ProjectRecord projectRecordOf(const Session& session) {
  const Document& d = session.document;
  ProjectRecord r;
  r.sourceModel = d.sourceModel;
  r.workModel = d.workModel;
  r.settings = d.settings;
  r.modelPath = d.modelPath;
  r.sourceSize = d.sourceSize;
  r.sourceDate = d.sourceDate;
  r.exportPath = d.exportPath;
  r.textureFile = d.texture.file();
  r.reportText = d.reportText;
  r.layoutLocked = d.layoutLocked || session.layoutChange.layoutChanging;
  r.texture.width = static_cast<int>(d.texture.width());
  r.texture.height = static_cast<int>(d.texture.height());
  r.texture.pixels.assign(d.texture.pixels().begin(), d.texture.pixels().end());
  r.stencil = d.stencil;
  r.pattern = d.pattern;
  r.view = d.view;
  r.layers = d.layers;
  r.layoutChange = layoutChangeRecordOf(session);
  return r;
}

void takeProjectRecord(Session& session, ProjectRecord r) {
  Document& d = session.document;
  d.sourceModel = std::move(r.sourceModel);
  d.workModel = std::move(r.workModel);
  d.settings = r.settings;
  d.modelPath = std::move(r.modelPath);
  d.sourceSize = r.sourceSize;
  d.sourceDate = r.sourceDate;
  d.exportPath = std::move(r.exportPath);
  d.reportText = std::move(r.reportText);
  d.layoutLocked = r.layoutLocked;
  d.modelLoaded = true;
  d.texture.load(std::move(r.texture), std::move(r.textureFile));
  d.stencil = std::move(r.stencil);
  d.pattern = std::move(r.pattern);
  d.view = r.view;
  d.layers = std::move(r.layers);
  dropLayoutChange(session);
  if (r.layoutChange) resumeLayoutChange(session, std::move(*r.layoutChange));
}
