// quillmap-meshgen: writes one generated mesh as .obj or .3ds. The bundled sample model is
// made with it: quillmap-meshgen sample resources/sample.3ds
#include <charconv>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/meshgen/meshgen.h"

namespace {

constexpr int kMaxCount = 4096;  // keeps a typo from asking for gigabytes

// The bundled sample: a simple figure, a capped cylinder body with a sphere head.
GenMesh makeSample() {
  GenMesh mesh = genCylinder(32, 0.35f, 1.2f);
  mesh.objectNames = {"Body"};
  mesh.materialNames = {"Cloth"};
  GenMesh head = genSphere(32, 16, 0.3f);
  head.objectNames = {"Head"};
  head.materialNames = {"Skin"};
  genAppend(mesh, head, {0, 1.2f + 0.27f, 0});  // sunk a little into the body: a neck
  return mesh;
}

struct Shape {
  const char* name;
  const char* arguments;  // for the usage text
  size_t count;           // how many numbers it takes
  std::function<GenMesh(const std::vector<int>&)> make;
};

const Shape kShapes[] = {
    {"cube", "", 0, [](const auto&) { return genCube(); }},
    {"grid", "COLUMNS ROWS", 2, [](const auto& n) { return genGrid(n[0], n[1]); }},
    {"tube", "SEGMENTS RINGS", 2, [](const auto& n) { return genTube(n[0], n[1]); }},
    {"cylinder", "SEGMENTS", 1, [](const auto& n) { return genCylinder(n[0]); }},
    {"sphere", "SEGMENTS RINGS", 2, [](const auto& n) { return genSphere(n[0], n[1]); }},
    {"bulgysphere", "SEGMENTS RINGS", 2, [](const auto& n) { return genBulgySphere(n[0], n[1]); }},
    {"parts", "", 0, [](const auto&) { return genParts(); }},
    {"hemisphere", "SEGMENTS RINGS", 2, [](const auto& n) { return genHemisphere(n[0], n[1]); }},
    {"lhexagon", "", 0, [](const auto&) { return genLHexagon(); }},
    {"quad", "", 0, [](const auto&) { return genQuad(); }},
    {"twoobjects", "", 0, [](const auto&) { return genTwoObjects(); }},
    {"sample", "", 0, [](const auto&) { return makeSample(); }},
};

int usage() {
  std::fputs("usage: quillmap-meshgen SHAPE OUT.obj|OUT.3ds [NUMBERS...]\nshapes:\n", stderr);
  for (const Shape& s : kShapes)
    std::fprintf(stderr, "  %s%s%s\n", s.name, *s.arguments ? " " : "", s.arguments);
  std::fprintf(stderr, "numbers are whole, 1 to %d\n", kMaxCount);
  return 1;
}

bool parseCount(std::string_view text, int& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value >= 1 &&
         value <= kMaxCount;
}

bool endsWith(const std::string& s, std::string_view tail) {
  if (s.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i) {
    char c = s[s.size() - tail.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != tail[i]) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  const std::string shapeName = argv[1], out = argv[2];
  if (!endsWith(out, ".obj") && !endsWith(out, ".3ds")) return usage();
  const Shape* shape = nullptr;
  for (const Shape& s : kShapes)
    if (shapeName == s.name) shape = &s;
  if (shape == nullptr || static_cast<size_t>(argc - 3) != shape->count) return usage();
  std::vector<int> numbers(shape->count);
  for (size_t i = 0; i < shape->count; ++i)
    if (!parseCount(argv[3 + i], numbers[i])) return usage();

  const GenMesh mesh = shape->make(numbers);
  if (!genWriteFile(mesh, out)) {
    std::fprintf(stderr, "quillmap-meshgen: could not write %s%s\n", out.c_str(),
                 endsWith(out, ".3ds") ? " (more than 65535 vertices or triangles per object?)"
                                       : "");
    return 1;
  }
  std::printf("%s: %zu positions, %zu triangles\n", out.c_str(), mesh.positions.size(),
              mesh.triangleCount());
  return 0;
}
