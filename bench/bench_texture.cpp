// The texture undo store on a 2048 x 2048 texture: what 40 snapshots hold after typical
// strokes, and what a push and an undo cost.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cmath>
#include <random>

#include "paint/texture.h"

namespace {

constexpr int64_t kSide = 2048;

// A texture whose every tile differs (a painted or imported picture), so no tile is shared
// because it happens to be one colour.
Texture paintedTexture() {
  Texture t;
  t.newTexture(NewTextureKind::oneColour, 0, kSide, kSide, nullptr);
  std::mt19937 random(1);
  for (uint32_t& c : t.pixelsToPaint()) c = random() & 0xFFFFFF;
  return t;
}

// A stroke: round dabs of radius 24 every 4 pixels along a 200-pixel line, placed by n.
void stroke(Texture& t, int n) {
  const double x0 = 250 + (n * 389) % (kSide - 500), y0 = 250 + (n * 241) % (kSide - 500);
  const double angle = n * 0.7;
  const uint32_t colour = static_cast<uint32_t>(n * 0x10203) & 0xFFFFFF;
  for (int step = 0; step <= 50; ++step) {
    const double cx = x0 + 4 * step * std::cos(angle), cy = y0 + 4 * step * std::sin(angle);
    for (int dy = -24; dy <= 24; ++dy)
      for (int dx = -24; dx <= 24; ++dx)
        if (dx * dx + dy * dy <= 24 * 24)
          t.pixelsToPaint()[static_cast<size_t>(std::lround(cy) + dy) * kSide +
                          static_cast<size_t>(std::lround(cx) + dx)] = colour;
  }
}

size_t heapInUse() { return mallinfo2().uordblks; }

// 20 snapshots on each list (the most the store keeps), a stroke before each.
void BM_FortySnapshotsMemory(benchmark::State& state) {
  size_t held = 0, heap = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Texture t = paintedTexture();
    const size_t heapBefore = heapInUse();
    state.ResumeTiming();
    for (int n = 0; n < 40; ++n) {
      state.PauseTiming();
      stroke(t, n);
      state.ResumeTiming();
      t.pushSnapshot(n >= 20);
    }
    state.PauseTiming();
    if (t.undoSteps().size() + t.redoSteps().size() != 40) state.SkipWithError("not 40 snapshots");
    held = t.undoStoreBytes();
    heap = heapInUse() - heapBefore;
    state.ResumeTiming();
  }
  state.counters["held_MiB"] = static_cast<double>(held) / (1 << 20);
  state.counters["heap_MiB"] = static_cast<double>(heap) / (1 << 20);
  state.counters["full_copies_MiB"] = 40.0 * kSide * kSide * 4 / (1 << 20);
}
BENCHMARK(BM_FortySnapshotsMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

// One undo step at the start of a stroke, with a full undo list: compare, share, copy the
// changed tiles, drop the oldest.
void BM_PushAfterStroke(benchmark::State& state) {
  Texture t = paintedTexture();
  for (int n = 0; n < 20; ++n) {
    stroke(t, n);
    t.beginStep();
  }
  int n = 20;
  for (auto _ : state) {
    state.PauseTiming();
    stroke(t, n++);
    state.ResumeTiming();
    t.beginStep();
  }
}
BENCHMARK(BM_PushAfterStroke)->Unit(benchmark::kMillisecond);

// The worst push: every tile changed (an import or a new texture of other content).
void BM_PushAllChanged(benchmark::State& state) {
  Texture t = paintedTexture();
  t.beginStep();
  for (auto _ : state) {
    state.PauseTiming();
    for (uint32_t& c : t.pixelsToPaint()) c ^= 0x010101;
    state.ResumeTiming();
    t.beginStep();
  }
}
BENCHMARK(BM_PushAllChanged)->Unit(benchmark::kMillisecond);

// Undo then redo: two pushes and two restores of the full image.
void BM_UndoRedo(benchmark::State& state) {
  Texture t = paintedTexture();
  for (int n = 0; n < 20; ++n) {
    t.beginStep();
    stroke(t, n);
  }
  for (auto _ : state) {
    t.undo();
    t.redo();
  }
}
BENCHMARK(BM_UndoRedo)->Unit(benchmark::kMillisecond);

}  // namespace
