// Reading a model of 60 000 triangles, from memory and from a file, in both formats.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <span>
#include <string>

#include "model/readers.h"
#include "tests/temp_folder.h"
#include "tools/meshgen/meshgen.h"

namespace {

// 2 * 200 * (151 - 1) = 60 000 triangles on 30 002 positions: within one .3ds object's
// 16-bit counts.
const GenMesh& benchMesh() {
  static const GenMesh mesh = genSphere(200, 151);
  return mesh;
}

const std::string& objText() {
  static const std::string text = genObjText(benchMesh());
  return text;
}

const std::vector<uint8_t>& tdsBytes() {
  static const std::vector<uint8_t> bytes = gen3dsBytes(benchMesh());
  return bytes;
}

void report(benchmark::State& state, const Model& model, size_t bytes) {
  if (model.triangleCount() != static_cast<int64_t>(benchMesh().triangleCount()))
    state.SkipWithError("the model did not read back whole");
  state.SetItemsProcessed(state.iterations() * model.triangleCount());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

void BM_ParseObj(benchmark::State& state) {
  const std::string& text = objText();
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  Model model;
  for (auto _ : state) {
    const ReadResult r = parseObj(bytes, "sphere.obj", model, true);
    benchmark::DoNotOptimize(r.ok);
  }
  report(state, model, bytes.size());
}
BENCHMARK(BM_ParseObj)->Unit(benchmark::kMillisecond);

void BM_Parse3ds(benchmark::State& state) {
  const std::vector<uint8_t>& bytes = tdsBytes();
  Model model;
  for (auto _ : state) {
    const ReadResult r = parse3ds(bytes, "sphere.3ds", model);
    benchmark::DoNotOptimize(r.ok);
  }
  report(state, model, bytes.size());
}
BENCHMARK(BM_Parse3ds)->Unit(benchmark::kMillisecond);

// The whole path a new project takes, file access included (the file is in the page cache).
void BM_ReadModelFile(benchmark::State& state, const char* extension) {
  const TempFolder folder("quillmap_bench_readers");
  const std::string path = folder.path(std::string("model") + extension);
  if (!genWriteFile(benchMesh(), path)) {
    state.SkipWithError("cannot write the temporary model file");
    return;
  }
  Model model;
  for (auto _ : state) {
    const ReadResult r = readModelFile(path, model);
    benchmark::DoNotOptimize(r.ok);
  }
  report(state, model, std::filesystem::file_size(path));
}
BENCHMARK_CAPTURE(BM_ReadModelFile, obj, ".obj")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadModelFile, 3ds, ".3ds")->Unit(benchmark::kMillisecond);

}  // namespace
