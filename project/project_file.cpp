#include "project/project_file.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/file_io.h"
#include "base/number_text.h"
#include "base/text_fields.h"
#include "project/project_ini.h"
#include "paint/settings_tables.h"
#include "project/snapshot.h"
#include "unwrap/unwrap_model.h"
#include "unwrap/unwrap_settings.h"

namespace {

// A PNG starts with its signature and its header: sides, then bit depth and colour type. Its
// pixel data, deflated, takes at most about as much as 16-bit RGBA rows with their filter
// bytes (deflate's stored blocks add 5 bytes in 65535); the rest is room for other chunks.
size_t pngSizeLimit(std::span<const uint8_t> head) {
  static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (std::memcmp(head.data(), kSignature, std::min<size_t>(head.size(), 8)) != 0) return 0;
  if (head.size() < 24) return kMaxEntryBytes;
  auto side = [&](size_t at) {
    const uint64_t value = uint64_t{head[at]} << 24 | uint64_t{head[at + 1]} << 16 |
                           uint64_t{head[at + 2]} << 8 | head[at + 3];
    return std::min<uint64_t>(value, kMaxImageSide);
  };
  const uint64_t raw = side(20) * (1 + 8 * side(16));
  return static_cast<size_t>(raw + raw / 64 + (uint64_t{16} << 20));
}

// The entries every project may have; the stencil and pattern are named by project.ini. The
// last two hold the layout and texture from before a layout change under way.
const std::vector<std::string> kFixedEntries = {"project.ini",      "source.bin",
                                                "model.bin",        "texture.png",
                                                "model_before.bin", "texture_before.png"};

const std::vector<uint8_t>* entryOf(const ProjectEntries& entries, const std::string& name) {
  const auto it = entries.find(name);
  return it == entries.end() ? nullptr : &it->second;
}

// A stencil or pattern file is given up at once when its first bytes cannot begin an image the
// decoders take (decoding them fails for another reason than their end); otherwise it may be
// any image file up to kMaxEntryBytes.
EntryLimit imageFileLimit() {
  return [checked = false](std::span<const uint8_t> head) mutable {
    if (!checked) {
      checked = true;
      std::string why;
      try {
        if (!decodeImage(head, kMaxImageSide, &why) && why != kImageCutShort) return size_t{0};
      } catch (const std::bad_alloc&) {
        // No memory to try now; the full decode later decides.
      }
    }
    return kMaxEntryBytes;
  };
}

// project.ini is text without a zero byte, and even with a colour, hidden and locked field for
// each of a hundred thousand layers far below 16 MiB.
EntryLimit settingsTextLimit() {
  return [checked = size_t{0}](std::span<const uint8_t> head) mutable {
    if (std::find(head.begin() + static_cast<std::ptrdiff_t>(checked), head.end(), 0) != head.end())
      return size_t{0};
    checked = head.size();
    return size_t{16} << 20;
  };
}

// How far each entry is read: a model snapshot as far as its own counts and lengths reach,
// the texture as far as a PNG of its declared size (within kMaxImageSide) can need, the
// settings text as long as it is text, the stencil and pattern as long as they may be images.
EntryLimit entryLimit(const std::string& name) {
  if (name == "source.bin" || name == "model.bin" || name == "model_before.bin")
    return SnapshotSizeLimit(kMaxEntryBytes);
  if (name == "project.ini") return settingsTextLimit();
  if (name == "texture.png" || name == "texture_before.png") return pngSizeLimit;
  return imageFileLimit();
}

IniValues iniOf(const ProjectEntries& entries) {
  const std::vector<uint8_t>* bytes = entryOf(entries, "project.ini");
  return IniValues(bytes ? std::string_view(reinterpret_cast<const char*>(bytes->data()),
                                            bytes->size())
                         : std::string_view());
}

// The entry a stencil or pattern key names, when the name can only be an entry at the
// archive's top level.
const std::vector<uint8_t>* imageEntry(const ProjectEntries& entries, const std::string& name) {
  return isPlainEntryName(name) ? entryOf(entries, name) : nullptr;
}

// ---- Reading: each value brought into the range of its control ----------------------------

// The file keeps no unwrap figures, only the report: it warns when the pieces did not fit.
UnwrapStats statsFrom(const std::string& reportText) {
  UnwrapStats stats;
  stats.piecesFit = reportText.find(kPiecesDoNotFit) == std::string::npos;
  return stats;
}

// A setting's value brought into its range; `suffix` follows the key ("Before" for the
// settings from before a layout change).
template <typename Record>
void readSetting(const IniValues& ini, const Setting<Record>& s, Record& record,
                 const std::string& suffix = "") {
  const std::string key = s.key + suffix;
  if (s.kind == SettingKind::real) {
    s.field.set(record, s.bring(ini.real(key)));
    return;
  }
  int64_t value = ini.integer(key);
  // A texture side of 0, or none, is the default size.
  if (s.kind == SettingKind::side && value == 0) value = static_cast<int64_t>(s.defaultValue());
  s.field.set(record, static_cast<double>(s.bring(value)));
}

template <typename Record, size_t n>
void readSettings(const IniValues& ini, const Setting<Record>* const (&table)[n], Record& record,
                  const std::string& suffix = "") {
  for (const Setting<Record>* s : table) readSetting(ini, *s, record, suffix);
}

UnwrapSettings settingsFrom(const IniValues& ini, const std::string& suffix = "") {
  UnwrapSettings u;
  readSettings(ini, kUnwrapSettings, u, suffix);
  return u;
}

// The painted image has no alpha. Any size the Texture can have, from "New..." or from an
// image imported at its own size, is within the decoders' kMaxImageSide.
Image textureFrom(const ProjectEntries& entries, const std::string& name,
                  std::vector<UnreadImage>& unread) {
  const std::vector<uint8_t>* png = entryOf(entries, name);
  if (!png) return {};
  std::string why;
  std::optional<Image> image;
  try {
    image = decodeImage(*png, kMaxImageSide, &why);
  } catch (const std::bad_alloc&) {
    why = "not enough memory";
  }
  if (!image) {
    unread.push_back({name, why});
    return {};
  }
  dropAlpha(image->pixels);
  return std::move(*image);
}

// The image of the entry a stencil or pattern key names; an entry that is there but does not
// decode is added to `unread`.
bool sourceImageFrom(SourceImage& image, const std::string& name, const ProjectEntries& entries,
                     bool keepAlpha, std::vector<UnreadImage>& unread) {
  const std::vector<uint8_t>* bytes = imageEntry(entries, name);
  if (!bytes) return false;
  std::string why;
  if (loadSourceImage(image, *bytes, lowerExtension(name), keepAlpha, &why)) return true;
  unread.push_back({name, why});
  return false;
}

// The work model standing in for the model as read: turned back to Z-up (the inverse of
// modelToYUp) when the settings turn the source, so the next unwrap turns it as before.
Model sourceStandIn(const Model& work, const UnwrapSettings& settings) {
  Model source = work;
  if (settings.upAxisChoice == UpAxis::z) {
    for (Vertex& v : source.vertices) {
      const float yUp = v.y;
      v.y = -v.z;
      v.z = yUp;
    }
    source.zUp = true;
  }
  return source;
}

// The stencil's keys count only when its image came back.
StencilState stencilFrom(const IniValues& ini, const ProjectEntries& entries,
                         std::vector<UnreadImage>& unread) {
  StencilState st;
  if (!sourceImageFrom(st.image, ini.text("StencilFile"), entries, true, unread)) return st;
  readSettings(ini, kStencilSettings, st);
  st.scale = st.scale > 0 ? std::max(st.scale, stencilSetting::kScaleLow) : 1.0;
  return st;
}

// The anchor needs both keys, eight fields and a triangle of the model.
PatternState patternFrom(const IniValues& ini, const ProjectEntries& entries,
                         int64_t triangleCount, std::vector<UnreadImage>& unread) {
  PatternState pattern;
  sourceImageFrom(pattern.image, ini.text("PatternFile"), entries, false, unread);
  const double tile = pattern.tile;
  readSettings(ini, kPatternSettings, pattern);
  if (!(ini.has(patternSetting::tile.key) && ini.real(patternSetting::tile.key) > 0))
    pattern.tile = tile;
  const std::vector<std::string> offset = ini.fields(patternSetting::offsetX.key);
  pattern.offsetX = patternSetting::offsetX.bring(leadingReal(offset[0]));
  pattern.offsetY = patternSetting::offsetY.bring(offset.size() > 1 ? leadingReal(offset[1]) : 0);
  const std::vector<std::string> anchor = ini.fields("Anchor");
  const int64_t anchorFace = ini.integer("AnchorFace");
  if (ini.has("AnchorFace") && ini.has("Anchor") && anchor.size() == 8 && anchorFace >= 0 &&
      anchorFace < triangleCount) {
    pattern.anchorFace = anchorFace;
    double* targets[8] = {&pattern.anchorBary[0], &pattern.anchorBary[1], &pattern.anchorUp[0],
                          &pattern.anchorUp[1],   &pattern.anchorUp[2],   &pattern.anchorRight[0],
                          &pattern.anchorRight[1], &pattern.anchorRight[2]};
    for (int i = 0; i < 8; ++i) *targets[i] = leadingReal(anchor[i]);
  }
  return pattern;
}

// Camera and tool keys come as groups: without a positive "Dist", or without "Tool", the
// window keeps what it shows.
ViewState viewFrom(const IniValues& ini, const ViewState& shownView, bool painted) {
  ViewState v = shownView;
  // "Texture" needs a texture; it is set again below.
  if (v.viewMode == ViewMode::texture) v.viewMode = ViewMode::testPattern;
  if (ini.has(brushSetting::source.key))
    readSetting(ini, brushSetting::source, v);
  else  // older files: whether the stencil was used
    v.paintSource = ini.integer("StencilUse") != 0 ? PaintSource::stencil : PaintSource::colour;
  if (ini.has(viewSetting::dist.key) && ini.real(viewSetting::dist.key) > 0)
    readSettings(ini, kCameraSettings, v.camera);
  if (ini.has(brushSetting::tool.key)) readSettings(ini, kBrushSettings, v);
  if (ini.has(viewSetting::viewMode.key)) readSetting(ini, viewSetting::viewMode, v);
  if (painted) v.viewMode = ViewMode::texture;
  return v;
}

// Field i of each list belongs to layer i; an empty colour field keeps the default colour.
// `suffix` follows every key, as for the settings.
LayerState layersFrom(const IniValues& ini, int64_t layerCount, const std::string& suffix = "") {
  LayerState layers;
  resizeLayerState(layers, layerCount);
  const std::vector<std::string> colours = ini.fields("LayerColors" + suffix);
  const std::vector<std::string> hidden = ini.fields("LayerHidden" + suffix);
  const std::vector<std::string> locked = ini.fields("LayerLocked" + suffix);
  for (int64_t i = 0; i < layers.count(); ++i) {
    const auto k = static_cast<size_t>(i);
    if (k < colours.size() && !colours[k].empty())
      layers.color[k] = static_cast<uint32_t>(leadingInt(colours[k])) & 0xFFFFFFu;
    if (k < hidden.size()) layers.hidden[k] = leadingInt(hidden[k]) != 0;
    if (k < locked.size()) layers.locked[k] = leadingInt(locked[k]) != 0;
  }
  const int64_t curLayer = ini.integer("CurLayer" + suffix);
  layers.curLayer = curLayer >= 0 && curLayer < layerCount ? curLayer : 0;
  layers.onlyLayer = ini.integer("OnlyLayer" + suffix) != 0;
  return layers;
}

// What Cancel would bring back must fit the rest of the project: its layout has the triangles
// of the new one (the pattern's anchor names one of them), so a change whose layout from before
// is missing or does not match is dropped and the project opens as saved without one.
std::optional<LayoutChangeRecord> layoutChangeFrom(const IniValues& ini,
                                                   const ProjectEntries& entries,
                                                   const Model& workModel,
                                                   std::vector<UnreadImage>& unread) {
  if (ini.integer("LayoutChanging") == 0) return std::nullopt;
  LayoutChangeRecord c;
  const std::vector<uint8_t>* modelBytes = entryOf(entries, "model_before.bin");
  if (!modelBytes || !readModelSnapshot(c.before.model, *modelBytes) ||
      c.before.model.triangleCount() != workModel.triangleCount())
    return std::nullopt;
  c.paintingFollows = ini.integer("PaintingFollows") != 0;
  c.texture = textureFrom(entries, "texture_before.png", unread);
  c.before.settings = settingsFrom(ini, "Before");
  c.before.reportText = unescapeInfo(ini.text("InfoBefore"));
  c.before.stats = statsFrom(c.before.reportText);
  c.before.layers = layersFrom(ini, c.before.model.layerCount(), "Before");
  return c;
}

// ---- Writing --------------------------------------------------------------------------------

template <typename Record>
void writeSetting(IniWriter& ini, const Setting<Record>& s, const Record& record,
                  const std::string& suffix = "") {
  const double value = s.field.get(record);
  if (s.kind == SettingKind::real)
    ini.addReal(s.key + suffix, value, s.decimals);
  else
    ini.addInt(s.key + suffix, static_cast<int64_t>(value));
}

template <typename Record, size_t n>
void writeSettings(IniWriter& ini, const Setting<Record>* const (&table)[n], const Record& record) {
  for (const Setting<Record>* s : table) writeSetting(ini, *s, record);
}

// The settings keys from "MapMode" to "Mirror", then "Pack" when it is Tight, each followed by
// `suffix`.
void addSettings(IniWriter& ini, const UnwrapSettings& u, const std::string& suffix) {
  for (const UnwrapSetting* s : kUnwrapSettings) {
    if (s == &unwrapSetting::layerUnwrap) continue;
    if (s == &unwrapSetting::pack && u.packMode == PackMode::standard) continue;
    writeSetting(ini, *s, u, suffix);
  }
}

// The layer keys from "CurLayer" to "LayerLocked", each followed by `suffix`.
void addLayers(IniWriter& ini, const LayerState& layers, const std::string& suffix) {
  ini.addInt("CurLayer" + suffix, layers.curLayer);
  ini.addInt("OnlyLayer" + suffix, layers.onlyLayer);
  std::vector<std::string> colours, hidden, locked;
  for (int64_t i = 0; i < layers.count(); ++i) {
    colours.push_back(std::to_string(layers.color[i]));
    hidden.push_back(layers.hidden[i] ? "1" : "0");
    locked.push_back(layers.locked[i] ? "1" : "0");
  }
  ini.add("LayerColors" + suffix, joinFields(colours, ','));
  ini.add("LayerHidden" + suffix, joinFields(hidden, ','));
  ini.add("LayerLocked" + suffix, joinFields(locked, ','));
}

// The keys of a layout change under way, after all others under a comment line of their own.
void addLayoutChange(IniWriter& ini, const LayoutChangeRecord& c) {
  ini.comment("The layout change under way; \"Before\" is what Cancel brings back");
  ini.addInt("LayoutChanging", 1);
  ini.addInt("PaintingFollows", c.paintingFollows);
  addSettings(ini, c.before.settings, "Before");
  writeSetting(ini, unwrapSetting::layerUnwrap, c.before.settings, "Before");
  ini.add("InfoBefore", escapeInfo(c.before.reportText));
  addLayers(ini, c.before.layers, "Before");
}

// Every key in the order of the file; the stencil keys only with a stencil, the anchor keys
// only with an anchor.
std::string iniText(const ProjectContent& r, const ProjectExtras& extras) {
  const UnwrapSettings& u = r.settings;
  const ViewState& v = r.view;
  const StencilState& st = r.stencil;
  const PatternState& pa = r.pattern;
  IniWriter ini;
  ini.addInt("Version", 2);
  ini.add("Source", r.modelPath);
  ini.addInt("SourceSize", r.sourceSize);
  ini.addInt("SourceDate", r.sourceDate);
  addSettings(ini, u, "");
  ini.addInt("Locked", r.layoutLocked || extras.layoutChange);
  ini.add("ExportFile", r.exportPath);
  ini.add("TextureFile", extras.textureFile);
  ini.add("Info", escapeInfo(r.reportText));
  writeSetting(ini, viewSetting::viewMode, v);
  writeSettings(ini, kCameraSettings, v.camera);
  writeSettings(ini, kBrushSettings, v);
  writeSetting(ini, unwrapSetting::layerUnwrap, u);
  addLayers(ini, r.layers, "");
  if (st.image.loaded()) {
    ini.add("StencilFile", "stencil." + st.image.fileExt);
    writeSettings(ini, kStencilSettings, st);
  }
  writeSetting(ini, brushSetting::source, v);
  writeSettings(ini, kPatternSettings, pa);
  const int places = patternSetting::offsetX.decimals;
  ini.add(patternSetting::offsetX.key,
          fixedText(pa.offsetX, places) + "," + fixedText(pa.offsetY, places));
  if (pa.anchorFace >= 0) {
    ini.addInt("AnchorFace", pa.anchorFace);
    std::vector<std::string> fields;
    for (double d : {pa.anchorBary[0], pa.anchorBary[1], pa.anchorUp[0], pa.anchorUp[1],
                     pa.anchorUp[2], pa.anchorRight[0], pa.anchorRight[1], pa.anchorRight[2]})
      fields.push_back(fixedText(d, 6));
    ini.add("Anchor", joinFields(fields, ','));
  }
  if (pa.image.loaded()) ini.add("PatternFile", "pattern." + pa.image.fileExt);
  if (extras.layoutChange) addLayoutChange(ini, *extras.layoutChange);
  return ini.text();
}

// A painted texture as PNG without alpha; nothing without a texture.
void addTextureEntry(std::vector<ArchiveEntry>& entries, const std::string& name,
                     const Image& texture) {
  if (texture.width < 1) return;
  std::vector<uint8_t> png = encodePng(texture, false);
  const bool encoded = !png.empty();
  entries.push_back({name, std::move(png), encoded});
}

}  // namespace

std::optional<ProjectRecord> readProjectEntries(const ProjectEntries& entries,
                                                const ViewState& shownView) {
  const IniValues ini = iniOf(entries);
  ProjectRecord r;
  const std::vector<uint8_t>* modelBytes = entryOf(entries, "model.bin");
  if (!modelBytes || !readModelSnapshot(r.workModel, *modelBytes) || ini.empty())
    return std::nullopt;
  r.settings = settingsFrom(ini);
  // A model that cannot be read back would leave nothing to unwrap: the painting could then
  // not even be saved. The work model is the best that is left of it.
  const std::vector<uint8_t>* sourceBytes = entryOf(entries, "source.bin");
  if (!sourceBytes || !readModelSnapshot(r.sourceModel, *sourceBytes) ||
      (r.sourceModel.triangles.empty() && !r.workModel.triangles.empty())) {
    r.sourceModel = sourceStandIn(r.workModel, r.settings);
    r.sourceFromWorkModel = true;
  }

  r.modelPath = ini.text("Source");
  r.sourceSize = ini.integer("SourceSize");
  r.sourceDate = ini.integer("SourceDate");
  r.exportPath = ini.text("ExportFile");
  r.textureFile = ini.text("TextureFile");
  r.reportText = unescapeInfo(ini.text("Info"));
  r.stats = statsFrom(r.reportText);

  r.texture = textureFrom(entries, "texture.png", r.unreadImages);
  const bool painted = r.texture.width >= 1;
  r.layoutLocked = ini.integer("Locked") != 0 || painted;
  r.stencil = stencilFrom(ini, entries, r.unreadImages);
  r.pattern = patternFrom(ini, entries, r.workModel.triangleCount(), r.unreadImages);
  r.view = viewFrom(ini, shownView, painted);
  r.layers = layersFrom(ini, r.workModel.layerCount());
  r.layoutChange = layoutChangeFrom(ini, entries, r.workModel, r.unreadImages);
  return r;
}

std::optional<ProjectRecord> readProjectFile(const std::string& path, const ViewState& shownView,
                                             ProjectReadError& error) {
  std::vector<std::string> leftOut;
  std::optional<ProjectEntries> entries = readZipArchive(path, kFixedEntries, entryLimit, &leftOut);
  if (!entries) {
    error = ProjectReadError::cannotOpen;
    return std::nullopt;
  }
  // A second pass for the stencil and pattern, whose names only project.ini knows.
  const IniValues ini = iniOf(*entries);
  std::vector<std::string> imageNames;
  for (const std::string& name : {ini.text("StencilFile"), ini.text("PatternFile")})
    if (isPlainEntryName(name)) imageNames.push_back(name);
  if (!imageNames.empty())
    if (auto images = readZipArchive(path, imageNames, entryLimit, &leftOut))
      entries->merge(*images);

  std::optional<ProjectRecord> record = readProjectEntries(*entries, shownView);
  error = record ? ProjectReadError::none : ProjectReadError::notAProject;
  if (record)
    for (const std::string& name : leftOut)
      if (name == "texture.png" || std::find(imageNames.begin(), imageNames.end(), name) !=
                                       imageNames.end())
        record->unreadImages.push_back({name, "the entry is damaged or too large"});
  return record;
}

std::vector<ArchiveEntry> writeProjectEntries(const ProjectContent& record,
                                              const ProjectExtras& extras) {
  const std::string ini = iniText(record, extras);
  std::vector<ArchiveEntry> entries;
  entries.push_back({"project.ini", std::vector<uint8_t>(ini.begin(), ini.end())});
  entries.push_back({"source.bin", writeModelSnapshot(record.sourceModel)});
  entries.push_back({"model.bin", writeModelSnapshot(record.workModel)});
  addTextureEntry(entries, "texture.png", extras.texture);
  const SourceImage& stencil = record.stencil.image;
  const SourceImage& pattern = record.pattern.image;
  if (stencil.loaded()) entries.push_back({"stencil." + stencil.fileExt, stencil.fileBytes});
  if (pattern.loaded()) entries.push_back({"pattern." + pattern.fileExt, pattern.fileBytes});
  if (const std::optional<LayoutChangeRecord>& change = extras.layoutChange) {
    entries.push_back({"model_before.bin", writeModelSnapshot(change->before.model)});
    addTextureEntry(entries, "texture_before.png", change->texture);
  }
  return entries;
}
