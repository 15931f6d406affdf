#include "app/session.h"

#include "app/layout_change.h"

std::vector<ArchiveEntry> projectEntriesOf(const Session& session) {
  const Texture& t = session.document.texture;
  ProjectExtras extras;
  extras.texture.width = static_cast<int>(t.TextureWidth);
  extras.texture.height = static_cast<int>(t.TextureHeight);
  extras.texture.pixels = t.TexturePixels;
  extras.textureFile = t.TextureFile;
  extras.layoutChange = layoutChangeRecordOf(session);
  return writeProjectEntries(session.document, extras);
}

void takeProjectRecord(Session& session, ProjectRecord r) {
  Document& d = session.document;
  static_cast<ProjectContent&>(d) = std::move(static_cast<ProjectContent&>(r));
  d.modelLoaded = true;
  Texture& t = d.texture;
  resetTexture(t);
  t.TextureWidth = r.texture.width;
  t.TextureHeight = r.texture.height;
  t.TexturePixels = std::move(r.texture.pixels);
  t.TextureFile = std::move(r.textureFile);
  dropLayoutChange(session);
  if (r.layoutChange) resumeLayoutChange(session, std::move(*r.layoutChange));
}
