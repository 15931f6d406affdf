#include "app/session.h"

ProjectRecord projectRecordOf(const Session& s) {
  ProjectRecord r;
  r.sourceModel = s.sourceModel;
  r.workModel = s.workModel;
  r.settings = s.settings;
  r.modelPath = s.modelPath;
  r.sourceSize = s.sourceSize;
  r.sourceDate = s.sourceDate;
  r.exportPath = s.exportPath;
  r.textureFile = s.texture.TextureFile;
  r.reportText = s.reportText;
  r.layoutLocked = s.layoutLocked || s.layoutChanging;
  r.texture.width = static_cast<int>(s.texture.TextureWidth);
  r.texture.height = static_cast<int>(s.texture.TextureHeight);
  r.texture.pixels = s.texture.TexturePixels;
  r.stencil = s.stencil;
  r.pattern = s.pattern;
  r.view = s.view;
  r.layers = s.layers;
  return r;
}

void takeProjectRecord(Session& s, ProjectRecord r) {
  s.sourceModel = std::move(r.sourceModel);
  s.workModel = std::move(r.workModel);
  s.settings = r.settings;
  s.modelPath = std::move(r.modelPath);
  s.sourceSize = r.sourceSize;
  s.sourceDate = r.sourceDate;
  s.exportPath = std::move(r.exportPath);
  s.reportText = std::move(r.reportText);
  s.layoutLocked = r.layoutLocked;
  s.layoutChanging = false;
  s.modelLoaded = true;
  resetTexture(s.texture);
  s.texture.TextureWidth = r.texture.width;
  s.texture.TextureHeight = r.texture.height;
  s.texture.TexturePixels = std::move(r.texture.pixels);
  s.texture.TextureFile = std::move(r.textureFile);
  s.stencil = std::move(r.stencil);
  s.pattern = std::move(r.pattern);
  s.view = r.view;
  s.layers = std::move(r.layers);
}
