// File > Export to Serious Sam and the Texture menu, run through the controller with a
// scripted Ui inside a fake Serious Sam folder.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "app/controller.h"
#include "app/export_plan.h"
#include "base/file_io.h"
#include "export/pad.h"
#include "export/uv_layout.h"
#include "image/image.h"
#include "model/readers.h"
#include "tests/flows/program_test.h"
#include "tools/meshgen/meshgen.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kExportTitle =
    "Export to Serious Sam (choose a folder inside the Serious Sam folder)";

class ExportFlow : public ProgramTest {
 protected:
  ExportFlow() : ProgramTest("quillmap_export_flow") {
    fs::create_directories(dir() / "SS" / "Bin");
    fs::create_directories(dir() / "SS" / "Models");
    writeText(path("SS/Bin/SeriousSam.exe"), "");
    makeController();
    prefs_.seriousSamRoot = root();
  }

  std::string root() const { return path("SS") + "/"; }
  std::string models() const { return root() + "Models/"; }

  // The house model (or another) opened as a new project with a layout of w x h.
  void openHouse(int w = 512, int h = 512, const GenMesh& mesh = genTwoObjects()) {
    session_.document.settings.layoutWidth = w;
    session_.document.settings.layoutHeight = h;
    ASSERT_TRUE(genWriteFile(mesh, path("house.3ds")));
    ASSERT_TRUE(controller_->openFile(path("house.3ds")));
    ASSERT_TRUE(session_.document.modelLoaded);
    ui_.statusText[kStatusNote].clear();
  }
  // A texture of w x h (default: the layout size) in the Surface colours over grey.
  void paint(int64_t w = 0, int64_t h = 0) {
    NewTexture(session_.document.texture, NewTextureKind::surfaceColours, rgba(50, 60, 70, 0),
               w ? w : session_.document.settings.layoutWidth,
               h ? h : session_.document.settings.layoutHeight, &session_.document.workModel);
  }
  bool exportTo(const std::string& chosen) {
    ui_.savePaths.push_back(chosen);
    return controller_->exportToSeriousSam();
  }
  std::vector<std::string> filesIn(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(ExportFlow, WritesEveryFileAndReportsThemInOrder) {
  openHouse(2048, 2048);
  paint();
  prefs_.writePNG = true;
  const std::vector<uint32_t> painted = session_.document.texture.TexturePixels;
  session_.document.projectChanged = false;

  ASSERT_TRUE(exportTo(models() + "house"));  // no extension: ".3ds" is added
  ASSERT_EQ(ui_.saveDialogs.size(), 1u);
  EXPECT_EQ(ui_.saveDialogs[0].title, kExportTitle);
  EXPECT_EQ(ui_.saveDialogs[0].filter, "3D Studio (*.3ds)|*.3ds");
  EXPECT_EQ(ui_.saveDialogs[0].folder, root());  // the Serious Sam folder + the model's name
  EXPECT_EQ(ui_.saveDialogs[0].fileName, "house.3ds");
  EXPECT_TRUE(ui_.shown.empty()) << ui_.lastText();
  EXPECT_EQ(ui_.statusText[kStatusNote],
            "Exported house.3ds + .scr + .tga + .tex (scaled down to max. 1024) + UV layout");
  EXPECT_EQ(filesIn(models()), (std::vector<std::string>{"house.3ds", "house.scr", "house.tex",
                                                         "house.tga", "house_uv.png"}));
  EXPECT_EQ(session_.document.exportPath, models() + "house.3ds");
  EXPECT_TRUE(session_.document.projectChanged);

  // The .3ds is the work model; the .scr names it relative to the Serious Sam folder.
  Model back;
  ASSERT_TRUE(read3ds(models() + "house.3ds", back).ok);
  EXPECT_EQ(back.vertices, session_.document.workModel.vertices);
  const std::string script = readText(models() + "house.scr");
  EXPECT_NE(script.find("TEXTURE_DIM 2.00 2.00\r\n"), std::string::npos);
  EXPECT_NE(script.find("DIRECTORY Models\\\r\nMIP_MODELS 1\r\n    house.3ds\r\n"), std::string::npos);
  // The .tga is the padded texture; the texture itself is untouched.
  const std::vector<uint32_t> padded =
      padTexture(&session_.document.workModel, painted, 2048, 2048);
  EXPECT_NE(padded, painted);
  EXPECT_EQ(session_.document.texture.TexturePixels, painted);
  Image expectedTga(2048, 2048);
  expectedTga.pixels = padded;
  EXPECT_EQ(readText(models() + "house.tga"), [&] {
    const std::vector<uint8_t> b = encodeTga(expectedTga, false);
    return std::string(b.begin(), b.end());
  }());
  EXPECT_EQ(fs::file_size(models() + "house.tex"), 96u + 1024 * 1024 * 3);
  const std::optional<Image> uv = loadImage(models() + "house_uv.png");
  ASSERT_TRUE(uv);
  EXPECT_EQ(*uv, uvLayoutImage(session_.document.workModel, 2048, 2048));

  // Exporting again to the same file asks nothing, though every file exists.
  ui_.statusText[kStatusNote].clear();
  session_.document.projectChanged = false;
  ASSERT_TRUE(exportTo(models() + "HOUSE.3DS"));
  EXPECT_TRUE(ui_.shown.empty()) << ui_.lastText();
  EXPECT_EQ(ui_.saveDialogs[1].folder, models());  // proposes the remembered file
  EXPECT_EQ(ui_.saveDialogs[1].fileName, "house.3ds");
  EXPECT_FALSE(session_.document.projectChanged);  // the same path, ignoring case
  EXPECT_EQ(ui_.statusText[kStatusNote],
            "Exported HOUSE.3DS + .scr + .tga + .tex (scaled down to max. 1024) + UV layout");
}

TEST_F(ExportFlow, ProposesTheProjectNameAndAppendsTheExtensionOnlyWhenNeeded) {
  openHouse();
  prefs_.writeScript = false;
  ui_.savePaths.push_back(path("work/villa"));
  fs::create_directories(dir() / "work");
  ASSERT_TRUE(controller_->save());
  const struct {
    std::string chosen, written;
  } cases[] = {
      {models() + "a.3DS", models() + "a.3DS"},
      {models() + "b", models() + "b.3ds"},
      {models() + "c.obj", models() + "c.obj.3ds"},
  };
  for (const auto& c : cases) {
    session_.document.exportPath.clear();
    ASSERT_TRUE(exportTo(c.chosen));
    EXPECT_EQ(ui_.saveDialogs.back().folder, root());
    EXPECT_EQ(ui_.saveDialogs.back().fileName, "villa.3ds");
    EXPECT_TRUE(fs::exists(c.written)) << c.written;
    EXPECT_EQ(session_.document.exportPath, c.written);
  }
  // Cancelling the dialog writes nothing.
  ASSERT_FALSE(exportTo(""));
  EXPECT_EQ(session_.document.exportPath, models() + "c.obj.3ds");
}

TEST_F(ExportFlow, AsksBeforeOverwritingOtherFiles) {
  openHouse();
  paint();
  for (const char* ext : {".3ds", ".scr", ".tga", ".tex"}) writeText(models() + "old" + ext, "old");
  const std::string question =
      "These files already exist:\nold.3ds\nold.scr  (may contain animations!)\nold.tga\nold.tex\n"
      "\nOverwrite them?";

  ui_.answers.push_back(Answer::no);
  EXPECT_FALSE(exportTo(models() + "old.3ds"));
  ASSERT_EQ(ui_.shown.size(), 1u);
  EXPECT_EQ(ui_.shown[0].title, "Quillmap");
  EXPECT_EQ(ui_.shown[0].text, question);
  EXPECT_EQ(ui_.shown[0].icon, Icon::warning);
  EXPECT_EQ(ui_.shown[0].buttons, Buttons::yesNo);
  for (const char* ext : {".3ds", ".scr", ".tga", ".tex"}) EXPECT_EQ(readText(models() + "old" + ext), "old");
  EXPECT_EQ(session_.document.exportPath, "");

  ui_.answers.push_back(Answer::yes);
  EXPECT_TRUE(exportTo(models() + "old.3ds"));
  EXPECT_EQ(ui_.shown[1].text, question);
  for (const char* ext : {".3ds", ".scr", ".tga", ".tex"}) EXPECT_NE(readText(models() + "old" + ext), "old");

  // Only the files this export would write are listed: without a texture, no .tga or .tex;
  // without the script preference, no .scr.
  resetTexture(session_.document.texture);
  prefs_.writeScript = false;
  writeText(models() + "other.scr", "old");
  writeText(models() + "other.tga", "old");
  EXPECT_TRUE(exportTo(models() + "other.3ds"));  // nothing of it exists: no question
  EXPECT_EQ(ui_.shown.size(), 2u);
  prefs_.writeScript = true;
  session_.document.exportPath.clear();
  ui_.answers.push_back(Answer::no);
  EXPECT_FALSE(exportTo(models() + "other.3ds"));
  EXPECT_EQ(ui_.lastText(),
            "These files already exist:\nother.3ds\nother.scr  (may contain animations!)\n"
            "\nOverwrite them?");
}

TEST_F(ExportFlow, RefusesWithoutWritingAnything) {
  openHouse();
  paint();
  const std::string model = path("house.3ds");
  const std::string modelBytes = readText(model);
  fs::create_directories(dir() / "sub");
  const struct {
    const char* what;
    std::function<void()> before;
    std::string chosen;
    std::string message;
    Icon icon;
  } cases[] = {
      {"layout change", [&] { session_.layoutChange.layoutChanging = true; }, "",
       "Lock or cancel the layout change first.", Icon::information},
      {"model file in other case", [] {}, path("HOUSE.3DS"),
       "This is the original model file. Choose another name.", Icon::warning},
      {"model file spelt another way", [] {}, path("sub/../house"),
       "This is the original model file. Choose another name.", Icon::warning},
      {"folder missing", [] {}, path("missing/house.3ds"),
       "Kan bestand niet maken: " + path("missing/house.3ds"), Icon::error},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    session_.layoutChange.layoutChanging = false;
    c.before();
    ui_.shown.clear();
    if (!c.chosen.empty()) ui_.savePaths.push_back(c.chosen);
    EXPECT_FALSE(controller_->exportToSeriousSam());
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].text, c.message);
    EXPECT_EQ(ui_.shown[0].title, "Quillmap");
    EXPECT_EQ(ui_.shown[0].icon, c.icon);
    EXPECT_TRUE(ui_.savePaths.empty());
  }
  EXPECT_EQ(readText(model), modelBytes);
  EXPECT_EQ(filesIn(path("")), (std::vector<std::string>{"SS", "house.3ds", "prefs", "sub"}));
  EXPECT_TRUE(filesIn(models()).empty());
  EXPECT_EQ(session_.document.exportPath, "");
  EXPECT_EQ(ui_.statusText[kStatusNote], "");

  // No model: nothing at all.
  Session empty;
  Controller idle(empty, ui_, prefs_, prefsFile_, "");
  EXPECT_FALSE(idle.exportToSeriousSam());
}

TEST_F(ExportFlow, AFailedScriptStillWritesTheTextures) {
  openHouse();
  paint();
  const std::string notInside =
      ").\nSerious Modeler can only use files inside that folder.\n\n"
      "If this is not your Serious Sam folder, change it in Tools > Preferences.";
  const std::string lead = "The model is exported, but the script (.scr) is not:\n\n";
  fs::create_directories(dir() / "elsewhere");
  fs::create_directories(dir() / "SS" / "My Models");
  fs::create_directories(dir() / "SS" / std::string(120, 'd'));
  const struct {
    std::string chosen, base, message;
  } cases[] = {
      {path("elsewhere/house.3ds"), path("elsewhere/house"),
       "The file is not inside the Serious Sam folder (" + root() + notInside},
      {root() + "My Models/house.3ds", root() + "My Models/house",
       "The folder or file name contains a space:\nMy Models\\house.3ds"
       "\nSerious Modeler cannot read names with spaces in a script."},
      {root() + "house.3ds", root() + "house",
       "Put the model in a subfolder of the Serious Sam folder (" + root() + "),\nfor example " +
           root() + "MyModels\\\n\nIf this is not your Serious Sam folder, change it in Tools > "
                    "Preferences."},
      {root() + std::string(120, 'd') + "/house.3ds", root() + std::string(120, 'd') + "/house",
       "The path is too long for Serious Modeler (maximum 127 characters per line)."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chosen);
    ui_.shown.clear();
    ASSERT_TRUE(exportTo(c.chosen));
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].text, lead + c.message);
    EXPECT_EQ(ui_.shown[0].icon, Icon::warning);
    EXPECT_EQ(ui_.statusText[kStatusNote], "Exported " + fileNameOf(c.chosen) + " + .tga + .tex");
    EXPECT_TRUE(fs::exists(c.base + ".3ds"));
    EXPECT_TRUE(fs::exists(c.base + ".tga"));
    EXPECT_TRUE(fs::exists(c.base + ".tex"));
    EXPECT_FALSE(fs::exists(c.base + ".scr"));
  }
}

TEST_F(ExportFlow, FindsTheSeriousSamFolderAboveTheFileBeforeThePreference) {
  openHouse();
  prefs_.seriousSamRoot = "D:\\Serious Sam TSE\\";
  fs::create_directories(dir() / "SS" / "Models" / "Cars");
  ASSERT_TRUE(exportTo(models() + "Cars/house.3ds"));
  EXPECT_TRUE(ui_.shown.empty()) << ui_.lastText();
  EXPECT_NE(readText(models() + "Cars/house.scr").find("DIRECTORY Models\\Cars\\\r\n"), std::string::npos);
  EXPECT_EQ(ui_.statusText[kStatusNote], "Exported house.3ds + .scr");  // no texture yet
}

TEST_F(ExportFlow, AFolderOfAnotherMachineIsNeverProposedNorAWindowsPathTakenAsAName) {
  openHouse();
  prefs_.writeScript = false;
  for (const std::string root : {"D:\\Serious Sam TSE\\", "/no/such/folder/"}) {
    prefs_.seriousSamRoot = root;
    ASSERT_FALSE(exportTo(""));
    // Beside the model, and the requester says why.
    EXPECT_EQ(ui_.saveDialogs.back().folder, dir().string() + "/") << root;
    EXPECT_EQ(ui_.saveDialogs.back().fileName, "house.3ds") << root;
    EXPECT_EQ(ui_.saveDialogs.back().note,
              "The Serious Sam folder is not set on this computer (Tools > Preferences...).");
  }
  // A name typed as a Windows path writes nothing.
  const size_t shown = ui_.shown.size();
  ASSERT_FALSE(exportTo(path("D:\\Serious Sam TSE\\house.3ds")));
  EXPECT_EQ(ui_.shown.size(), shown + 1);
  for (const std::string& name : filesIn(dir().string()))
    EXPECT_EQ(name.find('\\'), std::string::npos) << name;
  // With the folder here it is proposed again, without a note.
  prefs_.seriousSamRoot = root();
  ASSERT_FALSE(exportTo(""));
  EXPECT_EQ(ui_.saveDialogs.back().folder, root());
  EXPECT_EQ(ui_.saveDialogs.back().note, "");
}

TEST_F(ExportFlow, TexThatDoesNotFitTheLayoutIsReported) {
  openHouse(512, 256);
  paint(512, 512);
  ASSERT_TRUE(exportTo(models() + "house.3ds"));
  ASSERT_EQ(ui_.shown.size(), 1u);
  EXPECT_EQ(ui_.shown[0].text,
            "The .tex texture is not written:\n\n"
            "The texture (512 x 512 pixels) does not fit the size the model expects\n"
            "(2048 x 1024 mex = TEXTURE_DIM x 1024). Width and height must have the same\n"
            "ratio as the texture size of the layout.");
  EXPECT_EQ(ui_.shown[0].icon, Icon::warning);
  EXPECT_EQ(ui_.statusText[kStatusNote], "Exported house.3ds + .scr + .tga");
  EXPECT_FALSE(fs::exists(models() + "house.tex"));
  EXPECT_NE(readText(models() + "house.scr").find("TEXTURE_DIM 2.00 1.00\r\n"), std::string::npos);
}

// The game's importer divides by a triangle's area: triangles with corners at one position
// stay in the project but not in the file, and the note says how many were left out.
TEST_F(ExportFlow, TrianglesWithoutAreaAreLeftOutOfTheFileOnly) {
  GenMesh mesh = genTwoObjects();
  mesh.faces.push_back({{0, 0, 1}, 0, 0});
  mesh.faces.push_back({{2, 3, 3}, 1, 1});
  mesh.faces.push_back({{4, 4, 4}, 0, 0});
  openHouse(512, 512, mesh);
  const Model& work = session_.document.workModel;
  ASSERT_EQ(work.triangleCount(), 23);
  ASSERT_TRUE(exportTo(models() + "house.3ds"));
  EXPECT_EQ(ui_.statusText[kStatusNote], "Exported house.3ds + .scr; 3 zero-area triangles left out");
  EXPECT_EQ(work.triangleCount(), 23);

  // The file holds the other 20 in order, with their corners' positions and UVs, on their
  // Surfaces.
  auto atOnePosition = [&](const Vertex& a, const Vertex& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
  };
  std::vector<Triangle> withArea;
  for (const Triangle& t : work.triangles) {
    const Vertex &a = work.vertices[t.cornerA], &b = work.vertices[t.cornerB],
                 &c = work.vertices[t.cornerC];
    if (!atOnePosition(a, b) && !atOnePosition(b, c) && !atOnePosition(c, a)) withArea.push_back(t);
  }
  ASSERT_EQ(withArea.size(), 20u);
  Model back;
  ASSERT_TRUE(read3ds(models() + "house.3ds", back).ok);
  ASSERT_EQ(back.triangleCount(), 20);
  EXPECT_EQ(back.materialNames, work.materialNames);
  for (int t = 0; t < 20; ++t) {
    const Triangle& ours = withArea[t];
    const Triangle& theirs = back.triangles[t];
    EXPECT_EQ(theirs.material, ours.material);
    EXPECT_EQ(back.vertices[theirs.cornerA], work.vertices[ours.cornerA]);
    EXPECT_EQ(back.vertices[theirs.cornerB], work.vertices[ours.cornerB]);
    EXPECT_EQ(back.vertices[theirs.cornerC], work.vertices[ours.cornerC]);
  }
  // Each of the three is a piece of its own, with one vertex per position it uses (2, 2 and
  // 1); those are left out with it.
  EXPECT_EQ(back.vertexCount(), work.vertexCount() - 5);
}

TEST_F(ExportFlow, OneTriangleWithoutAreaIsNamedInTheSingular) {
  GenMesh mesh = genTwoObjects();
  mesh.faces.push_back({{4, 4, 4}, 0, 0});
  openHouse(512, 512, mesh);
  ASSERT_TRUE(exportTo(models() + "house.3ds"));
  EXPECT_EQ(ui_.statusText[kStatusNote], "Exported house.3ds + .scr; 1 zero-area triangle left out");
}

TEST_F(ExportFlow, PiecesThatDoNotFitAreReportedAndTheExportRepeatsIt) {
  const std::string warning =
      "WARNING: the pieces do not fit this texture: use a larger texture or a smaller margin";
  // A unit cube's six faces on 32 x 32: margins of 8 leave 2 pixels per unit, of 10 none.
  const struct {
    int margin;
    std::string scale, note;
  } cases[] = {
      {8, "Scale: 2.0 pixels per unit\nTexture used: ", "Exported cube8.3ds + .scr"},
      {10, "Scale: 0.0 pixels per unit\n" + warning + "\nTexture used: ",
       "Exported cube10.3ds + .scr; " + warning},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.margin);
    session_.document.settings.margin = c.margin;
    session_.document.projectChanged = false;
    openHouse(32, 32, genCube());
    EXPECT_NE(session_.document.reportText.find(c.scale), std::string::npos)
        << session_.document.reportText;
    ASSERT_TRUE(exportTo(models() + "cube" + std::to_string(c.margin) + ".3ds"));
    EXPECT_EQ(ui_.statusText[kStatusNote], c.note);
  }
  // The project keeps its report, and with it the warning of its export.
  ui_.savePaths.push_back(path("cube.qmap"));
  ASSERT_TRUE(controller_->save());
  ASSERT_TRUE(controller_->openFile(path("cube.qmap")));
  ui_.statusText[kStatusNote].clear();
  ASSERT_TRUE(exportTo(models() + "cube10.3ds"));
  EXPECT_EQ(ui_.statusText[kStatusNote], "Exported cube10.3ds + .scr; " + warning);
}

// ---- Texture menu ---------------------------------------------------------------------------

TEST_F(ExportFlow, ExportTextureByExtensionOrChosenFilter) {
  openHouse();
  EXPECT_FALSE(controller_->exportTexture());
  ASSERT_EQ(ui_.shown.size(), 1u);
  EXPECT_EQ(ui_.shown[0].title, "Export texture");
  EXPECT_EQ(ui_.shown[0].text, "There is no texture yet.");
  EXPECT_EQ(ui_.shown[0].icon, Icon::information);

  paint();
  session_.document.texture.TextureModified = false;
  const struct {
    std::string chosen;
    int filter;
    std::string written;
    std::vector<uint8_t> signature;
  } cases[] = {
      {path("t"), 1, path("t.tga"), {0, 0, 2}},
      {path("t.jpg"), 0, path("t.jpg.png"), {0x89, 'P', 'N', 'G'}},
      {path("u"), 2, path("u.bmp"), {'B', 'M'}},
      {path("v.TGA"), 0, path("v.TGA"), {0, 0, 2}},
      {path("w.bmp"), 1, path("w.bmp"), {'B', 'M'}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chosen);
    ui_.savePaths.push_back(c.chosen);
    ui_.saveFilters.push_back(c.filter);
    ASSERT_TRUE(controller_->exportTexture());
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readFileBytes(c.written, bytes));
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + c.signature.size()), c.signature);
    const std::optional<Image> back = loadImage(c.written);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width, 512);
    EXPECT_EQ(back->at(100, 100) & 0xFFFFFF,
              session_.document.texture.TexturePixels[100 * 512 + 100]);
    EXPECT_EQ(session_.document.texture.TextureFile, c.written);
    EXPECT_FALSE(session_.document.texture.TextureModified);
  }
  const FileDialog& last = ui_.saveDialogs.back();
  EXPECT_EQ(last.title, "Export texture");
  EXPECT_EQ(last.filter, "PNG image (*.png)|*.png|Targa (*.tga)|*.tga|Bitmap (*.bmp)|*.bmp");
  EXPECT_EQ(last.folder, dir().string() + "/");  // starts at the texture's file
  EXPECT_EQ(last.fileName, "v.TGA");

  // An existing file is overwritten only after Yes; a failed write is reported.
  ui_.shown.clear();
  writeText(path("t.tga"), "keep");
  ui_.savePaths.push_back(path("t.tga"));
  ui_.answers.push_back(Answer::no);
  EXPECT_FALSE(controller_->exportTexture());
  EXPECT_EQ(readText(path("t.tga")), "keep");
  ASSERT_EQ(ui_.shown.size(), 1u);
  EXPECT_EQ(ui_.shown[0].title, "3D preview");
  EXPECT_EQ(ui_.shown[0].text, "t.tga already exists. Overwrite it?");
  EXPECT_EQ(ui_.shown[0].icon, Icon::warning);
  ui_.savePaths.push_back(path("none/t.png"));
  EXPECT_FALSE(controller_->exportTexture());
  EXPECT_EQ(ui_.shown.back().title, "3D preview");
  EXPECT_EQ(ui_.shown.back().text, "Could not save " + path("none/t.png"));
  EXPECT_EQ(ui_.shown.back().icon, Icon::error);
  EXPECT_EQ(session_.document.texture.TextureFile, path("w.bmp"));
}

TEST_F(ExportFlow, ImportTextureScalesOnRequestAndIsOneUndoStep) {
  openHouse();
  // 256 x 256 with a transparent half: imported pixels keep their colour, opaque.
  Image picture(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) picture.at(x, y) = rgba(x, y, 7, x < 128 ? 0 : 255);
  const std::vector<uint8_t> png = encodePng(picture, true);
  ASSERT_TRUE(writeFileBytes(path("pic.png"), png));
  const std::string question =
      "pic.png is 256 x 256 pixels, the texture size of the project is 512 x 512.\n"
      "Scale it to the project size?";

  // No: the image's own size; no undo step, since there was no texture.
  const int64_t revision = session_.document.texture.TextureRevision;
  ui_.openPaths.push_back(path("pic.png"));
  ui_.answers.push_back(Answer::no);
  ASSERT_TRUE(controller_->importTexture());
  ASSERT_EQ(ui_.openDialogs.size(), 1u);
  EXPECT_EQ(ui_.openDialogs[0].title, "Import texture");
  EXPECT_EQ(ui_.openDialogs[0].filter,
            "Images (*.png;*.tga;*.bmp;*.jpg)|*.png;*.tga;*.bmp;*.jpg;*.jpeg|All files (*.*)|*.*");
  EXPECT_EQ(ui_.openDialogs[0].folder, dir().string() + "/");
  ASSERT_EQ(ui_.shown.size(), 1u);
  EXPECT_EQ(ui_.shown[0].title, "Import texture");
  EXPECT_EQ(ui_.shown[0].text, question);
  EXPECT_EQ(ui_.shown[0].icon, Icon::information);
  EXPECT_EQ(ui_.shown[0].buttons, Buttons::yesNo);
  const Texture& t = session_.document.texture;
  EXPECT_EQ(t.TextureWidth, 256);
  EXPECT_EQ(t.TextureHeight, 256);
  EXPECT_EQ(t.TexturePixels[10 * 256 + 3], rgba(3, 10, 7, 0));     // was transparent
  EXPECT_EQ(t.TexturePixels[10 * 256 + 200], rgba(200, 10, 7, 0));
  EXPECT_EQ(t.TextureFile, path("pic.png"));
  EXPECT_TRUE(t.TextureModified);
  EXPECT_EQ(t.TextureRevision, revision + 1);
  EXPECT_EQ(session_.document.view.viewMode, ViewMode::texture);
  EXPECT_TRUE(t.UndoList.empty());

  // Yes: scaled to the layout, and undo brings the 256 x 256 texture back.
  const std::vector<uint32_t> before = t.TexturePixels;
  ui_.openPaths.push_back(path("pic.png"));
  ui_.answers.push_back(Answer::yes);
  ASSERT_TRUE(controller_->importTexture());
  EXPECT_EQ(ui_.openDialogs[1].folder, dir().string() + "/");
  EXPECT_EQ(ui_.openDialogs[1].fileName, "pic.png");
  EXPECT_EQ(t.TextureWidth, 512);
  EXPECT_EQ(t.TextureHeight, 512);
  EXPECT_EQ(t.TextureRevision, revision + 2);
  Image scaled = scaleBilinear(picture, 512, 512);
  for (uint32_t& p : scaled.pixels) p &= 0xFFFFFF;
  EXPECT_EQ(t.TexturePixels, scaled.pixels);
  undoTexture(session_.document.texture);
  EXPECT_EQ(t.TextureWidth, 256);
  EXPECT_EQ(t.TexturePixels, before);

  // A picture of the layout's size asks nothing; one that cannot be decoded changes nothing.
  ASSERT_TRUE(writeFileBytes(path("exact.png"), encodePng(Image(512, 512, rgba(1, 2, 3)), false)));
  ui_.shown.clear();
  ui_.openPaths.push_back(path("exact.png"));
  ASSERT_TRUE(controller_->importTexture());
  EXPECT_TRUE(ui_.shown.empty());
  EXPECT_EQ(t.TexturePixels[0], rgba(1, 2, 3, 0));
  // Undo names the texture as it was named before the import (the title too); redo again.
  undoTexture(session_.document.texture);
  EXPECT_EQ(t.TextureFile, path("pic.png"));
  EXPECT_EQ(UpdateTitle(t), "3D preview - texture 256x256 (pic.png) *");
  redoTexture(session_.document.texture);
  EXPECT_EQ(UpdateTitle(t), "3D preview - texture 512x512 (exact.png) *");
  writeText(path("bad.png"), "not a picture");
  const std::vector<uint32_t> kept = t.TexturePixels;
  ui_.openPaths.push_back(path("bad.png"));
  EXPECT_FALSE(controller_->importTexture());
  ASSERT_EQ(ui_.shown.size(), 1u);
  EXPECT_EQ(ui_.shown[0].title, "Import texture");
  EXPECT_EQ(ui_.shown[0].text, "Could not load " + path("bad.png") + ": not a PNG, JPEG, TGA or BMP image");
  EXPECT_EQ(ui_.shown[0].icon, Icon::error);
  EXPECT_EQ(t.TexturePixels, kept);
  EXPECT_EQ(t.TextureFile, path("exact.png"));
  EXPECT_FALSE(controller_->importTexture());  // cancelled
}

TEST_F(ExportFlow, ExportUvOverlay) {
  openHouse(256, 128);
  session_.document.texture.TextureFile.clear();
  ui_.savePaths.push_back(path("sub/overlay"));
  fs::create_directories(dir() / "sub");
  ASSERT_TRUE(controller_->exportUvOverlay());
  const FileDialog& d = ui_.saveDialogs[0];
  EXPECT_EQ(d.title, "Export UV layout as a transparent overlay");
  EXPECT_EQ(d.folder, dir().string() + "/");  // the model's folder
  EXPECT_EQ(d.fileName, "house_uv_overlay.png");
  EXPECT_EQ(d.filter, "PNG image (*.png)|*.png");
  EXPECT_EQ(ui_.statusText[kStatusNote], "Exported overlay.png");
  const std::optional<Image> overlay = loadImage(path("sub/overlay.png"));
  ASSERT_TRUE(overlay);
  EXPECT_EQ(*overlay, uvOverlayImage(session_.document.workModel, 256, 128));
  EXPECT_EQ(overlay->at(0, 0), rgba(255, 255, 255, 0));

  // The folder of the texture's file comes first; a failed write is an error box.
  session_.document.texture.TextureFile = path("sub/tex.png");
  ui_.savePaths.push_back(path("none/x.png"));
  EXPECT_FALSE(controller_->exportUvOverlay());
  EXPECT_EQ(ui_.saveDialogs[1].folder, path("sub") + "/");
  ASSERT_EQ(ui_.shown.size(), 1u);
  EXPECT_EQ(ui_.shown[0].title, "Quillmap");
  EXPECT_EQ(ui_.shown[0].text, "Could not save " + path("none/x.png"));
  EXPECT_EQ(ui_.shown[0].icon, Icon::error);

  // A write that stops halfway (here at a file size limit of 64 bytes) leaves no cut-off
  // picture behind.
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlimit small{64, limit.rlim_max};
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);  // a failed write instead of the signal
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  ui_.savePaths.push_back(path("sub/cut.png"));
  const bool written = controller_->exportUvOverlay();
  ::setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(written);
  EXPECT_EQ(ui_.shown.back().text, "Could not save " + path("sub/cut.png"));
  EXPECT_FALSE(fs::exists(path("sub/cut.png")));
}

}  // namespace

// The plan alone: which files go beside the .3ds and which existing ones the question names,
// decided without touching a file.
TEST(ExportPlan, NamesTheFilesAndAsksOnlyAboutThoseThatExistElsewhere) {
  const ExportChoice all{.script = true, .tga = true, .tex = true, .uvPicture = true};
  const auto none = [](const std::string&) { return false; };
  const auto every = [](const std::string&) { return true; };

  const ExportPlan plan = exportPlan("/ss/Models/House.3DS", "", all, true, none);
  EXPECT_EQ(plan.folder, "/ss/Models/");
  EXPECT_EQ(plan.fileName, "House.3DS");
  EXPECT_EQ(plan.scriptPath, "/ss/Models/House.scr");
  EXPECT_EQ(plan.tgaPath, "/ss/Models/House.tga");
  EXPECT_EQ(plan.texPath, "/ss/Models/House.tex");
  EXPECT_EQ(plan.uvPicturePath, "/ss/Models/House_uv.png");
  EXPECT_FALSE(plan.samePlace);
  EXPECT_TRUE(plan.overwrite.empty());

  // Without a Texture no texture file is planned, whatever the choices.
  const ExportPlan bare = exportPlan("/m/a.3ds", "", all, false, every);
  EXPECT_TRUE(bare.tgaPath.empty());
  EXPECT_TRUE(bare.texPath.empty());
  EXPECT_EQ(bare.overwrite, (std::vector<std::string>{"a.3ds", "a.scr (may contain animations!)"}));
  EXPECT_EQ(bare.overwriteLines, "a.3ds\na.scr  (may contain animations!)\n");

  // Every existing file that is written is named, except the UV picture; files not chosen are
  // neither written nor named.
  const ExportPlan some = exportPlan("/m/a.3ds", "", {.tga = true, .uvPicture = true}, true, every);
  EXPECT_TRUE(some.scriptPath.empty());
  EXPECT_EQ(some.overwrite, (std::vector<std::string>{"a.3ds", "a.tga"}));

  // The last export's place, in any case, is written over without asking.
  const ExportPlan again = exportPlan("/m/a.3ds", "/M/A.3DS", all, true, every);
  EXPECT_TRUE(again.samePlace);
  EXPECT_TRUE(again.overwrite.empty());
  EXPECT_TRUE(again.overwriteLines.empty());
}
