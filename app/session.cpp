#include "app/session.h"

#include "app/layout_change.h"

ProjectExtras projectExtrasOf(const Session& session) {
  const Texture& t = session.document.texture;
  ProjectExtras extras;
  extras.texture.width = static_cast<int>(t.width());
  extras.texture.height = static_cast<int>(t.height());
  extras.texture.pixels = t.pixels();
  extras.textureFile = t.file();
  extras.layoutChange = layoutChangeRecordOf(session);
  return extras;
}

std::vector<ArchiveEntry> projectEntriesOf(const Session& session) {
  return writeProjectEntries(session.document, projectExtrasOf(session));
}

void takeProjectRecord(Session& session, ProjectRecord r) {
  Document& d = session.document;
  static_cast<ProjectContent&>(d) = std::move(static_cast<ProjectContent&>(r));
  d.modelLoaded = true;
  d.texture.load(std::move(r.texture), std::move(r.textureFile));
  dropLayoutChange(session);
  if (r.layoutChange) resumeLayoutChange(session, std::move(*r.layoutChange));
}
