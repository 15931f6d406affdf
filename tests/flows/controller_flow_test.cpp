#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <locale>
#include <utime.h>

#include "app/controller.h"
#include "base/file_io.h"
#include "image/image.h"
#include "project/archive.h"
#include "project/project_ini.h"
#include "tests/flows/scripted_ui.h"
#include "tools/meshgen/meshgen.h"

namespace {

namespace fs = std::filesystem;

class Flow : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("quillmap_flow_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "prefs");
    prefsFile_ = PreferencesFile((dir_ / "prefs" / "Quillmap.prefs").string());
    makeController();
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A fresh program run on the same files and preferences.
  void makeController() {
    session_ = Session{};
    ui_ = ScriptedUi{};
    prefs_ = loadPreferences(prefsFile_, "");
    controller_ = std::make_unique<Controller>(session_, ui_, prefs_, prefsFile_,
                                               (dir_ / "prefs").string() + "/");
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  std::string writeModel(const GenMesh& mesh, const std::string& name) {
    EXPECT_TRUE(genWriteFile(mesh, path(name)));
    return path(name);
  }
  std::string readAll(const std::string& p) {
    std::vector<uint8_t> bytes;
    readFileBytes(p, bytes);
    return std::string(bytes.begin(), bytes.end());
  }
  // Opens the cube model and saves it as cube.qmap.
  std::string savedCube() {
    EXPECT_TRUE(controller_->openFile(writeModel(genCube(), "cube.obj")));
    ui_.savePaths.push_back(path("cube"));
    EXPECT_TRUE(controller_->save());
    return path("cube.qmap");
  }

  fs::path dir_;
  PreferencesFile prefsFile_{""};
  Preferences prefs_;
  Session session_;
  ScriptedUi ui_;
  std::unique_ptr<Controller> controller_;
};

TEST_F(Flow, NewProjectFromModelThenSaveAndReopen) {
  const std::string model = writeModel(genTwoObjects(), "house.3ds");
  ASSERT_TRUE(controller_->openFile(model));
  EXPECT_EQ(controller_->mainTitle(), "Quillmap - house (not saved) *");
  EXPECT_EQ(ui_.statusText[kStatusFile], "house.3ds");
  EXPECT_EQ(ui_.statusText[kStatusCounts],
            std::to_string(session_.workModel.triangleCount()) + " triangles, " +
                std::to_string(session_.stats.surfaceCount) + " surfaces");
  EXPECT_EQ(prefs_.recentFiles[0], model);
  EXPECT_EQ(prefsFile_.readText("LastDir", ""), dir_.string() + "/");

  // Paint-free project with some 3D-window state and a layer edit.
  session_.layers.color[1] = 0x123456;
  session_.layers.hidden[0] = 1;
  session_.layers.curLayer = 1;
  session_.view.tool = 3;
  session_.view.brushTip = 2;
  session_.reportText += "C:\\new\\n folder\n";
  ui_.savePaths.push_back(path("house"));  // no extension: ".qmap" is added
  ASSERT_TRUE(controller_->save());
  EXPECT_EQ(ui_.saveDialogs[0].title, "Save project as");
  EXPECT_EQ(ui_.saveDialogs[0].fileName, "house.qmap");
  EXPECT_EQ(ui_.saveDialogs[0].folder, dir_.string() + "/");
  EXPECT_EQ(ui_.statusText[kStatusNote], "Project saved: house.qmap");
  EXPECT_EQ(controller_->mainTitle(), "Quillmap - house.qmap");

  const Session saved = session_;
  makeController();
  ASSERT_TRUE(controller_->openFile(path("house.qmap")));
  EXPECT_EQ(session_.workModel, saved.workModel);
  EXPECT_EQ(session_.sourceModel, saved.sourceModel);
  EXPECT_EQ(session_.reportText, saved.reportText);
  EXPECT_EQ(session_.layers.color, saved.layers.color);
  EXPECT_EQ(session_.layers.hidden, saved.layers.hidden);
  EXPECT_EQ(session_.layers.curLayer, 1);
  EXPECT_EQ(session_.view.tool, 3);
  EXPECT_EQ(session_.view.brushTip, 2);
  EXPECT_EQ(session_.settings.layoutWidth, saved.settings.layoutWidth);
  EXPECT_EQ(session_.settings.upAxisChoice, 0);
  EXPECT_EQ(session_.modelPath, model);
  EXPECT_FALSE(session_.layoutLocked);  // nothing painted, Locked=0
  EXPECT_EQ(controller_->mainTitle(), "Quillmap - house.qmap");
  EXPECT_EQ(ui_.statusText[kStatusNote], "");
  EXPECT_EQ(ui_.statusText[kStatusCounts],
            std::to_string(saved.workModel.triangleCount()) + " triangles, " +
                std::to_string(saved.workModel.materialCount()) + " surfaces");

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
  session_.view.dist = 2.5;  // a framed camera
  const std::string project = savedCube();
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
  // Rewrite project.ini with odd values; keep the models.
  auto entries = readZipArchive(project, {"source.bin", "model.bin"});
  ASSERT_TRUE(entries);
  const std::string ini =
      "; Quillmap project\nTexW=0\nMirror=7\nTool=1\nBrushTip=9\nCurLayer=5\nStencilUse=1\n"
      "LayerColors=,77\nMergeX=1\nLocked=1\nStencilFile=stencil.png\nStencilScale=-1\n"
      "AnchorFace=3\nAnchor=1,2,3\nPatternRotate=6\nPatternMapping=3\n";
  ASSERT_EQ(writeZipArchive(project, {{"project.ini", {ini.begin(), ini.end()}},
                                      {"source.bin", entries->at("source.bin")},
                                      {"model.bin", entries->at("model.bin")}}),
            ArchiveWrite::ok);
  makeController();
  ASSERT_TRUE(controller_->openFile(project));
  EXPECT_EQ(session_.settings.layoutWidth, 512);
  EXPECT_EQ(session_.settings.layoutHeight, 512);  // missing key, same rule
  EXPECT_EQ(session_.settings.mirrorAxis, 0);
  EXPECT_EQ(session_.view.brushTip, 0);
  EXPECT_EQ(session_.layers.curLayer, 0);
  EXPECT_EQ(session_.view.paintSource, 1);  // from the old StencilUse key
  EXPECT_EQ(session_.layers.color[0], layerDefaultColor(0));  // empty field keeps the default
  EXPECT_TRUE(session_.layoutLocked);
  EXPECT_FALSE(session_.stencil.image.loaded());  // no "stencil.png" entry
  EXPECT_EQ(session_.stencil.scale, 1.0);         // keys not applied
  EXPECT_EQ(session_.pattern.anchorFace, -1);     // Anchor without 7 commas
  EXPECT_EQ(session_.pattern.rotate, 2);
  EXPECT_EQ(session_.pattern.mapping, 1);
}

TEST_F(Flow, PaintedTextureStencilAndPatternRoundTrip) {
  ASSERT_TRUE(controller_->openFile(writeModel(genCube(), "cube.obj")));
  Texture& t = session_.texture;
  t.TextureWidth = 4;
  t.TextureHeight = 2;
  t.TexturePixels = {1, 2, 3, 0xFFFFFF, 0x10203, 5, 6, 7};
  t.TextureModified = true;
  Image stencilImage(2, 1);
  stencilImage.pixels = {rgba(1, 2, 3, 4), rgba(5, 6, 7, 0)};
  const std::vector<uint8_t> stencilPng = encodePng(stencilImage, true);
  ASSERT_TRUE(loadSourceImage(session_.stencil.image, stencilPng, "png", true));
  session_.stencil.angle = 12.3456;
  const std::vector<uint8_t> patternBmp = encodeBmp(Image(3, 3, rgba(9, 8, 7)));
  ASSERT_TRUE(loadSourceImage(session_.pattern.image, patternBmp, "bmp", false));
  // Every stored value away from its default, so a key that is not written or read shows.
  session_.stencil.x = 10.25;
  session_.stencil.y = -3.5;
  session_.stencil.scale = 0.75;
  session_.stencil.show = false;
  session_.stencil.opacity = 33;
  PatternState& p = session_.pattern;
  p.tile = 0.35;
  p.tint = true;
  p.rotate = 3;
  p.mapping = 1;
  p.offsetX = 0.25;
  p.offsetY = -0.5;
  p.anchorFace = 2;
  p.anchorBary[0] = 0.25;
  p.anchorBary[1] = 0.5;
  p.anchorUp[1] = 1;
  p.anchorRight[0] = -1;
  ViewState& v = session_.view;
  v.yaw = 1.25;
  v.pitch = -0.5;
  v.dist = 3.5;
  v.panX = 0.125;
  v.panY = -0.25;
  v.tool = 4;
  v.brushColor = 0x102030;
  v.brushSize = 40;
  v.opacity = 70;
  v.hardness = 20;
  v.brushTip = 3;
  v.edges = false;
  v.paintSource = 2;
  session_.layers.onlyLayer = true;
  session_.layers.locked[0] = 1;
  session_.exportPath = "/games/Models/cube.3ds";
  session_.settings.mapMode = MapMode::keep;
  session_.settings.maxAngle = 33;
  session_.settings.margin = 7;
  session_.settings.maxStretch = 55;
  session_.settings.rotateMode = 2;
  session_.settings.mergeSurfaces = false;
  session_.settings.layerUnwrap = true;
  session_.settings.mirrorAxis = 2;
  const Session before = session_;
  ui_.savePaths.push_back(path("painted.qmap"));
  ASSERT_TRUE(controller_->save());
  EXPECT_FALSE(controller_->projectCountsAsChanged());

  makeController();
  ASSERT_TRUE(controller_->openFile(path("painted.qmap")));
  EXPECT_EQ(session_.texture.TextureWidth, 4);
  EXPECT_EQ(session_.texture.TexturePixels, (std::vector<uint32_t>{1, 2, 3, 0xFFFFFF, 0x10203, 5, 6, 7}));
  EXPECT_TRUE(session_.layoutLocked);  // a painted texture locks the layout
  EXPECT_EQ(session_.view.viewMode, 1);
  EXPECT_EQ(session_.stencil.image.fileBytes, stencilPng);
  EXPECT_EQ(session_.stencil.image.pixels, stencilImage);
  EXPECT_EQ(session_.stencil.angle, 12.346);  // three decimals
  EXPECT_EQ(session_.pattern.image.fileBytes, patternBmp);
  EXPECT_EQ(session_.pattern.image.fileExt, "bmp");
  const StencilState& st = session_.stencil;
  EXPECT_EQ(st.x, 10.25);
  EXPECT_EQ(st.y, -3.5);
  EXPECT_EQ(st.scale, 0.75);
  EXPECT_FALSE(st.show);
  EXPECT_EQ(st.opacity, 33);
  const PatternState& q = session_.pattern;
  EXPECT_EQ(q.tile, 0.35);
  EXPECT_TRUE(q.tint);
  EXPECT_EQ(q.rotate, 3);
  EXPECT_EQ(q.mapping, 1);
  EXPECT_EQ(q.offsetX, 0.25);
  EXPECT_EQ(q.offsetY, -0.5);
  EXPECT_EQ(q.anchorFace, 2);
  EXPECT_EQ(q.anchorBary[0], 0.25);
  EXPECT_EQ(q.anchorBary[1], 0.5);
  EXPECT_EQ(q.anchorUp[1], 1.0);
  EXPECT_EQ(q.anchorRight[0], -1.0);
  const ViewState& w = session_.view;
  EXPECT_EQ(w.yaw, 1.25);
  EXPECT_EQ(w.pitch, -0.5);
  EXPECT_EQ(w.dist, 3.5);
  EXPECT_EQ(w.panX, 0.125);
  EXPECT_EQ(w.panY, -0.25);
  EXPECT_EQ(w.tool, 4);
  EXPECT_EQ(w.brushColor, 0x102030u);
  EXPECT_EQ(w.brushSize, 40);
  EXPECT_EQ(w.opacity, 70);
  EXPECT_EQ(w.hardness, 20);
  EXPECT_EQ(w.brushTip, 3);
  EXPECT_FALSE(w.edges);
  EXPECT_EQ(w.paintSource, 2);
  EXPECT_TRUE(session_.layers.onlyLayer);
  EXPECT_EQ(session_.layers.locked, before.layers.locked);
  EXPECT_EQ(session_.exportPath, before.exportPath);
  EXPECT_EQ(session_.texture.TextureFile, before.texture.TextureFile);
  EXPECT_EQ(session_.sourceSize, before.sourceSize);
  EXPECT_EQ(session_.sourceDate, before.sourceDate);
  const UnwrapSettings& a = session_.settings;
  const UnwrapSettings& b = before.settings;
  EXPECT_EQ(a.mapMode, b.mapMode);
  EXPECT_EQ(a.maxAngle, b.maxAngle);
  EXPECT_EQ(a.margin, b.margin);
  EXPECT_EQ(a.maxStretch, b.maxStretch);
  EXPECT_EQ(a.rotateMode, b.rotateMode);
  EXPECT_EQ(a.mergeSurfaces, b.mergeSurfaces);
  EXPECT_EQ(a.layerUnwrap, b.layerUnwrap);
  EXPECT_EQ(a.mirrorAxis, b.mirrorAxis);
  EXPECT_EQ(session_.workModel, before.workModel);
}

TEST_F(Flow, SavingOverAProjectKeepsABackupAndCopiesLeaveThePathAlone) {
  const std::string project = savedCube();
  const std::string first = readAll(project);
  session_.projectChanged = true;
  ASSERT_TRUE(controller_->save());
  EXPECT_EQ(readAll(path("cube.bak")), first);
  // Save as onto the same file with other letter case asks nothing.
  ui_.savePaths.push_back(path("CUBE.QMAP"));
  session_.projectPath = path("cube.qmap");
  EXPECT_TRUE(controller_->saveAs(false));
  EXPECT_TRUE(ui_.shown.empty());
  // A copy proposes name_copy and leaves the project where it was.
  ui_.savePaths.push_back(path("other.qmap"));
  ASSERT_TRUE(controller_->saveAs(true));
  EXPECT_EQ(ui_.saveDialogs.back().title, "Save a copy of the project");
  EXPECT_EQ(ui_.saveDialogs.back().fileName, "CUBE_copy.qmap");
  EXPECT_EQ(ui_.statusText[kStatusNote], "Copy saved: other.qmap");
  EXPECT_EQ(session_.projectPath, path("CUBE.QMAP"));
  // Save as onto another existing file asks; No writes nothing.
  ui_.savePaths.push_back(path("other.qmap"));
  ui_.answers.push_back(Answer::no);
  const std::string other = readAll(path("other.qmap"));
  EXPECT_FALSE(controller_->saveAs(false));
  EXPECT_EQ(ui_.lastText(), "other.qmap already exists. Overwrite it?");
  EXPECT_EQ(readAll(path("other.qmap")), other);
  ui_.savePaths.push_back("");  // cancelled
  EXPECT_FALSE(controller_->saveAs(false));
}

TEST_F(Flow, FailedSavesLeaveThePreviousProjectWhole) {
  const std::string project = savedCube();
  const std::string before = readAll(project);
  session_.projectChanged = true;

  // The folder cannot take the temporary file.
  session_.projectPath = path("missing/cube.qmap");
  EXPECT_FALSE(controller_->save());
  EXPECT_EQ(ui_.lastText(), "Cannot write " + path("missing/cube.qmap") + ".tmp");
  session_.projectPath = project;

  // An entry cannot be made (a texture whose pixels do not match its size).
  session_.texture.TextureWidth = 8;
  session_.texture.TextureHeight = 8;
  session_.texture.TexturePixels.assign(3, 0);
  EXPECT_FALSE(controller_->save());
  EXPECT_EQ(ui_.lastText(), "Could not save the project.");
  EXPECT_FALSE(fs::exists(project + ".tmp"));
  EXPECT_EQ(readAll(project), before);
  session_.texture.TexturePixels.assign(64, 0);

  // The final rename fails: the previous project goes back in place.
  controller_->renameFile = [&](const std::string& from, const std::string& to) {
    if (from == project + ".tmp") return false;
    return std::rename(from.c_str(), to.c_str()) == 0;
  };
  EXPECT_FALSE(controller_->save());
  EXPECT_EQ(ui_.lastText(), "Could not save " + project);
  EXPECT_EQ(readAll(project), before);
  EXPECT_TRUE(controller_->projectCountsAsChanged());
}

TEST_F(Flow, UnsavedChangesGuard) {
  ASSERT_TRUE(controller_->openFile(writeModel(genCube(), "cube.obj")));
  const std::string other = writeModel(genQuad(), "quad.obj");
  // Cancel keeps everything.
  ui_.answers.push_back(Answer::cancel);
  EXPECT_FALSE(controller_->openFile(other));
  EXPECT_EQ(ui_.lastText(), "The project has changes that are not saved.\nSave them now?");
  EXPECT_EQ(session_.workModel.triangleCount(), 12);
  // Yes, then the Save as dialog is cancelled: refused.
  ui_.answers.push_back(Answer::yes);
  ui_.savePaths.push_back("");
  EXPECT_FALSE(controller_->openFile(other));
  EXPECT_EQ(session_.workModel.triangleCount(), 12);
  // No deletes the autosave and goes on.
  std::ofstream(controller_->autosavePath()) << "x";
  ui_.answers.push_back(Answer::no);
  EXPECT_TRUE(controller_->openFile(other));
  EXPECT_FALSE(fs::exists(controller_->autosavePath()));
  EXPECT_EQ(session_.workModel.triangleCount(), 2);
  // Yes with a save that works.
  ui_.answers.push_back(Answer::yes);
  ui_.savePaths.push_back(path("quad.qmap"));
  EXPECT_TRUE(controller_->openFile(path("cube.obj")));
  EXPECT_TRUE(fs::exists(path("quad.qmap")));
}

TEST_F(Flow, OpenRefusalsKeepTheCurrentProject) {
  ASSERT_TRUE(controller_->openFile(writeModel(genCube(), "cube.obj")));
  session_.projectChanged = false;  // nothing to guard
  const Model before = session_.workModel;
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
    EXPECT_EQ(session_.workModel, before) << c.file;
  }
  // A ZIP without model.bin, or with an empty project.ini, is not a project.
  ASSERT_EQ(writeZipArchive(path("empty.qmap"), {{"project.ini", {'a', '=', '1', '\n'}}}), ArchiveWrite::ok);
  EXPECT_FALSE(controller_->openFile(path("empty.qmap")));
  EXPECT_EQ(ui_.lastText(), path("empty.qmap") + " is not a valid project file.");
  EXPECT_EQ(session_.workModel, before);
  EXPECT_TRUE(session_.modelLoaded);
}

TEST_F(Flow, AutosaveTicksAndTheNewerAutosaveQuestion) {
  const std::string project = savedCube();
  prefs_.autosave = 2;
  controller_->autosaveTick("10:00");  // nothing changed: no autosave
  EXPECT_FALSE(fs::exists(project + ".autosave"));
  session_.projectChanged = true;
  controller_->autosaveTick("10:01");
  EXPECT_FALSE(fs::exists(project + ".autosave"));
  session_.layoutChanging = true;
  controller_->autosaveTick("10:02");  // paused during a layout change
  session_.layoutChanging = false;
  controller_->autosaveTick("10:03");
  ASSERT_TRUE(fs::exists(project + ".autosave"));
  EXPECT_EQ(ui_.statusText[kStatusNote], "Autosaved at 10:03");
  EXPECT_FALSE(fs::exists(path("cube.bak")));  // an autosave makes no backup
  EXPECT_EQ(session_.projectPath, project);
  EXPECT_TRUE(controller_->projectCountsAsChanged());

  // Make the autosave newer than the project, with another report to tell them apart.
  session_.reportText = "from the autosave\n";
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
    EXPECT_EQ(session_.reportText == "from the autosave\n", answer == Answer::yes);
    EXPECT_EQ(session_.projectPath, project);
    EXPECT_EQ(controller_->projectCountsAsChanged(), answer == Answer::yes);
  }
  // A zero-byte autosave is not offered.
  std::ofstream(project + ".autosave", std::ios::trunc).close();
  makeController();
  ASSERT_TRUE(controller_->openFile(project));
  EXPECT_TRUE(ui_.shown.empty());
  // A normal save removes the autosave.
  std::ofstream(project + ".autosave") << "x";
  session_.projectChanged = true;
  ASSERT_TRUE(controller_->save());
  EXPECT_FALSE(fs::exists(project + ".autosave"));
}

TEST_F(Flow, UntitledAutosaveLivesInThePreferencesFolder) {
  ASSERT_TRUE(controller_->openFile(writeModel(genCube(), "cube.obj")));
  prefs_.autosave = 1;
  controller_->autosaveTick("09:30");
  EXPECT_TRUE(fs::exists(dir_ / "prefs" / "untitled.autosave.qmap"));
  EXPECT_EQ(prefs_.recentFiles[0], path("cube.obj"));  // untouched by the autosave
  EXPECT_EQ(prefs_.lastProjectDir, "");
  EXPECT_EQ(prefsFile_.readText("LastProjectDir", "none"), "none");
  prefs_.autosave = 0;
  fs::remove(dir_ / "prefs" / "untitled.autosave.qmap");
  controller_->autosaveTick("09:31");
  EXPECT_FALSE(fs::exists(dir_ / "prefs" / "untitled.autosave.qmap"));
}

}  // namespace
