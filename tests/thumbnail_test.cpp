#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "app/batch.h"
#include "app/command_line.h"
#include "app/thumbnail.h"
#include "base/file_io.h"
#include "image/image.h"
#include "tests/temp_folder.h"
#include "tools/meshgen/meshgen.h"

namespace {

class Thumbnail : public ::testing::Test, protected TempFolder {
 protected:
  Thumbnail() : TempFolder("quillmap_thumbnail") {}

  std::string cube() {
    EXPECT_TRUE(genWriteFile(genCube(), path("cube.obj")));
    return path("cube.obj");
  }
  // The cube as a project painted all over with rgba(200, 100, 50).
  std::string paintedCube() {
    const std::string picture = path("paint.png");
    EXPECT_TRUE(writeFileBytes(picture, encodePng(Image(64, 64, rgba(200, 100, 50)), false)));
    std::ostringstream out, err;
    EXPECT_EQ(runCommandLine({"--batch", cube(), "--texture", picture, "--save", path("cube.qmap")},
                             out, err),
              0)
        << err.str();
    return path("cube.qmap");
  }
  // The program's exit status for `args`.
  static int status(const std::string& args) {
    const int raw = std::system((std::string(QM_QUILLMAP_EXE) + " " + args + " 2>/dev/null").c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
};

uint8_t alpha(uint32_t p) { return static_cast<uint8_t>(p >> 24); }

// The model fills the middle and leaves the corners transparent; a painted project shows its
// texture, a model its Surface colours.
TEST_F(Thumbnail, ShowsTheModelFramedOnATransparentGround) {
  std::string why;
  const std::optional<Image> model = thumbnailOf(cube(), 64, why);
  const std::optional<Image> project = thumbnailOf(paintedCube(), 64, why);
  ASSERT_TRUE(model && project) << why;
  for (const Image& picture : {*model, *project}) {
    EXPECT_EQ(picture.width, 64);
    EXPECT_EQ(picture.height, 64);
    EXPECT_EQ(alpha(picture.at(0, 0)), 0);
    EXPECT_EQ(alpha(picture.at(63, 63)), 0);
    EXPECT_EQ(alpha(picture.at(32, 32)), 255);
  }
  // The texture's orange, shaded: red over green over blue.
  const uint32_t painted = project->at(32, 32);
  EXPECT_GT(painted & 0xFF, painted >> 8 & 0xFF);
  EXPECT_GT(painted >> 8 & 0xFF, painted >> 16 & 0xFF);
  EXPECT_NE(model->at(32, 32), painted);
}

TEST_F(Thumbnail, FilesThatAreNoModelGiveNoPicture) {
  writeText(path("noise.qmap"), std::string(3000, 'x'));
  writeText(path("empty.obj"), "");
  writeText(path("points.obj"), "v 0 0 0\nv 1 0 0\n");
  for (const char* name : {"noise.qmap", "empty.obj", "points.obj", "missing.3ds"}) {
    std::string why;
    EXPECT_FALSE(thumbnailOf(path(name), 64, why)) << name;
    EXPECT_FALSE(why.empty()) << name;
  }
}

// The command as a file manager runs it: a picture only on success, and a status that says
// which.
TEST_F(Thumbnail, CommandWritesAPictureOnlyWhenItCan) {
  const std::string out = path("out.png");
  EXPECT_EQ(status("--thumbnail " + cube() + " " + out + " 128"), 0);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(readFileBytes(out, bytes));
  const std::optional<Image> picture = decodePng(bytes);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 128);
  std::filesystem::remove(out);
  writeText(path("noise.qmap"), std::string(3000, 'x'));
  EXPECT_EQ(status("--thumbnail " + path("noise.qmap") + " " + out + " 128"), 2);
  for (const char* size : {"0", "2000", "12x", ""})
    EXPECT_EQ(status("--thumbnail " + cube() + " " + out + " " + size), 1) << size;
  EXPECT_FALSE(std::filesystem::exists(out));
}

// Every word the help, the manual page and the completion offer is one the option accepts:
// the run gets past the options and fails only on the missing file.
TEST(CommandLine, EveryOfferedWordIsAccepted) {
  for (const OptionHelp& o : batchOptionHelp()) {
    if (o.value != OptionValue::words) continue;
    for (const std::string& word : o.words) {
      SCOPED_TRACE(o.option + " " + word);
      std::ostringstream out, err;
      EXPECT_EQ(runCommandLine({"--batch", "/nonexistent/model.obj", "--paint", "brush 1,1",
                                "--render", "view.png", "--export", "model.3ds", "--lock",
                                o.option, word},
                               out, err),
                2);
      EXPECT_NE(err.str().find("File not found"), std::string::npos) << err.str();
    }
  }
}

// The manual page and the completion name every option of --help.
TEST(CommandLine, ManualPageAndCompletionNameEveryOption) {
  const std::string page = manPage("1.00"), completion = bashCompletion();
  std::vector<OptionHelp> options = commandHelp();
  for (const OptionHelp& o : batchOptionHelp()) options.push_back(o);
  for (const OptionHelp& o : options) {
    std::string escaped;
    for (const char c : o.option) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
    EXPECT_NE(page.find("\\fB" + escaped + "\\fR"), std::string::npos) << o.option;
    EXPECT_NE(completion.find(" " + o.option), std::string::npos) << o.option;
    EXPECT_NE(usageText().find(o.option + (o.metavar.empty() ? "" : " " + o.metavar)),
              std::string::npos)
        << o.option;
  }
}

}  // namespace
