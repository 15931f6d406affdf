// Writes the seeds of fuzz_project into a folder, in its input format (project_input.h):
//   make_project_seeds SOURCE_DIR OUT_DIR
// SOURCE_DIR is the source tree, whose image corpora give the JPEG and TGA files.
#include <cstdio>
#include <string>

#include "base/file_io.h"
#include "fuzz/project_input.h"

namespace {

bool failed = false;

std::vector<uint8_t> fileBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (!readFileBytes(path, bytes)) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    failed = true;
  }
  return bytes;
}

void writeSeed(const std::string& path, const std::vector<ArchiveEntry>& entries) {
  if (!writeFileBytes(path, joinProjectInput(entries))) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    failed = true;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_project_seeds SOURCE_DIR OUT_DIR\n");
    return 2;
  }
  const std::string source = std::string(argv[1]) + "/fuzz/corpus/";
  const std::string out = std::string(argv[2]) + "/";
  const std::vector<uint8_t> png = encodePng(Image(3, 2, rgba(1, 2, 3, 4)), true);
  const std::vector<uint8_t> bmp = encodeBmp(Image(2, 2, rgba(9, 8, 7)));

  // Every image kind once, as stencil (PNG, TGA) or pattern (BMP, JPEG), on models of one and
  // of two layers.
  writeSeed(out + "cube_png_bmp",
            writeProjectEntries(sampleProject(genCube(), png, "png", bmp, "bmp")));
  writeSeed(out + "two_objects_tga_jpeg",
            writeProjectEntries(sampleProject(genTwoObjects(), fileBytes(source + "tga/rgba_3x2.tga"),
                                              "tga", fileBytes(source + "jpeg/rgb_8x8.jpg"), "jpg")));

  // Saved in the middle of a layout change: the layout, texture, settings and layers from
  // before it come along.
  ProjectRecord changing = sampleProject(genCube(), png, "png", bmp, "bmp");
  LayoutChangeRecord change;
  change.paintingFollows = true;
  change.before.model = changing.workModel;
  change.texture = Image(4, 4, 0x00336699);
  change.before.settings.layoutWidth = 1024;
  change.before.reportText = "Before the change\n";
  resizeLayerState(change.before.layers, change.before.model.layerCount());
  change.before.layers.locked[0] = 1;
  changing.layoutChange = std::move(change);
  writeSeed(out + "cube_changing", writeProjectEntries(changing));

  // The least a project holds: project.ini with one key, and model.bin.
  ProjectRecord bare;
  bare.workModel = modelOf(genQuad());
  const std::vector<ArchiveEntry> entries = writeProjectEntries(bare);
  const std::string ini = "Locked=1\n";
  writeSeed(out + "bare", {{"project.ini", {ini.begin(), ini.end()}}, entries[2]});
  return failed ? 1 : 0;
}
