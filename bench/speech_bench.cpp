// The screen search and the screen capture that Speak makes up to five times.
#include <benchmark/benchmark.h>

#include <random>

#include "platform/platform.h"
#include "res/resources.h"
#include "speech/bitmap_file.h"
#include "speech/locator.h"
#include "tests/support/screen_image.h"
#include "tests/support/x_session.h"

// A 1920x1080 page: white, lines of grey "text", the speech page's other
// pictures, and the icon (101, framed in white) at (x, y) when x >= 0.
static TestImage Page(int x, int y) {
  TestImage page(1920, 1080);
  std::mt19937 random(7);
  for (uint32_t line = 300; line < 1000; line += 24)
    for (uint32_t row = line; row < line + 12; ++row)
      for (uint32_t col = 60; col < 1200; ++col)
        if (random() % 4 == 0) page.At(col, row) = 0x222222 + (random() % 3) * 0x111111;
  page.Paint(StoredPicture(103).View(), 60, 100);
  page.Paint(StoredPicture(102).View(), 60, 450);
  page.Paint(StoredPicture(104).View(), 440, 186);
  if (x >= 0)
    page.Paint(StoredPicture(101).View(), static_cast<uint32_t>(x), static_cast<uint32_t>(y));
  return page;
}

static void Search(benchmark::State& state, int x, int y) {
  TestImage page = Page(x, y);
  Bitmap icon = StoredPicture(101);
  for (auto _ : state) {
    uint32_t foundX = 0, foundY = 0;
    bool found = MatchBitmap(page.View(), icon.View(), 0, 0, &foundX, &foundY);
    benchmark::DoNotOptimize(found);
    if (found != (x >= 0) || (found && (foundX != uint32_t(x) || foundY != uint32_t(y))))
      state.SkipWithError("wrong position");
  }
}

static void BM_MatchBitmapCopyNearBottomRight(benchmark::State& state) {
  Search(state, 1850, 1030);
}
BENCHMARK(BM_MatchBitmapCopyNearBottomRight)->Unit(benchmark::kMillisecond);

static void BM_MatchBitmapNoCopy(benchmark::State& state) { Search(state, -1, -1); }
BENCHMARK(BM_MatchBitmapNoCopy)->Unit(benchmark::kMillisecond);

// Captures of the root window of a private Xvfb at 1920x1080x24.
static void BM_CaptureScreen(benchmark::State& state) {
  VirtualScreen screen;
  if (!screen.Start()) {
    state.SkipWithError("Xvfb did not start");
    return;
  }
  const uint32_t* pixels;
  uint32_t width, height;
  if (PlatformCaptureScreen(&pixels, &width, &height) != 0 || width != 1920) {
    state.SkipWithError("no capture");
  } else {
    for (auto _ : state) {
      PlatformCaptureScreen(&pixels, &width, &height);
      benchmark::DoNotOptimize(pixels[width * height - 1]);
    }
  }
  screen.Stop();
}
BENCHMARK(BM_CaptureScreen)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
