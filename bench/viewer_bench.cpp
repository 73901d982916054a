// The viewer channel against the stand-in viewer: the round trip of one
// message with its two atoms, and the wall time of a whole fade.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "tests/support/standin.h"
#include "viewer/channel.h"
#include "viewer/transitions.h"

static bool ViewerReady() {
  static StandIn viewer;
  if (viewer.pid < 0) {
    viewer = PrivateStandIn();
    viewer.trace.clear();
    LaunchStandIn(viewer, {"--quiet"});
    std::atexit([] { RemoveStandIn(viewer); });
    viewerWindow = FindViewer();
  }
  return viewerWindow != 0;
}

// What each fade step and setter does: two atoms, the send, two deletions.
static void BM_SendWithAtoms(benchmark::State& state) {
  if (!ViewerReady()) return state.SkipWithError("no stand-in viewer");
  std::vector<double> micros;
  micros.reserve(1 << 20);
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    SetViewerProperty(L"cache", VP_FADE, L"0.50");
    micros.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(micros.begin(), micros.end());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[micros.size() * 99 / 100];
}
BENCHMARK(BM_SendWithAtoms)->Unit(benchmark::kMicrosecond)->UseRealTime();

static void BM_FadeIn(benchmark::State& state) {
  if (!ViewerReady()) return state.SkipWithError("no stand-in viewer");
  for (auto _ : state) FadeIn();
}
BENCHMARK(BM_FadeIn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

BENCHMARK_MAIN();
