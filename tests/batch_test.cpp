#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <fstream>
#include <locale>
#include <filesystem>
#include <set>
#include <sstream>

#include "app/batch.h"
#include "base/file_io.h"
#include "image/image.h"
#include "model/model.h"
#include "project/archive.h"
#include "tests/temp_folder.h"
#include "tests/unwrap_checks.h"
#include "tools/meshgen/meshgen.h"

namespace {

namespace fs = std::filesystem;

class Batch : public ::testing::Test, protected TempFolder {
 protected:
  Batch() : TempFolder("quillmap_batch") {}

  std::string write(const GenMesh& mesh, const std::string& name) {
    EXPECT_TRUE(genWriteFile(mesh, path(name)));
    return path(name);
  }
  // Writes `text` as the file `name` of the folder; returns its path.
  std::string writeFile(const std::string& text, const std::string& name) {
    writeText(path(name), text);
    return path(name);
  }
  int run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    return runCommandLine(args, out_, err_);
  }

  // A cube project painted all over with rgba(200, 100, 50) by an imported 64 x 64 picture.
  std::string paintedProject() {
    const std::string cube = write(genCube(), "cube.obj");
    const std::string picture = path("paint.png");
    EXPECT_TRUE(writeFileBytes(picture, encodePng(Image(64, 64, rgba(200, 100, 50)), false)));
    const std::string painted = path("painted.qmap");
    EXPECT_EQ(run({"--batch", cube, "--texture", picture, "--save", painted}), 0) << err_.str();
    return painted;
  }

  // What a project file holds of a layout change: project.ini, the texture's size (0 x 0 when
  // there is none) and its top left pixel, and the names of its entries.
  struct Saved {
    std::string ini;
    int width = 0, height = 0;
    uint32_t corner = 0;
    std::set<std::string> names;
  };
  static Saved saved(const std::string& project) {
    Saved r;
    const auto entries = readZipArchive(project, {"project.ini", "texture.png", "model_before.bin",
                                                  "texture_before.png"});
    if (!entries) return r;
    for (const auto& [name, bytes] : *entries) r.names.insert(name);
    const std::vector<uint8_t>& ini = entries->at("project.ini");
    r.ini.assign(ini.begin(), ini.end());
    if (const auto png = entries->find("texture.png"); png != entries->end()) {
      const std::optional<Image> image = decodePng(png->second);
      if (image) r = {r.ini, image->width, image->height, image->at(0, 0), r.names};
    }
    return r;
  }
  // A project whose layout change has ended: locked, without the change's backups, with these
  // settings and a texture of width x height (0: none) that keeps the painting's corner.
  static void expectEndedChange(const std::string& project, const std::string& settings,
                                int width, int height) {
    const Saved result = saved(project);
    EXPECT_NE(result.ini.find("\nLocked=1\n"), std::string::npos);
    EXPECT_EQ(result.ini.find("LayoutChanging"), std::string::npos);
    EXPECT_EQ(result.names.count("model_before.bin"), 0u);
    EXPECT_NE(result.ini.find(settings), std::string::npos) << result.ini;
    EXPECT_EQ(result.width, width);
    EXPECT_EQ(result.height, height);
    if (width) {
      EXPECT_EQ(result.corner, rgba(200, 100, 50));  // the painting, moved or back
    }
  }

  std::ostringstream out_, err_;
};

TEST_F(Batch, PrintsTheModelReport) {
  struct Case {
    std::string file;
    GenMesh mesh;
    std::string head;
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
    EXPECT_EQ(out_.str().substr(0, c.head.size()), c.head) << c.file;
    EXPECT_EQ(err_.str(), "") << c.file;
  }
  // The whole report of a unit cube: six 1 x 1 pieces in two shelf rows of three, so
  // 4 + 3 s + 2 * 4 + 4 = 512 gives s = 165.33; 6 s^2 / 512^2 = 63%; opposite faces share
  // no position and combine into three Surfaces.
  ASSERT_EQ(run({"--batch", write(genCube(), "cube.3ds")}), 0);
  EXPECT_EQ(out_.str(),
            "Vertices: 8    Triangles: 12\nAll faces are triangles\nLayers: 1\n"
            "Unwrapped pieces: 6\nScale: 165.3 pixels per unit\nTexture used: 63%\nSurfaces: 3\n");
  // Two rows on 1024 x 512: the shelf reaches 250 pixels per unit, the raster packer (one-cell
  // pads of 2.67 pixels) a little more and wins; six Surfaces when nothing combines.
  ASSERT_EQ(run({"--batch", write(genCube(), "cube.3ds"), "--no-combine", "--size", "1024x512",
                 "--per-layer"}),
            0);
  EXPECT_EQ(out_.str(),
            "Vertices: 8    Triangles: 12\nAll faces are triangles\nLayers: 1  (used as surfaces)\n"
            "Unwrapped pieces: 6\nScale: 250.7 pixels per unit\nTexture used: 72%\nSurfaces: 6\n");
  // Keep mode on a file without UVs unwraps; on one with UVs the unwrap lines are left out.
  ASSERT_EQ(run({"--batch", write(genCube(), "cube.obj"), "--mapping", "keep"}), 0);
  EXPECT_NE(out_.str().find("Layers: 1\nThe file has no UVs: unwrapping\nUnwrapped pieces: 6\n"),
            std::string::npos);
  ASSERT_EQ(run({"--batch", write(genGrid(2, 2), "grid.obj"), "--mapping", "keep"}), 0);
  EXPECT_EQ(out_.str(), "Vertices: 9    Triangles: 8\nAll faces are triangles\nLayers: 1\nSurfaces: 1\n");
}

// A decimal-comma locale (as GTK sets it from the environment) changes no number we write.
TEST_F(Batch, ReportNumbersIgnoreTheLocale) {
  const std::string cube = write(genCube(), "cube.3ds");
  const char* const previous = std::setlocale(LC_ALL, nullptr);
  const std::string saved = previous ? previous : "C";
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE.UTF-8 locale here";
  std::locale::global(std::locale("de_DE.UTF-8"));
  const int status = run({"--batch", cube});
  std::locale::global(std::locale::classic());
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(status, 0);
  EXPECT_NE(out_.str().find("Scale: 165.3 pixels per unit\n"), std::string::npos) << out_.str();
}

const std::string kPaintUsage =
    "--paint accepts \"brush x,y x,y ...\" or \"fill-triangle x,y\" (likewise fill-flat-face, "
    "fill-surface, fill-layer)";

TEST_F(Batch, OptionsOutsideTheirRangesAreRefused) {
  const std::string cube = write(genCube(), "cube.obj");
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--size", "500x512"}, "--size accepts WxH with powers of 2 from 32 to 2048, e.g. 512x256"},
      {{"--size", "4096x4096"}, "--size accepts WxH with powers of 2 from 32 to 2048, e.g. 512x256"},
      {{"--size", "16x16"}, "--size accepts WxH with powers of 2 from 32 to 2048, e.g. 512x256"},
      {{"--angle", "0"}, "--angle accepts a whole number of degrees from 1 to 89"},
      {{"--angle", "90"}, "--angle accepts a whole number of degrees from 1 to 89"},
      {{"--angle", "4x"}, "--angle accepts a whole number of degrees from 1 to 89"},
      {{"--margin", "65"}, "--margin accepts a whole number of pixels from 0 to 64"},
      {{"--stretch", "0"}, "--stretch accepts a whole number of percent from 1 to 1000"},
      {{"--rotate", "sideways"}, "--rotate accepts no, lying or all"},
      {{"--up", "x"}, "--up accepts z or y"},
      {{"--mapping", "flat"}, "--mapping accepts keep, exact or smooth"},
      {{"--mirror", "w"}, "--mirror accepts none, x, z or y"},
      {{"--view-size", "0x10"}, "--view-size accepts WxH with each from 1 to 8192, e.g. 720x634"},
      {{"--view-size", "8193x1"}, "--view-size accepts WxH with each from 1 to 8192, e.g. 720x634"},
      {{"--view-size", "720"}, "--view-size accepts WxH with each from 1 to 8192, e.g. 720x634"},
      {{"--view-mode", "5"}, "--view-mode accepts 0 to 4"},
      {{"--yaw", "nan"}, "--yaw accepts a number of degrees"},
      {{"--yaw", "inf"}, "--yaw accepts a number of degrees"},
      {{"--pitch", "89.5"}, "--pitch accepts a number of degrees from -89 to 89"},
      {{"--pitch", "-90"}, "--pitch accepts a number of degrees from -89 to 89"},
      {{"--yaw", "10"},
       "--view-size, --yaw and --pitch go with --render, --paint or the stencil and pattern options"},
      {{"--view-mode", "1", "--paint", "brush 1,1"}, "--view-mode goes with --render"},
      {{"--colour", "FF0000"},
       "--brush-size, --opacity, --hardness, --tip, --colour and --source go with --paint"},
      {{"--source", "pattern"},
       "--brush-size, --opacity, --hardness, --tip, --colour and --source go with --paint"},
      {{"--source", "image", "--paint", "brush 1,1"}, "--source accepts colour, stencil or pattern"},
      {{"--stencil-at", "1,2,3,4"}, "--stencil-at goes with --stencil"},
      {{"--stencil", "s.png", "--stencil-at", "1,2,0,4"},
       "--stencil-at accepts X,Y,SCALE,ANGLE with a scale above 0"},
      {{"--stencil", "s.png", "--stencil-at", "1,2,3"},
       "--stencil-at accepts X,Y,SCALE,ANGLE with a scale above 0"},
      {{"--tile", "0"}, "--tile accepts a whole number of centimetres from 1 to 100000"},
      {{"--mapping-pattern", "planar"}, "--mapping-pattern accepts triplanar or anchor"},
      {{"--anchor", "1;2"}, "--anchor accepts X,Y in view pixels"},
      {{"--paint", "brush"}, kPaintUsage},
      {{"--paint", "fill-surface 1,2 3,4"}, kPaintUsage},
      {{"--paint", "smudge 1,2"}, kPaintUsage},
      {{"--paint", "brush 1;2"}, kPaintUsage},
      {{"--brush-size", "401"}, "--brush-size accepts a whole number from 1 to 400"},
      {{"--opacity", "0"}, "--opacity accepts a whole number from 1 to 100"},
      {{"--hardness", "-1"}, "--hardness accepts a whole number from 0 to 100"},
      {{"--tip", "soft"}, "--tip accepts round, sponge, splatter or chalk"},
      {{"--colour", "12345G"}, "--colour accepts RRGGBB in hexadecimal, e.g. FF8000"},
      {{"--colour", "+12345"}, "--colour accepts RRGGBB in hexadecimal, e.g. FF8000"},
      {{"--angle"}, "--angle needs a value"},
      {{"--frobnicate", "1"}, "Unknown option --frobnicate"},
  };
  for (const auto& [options, message] : cases) {
    std::vector<std::string> args = {"--batch", cube};
    args.insert(args.end(), options.begin(), options.end());
    EXPECT_EQ(run(args), 1) << message;
    EXPECT_EQ(err_.str(), message + "\n");
    EXPECT_EQ(out_.str(), "");
  }
}

// Smooth mapping adds the stretch line, tight packing its own line. The mirror axes are
// x = left - right, z = front - back and y = up - down: only the first finds mirror images on
// a model symmetric in x alone.
TEST_F(Batch, SmoothMappingPackingAndMirrorAxes) {
  const std::string model = write(xSymmetricModel(), "symmetric.obj");
  const std::string noImage = "  (no mirror image found: is the model symmetric?)\n";
  struct Case {
    std::vector<std::string> options;
    std::vector<std::string> present, absent;
  };
  const Case cases[] = {
      {{"--mapping", "smooth"}, {"Unwrapped pieces: ", "\nLargest stretch: "}, {"Mirrored"}},
      {{"--mirror", "x"}, {"Mirrored: 352 of 704 triangles share UVs\nScale: "}, {noImage, "Largest stretch"}},
      {{"--mirror", "z"}, {"Mirrored: 0 of 704 triangles share UVs\n" + noImage + "Scale: "}, {}},
      {{"--mirror", "y"}, {"Mirrored: 0 of 704 triangles share UVs\n" + noImage + "Scale: "}, {}},
      {{"--mirror", "none"}, {"Unwrapped pieces: "}, {"Mirrored"}},
      {{"--mapping", "smooth", "--mirror", "x"},
       {"Mirrored: 352 of 704 triangles share UVs\nScale: ", "\nLargest stretch: "}, {noImage}},
      {{"--pack", "tight"}, {"\nTexture used: ", "\nPacking: tight\nSurfaces: "}, {}},
      {{"--pack", "standard"}, {"Unwrapped pieces: "}, {"Packing"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--batch", model};
    args.insert(args.end(), c.options.begin(), c.options.end());
    ASSERT_EQ(run(args), 0) << err_.str();
    for (const std::string& text : c.present) EXPECT_NE(out_.str().find(text), std::string::npos) << text << "\n" << out_.str();
    for (const std::string& text : c.absent) EXPECT_EQ(out_.str().find(text), std::string::npos) << text << "\n" << out_.str();
  }
}

TEST_F(Batch, SavesAndOpensProjects) {
  const std::string cube = write(genCube(), "cube.obj");
  ASSERT_EQ(run({"--batch", cube, "--save", path("box")}), 0) << err_.str();
  const std::string report = out_.str();
  EXPECT_EQ(err_.str(), "Project saved: box.qmap\n");
  const std::string project = path("box.qmap");
  ASSERT_TRUE(std::filesystem::exists(project));

  // Opening prints the stored report without unwrapping again.
  ASSERT_EQ(run({"--batch", project}), 0) << err_.str();
  EXPECT_EQ(out_.str(), report);
  EXPECT_EQ(err_.str(), "");
  // An unwrap option unwraps the opened project with it.
  ASSERT_EQ(run({"--batch", project, "--size", "1024x1024"}), 0);
  EXPECT_NE(out_.str(), report);
  EXPECT_NE(out_.str().find("Scale: 336.0 pixels per unit\n"), std::string::npos) << out_.str();

  // Saving over another file needs --yes.
  ASSERT_EQ(run({"--batch", cube, "--save", path("other.qmap")}), 0);
  EXPECT_EQ(run({"--batch", cube, "--angle", "10", "--save", path("other.qmap")}), 2);
  EXPECT_EQ(err_.str(), "other.qmap already exists. Overwrite it?\n");
  EXPECT_EQ(run({"--batch", cube, "--save", path("other.qmap"), "--yes"}), 0);
  EXPECT_EQ(err_.str(), "Overwriting: other.qmap\nProject saved: other.qmap\n");
  EXPECT_TRUE(std::filesystem::exists(dir() / "other.bak"));

  writeText(path("broken.qmap"), "not a zip");
  EXPECT_EQ(run({"--batch", path("broken.qmap")}), 2);
  EXPECT_EQ(err_.str(), "Cannot open " + path("broken.qmap") + "\n");
}

// Sizes and spin values from a damaged project.ini are brought into range before the unwrap
// and the UV picture use them.
TEST_F(Batch, OpensAProjectWithValuesOutOfRange) {
  const std::string project = path("box.qmap");
  ASSERT_EQ(run({"--batch", write(genCube(), "cube.obj"), "--save", project}), 0) << err_.str();
  auto entries = readZipArchive(project, {"source.bin", "model.bin"});
  ASSERT_TRUE(entries);
  const std::string ini = "; Quillmap project\nMapMode=1\nTexW=-1\nTexH=2147483647\nMargin=-50\nAngle=-1000\n";
  ASSERT_EQ(writeZipArchive(project, {{"project.ini", {ini.begin(), ini.end()}},
                                      {"source.bin", entries->at("source.bin")},
                                      {"model.bin", entries->at("model.bin")}}),
            ArchiveWrite::ok);
  const std::string png = path("layout.png");
  ASSERT_EQ(run({"--batch", project, "--mapping", "exact", "--uv-png", png}), 0) << err_.str();
  const std::optional<Image> picture = loadImage(png);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 32);  // sizes that are no item of the lists show as the first
  EXPECT_EQ(picture->height, 32);
}

TEST_F(Batch, WritesTheUvLayoutPicture) {
  const std::string png = path("layout.png");
  ASSERT_EQ(run({"--batch", write(genCube(), "cube.3ds"), "--size", "256x128", "--uv-png", png}), 0);
  const std::optional<Image> picture = loadImage(png);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 256);
  EXPECT_EQ(picture->height, 128);
  EXPECT_EQ(picture->at(0, 0), rgba(90, 90, 90));       // the border
  EXPECT_EQ(picture->at(255, 127), rgba(90, 90, 90));
  EXPECT_EQ(picture->at(1, 1), rgba(32, 32, 32));       // the fill inside the margin
  std::set<uint32_t> colours(picture->pixels.begin(), picture->pixels.end());
  for (int surface = 0; surface < 3; ++surface)
    EXPECT_TRUE(colours.count(surfaceColor(surface) | 0xFF000000u)) << surface;
  EXPECT_EQ(run({"--batch", write(genCube(), "cube.3ds"), "--uv-png", "/nonexistent/x.png"}), 2);
  EXPECT_EQ(err_.str(), "Cannot write /nonexistent/x.png\n");
}

// The reset view of a model: background gradient at the corners, the model in the middle.
TEST_F(Batch, RendersTheResetView) {
  const std::string cube = write(genCube(), "cube.3ds");
  const std::string target = path("view");
  auto render = [&](std::vector<std::string> options) {
    std::vector<std::string> args = {"--batch", cube, "--render", target, "--yes"};
    args.insert(args.end(), options.begin(), options.end());
    EXPECT_EQ(run(args), 0) << err_.str();
    std::optional<Image> picture = loadImage(target + ".png");
    EXPECT_TRUE(picture);
    return picture.value_or(Image());
  };
  const Image view = render({});
  EXPECT_TRUE(out_.str().ends_with("\nRendered view.png (720 x 634)\n")) << out_.str();
  ASSERT_EQ(view.width, 720);
  ASSERT_EQ(view.height, 634);
  auto background = [](int y, int h) {
    const uint32_t step = 30 * y / h;
    return rgba(40 + step, 44 + step, 52 + step);
  };
  for (int x : {0, 719}) {
    EXPECT_EQ(view.at(x, 0), rgba(40, 44, 52)) << x;
    EXPECT_EQ(view.at(x, 633), background(633, 634)) << x;  // (69, 73, 81)
  }
  EXPECT_NE(view.at(360, 317), background(317, 634));
  // The reset angles given explicitly change nothing; other angles do.
  EXPECT_EQ(render({"--yaw", "30", "--pitch", "20"}), view);
  EXPECT_NE(render({"--yaw", "-60", "--pitch", "-45.5"}), view);

  // "Surface colours": the centre shows one of the cube's three Surface colours, shaded.
  const Image surfaces = render({"--view-mode", "2", "--view-size", "300x200"});
  ASSERT_EQ(surfaces.width, 300);
  ASSERT_EQ(surfaces.height, 200);
  const uint32_t centre = surfaces.at(150, 100);
  bool shadedSurface = false;
  for (int64_t k = 0; k < 3; ++k)
    for (uint32_t shade = 90; shade <= 256; ++shade) {
      const uint32_t c = surfaceColor(k);
      shadedSurface |= centre == rgba(redOf(c) * shade / 256, greenOf(c) * shade / 256,
                                      blueOf(c) * shade / 256);
    }
  EXPECT_TRUE(shadedSurface) << std::hex << centre;

  // A project's view mode, "Show edges" and hidden layers are used.
  const std::string project = path("box.qmap");
  ASSERT_EQ(run({"--batch", cube, "--save", project}), 0) << err_.str();
  const auto entries = readZipArchive(project, {"source.bin", "model.bin"});
  ASSERT_TRUE(entries);
  auto renderProject = [&](const std::string& keys) {
    const std::string ini = "; Quillmap project\n" + keys;
    EXPECT_EQ(writeZipArchive(project, {{"project.ini", {ini.begin(), ini.end()}},
                                        {"source.bin", entries->at("source.bin")},
                                        {"model.bin", entries->at("model.bin")}}),
              ArchiveWrite::ok);
    EXPECT_EQ(run({"--batch", project, "--render", target, "--yes", "--view-size", "300x200"}), 0);
    return loadImage(target + ".png").value_or(Image());
  };
  const Image withoutEdges = renderProject("ViewMode=2\nTool=0\nEdges=0\n");
  EXPECT_EQ(withoutEdges.at(150, 100), centre);
  EXPECT_NE(withoutEdges, surfaces);
  const Image hidden = renderProject("LayerHidden=1\n");
  ASSERT_EQ(hidden.height, 200);
  EXPECT_EQ(hidden.at(150, 100), background(100, 200));

  // An existing file is overwritten only with --yes; a file that cannot be written fails.
  EXPECT_EQ(run({"--batch", cube, "--render", target + ".png"}), 2);
  EXPECT_EQ(err_.str(), "view.png already exists. Overwrite it?\n");
  EXPECT_EQ(out_.str().find("Rendered"), std::string::npos);
  const std::string unwritable = path("cube.3ds/view.png");
  EXPECT_EQ(run({"--batch", cube, "--render", unwritable}), 2);
  EXPECT_EQ(err_.str(), "Cannot write " + unwritable + "\n");
  EXPECT_FALSE(fs::exists(unwritable));
}

TEST_F(Batch, PaintsThroughTheView) {
  const std::string cube = write(genCube(), "cube.3ds");
  const std::string project = path("painted.qmap");
  const std::string stroke = "brush 330,317 390,317";
  ASSERT_EQ(run({"--batch", cube, "--paint", stroke, "--paint", "brush 5,5", "--colour", "0000FF",
                 "--brush-size", "30", "--hardness", "100", "--save", project}),
            0)
      << err_.str();
  // The stroke paints a blue band into a fresh white texture; a click on the background paints
  // nothing.
  const std::string out = out_.str();
  const size_t line = out.find(stroke + ": ");
  ASSERT_NE(line, std::string::npos) << out;
  EXPECT_GT(std::stoi(out.substr(line + stroke.size() + 2)), 100) << out;
  EXPECT_NE(out.find("\nbrush 5,5: 0 texels changed\n"), std::string::npos) << out;
  const auto entries = readZipArchive(project, {"texture.png"});
  ASSERT_TRUE(entries);
  const std::optional<Image> texture = decodeImage(entries->at("texture.png"));
  ASSERT_TRUE(texture);
  EXPECT_EQ(texture->width, 512);
  std::set<uint32_t> colours(texture->pixels.begin(), texture->pixels.end());
  EXPECT_EQ(colours, (std::set<uint32_t>{rgba(255, 255, 255), rgba(0, 0, 255)}));

  // The same view and brush on the saved project paint the same texels: nothing changes.
  ASSERT_EQ(run({"--batch", project, "--paint", stroke, "--colour", "0000FF", "--brush-size", "30",
                 "--hardness", "100"}),
            0)
      << err_.str();
  EXPECT_NE(out_.str().find(stroke + ": 0 texels changed\n"), std::string::npos) << out_.str();

  // A fill click changes a whole face; on the background it changes nothing.
  ASSERT_EQ(run({"--batch", cube, "--paint", "fill-flat-face 360,317", "--paint", "fill-surface 0,0"}), 0)
      << err_.str();
  const std::string fills = out_.str();
  const size_t fill = fills.find("fill-flat-face 360,317: ");
  ASSERT_NE(fill, std::string::npos) << fills;
  EXPECT_GT(std::stoi(fills.substr(fill + 24)), 1000) << fills;
  EXPECT_NE(fills.find("\nfill-surface 0,0: 0 texels changed\n"), std::string::npos) << fills;
}

TEST_F(Batch, PaintsUvsOutsideZeroToOneAndNothingWhereNothingChanges) {
  // A grid whose UVs lie in 1.1 .. 1.9: the view repeats the texture there, and so does paint.
  GenMesh grid = genGrid(4, 4);
  for (auto& uv : grid.uvs) uv = {1.1f + 0.8f * uv[0], 1.1f + 0.8f * uv[1]};
  const std::string keep = write(grid, "grid.obj");
  ASSERT_EQ(run({"--batch", keep, "--mapping", "keep", "--paint", "fill-triangle 360,317",
                 "--paint", "brush 300,317 420,317", "--colour", "0000FF"}),
            0)
      << err_.str();
  for (const std::string script : {"fill-triangle 360,317", "brush 300,317 420,317"}) {
    const size_t line = out_.str().find(script + ": ");
    ASSERT_NE(line, std::string::npos) << out_.str();
    EXPECT_GT(std::stoi(out_.str().substr(line + script.size() + 2)), 100) << out_.str();
  }

  // A first stroke that changes nothing makes no texture and leaves the layout free.
  const std::string cube = write(genCube(), "cube.3ds");
  const std::string project = path("unpainted.qmap");
  ASSERT_EQ(run({"--batch", cube, "--paint", "brush 5,5 10,5", "--save", project}), 0) << err_.str();
  EXPECT_NE(out_.str().find("brush 5,5 10,5: 0 texels changed\n"), std::string::npos) << out_.str();
  const auto entries = readZipArchive(project, {"project.ini", "texture.png"});
  ASSERT_TRUE(entries);
  EXPECT_FALSE(entries->contains("texture.png"));
  const std::string ini(entries->at("project.ini").begin(), entries->at("project.ini").end());
  EXPECT_NE(ini.find("Locked=0"), std::string::npos) << ini;

  // Script points further apart than an int reaches: the moves are computed in 64 bits.
  ASSERT_EQ(run({"--batch", cube, "--paint", "brush 2147483647,2147483647 -2147483648,-2147483648"}), 0)
      << err_.str();
  EXPECT_NE(out_.str().find("texels changed"), std::string::npos) << out_.str();
}

TEST_F(Batch, PaintsWithTheStencilAndThePattern) {
  const std::string cube = write(genCube(), "cube.3ds");
  const std::vector<uint8_t> green = encodePng(Image(8, 8, rgba(0, 255, 0, 255)), true);
  ASSERT_EQ(writeWholeFile(path("green.png"), green.data(), green.size()), FileWrite::ok);
  const std::vector<uint8_t> tile = encodePng(Image(2, 2, rgba(255, 0, 0)), false);
  ASSERT_EQ(writeWholeFile(path("tile.png"), tile.data(), tile.size()), FileWrite::ok);

  // Through the stencil, placed over the middle of the view; the project keeps its file.
  ASSERT_EQ(run({"--batch", cube, "--stencil", path("green.png"), "--stencil-at", "360,317,20,45",
                 "--paint", "fill-flat-face 360,317", "--save", path("s.qmap")}),
            0)
      << err_.str();
  const auto entries = readZipArchive(path("s.qmap"), {"texture.png", "stencil.png"});
  ASSERT_TRUE(entries);
  EXPECT_EQ(entries->at("stencil.png"), green);
  const std::optional<Image> texture = decodeImage(entries->at("texture.png"));
  ASSERT_TRUE(texture);
  EXPECT_NE(std::find(texture->pixels.begin(), texture->pixels.end(), rgba(0, 255, 0)),
            texture->pixels.end());

  // The pattern over the clicked Surface of the cube, triplanar and anchored on the front face:
  // the roll-out stops at the cube's edges, so only the front face of the Surface is painted.
  const auto changed = [&](std::vector<std::string> options) {
    std::vector<std::string> args = {"--batch", cube, "--pattern", path("tile.png"), "--paint",
                                     "fill-surface 360,317"};
    args.insert(args.end(), options.begin(), options.end());
    EXPECT_EQ(run(args), 0) << err_.str();
    const size_t at = out_.str().find("fill-surface 360,317: ");
    return at == std::string::npos ? -1 : std::stoi(out_.str().substr(at + 22));
  };
  const int triplanar = changed({"--tile", "50"});
  const int anchored = changed({"--anchor", "360,317"});
  EXPECT_GT(anchored, 100);
  EXPECT_LT(anchored * 3 / 2, triplanar);
  EXPECT_EQ(changed({"--anchor", "360,317", "--source", "colour"}), triplanar);

  // Files that are no image, and an anchor off the model.
  ASSERT_EQ(run({"--batch", cube, "--pattern", path("cube.3ds"), "--paint", "brush 1,1"}), 2);
  EXPECT_EQ(err_.str(), "Could not load " + path("cube.3ds") + ": not a PNG, JPEG, TGA or BMP image\n");
  EXPECT_EQ(run({"--batch", cube, "--stencil", path("none.png")}), 2);
  EXPECT_EQ(err_.str(), "Could not load " + path("none.png") + ": the file cannot be read\n");
  EXPECT_EQ(run({"--batch", cube, "--pattern", path("tile.png"), "--anchor", "2,2"}), 1);
  EXPECT_EQ(err_.str(), "--anchor 2,2: the model is not there, or is seen edge-on\n");
}

TEST_F(Batch, ExportsIntoASeriousSamFolder) {
  fs::create_directories(dir() / "SS" / "Bin");
  fs::create_directories(dir() / "SS" / "Models");
  writeFile("", "SS/Bin/SeriousModeler.exe");
  const std::string cube = write(genCube(), "cube.3ds");
  const std::string target = path("SS/Models/cube");
  const std::string picture = path("paint.png");
  ASSERT_TRUE(writeFileBytes(picture, encodePng(Image(256, 256, rgba(200, 100, 50)), false)));
  const std::vector<std::string> full = {"--batch", cube,      "--size",  "512x256", "--texture",
                                         picture,  "--export", target,    "--write", "tex,uv,scr,tga"};

  ASSERT_EQ(run(full), 0) << err_.str();
  EXPECT_TRUE(out_.str().ends_with("\nExported cube.3ds + .scr + .tga + .tex + UV layout\n"))
      << out_.str();
  EXPECT_EQ(err_.str(), "");
  // The picture was scaled to the layout without asking (the scale question is answered Yes).
  const std::optional<Image> tga = loadImage(target + ".tga");
  ASSERT_TRUE(tga);
  EXPECT_EQ(tga->width, 512);
  EXPECT_EQ(tga->height, 256);
  EXPECT_EQ(tga->at(0, 0), rgba(200, 100, 50));
  EXPECT_TRUE(fs::exists(target + "_uv.png"));
  EXPECT_EQ(fs::file_size(target + ".tex"), 96u + 512 * 256 * 3);
  std::ifstream script(target + ".scr", std::ios::binary);
  std::string line;
  std::getline(script, line);
  std::getline(script, line);
  EXPECT_EQ(line, "TEXTURE_DIM 2.00 1.00\r");

  // The files exist now: only --yes overwrites them.
  ASSERT_EQ(run(full), 2);
  EXPECT_EQ(err_.str(),
            "These files already exist:\ncube.3ds\ncube.scr  (may contain animations!)\ncube.tga\n"
            "cube.tex\n\nOverwrite them?\n");
  EXPECT_EQ(out_.str().find("Exported"), std::string::npos);
  // With --yes nobody is asked: what is overwritten is a plain note.
  const std::string overwriting =
      "Overwriting: cube.3ds, cube.scr (may contain animations!), cube.tga, cube.tex\n";
  std::vector<std::string> withYes = full;
  withYes.push_back("--yes");
  EXPECT_EQ(run(withYes), 0) << err_.str();
  EXPECT_EQ(err_.str(), overwriting);

  // A project remembers its export file, and exporting there again asks nothing.
  const std::string project = path("cube.qmap");
  withYes.insert(withYes.end(), {"--save", project});
  ASSERT_EQ(run(withYes), 0) << err_.str();
  EXPECT_EQ(err_.str(), overwriting + "Project saved: cube.qmap\n");
  ASSERT_EQ(run({"--batch", project, "--export", target + ".3ds", "--write", "none"}), 0) << err_.str();
  EXPECT_TRUE(out_.str().ends_with("\nExported cube.3ds\n")) << out_.str();
  EXPECT_EQ(err_.str(), "");

  // A script that cannot be written: the rest is exported, the run fails.
  const std::string outside = path("cube_out");
  EXPECT_EQ(run({"--batch", cube, "--texture", picture, "--export", outside, "--write", "scr,tga",
                 "--root", path("SS")}),
            2);
  EXPECT_EQ(err_.str(), "The model is exported, but the script (.scr) is not:\n\n"
                        "The file is not inside the Serious Sam folder (" + path("SS") +
                        "/).\nSerious Modeler can only use files inside that folder.\n\n"
                        "If this is not your Serious Sam folder, change it in Tools > Preferences.\n");
  EXPECT_TRUE(out_.str().ends_with("\nExported cube_out.3ds + .tga\n")) << out_.str();
  EXPECT_TRUE(fs::exists(outside + ".3ds"));

  // Wrong options and a texture that cannot be read.
  EXPECT_EQ(run({"--batch", cube, "--export", target, "--write", "scr,png"}), 1);
  EXPECT_EQ(err_.str(), "--write accepts scr, tga, tex and uv, comma-separated, or none\n");
  EXPECT_EQ(run({"--batch", cube, "--root", "/games"}), 1);
  EXPECT_EQ(err_.str(), "--root and --write go with --export\n");
  EXPECT_EQ(run({"--batch", cube, "--texture", cube, "--export", target, "--yes"}), 2);
  EXPECT_EQ(err_.str(), "Could not load " + cube + ": not a PNG, JPEG, TGA or BMP image\n");
}

// A painted project's layout is locked: it changes only with --change-layout, which ends with
// --lock or --cancel.
TEST_F(Batch, ChangesTheLayoutOfAPaintedProject) {
  const std::string painted = paintedProject();
  const std::string cube = path("cube.obj");
  const std::string report = out_.str();

  EXPECT_EQ(run({"--batch", painted, "--size", "1024x512"}), 1);
  EXPECT_EQ(err_.str(), "The layout of painted.qmap is locked (it is painted): change it with "
                        "--change-layout keep or empty\n");

  struct Case {
    std::vector<std::string> change;
    bool newReport;
    int width, height;  // of the saved texture
    std::string settings;
    std::string err;
  };
  const Case cases[] = {
      {{"--change-layout", "keep", "--size", "1024x512", "--lock"}, true, 1024, 512,
       "TexW=1024\nTexH=512\n", "New layout locked\n"},
      {{"--change-layout", "empty", "--mapping", "smooth", "--lock"}, true, 0, 0, "MapMode=2\n",
       "New layout locked\n"},
      {{"--cancel", "--size", "256x256", "--change-layout", "keep"}, false, 512, 512,
       "TexW=512\nTexH=512\n", ""},
      {{"--change-layout", "empty", "--size", "256x256", "--cancel"}, false, 512, 512,
       "TexW=512\nTexH=512\n", ""},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--batch", painted};
    args.insert(args.end(), c.change.begin(), c.change.end());
    args.insert(args.end(), {"--save", path("changed.qmap"), "--yes"});
    SCOPED_TRACE(c.change[1]);
    ASSERT_EQ(run(args), 0) << err_.str();
    EXPECT_EQ(out_.str() != report, c.newReport) << out_.str();
    EXPECT_TRUE(err_.str().starts_with(c.err)) << err_.str();
    expectEndedChange(path("changed.qmap"), c.settings, c.width, c.height);
  }

  const struct {
    std::vector<std::string> args;
    std::string err;
  } refused[] = {
      {{"--batch", painted, "--change-layout", "keep"},
       "--change-layout goes with --lock, --cancel or --save\n"},
      {{"--batch", painted, "--lock"},
       "--lock and --cancel go with --change-layout or a project saved during a layout change\n"},
      {{"--batch", painted, "--change-layout", "keep", "--lock", "--cancel"},
       "Give either --lock or --cancel\n"},
      {{"--batch", painted, "--change-layout", "all", "--lock"},
       "--change-layout accepts keep or empty\n"},
      {{"--batch", cube, "--change-layout", "keep", "--lock"},
       "--change-layout needs a project whose layout is locked\n"},
  };
  for (const auto& r : refused) {
    EXPECT_EQ(run(r.args), 1) << r.err;
    EXPECT_EQ(err_.str(), r.err);
  }
}

// --change-layout with --save alone saves the project in the middle of the change; a later run
// goes on with it and ends it with --lock or --cancel.
TEST_F(Batch, SavesAProjectInTheMiddleOfALayoutChange) {
  const std::string painted = paintedProject();
  const std::string report = out_.str();
  const std::string empty = path("empty.qmap"), keep = path("keep.qmap");
  ASSERT_EQ(run({"--batch", painted, "--change-layout", "empty", "--size", "1024x512", "--save",
                 empty}),
            0)
      << err_.str();
  ASSERT_EQ(run({"--batch", painted, "--change-layout", "keep", "--size", "256x256", "--save", keep}),
            0)
      << err_.str();
  const Saved middle = saved(empty);
  EXPECT_NE(middle.ini.find("\nLayoutChanging=1\nPaintingFollows=0\n"), std::string::npos);
  EXPECT_NE(middle.ini.find("\nTexW=1024\nTexH=512\n"), std::string::npos);
  EXPECT_NE(middle.ini.find("\nTexWBefore=512\nTexHBefore=512\n"), std::string::npos);
  EXPECT_EQ(middle.width, 0);
  EXPECT_EQ(middle.names, (std::set<std::string>{"project.ini", "model_before.bin",
                                                 "texture_before.png"}));
  EXPECT_EQ(saved(keep).width, 256);

  struct Case {
    std::string project;
    std::vector<std::string> options;
    bool oldReport;
    int width, height;  // of the saved texture
    std::string settings;
    std::string err;
  };
  const Case cases[] = {
      {empty, {"--cancel"}, true, 512, 512, "TexW=512\nTexH=512\n", ""},
      {empty, {"--lock"}, false, 0, 0, "TexW=1024\nTexH=512\n", "New layout locked\n"},
      {keep, {"--cancel"}, true, 512, 512, "TexW=512\nTexH=512\n", ""},
      // Another unwrap during the change carries the painting from before it.
      {keep, {"--size", "64x128", "--lock"}, false, 64, 128, "TexW=64\nTexH=128\n",
       "New layout locked\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--batch", c.project};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.insert(args.end(), {"--save", path("ended.qmap"), "--yes"});
    SCOPED_TRACE(fileNameOf(c.project) + " " + c.options.back());
    ASSERT_EQ(run(args), 0) << err_.str();
    EXPECT_EQ(out_.str() == report, c.oldReport) << out_.str();
    EXPECT_TRUE(err_.str().starts_with(c.err + "Project saved") ||
                err_.str().starts_with(c.err + "Overwriting"))
        << err_.str();
    expectEndedChange(path("ended.qmap"), c.settings, c.width, c.height);
  }

  // The change is under way: no second one, and nothing to export until it ends.
  EXPECT_EQ(run({"--batch", empty, "--change-layout", "keep", "--lock"}), 1);
  EXPECT_EQ(err_.str(), "--change-layout needs a project whose layout is locked\n");
  // Saved again as it is, it stays in the middle of the change.
  ASSERT_EQ(run({"--batch", empty, "--save", path("again.qmap")}), 0) << err_.str();
  EXPECT_EQ(saved(path("again.qmap")).ini, middle.ini);
}

TEST_F(Batch, Failures) {
  const std::string empty = writeFile("v 0 0 0\n", "points.obj");
  const std::string notA3ds = writeFile("hello", "box.3ds");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {{"--batch", empty}, 2, "Could not open the model:\nGeen vlakken gevonden in " + empty + "\n"},
      {{"--batch", notA3ds}, 2, "Could not open the model:\nGeen geldig .3ds-bestand\n"},
      {{"--batch", path("missing.obj")}, 2,
       "File not found:\n" + path("missing.obj") + "\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.args), c.status) << c.args[1];
    EXPECT_EQ(err_.str(), c.err);
    EXPECT_EQ(out_.str(), "");
  }
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{}, {"--bogus"}, {"model.obj"}}) {
    EXPECT_EQ(run(args), 1);
    EXPECT_NE(err_.str().find("Usage: quillmap"), std::string::npos);
  }
  EXPECT_EQ(run({"--batch"}), 1);
  EXPECT_EQ(err_.str(), "--batch needs a model or project file\n");
  EXPECT_EQ(run({"--batch", "a.obj", "b.obj"}), 1);
  EXPECT_EQ(err_.str(), "Only one file can be given\n");
}

TEST_F(Batch, HelpAndVersion) {
  EXPECT_EQ(run({"--version"}), 0);
  EXPECT_EQ(out_.str(), "Quillmap 1.00\n");
  EXPECT_EQ(run({"--help"}), 0);
  EXPECT_NE(out_.str().find("--batch FILE [options]"), std::string::npos);
  EXPECT_NE(out_.str().find("--render FILE"), std::string::npos);
}

// The installed program reports through its exit status and standard streams.
TEST_F(Batch, ExecutableExitStatus) {
  const std::string exe = QM_QUILLMAP_EXE;
  const std::string cube = write(genCube(), "cube.obj");
  const std::string out = path("out.txt");
  auto status = [&](const std::string& args) {
    const int raw = std::system((exe + " " + args + " >" + out + " 2>&1").c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  };
  EXPECT_EQ(status("--batch " + cube), 0);
  std::ifstream in(out);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first, "Vertices: 8    Triangles: 12");
  EXPECT_EQ(status("--batch " + path("nope.3ds")), 2);
  EXPECT_EQ(status("--frobnicate"), 1);
}

}  // namespace
