#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/preferences.h"
#include "base/file_io.h"
#include "tests/temp_folder.h"

namespace {

namespace fs = std::filesystem;

class PreferencesTest : public ::testing::Test, protected TempFolder {
 protected:
  PreferencesTest() : TempFolder("quillmap_prefs") {}
};

TEST_F(PreferencesTest, KeysAreWrittenInFirstWriteOrderAndReadBack) {
  const std::string folder = preferencesFolder(dir().string());
  ASSERT_EQ(folder, dir().string() + "/.Quillmap/");
  PreferencesFile file(preferencesPath(folder));
  EXPECT_EQ(file.readInt("Autosave", 5), 5);  // no file yet
  file.writeInt("Autosave", 10);
  file.writeText("LastDir", "/tmp");
  file.writeInt("Autosave", 0);
  EXPECT_EQ(readText(folder + "Quillmap.prefs"), "\xEF\xBB\xBF\nAutosave = 0\nLastDir = /tmp\n");
  EXPECT_EQ(file.readInt("Autosave", 5), 0);
  EXPECT_EQ(file.readFolder("LastDir"), "/tmp");
  file.writeText("LastProjectDir", "/no/such/folder");
  EXPECT_EQ(file.readFolder("LastProjectDir"), "");
  file.writeText("Margin", "");
  EXPECT_EQ(file.readInt("Margin", 4), 4);  // empty text gives the default
  file.writeText("TexW", " \t256px ");
  EXPECT_EQ(file.readText("TexW", ""), "256px");
  EXPECT_EQ(file.readInt("TexW", 512), 256);  // the leading number
}

TEST_F(PreferencesTest, NoHomeFolderReadsDefaultsAndLosesWrites) {
  PreferencesFile file("");
  file.writeInt("Autosave", 9);
  EXPECT_EQ(file.readInt("Autosave", 5), 5);
  const Preferences p = loadPreferences(file, "/usr/bin/quillmap");
  EXPECT_EQ(p.seriousSamRoot, "D:\\Serious Sam TSE\\");
  EXPECT_TRUE(p.writeScript && p.writeTexture && p.writeTex);
  EXPECT_FALSE(p.writePNG);
  EXPECT_EQ(p.autosave, 5);
}

TEST_F(PreferencesTest, SeriousSamFolderIsFoundAboveTheProgram) {
  const fs::path game = dir() / "Serious Sam";
  fs::create_directories(game / "Bin");
  fs::create_directories(game / "Tools" / "Quillmap");
  std::ofstream(game / "Bin" / "SeriousModeler.exe") << "x";
  const std::string exe = (game / "Tools" / "Quillmap" / "quillmap").string();
  EXPECT_EQ(findSeriousSamFolder(exe), game.string() + "/");
  EXPECT_EQ(findSeriousSamFolder((dir() / "elsewhere" / "quillmap").string()), "");
  PreferencesFile file(preferencesPath(preferencesFolder(dir().string())));
  EXPECT_EQ(loadPreferences(file, exe).seriousSamRoot, game.string() + "/");
}

TEST_F(PreferencesTest, RecentList) {
  PreferencesFile file(preferencesPath(preferencesFolder(dir().string())));
  Preferences p;
  for (int i = 0; i < 9; ++i) addRecent(p, file, "/m/model" + std::to_string(i) + ".obj");
  EXPECT_EQ(p.recentFiles[0], "/m/model8.obj");
  EXPECT_EQ(p.recentFiles[7], "/m/model1.obj");  // model0 pushed out
  addRecent(p, file, "/M/MODEL4.OBJ");
  EXPECT_EQ(p.recentFiles[0], "/M/MODEL4.OBJ");
  EXPECT_EQ(p.recentFiles[1], "/m/model8.obj");
  EXPECT_EQ(std::count(p.recentFiles.begin(), p.recentFiles.end(), "/m/model4.obj"), 0);
  EXPECT_EQ(p.recentFiles[7], "/m/model1.obj");
  const Preferences reread = loadPreferences(file, "");
  EXPECT_EQ(reread.recentFiles, p.recentFiles);
}

TEST_F(PreferencesTest, DialogChoiceGetsASeparatorAndIsWrittenInOrder) {
  const std::string folder = preferencesFolder(dir().string());
  PreferencesFile file(preferencesPath(folder));
  file.writeInt("Autosave", 5);  // an existing key keeps its line
  Preferences p;
  PreferencesChoice choice;
  choice.seriousSamRoot = "/games/Serious Sam";
  choice.writeScript = false;
  choice.writePNG = true;
  choice.autosave = 0;
  applyPreferencesChoice(p, file, choice);
  EXPECT_EQ(p.seriousSamRoot, "/games/Serious Sam/");
  EXPECT_FALSE(p.writeScript);
  EXPECT_TRUE(p.writePNG);
  EXPECT_EQ(p.autosave, 0);
  EXPECT_EQ(readText(folder + "Quillmap.prefs"),
            "\xEF\xBB\xBF\nAutosave = 0\nSeriousSamRoot = /games/Serious Sam/\nWriteScript = 0\n"
            "WriteTexture = 1\nWritePNG = 1\nWriteTex = 1\n");
  const Preferences reread = loadPreferences(file, "");
  EXPECT_EQ(reread.seriousSamRoot, "/games/Serious Sam/");
  EXPECT_FALSE(reread.writeScript);
  EXPECT_TRUE(reread.writePNG);
  EXPECT_EQ(reread.autosave, 0);
  // A folder that already ends in a separator of either kind, and an empty one, stay as typed.
  for (const char* typed : {"/games/ssam/", "D:\\Serious Sam TSE\\", ""}) {
    choice.seriousSamRoot = typed;
    applyPreferencesChoice(p, file, choice);
    EXPECT_EQ(p.seriousSamRoot, typed);
    EXPECT_EQ(file.readText("SeriousSamRoot", "?"), typed);
  }
}

}  // namespace
