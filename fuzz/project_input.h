// The project fuzzer's input format, and the sample projects its seeds and its starting
// session are made from.
//
// An input is a project archive's entries one after another, separated by kEntrySeparator;
// each entry is its name, a line feed, then its bytes ("project.ini\n; Quillmap project\n...").
// The fuzzer packs them into a real ZIP archive itself, so mutations reach project.ini, the
// snapshots and the images instead of failing the archive's checksums.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "image/image.h"
#include "model/readers.h"
#include "project/archive.h"
#include "project/project_file.h"
#include "tools/meshgen/meshgen.h"

inline constexpr std::string_view kEntrySeparator = "\n--qmap-entry--\n";

// Every part between separators is one entry; a part without a line feed is a name alone.
inline std::vector<ArchiveEntry> splitProjectInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<ArchiveEntry> entries;
  size_t start = 0;
  for (;;) {
    const size_t end = std::min(input.find(kEntrySeparator, start), input.size());
    const std::string_view part = input.substr(start, end - start);
    const size_t lineEnd = std::min(part.find('\n'), part.size());
    const std::string_view bytes = part.substr(std::min(lineEnd + 1, part.size()));
    entries.push_back({std::string(part.substr(0, lineEnd)), {bytes.begin(), bytes.end()}});
    if (end == input.size()) return entries;
    start = end + kEntrySeparator.size();
  }
}

inline std::vector<uint8_t> joinProjectInput(const std::vector<ArchiveEntry>& entries) {
  std::vector<uint8_t> input;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i > 0) input.insert(input.end(), kEntrySeparator.begin(), kEntrySeparator.end());
    input.insert(input.end(), entries[i].name.begin(), entries[i].name.end());
    input.push_back('\n');
    input.insert(input.end(), entries[i].bytes.begin(), entries[i].bytes.end());
  }
  return input;
}

inline Model modelOf(const GenMesh& mesh) {
  const std::string text = genObjText(mesh);
  Model model;
  parseObj({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, "sample.obj", model,
           true);
  return model;
}

// A project with something in every part: the model twice, a painted texture, a stencil and a
// pattern of the given files, an anchor, and values away from their defaults.
inline ProjectRecord sampleProject(const GenMesh& mesh, std::vector<uint8_t> stencilFile,
                                   const std::string& stencilExt, std::vector<uint8_t> patternFile,
                                   const std::string& patternExt) {
  ProjectRecord r;
  r.sourceModel = modelOf(mesh);
  r.workModel = r.sourceModel;
  r.settings.layoutWidth = 256;
  r.settings.mirrorAxis = MirrorAxis::leftRight;
  r.modelPath = "/models/sample.obj";
  r.sourceSize = 1234;
  r.sourceDate = 1700000000;
  r.exportPath = "/games/Models/sample.3ds";
  r.textureFile = "/pictures/sample.png";
  r.reportText = "Vertices: 8\nC:\\path\\n\n";
  r.layoutLocked = true;
  r.texture = Image(8, 4, 0x00204080);
  r.texture.at(3, 2) = 0x00FFFFFF;
  loadSourceImage(r.stencil.image, std::move(stencilFile), stencilExt, true);
  r.stencil.x = 12.5;
  r.stencil.scale = 0.5;
  r.stencil.opacity = 70;
  loadSourceImage(r.pattern.image, std::move(patternFile), patternExt, false);
  r.pattern.tile = 0.35;
  r.pattern.mapping = PatternMapping::anchor;
  r.pattern.offsetX = 0.25;
  r.pattern.anchorFace = 1;
  r.pattern.anchorBary[0] = 0.5;
  r.pattern.anchorUp[2] = 1;
  r.pattern.anchorRight[0] = 1;
  r.view.viewMode = ViewMode::texture;
  r.view.camera.dist = 3.5;
  r.view.camera.pitch = 20;
  r.view.tool = Tool::fillFlatFace;
  r.view.paintSource = PaintSource::pattern;
  resizeLayerState(r.layers, r.workModel.layerCount());
  r.layers.hidden.back() = 1;
  r.layers.curLayer = r.workModel.layerCount() - 1;
  return r;
}
