#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <locale>
#include <utime.h>

#include "app/controller.h"
#include "app/help.h"
#include "app/unwrap_driver.h"
#include "app/window_rules.h"
#include "base/file_io.h"
#include "export/uv_layout.h"
#include "image/image.h"
#include "project/archive.h"
#include "paint/settings_tables.h"
#include "unwrap/unwrap_settings.h"
#include "project/project_ini.h"
#include "tests/flows/program_test.h"
#include "tools/meshgen/meshgen.h"

namespace {

namespace fs = std::filesystem;

class Flow : public ProgramTest {
 protected:
  Flow() : ProgramTest("quillmap_flow") { makeController(); }

  std::string writeModel(const GenMesh& mesh, const std::string& name) {
    EXPECT_TRUE(genWriteFile(mesh, path(name)));
    return path(name);
  }
  // Opens the cube model and saves it as cube.qmap.
  std::string savedCube() {
    EXPECT_TRUE(controller_->openFile(writeModel(genCube(), "cube.obj")));
    ui_.savePaths.push_back(path("cube"));
    EXPECT_TRUE(controller_->save());
    return path("cube.qmap");
  }
  // Writes `project` anew with this project.ini and its own models, plus `extra` entries.
  void rewriteProject(const std::string& project, const std::string& ini,
                      const std::vector<ArchiveEntry>& extra = {}) {
    const auto models = readZipArchive(project, {"source.bin", "model.bin"});
    ASSERT_TRUE(models);
    std::vector<ArchiveEntry> entries = {{"project.ini", {ini.begin(), ini.end()}},
                                         {"source.bin", models->at("source.bin")},
                                         {"model.bin", models->at("model.bin")}};
    entries.insert(entries.end(), extra.begin(), extra.end());
    ASSERT_EQ(writeZipArchive(project, entries), ArchiveWrite::ok);
  }
};

TEST_F(Flow, NewProjectFromModelThenSaveAndReopen) {
  const std::string model = writeModel(genTwoObjects(), "house.3ds");
  ASSERT_TRUE(controller_->openFile(model));
  EXPECT_EQ(controller_->mainTitle(), "Quillmap - house (not saved) *");
  EXPECT_EQ(ui_.statusText[kStatusFile], "house.3ds");
  EXPECT_EQ(ui_.statusText[kStatusCounts],
            std::to_string(session_.document.workModel.triangleCount()) + " triangles, " +
                std::to_string(session_.document.stats.surfaceCount) + " surfaces");
  EXPECT_EQ(prefs_.recentFiles[0], model);
  EXPECT_EQ(prefsFile_.readText("LastDir", ""), dir().string() + "/");

  // Paint-free project with some 3D-window state and a layer edit.
  session_.document.layers.color[1] = 0x123456;
  session_.document.layers.hidden[0] = 1;
  session_.document.layers.curLayer = 1;
  session_.document.view.tool = Tool::fillSurface;
  session_.document.view.brushTip = BrushTip::splatter;
  session_.document.reportText += "C:\\new\\n folder\n";
  ui_.savePaths.push_back(path("house"));  // no extension: ".qmap" is added
  ASSERT_TRUE(controller_->save());
  EXPECT_EQ(ui_.saveDialogs[0].title, "Save project as");
  EXPECT_EQ(ui_.saveDialogs[0].fileName, "house.qmap");
  EXPECT_EQ(ui_.saveDialogs[0].folder, dir().string() + "/");
  EXPECT_EQ(ui_.statusText[kStatusNote], "Project saved: house.qmap");
  EXPECT_EQ(controller_->mainTitle(), "Quillmap - house.qmap");

  const Session saved = session_;
  makeController();
  ASSERT_TRUE(controller_->openFile(path("house.qmap")));
  EXPECT_EQ(session_.document.workModel, saved.document.workModel);
  EXPECT_EQ(session_.document.sourceModel, saved.document.sourceModel);
  EXPECT_EQ(session_.document.reportText, saved.document.reportText);
  EXPECT_EQ(session_.document.layers.color, saved.document.layers.color);
  EXPECT_EQ(session_.document.layers.hidden, saved.document.layers.hidden);
  EXPECT_EQ(session_.document.layers.curLayer, 1);
  EXPECT_EQ(session_.document.view.tool, Tool::fillSurface);
  EXPECT_EQ(session_.document.view.brushTip, BrushTip::splatter);
  EXPECT_EQ(session_.document.settings.layoutWidth, saved.document.settings.layoutWidth);
  EXPECT_EQ(session_.document.settings.upAxisChoice, UpAxis::z);
  EXPECT_EQ(session_.document.modelPath, model);
  EXPECT_FALSE(session_.document.layoutLocked);  // nothing painted, Locked=0
  EXPECT_EQ(controller_->mainTitle(), "Quillmap - house.qmap");
  EXPECT_EQ(ui_.statusText[kStatusNote], "");
  EXPECT_EQ(ui_.statusText[kStatusCounts],
            std::to_string(saved.document.workModel.triangleCount()) + " triangles, " +
                std::to_string(saved.document.workModel.materialCount()) + " surfaces");

  // The model file changes: opening says so. A missing model file says nothing.
  std::ofstream(model, std::ios::app) << "more";
  makeController();
  ASSERT_TRUE(controller_->openFile(path("house.qmap")));
  EXPECT_EQ(ui_.statusText[kStatusNote], "Note: house.3ds has changed since this project was made.");
  fs::remove(model);
  makeController();
  ASSERT_TRUE(controller_->openFile(path("house.qmap")));
  EXPECT_EQ(ui_.statusText[kStatusNote], "");
}

TEST_F(Flow, ProjectIniIsWrittenInOrderUnderAnyLocale) {
  if (std::setlocale(LC_ALL, "de_DE.UTF-8")) std::locale::global(std::locale("de_DE.UTF-8"));
  ASSERT_TRUE(controller_->openFile(writeModel(genCube(), "cube.obj")));
  session_.document.view.camera.dist = 2.5;  // a framed camera
  ui_.savePaths.push_back(path("cube"));
  ASSERT_TRUE(controller_->save());
  const std::string project = path("cube.qmap");
  std::locale::global(std::locale::classic());
  std::setlocale(LC_ALL, "C");
  const auto entries = readZipArchive(project, {"project.ini", "source.bin", "model.bin", "texture.png"});
  ASSERT_TRUE(entries);
  EXPECT_EQ(entries->count("texture.png"), 0u);  // nothing painted
  const std::vector<uint8_t>& bytes = entries->at("project.ini");
  const std::string ini(bytes.begin(), bytes.end());
  EXPECT_TRUE(ini.starts_with("; Quillmap project\nVersion=2\nSource=" + path("cube.obj") + "\nSourceSize="));
  std::vector<std::string> keys;
  for (size_t at = ini.find('\n') + 1; at < ini.size(); at = ini.find('\n', at) + 1)
    keys.push_back(ini.substr(at, ini.find('=', at) - at));
  const std::vector<std::string> expected = {
      "Version", "Source", "SourceSize", "SourceDate", "MapMode", "TexW", "TexH", "Angle",
      "Margin", "Stretch", "Rotate", "UpAxis", "Merge", "Mirror", "Locked", "ExportFile",
      "TextureFile", "Info", "ViewMode", "Yaw", "Pitch", "Dist", "PanX", "PanY", "Tool",
      "BrushColor", "BrushSize", "Opacity", "Hardness", "BrushTip", "Edges", "LayerUnwrap",
      "CurLayer", "OnlyLayer", "LayerColors", "LayerHidden", "LayerLocked", "PaintSource",
      "PatternTile", "PatternTint", "PatternRotate", "PatternMapping", "PatternOffset"};
  EXPECT_EQ(keys, expected);
  EXPECT_NE(ini.find("\nDist=2.500000\n"), std::string::npos);
  EXPECT_NE(ini.find("\nPatternTile=0.2000\nPatternTint=0\n"), std::string::npos);
  EXPECT_NE(ini.find("\nPatternOffset=0.000,0.000\n"), std::string::npos);
  EXPECT_NE(ini.find("\nBrushColor=1973960\n"), std::string::npos);  // 200 + 30*256 + 30*65536
}

TEST_F(Flow, ReadingClampsAndDefaults) {
  const std::string project = savedCube();
  rewriteProject(project,
                 "; Quillmap project\nTexW=0\nMirror=7\nTool=1\nBrushTip=9\nCurLayer=5\nStencilUse=1\n"
                 "LayerColors=,77\nMergeX=1\nLocked=1\nStencilFile=stencil.png\nStencilScale=-1\n"
                 "AnchorFace=3\nAnchor=1,2,3\nPatternRotate=6\nPatternMapping=3\n");
  makeController();
  ASSERT_TRUE(controller_->openFile(project));
  EXPECT_EQ(session_.document.settings.layoutWidth, 512);
  EXPECT_EQ(session_.document.settings.layoutHeight, 512);  // missing key, same rule
  EXPECT_EQ(session_.document.settings.mirrorAxis, MirrorAxis::off);
  EXPECT_EQ(session_.document.view.brushTip, BrushTip::round);
  EXPECT_EQ(session_.document.layers.curLayer, 0);
  // From the old StencilUse key.
  EXPECT_EQ(session_.document.view.paintSource, PaintSource::stencil);
  // An empty field keeps the default.
  EXPECT_EQ(session_.document.layers.color[0], layerDefaultColor(0));
  EXPECT_TRUE(session_.document.layoutLocked);
  EXPECT_FALSE(session_.document.stencil.image.loaded());  // no "stencil.png" entry
  EXPECT_EQ(session_.document.stencil.scale, 1.0);         // keys not applied
  EXPECT_EQ(session_.document.pattern.anchorFace, -1);     // Anchor without 7 commas
  EXPECT_EQ(session_.document.pattern.rotate, PatternTurn::half);
  EXPECT_EQ(session_.document.pattern.mapping, PatternMapping::anchor);
}

// CurLayer must name one of the model's layers; anything else opens on the first.
TEST_F(Flow, CurLayerOutsideTheLayersOpensOnTheFirst) {
  ASSERT_TRUE(controller_->openFile(writeModel(genTwoObjects(), "house.3ds")));
  ui_.savePaths.push_back(path("house"));
  ASSERT_TRUE(controller_->save());
  const int64_t count = session_.document.workModel.layerCount();
  ASSERT_GE(count, 2);
  const struct {
    int64_t stored, opened;
  } cases[] = {{count - 1, count - 1}, {count, 0}, {-1, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE("CurLayer=" + std::to_string(c.stored));
    rewriteProject(path("house.qmap"),
                   "; Quillmap project\nCurLayer=" + std::to_string(c.stored) + "\n");
    makeController();
    ASSERT_TRUE(controller_->openFile(path("house.qmap")));
    EXPECT_EQ(session_.document.layers.curLayer, c.opened);
  }
}

// Whatever a hand-edited or damaged project.ini holds, every value opens within the range of
// its control, and the next unwrap, the UV picture and a save work with them.
TEST_F(Flow, HostileProjectValuesOpenWithinTheirControlsRanges) {
  const std::string project = savedCube();
  const std::vector<uint8_t> png = encodePng(Image(2, 2, rgba(1, 2, 3)), true);
  const std::vector<ArchiveEntry> images = {{"stencil.png", png}, {"pattern.png", png}};
  const char* const keys[] = {
      "MapMode", "TexW", "TexH", "Angle", "Margin", "Stretch", "Rotate", "UpAxis", "Merge",
      "Mirror", "Locked", "ViewMode", "Yaw", "Pitch", "Dist", "PanX", "PanY", "Tool",
      "BrushColor", "BrushSize", "Opacity", "Hardness", "BrushTip", "Edges", "LayerUnwrap",
      "CurLayer", "OnlyLayer", "LayerColors", "LayerHidden", "LayerLocked", "StencilX",
      "StencilY", "StencilScale", "StencilAngle", "StencilShow", "StencilOpacity", "PaintSource",
      "PatternTile", "PatternTint", "PatternRotate", "PatternMapping", "AnchorFace"};
  auto inList = [](int64_t value, const auto& list) { return value >= 0 && value <= list.high; };
  auto finite = [](std::initializer_list<double> values) {
    return std::all_of(values.begin(), values.end(), [](double d) { return std::isfinite(d); });
  };
  for (const std::string value : {"-1", "-50", "-1000", "2147483647", "-2147483648",
                                  "99999999999999999999", "1e308", "-1e308", "1e999", "nan", "inf",
                                  "-inf", "", "garbage", "0"}) {
    SCOPED_TRACE("value " + value);
    std::string ini = "; Quillmap project\nStencilFile=stencil.png\nPatternFile=pattern.png\n";
    for (const char* key : keys) ini += std::string(key) + "=" + value + "\n";
    ini += "PatternOffset=" + value + "," + value + "\nAnchor=" + value;
    for (int i = 0; i < 7; ++i) ini += "," + value;
    rewriteProject(project, ini + "\n", images);
    makeController();
    ASSERT_TRUE(controller_->openFile(project));

    const UnwrapSettings& u = session_.document.settings;
    EXPECT_TRUE(inList(static_cast<int>(u.mapMode), unwrapSetting::mapMode));
    EXPECT_EQ(unwrapSetting::layoutWidth.bring(int64_t{u.layoutWidth}), u.layoutWidth);
    EXPECT_EQ(unwrapSetting::layoutHeight.bring(int64_t{u.layoutHeight}), u.layoutHeight);
    EXPECT_TRUE(unwrapSetting::maxAngle.range().contains(u.maxAngle));
    EXPECT_TRUE(unwrapSetting::margin.range().contains(u.margin));
    EXPECT_TRUE(unwrapSetting::maxStretch.range().contains(u.maxStretch));
    EXPECT_TRUE(inList(static_cast<int>(u.rotateMode), unwrapSetting::rotate));
    EXPECT_TRUE(inList(static_cast<int>(u.upAxisChoice), unwrapSetting::upAxis));
    EXPECT_TRUE(inList(static_cast<int>(u.mirrorAxis), unwrapSetting::mirror));
    const ViewState& v = session_.document.view;
    EXPECT_TRUE(inList(static_cast<int>(v.viewMode), viewSetting::viewMode));
    EXPECT_TRUE(finite({v.camera.yaw, v.camera.pitch, v.camera.dist, v.camera.panX, v.camera.panY}));
    EXPECT_LE(std::abs(v.camera.pitch), viewSetting::pitch.high);
    EXPECT_GE(v.camera.dist, 0);
    EXPECT_TRUE(inList(static_cast<int>(v.tool), brushSetting::tool));
    EXPECT_TRUE(brushSetting::size.range().contains(v.brushSize));
    EXPECT_TRUE(brushSetting::opacity.range().contains(v.opacity));
    EXPECT_TRUE(brushSetting::hardness.range().contains(v.hardness));
    EXPECT_TRUE(inList(static_cast<int>(v.brushTip), brushSetting::tip));
    EXPECT_TRUE(inList(static_cast<int>(v.paintSource), brushSetting::source));
    EXPECT_LE(v.brushColor, 0xFFFFFFu);
    const StencilState& st = session_.document.stencil;
    ASSERT_TRUE(st.image.loaded());
    EXPECT_TRUE(finite({st.x, st.y, st.angle, st.scale}));
    EXPECT_GE(st.scale, stencilSetting::kScaleLow);
    EXPECT_TRUE(stencilSetting::opacity.range().contains(st.opacity));
    const PatternState& pa = session_.document.pattern;
    ASSERT_TRUE(pa.image.loaded());
    EXPECT_GE(pa.tile, patternSetting::tile.low / 100.0);
    EXPECT_LE(pa.tile, patternSetting::tile.high / 100.0);
    for (double offset : {pa.offsetX, pa.offsetY}) EXPECT_LE(std::abs(offset), 1.0);
    EXPECT_TRUE(inList(static_cast<int>(pa.rotate), patternSetting::rotate));
    EXPECT_TRUE(inList(static_cast<int>(pa.mapping), patternSetting::mapping));
    EXPECT_GE(pa.anchorFace, -1);
    EXPECT_LT(pa.anchorFace, session_.document.workModel.triangleCount());
    EXPECT_TRUE(finite({pa.anchorBary[0], pa.anchorBary[1], pa.anchorUp[0], pa.anchorUp[1],
                        pa.anchorUp[2], pa.anchorRight[0], pa.anchorRight[1], pa.anchorRight[2]}));
    EXPECT_GE(session_.document.layers.curLayer, 0);
    EXPECT_LT(session_.document.layers.curLayer, session_.document.layers.count());

    // The unwrap with these settings keeps every UV on the texture.
    unwrapModel(session_, ui_);
    ASSERT_EQ(session_.document.workModel.triangleCount(), 12);
    for (const Vertex& vertex : session_.document.workModel.vertices) {
      EXPECT_TRUE(vertex.u >= 0 && vertex.u <= 1 && vertex.v >= 0 && vertex.v <= 1)
          << vertex.u << ", " << vertex.v;
    }
    const Image picture = uvLayoutImage(session_.document.workModel, u.layoutWidth, u.layoutHeight);
    EXPECT_EQ(picture.width, u.layoutWidth);
    EXPECT_TRUE(controller_->saveProject(path("again.qmap"), true, false));
  }

  // Where the values land: spin boxes at the nearer end, list indices and sizes that name no
  // item at the first item, a size of 0 at 512.
  rewriteProject(project,
                 "; Quillmap project\nMapMode=7\nTexW=-1\nTexH=0\nAngle=-1000\nMargin=-50\n"
                 "Stretch=5000\nRotate=3\nMirror=-1\nViewMode=5\nDist=2\nPitch=120\nTool=9\n"
                 "BrushSize=0\nOpacity=500\nHardness=-5\nStencilFile=stencil.png\n"
                 "StencilScale=0.001\nStencilOpacity=101\nPaintSource=3\nPatternTile=0.001\n"
                 "PatternOffset=-2,3\nAnchorFace=12\nAnchor=0,0,0,0,0,0,0,0\n",
                 images);
  makeController();
  ASSERT_TRUE(controller_->openFile(project));
  const UnwrapSettings& u = session_.document.settings;
  EXPECT_EQ(u.mapMode, MapMode::keep);
  EXPECT_EQ(u.layoutWidth, 32);
  EXPECT_EQ(u.layoutHeight, 512);
  EXPECT_EQ(u.maxAngle, 1);
  EXPECT_EQ(u.margin, 0);
  EXPECT_EQ(u.maxStretch, 1000);
  EXPECT_EQ(u.rotateMode, RotateMode::never);
  EXPECT_EQ(u.mirrorAxis, MirrorAxis::off);
  EXPECT_EQ(session_.document.view.viewMode, ViewMode::testPattern);
  EXPECT_EQ(session_.document.view.camera.pitch, 89);
  EXPECT_EQ(session_.document.view.tool, Tool::brush);
  EXPECT_EQ(session_.document.view.brushSize, 1);
  EXPECT_EQ(session_.document.view.opacity, 100);
  EXPECT_EQ(session_.document.view.hardness, 0);
  EXPECT_EQ(session_.document.stencil.scale, 0.01);
  EXPECT_EQ(session_.document.stencil.opacity, 100);
  EXPECT_EQ(session_.document.view.paintSource, PaintSource::colour);
  EXPECT_EQ(session_.document.pattern.tile, 0.01);
  EXPECT_EQ(session_.document.pattern.offsetX, -1);
  EXPECT_EQ(session_.document.pattern.offsetY, 1);
  EXPECT_EQ(session_.document.pattern.anchorFace, -1);  // the cube has triangles 0 to 11
}

// The lowest and highest corner of the model, which a turn to the wrong up axis changes.
std::pair<Vertex, Vertex> extent(const Model& m) {
  Vertex low = m.vertices.at(0), high = low;
  for (const Vertex& v : m.vertices) {
    low = {std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z), 0, 0};
    high = {std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z), 0, 0};
  }
  return {low, high};
}

// A project whose model as read (source.bin) is gone opens with its work model in that place,
// says so once together with a texture.png that does not decode, unwraps to the same model
// turned the same way, and saves; saving without any model says why.
TEST_F(Flow, AProjectMissingItsSourceOrTextureSaysSoAndStillSaves) {
  ASSERT_TRUE(controller_->openFile(writeModel(genTwoObjects(), "house.3ds")));  // Z up
  Texture& t = session_.document.texture;
  t.TextureWidth = 2;
  t.TextureHeight = 1;
  t.TexturePixels = {1, 2};
  ui_.savePaths.push_back(path("house.qmap"));
  ASSERT_TRUE(controller_->save());
  const Model work = session_.document.workModel;
  auto entries = readZipArchive(path("house.qmap"), {"project.ini", "model.bin"});
  ASSERT_TRUE(entries);
  ASSERT_EQ(writeZipArchive(path("house.qmap"), {{"project.ini", entries->at("project.ini")},
                                                {"model.bin", entries->at("model.bin")},
                                                {"texture.png", {'n', 'o', 'p', 'e'}}}),
            ArchiveWrite::ok);

  makeController();
  ui_.shown.clear();
  ASSERT_TRUE(controller_->openFile(path("house.qmap")));
  ASSERT_EQ(ui_.shown.size(), 1u);
  EXPECT_EQ(ui_.shown[0].icon, Icon::warning);
  EXPECT_EQ(ui_.shown[0].text,
            "The project's source.bin (the model as read from its file) is missing or damaged; "
            "the unwrapped model takes its place.\n\n"
            "The project's texture.png could not be read: the entry is damaged or too large.\n"
            "It opens without that image.\n"
            "Saving it now stores the project without its painted texture.");
  EXPECT_EQ(session_.document.texture.TextureWidth, 0);
  EXPECT_EQ(session_.document.workModel, work);

  unwrapModel(session_, ui_);
  ASSERT_TRUE(session_.document.modelLoaded);
  EXPECT_EQ(session_.document.workModel.triangleCount(), work.triangleCount());
  EXPECT_EQ(extent(session_.document.workModel), extent(work));
  ui_.shown.clear();
  EXPECT_TRUE(controller_->save());
  EXPECT_TRUE(ui_.shown.empty());
  const auto saved = readZipArchive(path("house.qmap"), {"source.bin"});
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->count("source.bin"), 1u);

  session_.document.modelLoaded = false;
  EXPECT_FALSE(controller_->save());
  EXPECT_FALSE(controller_->exportToSeriousSam());
  ASSERT_EQ(ui_.shown.size(), 2u);
  EXPECT_EQ(ui_.shown[0].text, "There is no model to save.");
  EXPECT_EQ(ui_.shown[1].text, "There is no model to export.");
}

TEST_F(Flow, PaintedTextureStencilAndPatternRoundTrip) {
  ASSERT_TRUE(controller_->openFile(writeModel(genCube(), "cube.obj")));
  Texture& t = session_.document.texture;
  t.TextureWidth = 4;
  t.TextureHeight = 2;
  t.TexturePixels = {1, 2, 3, 0xFFFFFF, 0x10203, 5, 6, 7};
  t.TextureModified = true;
  Image stencilImage(2, 1);
  stencilImage.pixels = {rgba(1, 2, 3, 4), rgba(5, 6, 7, 0)};
  const std::vector<uint8_t> stencilPng = encodePng(stencilImage, true);
  ASSERT_TRUE(loadSourceImage(session_.document.stencil.image, stencilPng, "png", true));
  session_.document.stencil.angle = 12.3456;
  const std::vector<uint8_t> patternBmp = encodeBmp(Image(3, 3, rgba(9, 8, 7)));
  ASSERT_TRUE(loadSourceImage(session_.document.pattern.image, patternBmp, "bmp", false));
  // Every stored value away from its default, so a key that is not written or read shows.
  session_.document.stencil.x = 10.25;
  session_.document.stencil.y = -3.5;
  session_.document.stencil.scale = 0.75;
  session_.document.stencil.show = false;
  session_.document.stencil.opacity = 33;
  PatternState& p = session_.document.pattern;
  p.tile = 0.35;
  p.tint = true;
  p.rotate = PatternTurn::threeQuarters;
  p.mapping = PatternMapping::anchor;
  p.offsetX = 0.25;
  p.offsetY = -0.5;
  p.anchorFace = 2;
  p.anchorBary[0] = 0.25;
  p.anchorBary[1] = 0.5;
  p.anchorUp[1] = 1;
  p.anchorRight[0] = -1;
  ViewState& v = session_.document.view;
  v.camera = {1.25, -0.5, 3.5, 0.125, -0.25};
  v.tool = Tool::fillLayer;
  v.brushColor = 0x102030;
  v.brushSize = 40;
  v.opacity = 70;
  v.hardness = 20;
  v.brushTip = BrushTip::chalk;
  v.edges = false;
  v.paintSource = PaintSource::pattern;
  session_.document.layers.onlyLayer = true;
  session_.document.layers.locked[0] = 1;
  session_.document.exportPath = "/games/Models/cube.3ds";
  session_.document.settings.mapMode = MapMode::keep;
  session_.document.settings.maxAngle = 33;
  session_.document.settings.margin = 7;
  session_.document.settings.maxStretch = 55;
  session_.document.settings.rotateMode = RotateMode::all;
  session_.document.settings.mergeSurfaces = false;
  session_.document.settings.layerUnwrap = true;
  session_.document.settings.mirrorAxis = MirrorAxis::frontBack;
  const Session before = session_;
  ui_.savePaths.push_back(path("painted.qmap"));
  ASSERT_TRUE(controller_->save());
  EXPECT_FALSE(controller_->projectCountsAsChanged());

  makeController();
  ASSERT_TRUE(controller_->openFile(path("painted.qmap")));
  EXPECT_EQ(session_.document.texture.TextureWidth, 4);
  EXPECT_EQ(session_.document.texture.TexturePixels,
            (std::vector<uint32_t>{1, 2, 3, 0xFFFFFF, 0x10203, 5, 6, 7}));
  EXPECT_TRUE(session_.document.layoutLocked);  // a painted texture locks the layout
  EXPECT_EQ(session_.document.view.viewMode, ViewMode::texture);
  EXPECT_EQ(session_.document.stencil.image.fileBytes, stencilPng);
  EXPECT_EQ(session_.document.stencil.image.pixels, stencilImage);
  EXPECT_EQ(session_.document.stencil.angle, 12.346);  // three decimals
  EXPECT_EQ(session_.document.pattern.image.fileBytes, patternBmp);
  EXPECT_EQ(session_.document.pattern.image.fileExt, "bmp");
  const StencilState& st = session_.document.stencil;
  EXPECT_EQ(st.x, 10.25);
  EXPECT_EQ(st.y, -3.5);
  EXPECT_EQ(st.scale, 0.75);
  EXPECT_FALSE(st.show);
  EXPECT_EQ(st.opacity, 33);
  const PatternState& q = session_.document.pattern;
  EXPECT_EQ(q.tile, 0.35);
  EXPECT_TRUE(q.tint);
  EXPECT_EQ(q.rotate, PatternTurn::threeQuarters);
  EXPECT_EQ(q.mapping, PatternMapping::anchor);
  EXPECT_EQ(q.offsetX, 0.25);
  EXPECT_EQ(q.offsetY, -0.5);
  EXPECT_EQ(q.anchorFace, 2);
  EXPECT_EQ(q.anchorBary[0], 0.25);
  EXPECT_EQ(q.anchorBary[1], 0.5);
  EXPECT_EQ(q.anchorUp[1], 1.0);
  EXPECT_EQ(q.anchorRight[0], -1.0);
  const ViewState& w = session_.document.view;
  EXPECT_EQ(w.camera.yaw, 1.25);
  EXPECT_EQ(w.camera.pitch, -0.5);
  EXPECT_EQ(w.camera.dist, 3.5);
  EXPECT_EQ(w.camera.panX, 0.125);
  EXPECT_EQ(w.camera.panY, -0.25);
  EXPECT_EQ(w.tool, Tool::fillLayer);
  EXPECT_EQ(w.brushColor, 0x102030u);
  EXPECT_EQ(w.brushSize, 40);
  EXPECT_EQ(w.opacity, 70);
  EXPECT_EQ(w.hardness, 20);
  EXPECT_EQ(w.brushTip, BrushTip::chalk);
  EXPECT_FALSE(w.edges);
  EXPECT_EQ(w.paintSource, PaintSource::pattern);
  EXPECT_TRUE(session_.document.layers.onlyLayer);
  EXPECT_EQ(session_.document.layers.locked, before.document.layers.locked);
  EXPECT_EQ(session_.document.exportPath, before.document.exportPath);
  EXPECT_EQ(session_.document.texture.TextureFile, before.document.texture.TextureFile);
  EXPECT_EQ(session_.document.sourceSize, before.document.sourceSize);
  EXPECT_EQ(session_.document.sourceDate, before.document.sourceDate);
  const UnwrapSettings& a = session_.document.settings;
  const UnwrapSettings& b = before.document.settings;
  EXPECT_EQ(a.mapMode, b.mapMode);
  EXPECT_EQ(a.maxAngle, b.maxAngle);
  EXPECT_EQ(a.margin, b.margin);
  EXPECT_EQ(a.maxStretch, b.maxStretch);
  EXPECT_EQ(a.rotateMode, b.rotateMode);
  EXPECT_EQ(a.mergeSurfaces, b.mergeSurfaces);
  EXPECT_EQ(a.layerUnwrap, b.layerUnwrap);
  EXPECT_EQ(a.mirrorAxis, b.mirrorAxis);
  EXPECT_EQ(session_.document.workModel, before.document.workModel);
}

// A stencil or pattern comes back from the entry its key names, whatever the extension of the
// file it was loaded from; a name that could reach outside the archive's top level is refused.
TEST_F(Flow, StencilAndPatternEntriesOfAnyExtension) {
  const std::vector<uint8_t> stencilPng = encodePng(Image(2, 1, rgba(1, 2, 3, 4)), true);
  const std::vector<uint8_t> patternBmp = encodeBmp(Image(3, 3, rgba(9, 8, 7)));
  for (const std::string ext : {"gif", "webp", "jfif", ""}) {
    SCOPED_TRACE("extension '" + ext + "'");
    makeController();
    ASSERT_TRUE(controller_->openFile(writeModel(genCube(), "cube.obj")));
    ASSERT_TRUE(loadSourceImage(session_.document.stencil.image, stencilPng, ext, true));
    ASSERT_TRUE(loadSourceImage(session_.document.pattern.image, patternBmp, ext, false));
    session_.document.stencil.opacity = 33;
    ASSERT_TRUE(controller_->saveProject(path("any.qmap"), false, false));
    makeController();
    ASSERT_TRUE(controller_->openFile(path("any.qmap")));
    EXPECT_EQ(session_.document.stencil.image.fileBytes, stencilPng);
    EXPECT_EQ(session_.document.stencil.image.fileExt, ext);
    EXPECT_EQ(session_.document.stencil.opacity, 33);
    EXPECT_EQ(session_.document.pattern.image.fileBytes, patternBmp);
    EXPECT_EQ(session_.document.pattern.image.fileExt, ext);
  }

  const std::string project = path("any.qmap");
  for (const std::string name :
       {"sub/stencil.png", "../stencil.png", "/stencil.png", "a\\b.png", "st\x01.png"}) {
    SCOPED_TRACE(name);
    rewriteProject(project, "; Quillmap project\nStencilFile=" + name + "\nPatternFile=" + name + "\n",
                   {{name, stencilPng}});
    makeController();
    ASSERT_TRUE(controller_->openFile(project));
    EXPECT_FALSE(session_.document.stencil.image.loaded());
    EXPECT_FALSE(session_.document.pattern.image.loaded());
  }
}

TEST_F(Flow, SavingOverAProjectKeepsABackupAndCopiesLeaveThePathAlone) {
  const std::string project = savedCube();
  const std::string first = readText(project);
  session_.document.projectChanged = true;
  ASSERT_TRUE(controller_->save());
  EXPECT_EQ(readText(path("cube.bak")), first);
  // Save as onto the same file with other letter case asks nothing.
  ui_.savePaths.push_back(path("CUBE.QMAP"));
  session_.document.projectPath = path("cube.qmap");
  EXPECT_TRUE(controller_->saveAs(false));
  EXPECT_TRUE(ui_.shown.empty());
  // A copy proposes name_copy and leaves the project where it was.
  ui_.savePaths.push_back(path("other.qmap"));
  ASSERT_TRUE(controller_->saveAs(true));
  EXPECT_EQ(ui_.saveDialogs.back().title, "Save a copy of the project");
  EXPECT_EQ(ui_.saveDialogs.back().fileName, "CUBE_copy.qmap");
  EXPECT_EQ(ui_.statusText[kStatusNote], "Copy saved: other.qmap");
  EXPECT_EQ(session_.document.projectPath, path("CUBE.QMAP"));
  // Save as onto another existing file asks; No writes nothing.
  ui_.savePaths.push_back(path("other.qmap"));
  ui_.answers.push_back(Answer::no);
  const std::string other = readText(path("other.qmap"));
  EXPECT_FALSE(controller_->saveAs(false));
  EXPECT_EQ(ui_.lastText(), "other.qmap already exists. Overwrite it?");
  EXPECT_EQ(readText(path("other.qmap")), other);
  ui_.savePaths.push_back("");  // cancelled
  EXPECT_FALSE(controller_->saveAs(false));
}

TEST_F(Flow, FailedSavesLeaveThePreviousProjectWhole) {
  const std::string project = savedCube();
  const std::string before = readText(project);
  session_.document.projectChanged = true;

  // The folder cannot take the temporary file.
  session_.document.projectPath = path("missing/cube.qmap");
  EXPECT_FALSE(controller_->save());
  EXPECT_EQ(ui_.lastText(), "Cannot write " + path("missing/cube.qmap") + ".tmp");
  session_.document.projectPath = project;

  // An entry cannot be made (a texture whose pixels do not match its size).
  session_.document.texture.TextureWidth = 8;
  session_.document.texture.TextureHeight = 8;
  session_.document.texture.TexturePixels.assign(3, 0);
  EXPECT_FALSE(controller_->save());
  EXPECT_EQ(ui_.lastText(), "Could not save the project.");
  EXPECT_FALSE(fs::exists(project + ".tmp"));
  EXPECT_EQ(readText(project), before);
  session_.document.texture.TexturePixels.assign(64, 0);

  // The temporary file cannot be flushed to disk: it goes, the failure is reported, and the
  // previous project is neither replaced nor moved aside.
  std::string synced;
  controller_->syncFile = [&](int fd) {
    synced = fs::read_symlink("/proc/self/fd/" + std::to_string(fd)).string();
    return false;
  };
  const size_t messages = ui_.shown.size();
  EXPECT_FALSE(controller_->save());
  EXPECT_EQ(synced, (fs::canonical(dir()) / "cube.qmap.tmp").string());
  ASSERT_EQ(ui_.shown.size(), messages + 1);
  EXPECT_EQ(ui_.lastText(), "Could not save the project.");
  EXPECT_FALSE(fs::exists(project + ".tmp"));
  EXPECT_FALSE(fs::exists(path("cube.bak")));
  EXPECT_EQ(readText(project), before);
  controller_->syncFile = syncToDisk;

  // The final rename fails: the previous project goes back in place.
  controller_->renameFile = [&](const std::string& from, const std::string& to) {
    if (from == project + ".tmp") return false;
    return std::rename(from.c_str(), to.c_str()) == 0;
  };
  EXPECT_FALSE(controller_->save());
  EXPECT_EQ(ui_.lastText(), "Could not save " + project);
  EXPECT_EQ(readText(project), before);
  EXPECT_TRUE(controller_->projectCountsAsChanged());
}

TEST_F(Flow, UnsavedChangesGuard) {
  ASSERT_TRUE(controller_->openFile(writeModel(genCube(), "cube.obj")));
  const std::string other = writeModel(genQuad(), "quad.obj");
  // Cancel keeps everything.
  ui_.answers.push_back(Answer::cancel);
  EXPECT_FALSE(controller_->openFile(other));
  EXPECT_EQ(ui_.lastText(), "The project has changes that are not saved.\nSave them now?");
  EXPECT_EQ(session_.document.workModel.triangleCount(), 12);
  // Yes, then the Save as dialog is cancelled: refused.
  ui_.answers.push_back(Answer::yes);
  ui_.savePaths.push_back("");
  EXPECT_FALSE(controller_->openFile(other));
  EXPECT_EQ(session_.document.workModel.triangleCount(), 12);
  // No deletes the autosave and goes on.
  std::ofstream(controller_->autosavePath()) << "x";
  ui_.answers.push_back(Answer::no);
  EXPECT_TRUE(controller_->openFile(other));
  EXPECT_FALSE(fs::exists(controller_->autosavePath()));
  EXPECT_EQ(session_.document.workModel.triangleCount(), 2);
  // Yes with a save that works.
  ui_.answers.push_back(Answer::yes);
  ui_.savePaths.push_back(path("quad.qmap"));
  EXPECT_TRUE(controller_->openFile(path("cube.obj")));
  EXPECT_TRUE(fs::exists(path("quad.qmap")));
}

TEST_F(Flow, OpenRefusalsKeepTheCurrentProject) {
  ASSERT_TRUE(controller_->openFile(writeModel(genCube(), "cube.obj")));
  session_.document.projectChanged = false;  // nothing to guard
  const Model before = session_.document.workModel;
  const Model sourceBefore = session_.document.sourceModel;
  struct Case {
    std::string file, content, message;
  };
  const std::vector<Case> cases = {
      {"missing.obj", "", "File not found:\n" + path("missing.obj")},
      {"notes.txt", "x", "Only projects (.qmap) and models (.3ds, .obj) can be opened."},
      {"broken.qmap", "not a zip", "Cannot open " + path("broken.qmap")},
      {"points.obj", "v 0 0 0\n", "Could not open the model:\nGeen vlakken gevonden in " + path("points.obj")},
  };
  for (const Case& c : cases) {
    if (!c.content.empty()) std::ofstream(path(c.file)) << c.content;
    EXPECT_FALSE(controller_->openFile(path(c.file))) << c.file;
    EXPECT_EQ(ui_.lastText(), c.message);
    EXPECT_EQ(session_.document.workModel, before) << c.file;
    EXPECT_EQ(session_.document.sourceModel, sourceBefore) << c.file;
  }
  // The model that failed to read left the project whole: it unwraps again and saves its source.
  unwrapModel(session_, ui_);
  EXPECT_TRUE(session_.document.modelLoaded);
  EXPECT_EQ(session_.document.workModel, before);
  ui_.savePaths.push_back(path("kept.qmap"));
  ASSERT_TRUE(controller_->save());
  makeController();
  ASSERT_TRUE(controller_->openFile(path("kept.qmap")));
  EXPECT_EQ(session_.document.sourceModel, sourceBefore);
  // A ZIP without model.bin, or with an empty project.ini, is not a project.
  ASSERT_EQ(writeZipArchive(path("empty.qmap"), {{"project.ini", {'a', '=', '1', '\n'}}}), ArchiveWrite::ok);
  EXPECT_FALSE(controller_->openFile(path("empty.qmap")));
  EXPECT_EQ(ui_.lastText(), path("empty.qmap") + " is not a valid project file.");
  EXPECT_EQ(session_.document.workModel, before);
  EXPECT_TRUE(session_.document.modelLoaded);
}

TEST_F(Flow, AutosaveTicksAndTheNewerAutosaveQuestion) {
  const std::string project = savedCube();
  prefs_.autosave = 2;
  controller_->autosaveTick("10:00");  // nothing changed: no autosave
  EXPECT_FALSE(fs::exists(project + ".autosave"));
  session_.document.projectChanged = true;
  controller_->autosaveTick("10:01");
  EXPECT_FALSE(fs::exists(project + ".autosave"));
  session_.layoutChange.layoutChanging = true;
  controller_->autosaveTick("10:02");  // paused during a layout change
  session_.layoutChange.layoutChanging = false;
  controller_->autosaveTick("10:03");
  ASSERT_TRUE(fs::exists(project + ".autosave"));
  EXPECT_EQ(ui_.statusText[kStatusNote], "Autosaved at 10:03");
  EXPECT_FALSE(fs::exists(path("cube.bak")));  // an autosave makes no backup
  EXPECT_EQ(session_.document.projectPath, project);
  EXPECT_TRUE(controller_->projectCountsAsChanged());

  // Make the autosave newer than the project, with another report to tell them apart.
  session_.document.reportText = "from the autosave\n";
  ASSERT_TRUE(controller_->saveProject(project + ".autosave", false, true));
  struct utimbuf old {};
  old.actime = old.modtime = 1000000;
  ::utime(project.c_str(), &old);
  for (Answer answer : {Answer::no, Answer::yes}) {
    makeController();
    ui_.answers.push_back(answer);
    ASSERT_TRUE(controller_->openFile(project));
    EXPECT_EQ(ui_.shown.at(0).text,
              "There is an autosave of this project that is newer than the saved project.\n"
              "Probably the program was closed without saving.\n\nOpen the autosave?");
    EXPECT_EQ(session_.document.reportText == "from the autosave\n", answer == Answer::yes);
    EXPECT_EQ(session_.document.projectPath, project);
    EXPECT_EQ(controller_->projectCountsAsChanged(), answer == Answer::yes);
  }
  // A zero-byte autosave is not offered.
  std::ofstream(project + ".autosave", std::ios::trunc).close();
  makeController();
  ASSERT_TRUE(controller_->openFile(project));
  EXPECT_TRUE(ui_.shown.empty());
  // A normal save removes the autosave.
  std::ofstream(project + ".autosave") << "x";
  session_.document.projectChanged = true;
  ASSERT_TRUE(controller_->save());
  EXPECT_FALSE(fs::exists(project + ".autosave"));
}

TEST_F(Flow, UntitledAutosaveLivesInThePreferencesFolder) {
  ASSERT_TRUE(controller_->openFile(writeModel(genCube(), "cube.obj")));
  prefs_.autosave = 1;
  controller_->autosaveTick("09:30");
  EXPECT_TRUE(fs::exists(dir() / "prefs" / "untitled.autosave.qmap"));
  EXPECT_EQ(prefs_.recentFiles[0], path("cube.obj"));  // untouched by the autosave
  EXPECT_EQ(prefs_.lastProjectDir, "");
  EXPECT_EQ(prefsFile_.readText("LastProjectDir", "none"), "none");
  prefs_.autosave = 0;
  fs::remove(dir() / "prefs" / "untitled.autosave.qmap");
  controller_->autosaveTick("09:31");
  EXPECT_FALSE(fs::exists(dir() / "prefs" / "untitled.autosave.qmap"));
}

TEST_F(Flow, StartUpOffersTheUntitledAutosave) {
  const std::string untitled = (dir() / "prefs" / "untitled.autosave.qmap").string();
  const std::string question = "There is an autosave of a project that was never saved.\nOpen it?";
  auto leaveAnAutosave = [&] {
    makeController();
    ASSERT_TRUE(controller_->openFile(path("cube.obj")));
    session_.document.reportText = "autosaved work\n";
    prefs_.autosave = 1;
    controller_->autosaveTick("12:00");
    ASSERT_GT(fs::file_size(untitled), 0u);
  };
  writeModel(genCube(), "cube.obj");

  // No: the autosave is deleted and nothing is opened.
  leaveAnAutosave();
  makeController();
  ui_.answers.push_back(Answer::no);
  controller_->openAtStart({});
  ASSERT_EQ(ui_.shown.size(), 1u);
  EXPECT_EQ(ui_.shown[0].title, "Quillmap");
  EXPECT_EQ(ui_.shown[0].text, question);
  EXPECT_EQ(ui_.shown[0].icon, Icon::information);
  EXPECT_EQ(ui_.shown[0].buttons, Buttons::yesNo);
  EXPECT_FALSE(fs::exists(untitled));
  EXPECT_FALSE(session_.document.modelLoaded);

  // Yes: the work comes back as a changed, never-saved project. The autosave is not a file the
  // user chose, so the recent list and LastProjectDir stay as they were.
  leaveAnAutosave();
  makeController();
  const auto recentBefore = prefs_.recentFiles;
  ui_.answers.push_back(Answer::yes);
  controller_->openAtStart({});
  EXPECT_TRUE(session_.document.modelLoaded);
  EXPECT_EQ(session_.document.reportText, "autosaved work\n");
  EXPECT_EQ(session_.document.projectPath, "");
  EXPECT_EQ(controller_->mainTitle(), "Quillmap - cube (not saved) *");
  EXPECT_EQ(ui_.statusText[kStatusFile], "cube.obj");
  EXPECT_EQ(prefs_.recentFiles, recentBefore);
  EXPECT_EQ(prefsFile_.readText("LastProjectDir", "none"), "none");
  EXPECT_EQ(controller_->autosavePath(), untitled);
  // Its first save asks for a name beside the model and removes the autosave.
  ui_.savePaths.push_back(path("restored.qmap"));
  ASSERT_TRUE(controller_->save());
  EXPECT_EQ(ui_.saveDialogs.back().fileName, "cube.qmap");
  EXPECT_EQ(ui_.saveDialogs.back().folder, dir().string() + "/");
  EXPECT_FALSE(fs::exists(untitled));

  // A file argument skips the question and leaves the autosave alone.
  leaveAnAutosave();
  makeController();
  controller_->openAtStart({path("cube.obj")});
  EXPECT_TRUE(ui_.shown.empty());
  EXPECT_TRUE(session_.document.modelLoaded);
  EXPECT_TRUE(fs::exists(untitled));

  // A zero-byte autosave is neither offered nor deleted (ScriptedUi throws on a question).
  std::ofstream(untitled, std::ios::trunc).close();
  makeController();
  controller_->openAtStart({});
  EXPECT_TRUE(ui_.shown.empty());
  EXPECT_TRUE(fs::exists(untitled));

  // An autosave that is not a project: the error, and nothing is loaded.
  std::ofstream(untitled, std::ios::trunc) << "garbage";
  makeController();
  ui_.answers.push_back(Answer::yes);
  controller_->openAtStart({});
  EXPECT_EQ(ui_.lastText(), "Cannot open " + untitled);
  EXPECT_FALSE(session_.document.modelLoaded);
}

// Saving a never-saved project onto the untitled autosave file itself used to delete the file
// just written, as "the autosave that belonged to the project".
TEST_F(Flow, SavingOverTheOldAutosaveKeepsTheSavedFile) {
  ASSERT_TRUE(controller_->openFile(writeModel(genCube(), "cube.obj")));
  const std::string untitled = controller_->autosavePath();
  ui_.savePaths.push_back(untitled);
  ASSERT_TRUE(controller_->save());
  EXPECT_TRUE(fs::exists(untitled));
  // A saved project's own autosave (name + ".autosave") can never be a save target: saving
  // adds ".qmap" to any other extension.
}

TEST_F(Flow, GuardNoLeavesNothingToRecoverAtTheNextStart) {
  ASSERT_TRUE(controller_->openFile(writeModel(genCube(), "cube.obj")));
  prefs_.autosave = 1;
  controller_->autosaveTick("08:00");
  ASSERT_TRUE(fs::exists(controller_->autosavePath()));
  ui_.answers.push_back(Answer::no);
  EXPECT_TRUE(controller_->allowDiscard());  // quitting
  makeController();
  controller_->openAtStart({});
  EXPECT_TRUE(ui_.shown.empty());
}

TEST_F(Flow, OpenDialogsRecentEntriesAndExtensionCase) {
  const std::string cube = writeModel(genCube(), "CUBE.OBJ");
  const std::string box = writeModel(genCube(), "BOX.3DS");
  prefs_.lastDir = "/models/";
  prefs_.lastProjectDir = "/projects/";

  EXPECT_FALSE(controller_->newProjectDialog());  // cancelled
  ASSERT_EQ(ui_.openDialogs.size(), 1u);
  EXPECT_EQ(ui_.openDialogs[0].title, "New project from a 3D model");
  EXPECT_EQ(ui_.openDialogs[0].folder, "/models/");
  EXPECT_EQ(ui_.openDialogs[0].filter, "3D models (*.3ds;*.obj)|*.3ds;*.obj|All files (*.*)|*.*");
  EXPECT_TRUE(ui_.shown.empty());

  // Capital OBJ is read as OBJ and selects Y up; capital 3DS as 3DS with Z up.
  ui_.openPaths.push_back(cube);
  ASSERT_TRUE(controller_->newProjectDialog());
  EXPECT_EQ(session_.document.settings.upAxisChoice, UpAxis::y);
  EXPECT_EQ(session_.document.workModel.triangleCount(), 12);
  session_.document.projectChanged = false;
  ui_.openPaths.push_back(box);
  ASSERT_TRUE(controller_->openDialog());
  EXPECT_EQ(ui_.openDialogs[2].title, "Open");
  EXPECT_EQ(ui_.openDialogs[2].folder, "/projects/");
  EXPECT_EQ(ui_.openDialogs[2].filter,
            "Projects and models (*.qmap;*.3ds;*.obj)|*.qmap;*.3ds;*.obj|Projects (*.qmap)|*.qmap|"
            "3D models (*.3ds;*.obj)|*.3ds;*.obj|All files (*.*)|*.*");
  EXPECT_EQ(session_.document.settings.upAxisChoice, UpAxis::z);
  EXPECT_EQ(session_.document.modelPath, box);
  EXPECT_EQ(controller_->mainTitle(), "Quillmap - BOX (not saved) *");

  // The recent list: most recent first; an empty slot or one out of range does nothing.
  EXPECT_EQ(prefs_.recentFiles[0], box);
  EXPECT_EQ(prefs_.recentFiles[1], cube);
  session_.document.projectChanged = false;
  EXPECT_FALSE(controller_->openRecent(2));
  EXPECT_FALSE(controller_->openRecent(8));
  EXPECT_FALSE(controller_->openRecent(-1));
  EXPECT_TRUE(ui_.shown.empty());
  ASSERT_TRUE(controller_->openRecent(1));
  EXPECT_EQ(session_.document.modelPath, cube);
  EXPECT_EQ(prefs_.recentFiles[0], cube);
  EXPECT_EQ(prefs_.recentFiles[1], box);
  EXPECT_EQ(prefs_.recentFiles[2], "");

  // The same file typed in other letter case moves to the front without a duplicate.
  session_.document.projectChanged = false;
  const std::string lower = path("box.3ds");
  fs::rename(box, lower);
  ASSERT_TRUE(controller_->openFile(lower));
  EXPECT_EQ(prefs_.recentFiles[0], lower);
  EXPECT_EQ(prefs_.recentFiles[1], cube);
  EXPECT_EQ(prefs_.recentFiles[2], "");
  // A recent entry whose file has gone says so and keeps the project.
  session_.document.projectChanged = false;
  fs::remove(cube);
  EXPECT_FALSE(controller_->openRecent(1));
  EXPECT_EQ(ui_.lastText(), "File not found:\n" + cube);
  EXPECT_EQ(session_.document.modelPath, lower);
}

TEST_F(Flow, SaveProposalsAndExtensions) {
  ASSERT_TRUE(controller_->openFile(writeModel(genCube(), "tank.obj")));
  // A copy of a never-saved project proposes the model's name, without "_copy".
  ui_.savePaths.push_back("");
  EXPECT_FALSE(controller_->saveAs(true));
  EXPECT_EQ(ui_.saveDialogs.back().fileName, "tank.qmap");
  EXPECT_EQ(ui_.saveDialogs.back().filter, "Quillmap project (*.qmap)|*.qmap");
  // An extension of qmap in capitals gets no second one.
  ui_.savePaths.push_back(path("Tank.QMAP"));
  ASSERT_TRUE(controller_->saveAs(false));
  EXPECT_EQ(session_.document.projectPath, path("Tank.QMAP"));
  EXPECT_TRUE(fs::exists(path("Tank.QMAP")));
  // Another extension gets ".qmap" added.
  ui_.savePaths.push_back(path("tank.v2"));
  ASSERT_TRUE(controller_->saveAs(false));
  EXPECT_EQ(session_.document.projectPath, path("tank.v2.qmap"));
  EXPECT_EQ(controller_->mainTitle(), "Quillmap - tank.v2.qmap");
  // Saving without a model writes nothing and asks nothing.
  makeController();
  EXPECT_FALSE(controller_->save());
  EXPECT_FALSE(controller_->saveAs(false));
  EXPECT_TRUE(ui_.saveDialogs.empty());
}

TEST_F(Flow, ControlChangesUnwrapAgain) {
  // Without a model the settings are only kept.
  UnwrapSettings s = session_.document.settings;
  s.layoutWidth = 256;
  controller_->changeSettings(s, true);
  EXPECT_EQ(session_.document.settings.layoutWidth, 256);
  EXPECT_FALSE(session_.document.modelLoaded);

  ASSERT_TRUE(controller_->openFile(writeModel(genCylinder(12), "can.obj")));
  const Model before = session_.document.workModel;
  controller_->takeChanges();
  // A spin box: unwrap without a control refresh.
  s = session_.document.settings;
  s.margin = 20;
  controller_->changeSettings(s, false);
  Changes changes = controller_->takeChanges();
  EXPECT_FALSE(changes.controls);
  EXPECT_TRUE(changes.report && changes.uvView);
  EXPECT_NE(session_.document.workModel, before);
  EXPECT_EQ(session_.document.settings.margin, 20);
  // A list: refreshed, then unwrapped onto the new size.
  s.layoutWidth = 1024;
  s.layoutHeight = 128;
  const std::string report = session_.document.reportText;
  controller_->changeSettings(s, true);
  changes = controller_->takeChanges();
  EXPECT_TRUE(changes.controls);
  EXPECT_TRUE(changes.report && changes.uvView);
  EXPECT_NE(session_.document.reportText, report);  // another scale
  EXPECT_TRUE(controller_->projectCountsAsChanged());
}

TEST_F(Flow, UserGuideIsWrittenAndOpenedOrTheShortHelpShown) {
  fs::create_directories(dir() / "tmp");
  const std::string folder = (dir() / "tmp").string() + "/";
  const std::string guide = folder + "Quillmap_Help.html";
  std::ofstream(guide) << "an older, longer file that must not survive in part";
  controller_->userGuide(folder);
  EXPECT_EQ(ui_.documentsOpened, std::vector<std::string>{guide});
  EXPECT_EQ(readText(guide), std::string(userGuideHtml()));
  EXPECT_TRUE(ui_.shown.empty());
  controller_->userGuide(folder);  // F1 twice: the same file again
  EXPECT_EQ(ui_.documentsOpened.size(), 2u);
  EXPECT_EQ(readText(guide), std::string(userGuideHtml()));

  // The launch fails, or the folder cannot take the file: the short help.
  ui_.documentsOpen = false;
  controller_->userGuide(folder);
  controller_->userGuide(path("no/such/folder/"));
  EXPECT_EQ(ui_.documentsOpened.size(), 3u);  // the unwritable folder is not launched
  ASSERT_EQ(ui_.shown.size(), 2u);
  for (const auto& shown : ui_.shown) {
    EXPECT_EQ(shown.title, "Help");
    EXPECT_EQ(shown.icon, Icon::information);
    EXPECT_EQ(shown.buttons, Buttons::ok);
    EXPECT_EQ(shown.text, shortHelpText());
  }
}

}  // namespace
