#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/preferences.h"
#include "base/file_io.h"

namespace {

namespace fs = std::filesystem;

class PreferencesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = fs::temp_directory_path() / ("quillmap_prefs_" + std::to_string(::getpid()));
    fs::remove_all(home_);
    fs::create_directories(home_);
  }
  void TearDown() override { fs::remove_all(home_); }
  std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  fs::path home_;
};

TEST_F(PreferencesTest, KeysAreWrittenInFirstWriteOrderAndReadBack) {
  const std::string folder = preferencesFolder(home_.string());
  ASSERT_EQ(folder, home_.string() + "/.Quillmap/");
  PreferencesFile file(preferencesPath(folder));
  EXPECT_EQ(file.readInt("Autosave", 5), 5);  // no file yet
  file.writeInt("Autosave", 10);
  file.writeText("LastDir", "/tmp");
  file.writeInt("Autosave", 0);
  EXPECT_EQ(read(folder + "Quillmap.prefs"), "\xEF\xBB\xBF\nAutosave = 0\nLastDir = /tmp\n");
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
  const fs::path game = home_ / "Serious Sam";
  fs::create_directories(game / "Bin");
  fs::create_directories(game / "Tools" / "Quillmap");
  std::ofstream(game / "Bin" / "SeriousModeler.exe") << "x";
  const std::string exe = (game / "Tools" / "Quillmap" / "quillmap").string();
  EXPECT_EQ(findSeriousSamFolder(exe), game.string() + "/");
  EXPECT_EQ(findSeriousSamFolder((home_ / "elsewhere" / "quillmap").string()), "");
  PreferencesFile file(preferencesPath(preferencesFolder(home_.string())));
  EXPECT_EQ(loadPreferences(file, exe).seriousSamRoot, game.string() + "/");
}

TEST_F(PreferencesTest, RecentList) {
  PreferencesFile file(preferencesPath(preferencesFolder(home_.string())));
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

}  // namespace
