#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "image/image.h"
#include "project/archive.h"
#include "unwrap/unwrap_settings.h"
#include "project/project_file.h"
#include "project/project_ini.h"
#include "project/snapshot.h"

namespace {

TEST(ProjectIni, ReadingRules) {
  const IniValues v(
      "; Quillmap project\r\n"
      "Version=2\r\n"
      "=orphan\n"
      "no equals sign\n"
      "  Margin  = 8 \n"
      "Info=a=b\n"
      "TexW=256\n"
      "TexW=1024\n"
      "\n"
      ";Angle=3\n");
  EXPECT_EQ(v.integer("Version"), 2);
  EXPECT_EQ(v.text("Margin"), " 8 ");  // value untrimmed; its number still reads
  EXPECT_EQ(v.integer("Margin"), 8);
  EXPECT_EQ(v.text("Info"), "a=b");    // split at the first "="
  EXPECT_EQ(v.integer("TexW"), 1024);  // the later line wins
  EXPECT_FALSE(v.has("Angle"));
  EXPECT_FALSE(v.has(""));
  EXPECT_EQ(v.integer("Missing"), 0);
  EXPECT_TRUE(IniValues("; only a comment\n").empty());
}

TEST(ProjectIni, InfoEscapingRoundTrips) {
  const std::string report = "Line one\r\nC:\\new\\name\nends with \\";
  const std::string escaped = escapeInfo(report);
  EXPECT_EQ(escaped, "Line one\\nC:\\\\new\\\\name\\nends with \\\\");
  EXPECT_EQ(escaped.find('\n'), std::string::npos);
  EXPECT_EQ(unescapeInfo(escaped), "Line one\nC:\\new\\name\nends with \\");
}

TEST(ProjectIni, WriterFormatsNumbersWithoutTheLocale) {
  IniWriter w;
  w.addInt("TexW", 512);
  w.addReal("Yaw", 0.123456, 4);
  w.addReal("Dist", -2.5, 6);
  EXPECT_EQ(w.text(), "; Quillmap project\nTexW=512\nYaw=0.1235\nDist=-2.500000\n");
}

TEST(Archive, WritesEntriesInOrderAndReadsThemBack) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("quillmap_archive_" + std::to_string(::getpid()) + ".zip")).string();
  std::vector<uint8_t> big(300000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7 % 251);
  const std::vector<ArchiveEntry> entries = {
      {"project.ini", {'a', '=', '1', '\n'}, true}, {"model.bin", big, true}, {"empty", {}, true}};
  ASSERT_EQ(writeZipArchive(path, entries), ArchiveWrite::ok);
  const auto read = readZipArchive(path, {"model.bin", "project.ini", "empty", "absent"});
  ASSERT_TRUE(read);
  EXPECT_EQ(read->size(), 3u);
  EXPECT_EQ(read->at("model.bin"), big);
  EXPECT_EQ(read->at("project.ini"), entries[0].bytes);
  EXPECT_TRUE(read->at("empty").empty());
  // Names are exact: another case is another entry.
  EXPECT_EQ(readZipArchive(path, {"MODEL.BIN"})->size(), 0u);
  // An entry over its limit is left out and named; the others are read as usual.
  std::vector<std::string> leftOut;
  const auto limited = readZipArchive(
      path, {"model.bin", "project.ini"},
      [](const std::string& name) { return fixedLimit(name == "model.bin" ? 1000 : kMaxEntryBytes); },
      &leftOut);
  ASSERT_TRUE(limited);
  EXPECT_EQ(limited->count("model.bin"), 0u);
  EXPECT_EQ(limited->at("project.ini"), entries[0].bytes);
  EXPECT_EQ(leftOut, std::vector<std::string>{"model.bin"});
  // A limit that sees from the first bytes that the entry is no good stops the reading there.
  size_t longestHead = 0;
  const auto refused = readZipArchive(path, {"model.bin"}, [&](const std::string&) -> EntryLimit {
    return [&](std::span<const uint8_t> head) {
      longestHead = std::max(longestHead, head.size());
      return size_t{0};
    };
  });
  EXPECT_EQ(refused->count("model.bin"), 0u);
  EXPECT_GT(longestHead, 0u);
  EXPECT_LE(longestHead, size_t{1} << 16);
  // A failed entry marks the write as failed but the others are still written.
  ASSERT_EQ(writeZipArchive(path, {{"a", {1}, true}, {"b", {}, false}, {"c", {3}, true}}),
            ArchiveWrite::entryFailed);
  EXPECT_EQ(readZipArchive(path, {"a", "c"})->size(), 2u);
  std::filesystem::remove(path);
  EXPECT_EQ(writeZipArchive("/nonexistent/folder/x.qmap", entries), ArchiveWrite::cannotCreate);
  EXPECT_FALSE(readZipArchive("/nonexistent/x.qmap", {"a"}));
  EXPECT_FALSE(readZipArchiveBytes({'n', 'o', 't', ' ', 'z', 'i', 'p'}, {"a"}));
}

// Names read from a project's text may only name entries at the archive's top level.
TEST(Archive, PlainEntryNames) {
  for (const std::string name : {"stencil.png", "stencil.gif", "stencil.", "stencil", "pattern.jfif",
                                 "a b.png", "stencil.\xC3\xA9"})
    EXPECT_TRUE(isPlainEntryName(name)) << name;
  for (const std::string name : {"", "..", "../stencil.png", "a..b", "sub/stencil.png", "/stencil.png",
                                 "sub\\stencil.png", "stencil\n.png", "stencil\x7F", "tab\tname"})
    EXPECT_FALSE(isPlainEntryName(name)) << name;
  EXPECT_FALSE(isPlainEntryName(std::string_view("a\0b", 3)));
}

TEST(SettingsTables, TextureSides) {
  const UnwrapSetting& side = unwrapSetting::layoutWidth;
  EXPECT_EQ(std::vector<int>(side.sides.begin(), side.sides.end()),
            (std::vector<int>{32, 64, 128, 256, 512, 1024, 2048}));
  EXPECT_EQ(side.index(512), 4);
  EXPECT_EQ(side.index(2048), 6);
  EXPECT_EQ(side.index(300), 0);
  EXPECT_EQ(side.bring(int64_t{2048}), 2048);
  EXPECT_EQ(side.bring(int64_t{300}), 32);
}

// Two triangles on two layers.
Model twoTriangles() {
  Model m;
  m.hasUVs = true;
  for (int i = 0; i < 4; ++i) m.vertices.push_back({float(i), 1, 0, 0.25f * i, 0.5f});
  m.triangles = {{0, 1, 2, 0, 0}, {2, 1, 3, 0, 1}};
  m.materialNames = {"Surface 1"};
  m.layerNames = {"Hull", "Tower"};
  return m;
}

ProjectEntries entriesOf(const std::vector<ArchiveEntry>& written) {
  ProjectEntries entries;
  for (const ArchiveEntry& e : written) entries[e.name] = e.bytes;
  return entries;
}

std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

// Every stored value away from its default and exact at the decimals it is written with, so a
// key that is not written, not read or read into the wrong field shows as a difference.
ProjectRecord everyValueSet() {
  ProjectRecord r;
  r.workModel = twoTriangles();
  r.sourceModel = twoTriangles();
  r.sourceModel.zUp = true;
  r.settings = {MapMode::smooth, 256, 1024, 33, 7, 55, RotateMode::all, UpAxis::y, false, true,
                MirrorAxis::upDown};
  r.modelPath = "/models/tank.3ds";
  r.sourceSize = 1234;
  r.sourceDate = 1700000000;
  r.exportPath = "/games/Models/tank.3ds";
  r.textureFile = "/pictures/tank.png";
  r.reportText = "Line one\nC:\\new\\n folder\n";
  r.layoutLocked = true;  // as the painted texture makes it on reading
  r.texture = Image(2, 2, 0x00102030);
  r.texture.at(1, 1) = 0x00FFFFFF;
  Image stencil(2, 1, rgba(1, 2, 3, 4));
  stencil.at(1, 0) = rgba(5, 6, 7, 0);
  EXPECT_TRUE(loadSourceImage(r.stencil.image, encodeTga(stencil, true), "tga", true));
  r.stencil = {r.stencil.image, 10.25, -3.5, 0.75, 12.125, false, 33};
  EXPECT_TRUE(loadSourceImage(r.pattern.image, encodeBmp(Image(3, 3, rgba(9, 8, 7))), "bmp", false));
  r.pattern.tile = 0.35;
  r.pattern.tint = true;
  r.pattern.rotate = PatternTurn::threeQuarters;
  r.pattern.mapping = PatternMapping::anchor;
  r.pattern.offsetX = 0.25;
  r.pattern.offsetY = -0.5;
  r.pattern.anchorFace = 1;
  r.pattern.anchorBary[0] = 0.25;
  r.pattern.anchorBary[1] = 0.5;
  r.pattern.anchorUp[1] = 1;
  r.pattern.anchorRight[0] = -1;
  r.view = {ViewMode::texture, {1.25, -0.5, 3.5, 0.125, -0.25}, Tool::fillLayer, 0x102030, 40,
            70, 20, BrushTip::chalk, false, PaintSource::pattern};
  resizeLayerState(r.layers, 2);
  r.layers.color[1] = 0x123456;
  r.layers.hidden[0] = 1;
  r.layers.locked[1] = 1;
  r.layers.curLayer = 1;
  r.layers.onlyLayer = true;
  return r;
}

TEST(ProjectFile, EveryValueRoundTripsThroughTheEntries) {
  const ProjectRecord record = everyValueSet();
  const std::vector<ArchiveEntry> written = writeProjectEntries(record);
  std::vector<std::string> names;
  for (const ArchiveEntry& e : written) {
    names.push_back(e.name);
    EXPECT_TRUE(e.ok) << e.name;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"project.ini", "source.bin", "model.bin",
                                             "texture.png", "stencil.tga", "pattern.bmp"}));
  const std::optional<ProjectRecord> read = readProjectEntries(entriesOf(written), ViewState{});
  ASSERT_TRUE(read);
  // Part by part, so a failure names the part.
  EXPECT_TRUE(read->workModel == record.workModel && read->sourceModel == record.sourceModel);
  EXPECT_TRUE(read->settings == record.settings);
  EXPECT_EQ(read->modelPath, record.modelPath);
  EXPECT_EQ(read->sourceSize, record.sourceSize);
  EXPECT_EQ(read->sourceDate, record.sourceDate);
  EXPECT_EQ(read->exportPath, record.exportPath);
  EXPECT_EQ(read->textureFile, record.textureFile);
  EXPECT_EQ(read->reportText, record.reportText);
  EXPECT_EQ(read->texture, record.texture);
  EXPECT_TRUE(read->stencil == record.stencil);
  EXPECT_TRUE(read->pattern == record.pattern);
  EXPECT_TRUE(read->view == record.view);
  EXPECT_TRUE(read->layers == record.layers);
  EXPECT_TRUE(*read == record);
  // Nothing loaded, nothing written for it: no texture, stencil, pattern or anchor.
  ProjectRecord plain;
  plain.workModel = twoTriangles();
  const std::vector<ArchiveEntry> few = writeProjectEntries(plain);
  ASSERT_EQ(few.size(), 3u);
  const std::string ini(few[0].bytes.begin(), few[0].bytes.end());
  for (const char* key : {"\nStencil", "\nAnchor", "\nPatternFile"})
    EXPECT_EQ(ini.find(key), std::string::npos) << key;
}

TEST(ProjectFile, RefusedAndMissingEntries) {
  const ProjectEntries good = entriesOf(writeProjectEntries(everyValueSet()));
  auto without = [&](const std::string& name) {
    ProjectEntries e = good;
    e.erase(name);
    return e;
  };
  auto with = [&](const std::string& name, const std::string& bytes) {
    ProjectEntries e = good;
    e[name] = bytesOf(bytes);
    return e;
  };
  struct Case {
    const char* what;
    ProjectEntries entries;
  };
  for (const Case& c : {Case{"no model.bin", without("model.bin")},
                        Case{"damaged model.bin", with("model.bin", "UVM1")},
                        Case{"no project.ini", without("project.ini")},
                        Case{"no key", with("project.ini", "; Quillmap project\n=1\n")}})
    EXPECT_FALSE(readProjectEntries(c.entries, ViewState{})) << c.what;

  // A source model that cannot be read, or holds no triangle, is stood in for by the work
  // model, so that the next unwrap still has the model to work on.
  ProjectEntries emptySource = good;
  emptySource["source.bin"] = writeModelSnapshot(Model{});
  for (const Case& c : {Case{"no source.bin", without("source.bin")},
                        Case{"damaged source.bin", with("source.bin", "UVM")},
                        Case{"source.bin without triangles", emptySource}}) {
    const auto r = readProjectEntries(c.entries, ViewState{});
    ASSERT_TRUE(r) << c.what;
    EXPECT_TRUE(r->sourceFromWorkModel) << c.what;
    EXPECT_EQ(r->sourceModel, r->workModel) << c.what;  // the settings say Y up
  }
  EXPECT_FALSE(readProjectEntries(good, ViewState{})->sourceFromWorkModel);
  // With Z up the stand-in is turned back, so that the unwrap turns it as the work model is.
  ProjectRecord zUp = everyValueSet();
  zUp.settings.upAxisChoice = UpAxis::z;
  ProjectEntries zUpEntries = entriesOf(writeProjectEntries(zUp));
  zUpEntries.erase("source.bin");
  const auto turned = readProjectEntries(zUpEntries, ViewState{});
  ASSERT_TRUE(turned);
  EXPECT_TRUE(turned->sourceModel.zUp);
  EXPECT_NE(turned->sourceModel.vertices, turned->workModel.vertices);
  Model upright = turned->sourceModel;
  modelToYUp(upright);
  EXPECT_EQ(upright, turned->workModel);

  // A texture, stencil or pattern entry that does not decode is left out and reported, with why.
  ViewState shown;
  shown.viewMode = ViewMode::texture;
  const auto unpainted = readProjectEntries(with("texture.png", "not a png"), shown);
  ASSERT_TRUE(unpainted);
  EXPECT_TRUE(unpainted->texture.empty());
  EXPECT_EQ(unpainted->view.viewMode, ViewMode::texture);  // the file's ViewMode=1
  EXPECT_EQ(unpainted->unreadImages,
            (std::vector<UnreadImage>{{"texture.png", "not a PNG, JPEG, TGA or BMP image"}}));
  ProjectEntries tooLarge = with("stencil.tga", "cut");
  tooLarge["texture.png"] = encodePng(Image(kMaxImageSide + 1, 1), false);
  const auto refusedImages = readProjectEntries(tooLarge, ViewState{});
  ASSERT_TRUE(refusedImages);
  EXPECT_TRUE(refusedImages->texture.empty());
  EXPECT_EQ(refusedImages->unreadImages,
            (std::vector<UnreadImage>{{"texture.png", "larger than 8192 pixels"},
                                      {"stencil.tga", "not a PNG, JPEG, TGA or BMP image"}}));
  EXPECT_TRUE(readProjectEntries(good, ViewState{})->unreadImages.empty());
  const auto noStencil = readProjectEntries(without("stencil.tga"), ViewState{});
  ASSERT_TRUE(noStencil);
  EXPECT_EQ(noStencil->stencil, StencilState{});
  EXPECT_EQ(noStencil->pattern, everyValueSet().pattern);
}

// everyValueSet in the middle of a layout change, its backups away from the new layout's.
ProjectRecord duringAChange() {
  ProjectRecord r = everyValueSet();
  LayoutChangeRecord c;
  c.paintingFollows = true;
  c.before.model = twoTriangles();
  c.before.model.vertices[3].u = 0.875f;
  c.before.model.layerNames.push_back("Extra");
  c.texture = Image(3, 1, 0x00406080);
  c.before.settings = {MapMode::keep, 64, 128, 12, 3, 20, RotateMode::never, UpAxis::z, true, false,
                MirrorAxis::frontBack};
  c.before.reportText = "Before\nC:\\old\n";
  resizeLayerState(c.before.layers, 3);
  c.before.layers.color[2] = 0x654321;
  c.before.layers.locked[2] = 1;
  c.before.layers.hidden[1] = 1;
  c.before.layers.curLayer = 2;
  r.layoutChange = std::move(c);
  return r;
}

TEST(ProjectFile, ALayoutChangeRoundTripsAfterEverythingElse) {
  const ProjectRecord record = duringAChange();
  const std::vector<ArchiveEntry> written = writeProjectEntries(record);
  std::vector<std::string> names;
  for (const ArchiveEntry& e : written) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"project.ini", "source.bin", "model.bin",
                                             "texture.png", "stencil.tga", "pattern.bmp",
                                             "model_before.bin", "texture_before.png"}));
  const std::optional<ProjectRecord> read = readProjectEntries(entriesOf(written), ViewState{});
  ASSERT_TRUE(read);
  ASSERT_TRUE(read->layoutChange);
  EXPECT_TRUE(read->layoutChange->before.model == record.layoutChange->before.model);
  EXPECT_TRUE(read->layoutChange->before.settings == record.layoutChange->before.settings);
  EXPECT_TRUE(read->layoutChange->before.layers == record.layoutChange->before.layers);
  EXPECT_TRUE(*read == record);

  // Everything the change adds comes after the keys of a project without one, which stay as
  // they were, so older programs read the file as the new layout, locked.
  const ProjectRecord plain = everyValueSet();
  const std::vector<ArchiveEntry> before = writeProjectEntries(plain);
  const std::string ini(written[0].bytes.begin(), written[0].bytes.end());
  const std::string plainIni(before[0].bytes.begin(), before[0].bytes.end());
  ASSERT_TRUE(ini.starts_with(plainIni));
  EXPECT_EQ(ini.substr(plainIni.size()),
            "; The layout change under way; \"Before\" is what Cancel brings back\n"
            "LayoutChanging=1\nPaintingFollows=1\nMapModeBefore=0\nTexWBefore=64\n"
            "TexHBefore=128\nAngleBefore=12\nMarginBefore=3\nStretchBefore=20\nRotateBefore=0\n"
            "UpAxisBefore=0\nMergeBefore=1\nMirrorBefore=2\nLayerUnwrapBefore=0\n"
            "InfoBefore=Before\\nC:\\\\old\\n\nCurLayerBefore=2\nOnlyLayerBefore=0\n"
            "LayerColorsBefore=" + std::to_string(layerDefaultColor(0)) + "," +
                std::to_string(layerDefaultColor(1)) + "," + std::to_string(0x654321) +
                "\nLayerHiddenBefore=0,1,0\nLayerLockedBefore=0,0,1\n");
  for (size_t i = 1; i < before.size(); ++i) EXPECT_EQ(written[i].bytes, before[i].bytes);

  // A change that started without a texture has none to store.
  ProjectRecord unpainted = duringAChange();
  unpainted.layoutChange->texture = Image();
  EXPECT_EQ(writeProjectEntries(unpainted).back().name, "model_before.bin");
  EXPECT_TRUE(*readProjectEntries(entriesOf(writeProjectEntries(unpainted)), ViewState{}) ==
              unpainted);
}

// The change's entries and keys are read like the others: what is missing, damaged or does not
// fit the project drops the change (the project opens locked on its new layout, as an older
// file does); values out of range are brought into it.
TEST(ProjectFile, ALayoutChangeThatDoesNotFitIsDropped) {
  const ProjectEntries good = entriesOf(writeProjectEntries(duringAChange()));
  auto changed = [&](const std::function<void(ProjectEntries&)>& edit) {
    ProjectEntries e = good;
    edit(e);
    return readProjectEntries(e, ViewState{});
  };
  auto iniPlus = [](ProjectEntries& e, const std::string& lines) {
    e["project.ini"].insert(e["project.ini"].end(), lines.begin(), lines.end());
  };
  Model oneTriangle = twoTriangles();
  oneTriangle.triangles.pop_back();
  const struct {
    const char* what;
    std::function<void(ProjectEntries&)> edit;
  } dropped[] = {
      {"no model_before.bin", [](ProjectEntries& e) { e.erase("model_before.bin"); }},
      {"damaged model_before.bin", [](ProjectEntries& e) { e["model_before.bin"] = bytesOf("UVM1"); }},
      {"other triangles",
       [&](ProjectEntries& e) { e["model_before.bin"] = writeModelSnapshot(oneTriangle); }},
      {"LayoutChanging=0", [&](ProjectEntries& e) { iniPlus(e, "LayoutChanging=0\n"); }},
      {"no LayoutChanging", [&](ProjectEntries& e) { iniPlus(e, "LayoutChanging=\n"); }},
  };
  for (const auto& c : dropped) {
    const auto r = changed(c.edit);
    ASSERT_TRUE(r) << c.what;
    EXPECT_FALSE(r->layoutChange) << c.what;
    EXPECT_TRUE(r->layoutLocked) << c.what;
    EXPECT_TRUE(r->workModel == everyValueSet().workModel) << c.what;
  }

  const auto noTexture = changed([](ProjectEntries& e) { e["texture_before.png"] = bytesOf("PNG"); });
  ASSERT_TRUE(noTexture && noTexture->layoutChange);
  EXPECT_TRUE(noTexture->layoutChange->texture.empty());

  const auto clamped = changed([&](ProjectEntries& e) {
    iniPlus(e, "TexWBefore=300\nTexHBefore=0\nMirrorBefore=7\nAngleBefore=-5\nCurLayerBefore=3\n"
               "LayerLockedBefore=1\nLayerColorsBefore=,16777471\n");
  });
  ASSERT_TRUE(clamped && clamped->layoutChange);
  const LayoutChangeRecord& c = *clamped->layoutChange;
  EXPECT_EQ(c.before.settings.layoutWidth, 32);
  EXPECT_EQ(c.before.settings.layoutHeight, 512);
  EXPECT_EQ(c.before.settings.mirrorAxis, MirrorAxis::off);
  EXPECT_EQ(c.before.settings.maxAngle, unwrapSetting::maxAngle.low);
  EXPECT_EQ(c.before.layers.curLayer, 0);
  EXPECT_EQ(c.before.layers.locked, (std::vector<uint8_t>{1, 0, 0}));
  EXPECT_EQ(c.before.layers.color, (std::vector<uint32_t>{layerDefaultColor(0), 0xFFu, layerDefaultColor(2)}));
}

// An entry is read only as far as it can be valid: a texture.png that is no PNG is given up
// after its first bytes and reported, and a model.bin that declares more vertices than its
// triangles' corners makes no project.
TEST(ProjectFile, EntriesAreReadOnlyAsFarAsTheyCanBeValid) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("quillmap_limits_" + std::to_string(::getpid()) + ".qmap"))
                               .string();
  std::vector<ArchiveEntry> entries = writeProjectEntries(everyValueSet());
  for (ArchiveEntry& e : entries)
    if (e.name == "texture.png") e.bytes.assign(size_t{4} << 20, 0);
  ASSERT_EQ(writeZipArchive(path, entries), ArchiveWrite::ok);
  ProjectReadError error = ProjectReadError::none;
  const auto r = readProjectFile(path, ViewState{}, error);
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->texture.empty());
  EXPECT_EQ(r->unreadImages,
            (std::vector<UnreadImage>{{"texture.png", "the entry is damaged or too large"}}));
  EXPECT_EQ(r->stencil, everyValueSet().stencil);

  std::vector<uint8_t> manyVertices = writeModelSnapshot(Model{});
  manyVertices[8] = 0x40;  // 64 vertices, no triangle
  manyVertices.resize(manyVertices.size() + 64 * 20);
  for (ArchiveEntry& e : entries)
    if (e.name == "model.bin") e.bytes = manyVertices;
  ASSERT_EQ(writeZipArchive(path, entries), ArchiveWrite::ok);
  EXPECT_FALSE(readProjectFile(path, ViewState{}, error));
  EXPECT_EQ(error, ProjectReadError::notAProject);
  std::filesystem::remove(path);
}

// A file without camera, tool or view mode keys leaves the 3D window as it is, except for a
// "Texture" view mode without a texture.
TEST(ProjectFile, AbsentViewKeysKeepTheShownView) {
  ProjectEntries entries = {{"project.ini", bytesOf("Dist=0\nYaw=3\n")},
                            {"model.bin", writeModelSnapshot(twoTriangles())}};
  ViewState shown{ViewMode::texture, {0.5, 0.25, 9, 1, 2}, Tool::assignTriangle, 0x445566, 30, 40,
                  50, BrushTip::splatter, false, PaintSource::colour};
  auto r = readProjectEntries(entries, shown);
  ASSERT_TRUE(r);
  ViewState expected = shown;
  expected.viewMode = ViewMode::testPattern;
  EXPECT_EQ(r->view, expected);
  EXPECT_FALSE(r->layoutLocked);

  entries["texture.png"] = encodePng(Image(1, 1, rgba(1, 2, 3)), true);
  shown.viewMode = ViewMode::unwrapPieces;
  r = readProjectEntries(entries, shown);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->view.viewMode, ViewMode::texture);
  EXPECT_TRUE(r->layoutLocked);
  EXPECT_EQ(r->texture.pixels, std::vector<uint32_t>{rgba(1, 2, 3, 0)});
}

}  // namespace
