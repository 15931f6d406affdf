#include "app/window_rules.h"

#include <algorithm>
#include <cctype>

#include "base/file_io.h"
#include "base/number_text.h"
#include "base/text_fields.h"
#include "unwrap/unwrap_settings.h"

namespace {

std::string anyCaseGlob(const std::string& pattern) {
  if (pattern == "*.*") return "*";
  std::string glob;
  for (const char c : pattern) {
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (lower != upper)
      glob += std::string("[") + lower + upper + "]";
    else
      glob += c;
  }
  return glob;
}

}  // namespace

bool menuItemEnabled(int id, bool modelLoaded) {
  switch (id) {
    case kMenuSave:
    case kMenuSaveAs:
    case kMenuSaveCopy:
    case kMenuExport:
    case kMenuImportTexture:
    case kMenuExportUvOverlay:
    case kMenuPreview3d:
      return modelLoaded;
    default:
      return true;
  }
}

bool menuItemFreeWhileBusy(int id) {
  switch (id) {
    case kMenuQuit:
    case kMenuPreview3d:
    case kMenuPreferences:
    case kMenuUserGuide:
    case kMenuAbout:
      return true;
    default:
      return false;
  }
}

std::string mnemonicLabel(const std::string& text, size_t index) {
  std::string label;
  for (size_t i = 0; i < text.size(); ++i) {
    if (i == index) label += '_';
    if (text[i] == '_') label += '_';
    label += text[i];
  }
  return label;
}

ControlStates controlStates(const Session& session, const UnwrapSettings& settings,
                            JobKind running) {
  const bool locked = session.document.layoutLocked;
  const bool free = running != JobKind::unwrap && running != JobKind::open;
  const bool open = free && !locked;
  const bool unwrapping = settings.mapMode != MapMode::keep;
  ControlStates c;
  c.mappingEnabled = c.sizeEnabled = c.upAxisEnabled = c.checkBoxesEnabled = open;
  c.maxAngleEnabled = c.marginEnabled = c.rotateEnabled = c.mirrorEnabled =
      c.packEnabled = open && unwrapping;
  c.maxStretchEnabled = open && settings.mapMode == MapMode::smooth;
  c.layoutButtonsEnabled = c.paintingEnabled = free;
  if (session.layoutChange.layoutChanging)
    c.layoutStateText = session.layoutChange.paintingFollows ? "Changing layout - painting follows"
                                                : "Changing layout - starting empty";
  else if (locked)
    c.layoutStateText = "Locked (the texture is painted)";
  else if (session.document.modelLoaded)
    c.layoutStateText = "Free (locks when you start painting)";
  c.changeLayoutVisible = locked;
  c.lockLayoutVisible = c.cancelVisible = session.layoutChange.layoutChanging;
  c.layerAssignBlocked = locked && settings.layerUnwrap;
  c.sizeText = textureSizeText(settings.layoutWidth, settings.layoutHeight);
  return c;
}

std::string textureSizeText(int width, int height) {
  const double w = width, h = height;
  const double a = width < height ? 2 * w / h : 2;
  const double b = height < width ? 2 * h / w : 2;
  return "Create texture: Size in meters " + fixedText(a, 2) + " x " + fixedText(b, 2);
}

CanvasSize uvCanvasSize(int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  CanvasSize c;
  if (width < height) {
    c.width = static_cast<int>(static_cast<int64_t>(width) * kUvCanvasSide / height);
    c.height = kUvCanvasSide;
  } else {
    c.width = kUvCanvasSide;
    c.height = static_cast<int>(static_cast<int64_t>(height) * kUvCanvasSide / width);
  }
  c.width = std::max(c.width, 1);
  c.height = std::max(c.height, 1);
  return c;
}

Rect uvScrollArea(int innerWidth, int innerHeight) {
  return {280, 4, std::max(innerWidth - 286, 1), std::max(innerHeight - 60, 1)};
}

Size innerSizeForUvArea(int width, int height) { return {width + 286, height + 60}; }

std::vector<RecentItem> recentMenuItems(const std::array<std::string, 8>& recentFiles) {
  std::vector<RecentItem> items;
  for (size_t i = 0; i < recentFiles.size(); ++i)
    if (!recentFiles[i].empty())
      items.push_back({kMenuRecentFirst + static_cast<int>(i),
                       std::to_string(i + 1) + "  " + fileNameOf(recentFiles[i]), true});
  if (items.empty()) items.push_back({kMenuRecentFirst, "(empty)", false});
  return items;
}

UnwrapSettings windowSettingsFromPreferences(const PreferencesFile& file) {
  UnwrapSettings s;
  if (file.readInt("Smooth", 0) != 0)
    s.mapMode = MapMode::smooth;
  else if (file.readInt("Unwrap", 1) != 0)
    s.mapMode = MapMode::exact;
  else
    s.mapMode = MapMode::keep;
  // These keep the project's ranges under their own names.
  auto read = [&](const UnwrapSetting& setting, const char* key) {
    const auto byDefault = static_cast<int64_t>(setting.defaultValue());
    setting.field.set(s, static_cast<double>(setting.bring(file.readInt(key, byDefault))));
  };
  read(unwrapSetting::layoutWidth, "TexW");
  read(unwrapSetting::layoutHeight, "TexH");
  read(unwrapSetting::maxAngle, "MaxAngle");
  read(unwrapSetting::margin, "Margin");
  read(unwrapSetting::maxStretch, "MaxStretch");
  read(unwrapSetting::rotate, "Rotate");
  s.mergeSurfaces = file.readInt("Merge", 1) != 0;
  s.upAxisChoice = UpAxis::z;
  s.layerUnwrap = false;
  s.mirrorAxis = MirrorAxis::off;
  return s;
}

void storeWindowSettings(PreferencesFile& file, const UnwrapSettings& s) {
  file.writeInt("Unwrap", s.mapMode == MapMode::exact ? 1 : 0);
  file.writeInt("Smooth", s.mapMode == MapMode::smooth ? 1 : 0);
  file.writeInt("TexW", s.layoutWidth);
  file.writeInt("TexH", s.layoutHeight);
  file.writeInt("MaxAngle", s.maxAngle);
  file.writeInt("Margin", s.margin);
  file.writeInt("MaxStretch", s.maxStretch);
  file.writeInt("Rotate", unwrapSetting::rotate.index(static_cast<int64_t>(s.rotateMode)));
  file.writeInt("Merge", s.mergeSurfaces ? 1 : 0);
}

void SettingsChange::changed(bool refresh, bool spin, int64_t now) {
  pending_ = true;
  refresh_ = refresh_ || refresh;
  atOnce_ = atOnce_ || !spin;
  lastChange_ = now;
}

void SettingsChange::commit() {
  held_ = false;  // leaving the box may swallow the key's release
  atOnce_ = pending_;
}

int64_t SettingsChange::startTime() const {
  if (!pending_) return kNever;
  if (atOnce_) return lastChange_;
  if (held_) return kNever;
  return lastChange_ + kSpinRestMilliseconds;
}

bool SettingsChange::take() {
  const bool refresh = refresh_;
  pending_ = refresh_ = atOnce_ = false;
  return refresh;
}

std::vector<FileFilter> fileFilters(const std::string& filter) {
  std::vector<FileFilter> filters;
  if (filter.empty()) return filters;
  const std::vector<std::string> fields = splitFields(filter, '|');
  for (size_t i = 0; i + 1 < fields.size(); i += 2) {
    FileFilter entry{fields[i], {}};
    for (const std::string& pattern : splitFields(fields[i + 1], ';'))
      if (!pattern.empty()) entry.patterns.push_back(anyCaseGlob(pattern));
    filters.push_back(std::move(entry));
  }
  return filters;
}
