#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/batch.h"
#include "tools/meshgen/meshgen.h"

namespace {

namespace fs = std::filesystem;

class Batch : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("quillmap_batch_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string write(const GenMesh& mesh, const std::string& name) {
    const std::string path = (dir_ / name).string();
    EXPECT_TRUE(genWriteFile(mesh, path));
    return path;
  }
  std::string writeText(const std::string& text, const std::string& name) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  int run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    return runCommandLine(args, out_, err_);
  }

  fs::path dir_;
  std::ostringstream out_, err_;
};

TEST_F(Batch, PrintsTheModelReportHead) {
  struct Case {
    std::string file;
    GenMesh mesh;
    std::string report;
  };
  const Case cases[] = {
      {"cube.3ds", genCube(), "Vertices: 8    Triangles: 12\nAll faces are triangles\nLayers: 1\n"},
      {"CUBE.OBJ", genCube(), "Vertices: 8    Triangles: 12\nAll faces are triangles\nLayers: 1\n"},
      {"quad.obj", genQuad(), "Vertices: 4    Triangles: 2\nPolygons split into triangles: 1\nLayers: 1\n"},
      {"two.3ds", genTwoObjects(),
       "Vertices: 14    Triangles: 20\nObjects: 2 (combined into one)\nAll faces are triangles\n"
       "Layers: 2\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run({"--batch", write(c.mesh, c.file)}), 0) << c.file << err_.str();
    EXPECT_EQ(out_.str(), c.report) << c.file;
    EXPECT_EQ(err_.str(), "") << c.file;
  }
}

TEST_F(Batch, Failures) {
  const std::string empty = writeText("v 0 0 0\n", "points.obj");
  const std::string notA3ds = writeText("hello", "box.3ds");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {{"--batch", empty}, 2, "Could not open the model:\nGeen vlakken gevonden in " + empty + "\n"},
      {{"--batch", notA3ds}, 2, "Could not open the model:\nGeen geldig .3ds-bestand\n"},
      {{"--batch", (dir_ / "missing.obj").string()}, 2,
       "File not found:\n" + (dir_ / "missing.obj").string() + "\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.args), c.status) << c.args[1];
    EXPECT_EQ(err_.str(), c.err);
    EXPECT_EQ(out_.str(), "");
  }
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"--batch"}, {"--bogus"}, {"--batch", "a.obj", "b.obj"}}) {
    EXPECT_EQ(run(args), 1);
    EXPECT_NE(err_.str().find("Usage: quillmap"), std::string::npos);
  }
}

TEST_F(Batch, HelpAndVersion) {
  EXPECT_EQ(run({"--version"}), 0);
  EXPECT_EQ(out_.str(), "Quillmap 1.00\n");
  EXPECT_EQ(run({"--help"}), 0);
  EXPECT_NE(out_.str().find("--batch MODEL"), std::string::npos);
}

// The installed program reports through its exit status and standard streams.
TEST_F(Batch, ExecutableExitStatus) {
  const std::string exe = QM_QUILLMAP_EXE;
  const std::string cube = write(genCube(), "cube.obj");
  const std::string out = (dir_ / "out.txt").string();
  auto status = [&](const std::string& args) {
    const int raw = std::system((exe + " " + args + " >" + out + " 2>&1").c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  };
  EXPECT_EQ(status("--batch " + cube), 0);
  std::ifstream in(out);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first, "Vertices: 8    Triangles: 12");
  EXPECT_EQ(status("--batch " + (dir_ / "nope.3ds").string()), 2);
  EXPECT_EQ(status("--frobnicate"), 1);
}

}  // namespace
