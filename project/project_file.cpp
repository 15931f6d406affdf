#include "project/project_file.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/file_io.h"
#include "base/number_text.h"
#include "base/text_fields.h"
#include "project/control_ranges.h"
#include "project/project_ini.h"
#include "project/snapshot.h"

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

// A pattern's tile size and offset come from spin boxes in centimetres and percent.
double fromHundredths(double value, SpinRange range) {
  return std::clamp(value, range.low / 100.0, range.high / 100.0);
}

// A list index that names no item selects the first item; a size of 0 (or none) is 512.
// `suffix` follows every key ("Before" for the settings from before a layout change).
UnwrapSettings settingsFrom(const IniValues& ini, const std::string& suffix = "") {
  auto integer = [&](const char* key) { return ini.integer(key + suffix); };
  UnwrapSettings u;
  u.mapMode = static_cast<MapMode>(controlRange::mapMode.pick(integer("MapMode")));
  auto side = [&](const char* key) {
    const int64_t value = integer(key);
    return textureSide(value == 0 ? 512 : value);
  };
  u.layoutWidth = side("TexW");
  u.layoutHeight = side("TexH");
  u.maxAngle = controlRange::maxAngle.clamp(integer("Angle"));
  u.margin = controlRange::margin.clamp(integer("Margin"));
  u.maxStretch = controlRange::maxStretch.clamp(integer("Stretch"));
  u.rotateMode = controlRange::rotate.pick(integer("Rotate"));
  u.upAxisChoice = controlRange::upAxis.pick(integer("UpAxis"));
  u.mergeSurfaces = integer("Merge") != 0;
  u.mirrorAxis = controlRange::mirror.pick(integer("Mirror"));
  u.layerUnwrap = integer("LayerUnwrap") != 0;
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
  st.x = ini.real("StencilX");
  st.y = ini.real("StencilY");
  const double scale = ini.real("StencilScale");
  st.scale = scale > 0 ? std::max(scale, controlRange::stencilScaleLow) : 1.0;
  st.angle = ini.real("StencilAngle");
  st.show = ini.integer("StencilShow") != 0;
  st.opacity = controlRange::stencilOpacity.clamp(ini.integer("StencilOpacity"));
  return st;
}

// The anchor needs both keys, eight fields and a triangle of the model.
PatternState patternFrom(const IniValues& ini, const ProjectEntries& entries,
                         int64_t triangleCount, std::vector<UnreadImage>& unread) {
  PatternState pattern;
  sourceImageFrom(pattern.image, ini.text("PatternFile"), entries, false, unread);
  if (ini.has("PatternTile") && ini.real("PatternTile") > 0)
    pattern.tile = fromHundredths(ini.real("PatternTile"), controlRange::patternTileCm);
  pattern.tint = ini.integer("PatternTint") != 0;
  pattern.rotate = static_cast<int>(ini.integer("PatternRotate") & 3);
  pattern.mapping = static_cast<int>(ini.integer("PatternMapping") & 1);
  const std::vector<std::string> offset = ini.fields("PatternOffset");
  pattern.offsetX = fromHundredths(leadingReal(offset[0]), controlRange::patternOffsetPercent);
  pattern.offsetY = fromHundredths(offset.size() > 1 ? leadingReal(offset[1]) : 0,
                                   controlRange::patternOffsetPercent);
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
  v.paintSource = static_cast<PaintSource>(
      ini.has("PaintSource") ? controlRange::paintSource.pick(ini.integer("PaintSource"))
                             : (ini.integer("StencilUse") != 0 ? 1 : 0));
  if (ini.has("Dist") && ini.real("Dist") > 0) {
    v.yaw = ini.real("Yaw");
    v.pitch = std::clamp(ini.real("Pitch"), -controlRange::pitchLimit, controlRange::pitchLimit);
    v.dist = ini.real("Dist");
    v.panX = ini.real("PanX");
    v.panY = ini.real("PanY");
  }
  if (ini.has("Tool")) {
    v.tool = static_cast<Tool>(controlRange::tool.pick(ini.integer("Tool")));
    v.brushColor = static_cast<uint32_t>(ini.integer("BrushColor")) & 0xFFFFFFu;
    v.brushSize = controlRange::brushSize.clamp(ini.integer("BrushSize"));
    v.opacity = controlRange::opacity.clamp(ini.integer("Opacity"));
    v.hardness = controlRange::hardness.clamp(ini.integer("Hardness"));
    v.brushTip = controlRange::brushTip.pick(ini.integer("BrushTip"));
    v.edges = ini.integer("Edges") != 0;
  }
  if (ini.has("ViewMode"))
    v.viewMode = static_cast<ViewMode>(controlRange::viewMode.pick(ini.integer("ViewMode")));
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
  if (!modelBytes || !readModelSnapshot(c.lockedModel, *modelBytes) ||
      c.lockedModel.triangleCount() != workModel.triangleCount())
    return std::nullopt;
  c.paintingFollows = ini.integer("PaintingFollows") != 0;
  c.texture = textureFrom(entries, "texture_before.png", unread);
  c.settings = settingsFrom(ini, "Before");
  c.reportText = unescapeInfo(ini.text("InfoBefore"));
  c.layers = layersFrom(ini, c.lockedModel.layerCount(), "Before");
  return c;
}

// ---- Writing --------------------------------------------------------------------------------

// The settings keys from "MapMode" to "Mirror", each followed by `suffix`.
void addSettings(IniWriter& ini, const UnwrapSettings& u, const std::string& suffix) {
  ini.addInt("MapMode" + suffix, static_cast<int>(u.mapMode));
  ini.addInt("TexW" + suffix, u.layoutWidth);
  ini.addInt("TexH" + suffix, u.layoutHeight);
  ini.addInt("Angle" + suffix, u.maxAngle);
  ini.addInt("Margin" + suffix, u.margin);
  ini.addInt("Stretch" + suffix, u.maxStretch);
  ini.addInt("Rotate" + suffix, static_cast<int>(u.rotateMode));
  ini.addInt("UpAxis" + suffix, static_cast<int>(u.upAxisChoice));
  ini.addInt("Merge" + suffix, u.mergeSurfaces);
  ini.addInt("Mirror" + suffix, static_cast<int>(u.mirrorAxis));
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
  addSettings(ini, c.settings, "Before");
  ini.addInt("LayerUnwrapBefore", c.settings.layerUnwrap);
  ini.add("InfoBefore", escapeInfo(c.reportText));
  addLayers(ini, c.layers, "Before");
}

// Every key in the order of the file; the stencil keys only with a stencil, the anchor keys
// only with an anchor.
std::string iniText(const ProjectRecord& r) {
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
  ini.addInt("Locked", r.layoutLocked);
  ini.add("ExportFile", r.exportPath);
  ini.add("TextureFile", r.textureFile);
  ini.add("Info", escapeInfo(r.reportText));
  ini.addInt("ViewMode", static_cast<int>(v.viewMode));
  ini.addReal("Yaw", v.yaw, 4);
  ini.addReal("Pitch", v.pitch, 4);
  ini.addReal("Dist", v.dist, 6);
  ini.addReal("PanX", v.panX, 6);
  ini.addReal("PanY", v.panY, 6);
  ini.addInt("Tool", static_cast<int>(v.tool));
  ini.addInt("BrushColor", v.brushColor);
  ini.addInt("BrushSize", v.brushSize);
  ini.addInt("Opacity", v.opacity);
  ini.addInt("Hardness", v.hardness);
  ini.addInt("BrushTip", v.brushTip);
  ini.addInt("Edges", v.edges);
  ini.addInt("LayerUnwrap", u.layerUnwrap);
  addLayers(ini, r.layers, "");
  if (st.image.loaded()) {
    ini.add("StencilFile", "stencil." + st.image.fileExt);
    ini.addReal("StencilX", st.x, 2);
    ini.addReal("StencilY", st.y, 2);
    ini.addReal("StencilScale", st.scale, 6);
    ini.addReal("StencilAngle", st.angle, 3);
    ini.addInt("StencilShow", st.show);
    ini.addInt("StencilOpacity", st.opacity);
  }
  ini.addInt("PaintSource", static_cast<int>(v.paintSource));
  ini.addReal("PatternTile", pa.tile, 4);
  ini.addInt("PatternTint", pa.tint);
  ini.addInt("PatternRotate", pa.rotate);
  ini.addInt("PatternMapping", pa.mapping);
  ini.add("PatternOffset", fixedText(pa.offsetX, 3) + "," + fixedText(pa.offsetY, 3));
  if (pa.anchorFace >= 0) {
    ini.addInt("AnchorFace", pa.anchorFace);
    std::vector<std::string> fields;
    for (double d : {pa.anchorBary[0], pa.anchorBary[1], pa.anchorUp[0], pa.anchorUp[1],
                     pa.anchorUp[2], pa.anchorRight[0], pa.anchorRight[1], pa.anchorRight[2]})
      fields.push_back(fixedText(d, 6));
    ini.add("Anchor", joinFields(fields, ','));
  }
  if (pa.image.loaded()) ini.add("PatternFile", "pattern." + pa.image.fileExt);
  if (r.layoutChange) addLayoutChange(ini, *r.layoutChange);
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

std::vector<ArchiveEntry> writeProjectEntries(const ProjectRecord& record) {
  const std::string ini = iniText(record);
  std::vector<ArchiveEntry> entries;
  entries.push_back({"project.ini", std::vector<uint8_t>(ini.begin(), ini.end())});
  entries.push_back({"source.bin", writeModelSnapshot(record.sourceModel)});
  entries.push_back({"model.bin", writeModelSnapshot(record.workModel)});
  addTextureEntry(entries, "texture.png", record.texture);
  const SourceImage& stencil = record.stencil.image;
  const SourceImage& pattern = record.pattern.image;
  if (stencil.loaded()) entries.push_back({"stencil." + stencil.fileExt, stencil.fileBytes});
  if (pattern.loaded()) entries.push_back({"pattern." + pattern.fileExt, pattern.fileBytes});
  if (const std::optional<LayoutChangeRecord>& change = record.layoutChange) {
    entries.push_back({"model_before.bin", writeModelSnapshot(change->lockedModel)});
    addTextureEntry(entries, "texture_before.png", change->texture);
  }
  return entries;
}
