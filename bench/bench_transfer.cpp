// Moving a painting onto a new layout, and starting the layout change that keeps it.
#include <benchmark/benchmark.h>

#include "app/layout_change.h"
#include "app/quiet_ui.h"
#include "bench/opened_project.h"
#include "bench/painted_texture.h"
#include "bench/unwrapped_sphere.h"
#include "model/readers.h"
#include "paint/transfer.h"
#include "unwrap/unwrap_model.h"

namespace {

// Two layouts of one model and a painted texture on the first.
struct Relayout {
  Model oldModel, newModel;
  Texture painting;
};

void runTransfer(benchmark::State& state, const Relayout& r, int64_t newWidth, int64_t newHeight) {
  std::vector<uint32_t> pixels;
  for (auto _ : state) {
    benchmark::DoNotOptimize(transferPainting(r.oldModel, r.painting.pixels(),
                                              r.painting.width(), r.painting.height(),
                                              r.newModel, pixels, newWidth, newHeight));
    benchmark::ClobberMemory();
  }
  state.counters["triangles"] = static_cast<double>(r.newModel.triangleCount());
}

// The 60 000-triangle sphere as the view benchmarks show it, packed again with every piece
// free to turn and a smaller margin, at 2048 x 2048.
void BM_TransferLargeModel2048(benchmark::State& state) {
  static const Relayout r = [] {
    Relayout r{unwrappedSphere(), unwrappedSphere(), {}};
    UnwrapSettings settings;
    settings.layoutWidth = settings.layoutHeight = 2048;
    settings.rotateMode = RotateMode::all;
    settings.margin = 2;
    UnwrapStats stats;
    unwrapPieces(r.newModel, settings, stats);
    fillPaintedLook(r.painting, 2048);
    return r;
  }();
  runTransfer(state, r, 2048, 2048);
}
BENCHMARK(BM_TransferLargeModel2048)->Unit(benchmark::kMillisecond);

// The bundled sample from 512 x 512 to 1024 x 512.
void BM_TransferSample512To1024x512(benchmark::State& state) {
  static const Relayout r = [] {
    Model source;
    if (!readModelFile(QM_SAMPLE_MODEL, source).ok) return Relayout{};
    UnwrapSettings settings;
    Relayout r{unwrapSourceModel(source, settings).workModel, {}, {}};
    settings.layoutWidth = 1024;
    r.newModel = unwrapSourceModel(source, settings).workModel;
    fillPaintedLook(r.painting, 512);
    return r;
  }();
  if (r.newModel.triangles.empty()) {
    state.SkipWithError("the sample model cannot be read");
    return;
  }
  runTransfer(state, r, 1024, 512);
}
BENCHMARK(BM_TransferSample512To1024x512)->Unit(benchmark::kMillisecond);

// "Change layout..." answered Yes on a locked 2048 x 2048 project of the 60 000-triangle
// sphere: the copies of the layout, the texture, the settings and the report.
void BM_StartLayoutChange2048(benchmark::State& state) {
  struct YesUi : QuietUi {
    Answer message(const std::string&, const std::string&, Icon, Buttons) override {
      return Answer::yes;
    }
  } yes;
  static OpenedProject f("quillmap_bench_transfer", genSphere(200, 151), "sphere.obj");
  for (auto _ : state) {
    state.PauseTiming();
    dropLayoutChange(f.session);
    f.session.document.layoutLocked = true;
    state.ResumeTiming();
    startLayoutChange(f.session, yes);
  }
  state.counters["triangles"] = static_cast<double>(f.session.document.workModel.triangleCount());
}
BENCHMARK(BM_StartLayoutChange2048)->Unit(benchmark::kMillisecond);

}  // namespace
