// Benchmarks of platform/windows, run under Wine (Google Benchmark has no
// Windows build here): the round trip of a send with its two atoms against
// kivo-standin.exe, a capture of the whole screen, and the search of the
// captured screen for a bitmap that is not on it. Medians of many runs.
//   wine windows_bench.exe   (on a 1920x1080 display)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "speech/bitmap_file.h"
#include "speech/locator.h"
#include "tests/windows/processes.h"
#include "viewer/channel.h"

static void Report(const char* name, int runs, const std::function<void()>& run) {
  std::vector<double> micros;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    run();
    micros.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(micros.begin(), micros.end());
  std::printf("%-28s median %9.1f us   p99 %9.1f us   (%d runs)\n", name, micros[runs / 2],
              micros[runs * 99 / 100], runs);
}

int main() {
  StandIn viewer = StartStandIn();
  viewerWindow = FindViewer();
  if (viewerWindow == 0) {
    std::printf("no stand-in viewer\n");
    return 1;
  }
  Report("send with two atoms", 5000, [] { SetViewerProperty(L"cache", VP_FADE, L"0.50"); });
  RemoveStandIn(viewer);

  const uint32_t* pixels = nullptr;
  uint32_t width = 0, height = 0;
  Report("capture of the screen", 50, [&] { PlatformCaptureScreen(&pixels, &width, &height); });
  std::printf("  (screen %ux%u)\n", width, height);
  Bitmap play;
  DecodeBitmapFile(PlatformBitmapResource(102), &play);
  ImageView screen{pixels, width, height};
  Report("search, no copy on screen", 200, [&] {
    uint32_t x, y;
    MatchBitmap(screen, play.View(), 0, 0, &x, &y);
  });
  return 0;
}
