// The stand-in viewer drawing in a 1920 x 1080 window on Xvfb: one fade step
// (drawn before it is answered), a whole fade, and the programme scene
// loaded and filled with 18 posters that were never drawn before.
#include <benchmark/benchmark.h>
// Xlib after the benchmark's headers.
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

#include "base/text.h"
#include "tests/support/standin.h"
#include "tests/support/x_session.h"
#include "viewer/channel.h"
#include "viewer/setters.h"
#include "viewer/transitions.h"

static VirtualScreen xvfb;
static StandIn viewer;

static bool ViewerReady() {
  if (viewer.pid < 0) {
    if (!xvfb.Start()) return false;
    viewer = PrivateStandIn();
    viewer.trace.clear();
    LaunchStandIn(viewer, {"--quiet", "--window"});
    std::atexit([] {
      RemoveStandIn(viewer);
      xvfb.Stop();
    });
    viewerWindow = FindViewer();
  }
  return viewerWindow != 0;
}

static int32_t LoadScene(const std::string& path) {
  uint16_t atom = PlatformAddAtom(FromUtf8(path));
  int32_t result = PlatformSendMessage(viewerWindow, VM_LOAD_SCENE, atom, 0);
  PlatformDeleteAtom(atom);
  return result;
}

static std::string ProgrammeScene() {
  std::ofstream scene(viewer.folder + "/billora3v.kivo");
  scene << "scene background #101010\ncache\n";
  for (int slot = 1; slot <= 18; ++slot)
    scene << "\\affiche" << slot << "\\affiche\n\\affiche" << slot << "\\text\n";
  return viewer.folder + "/billora3v.kivo";
}

// Posters as a venue has them: SVG with a title, and 1200 x 1700 JPEG photos.
static std::vector<std::wstring> Posters() {
  std::vector<std::wstring> posters;
  for (int i = 0; i < 18; ++i) {
    std::string path = viewer.folder + "/poster" + std::to_string(i);
    if (i % 2 == 0) {
      path += ".svg";
      std::ofstream(path) << "<svg xmlns='http://www.w3.org/2000/svg' width='600' height='850'>"
                          << "<rect width='600' height='850' fill='#" << 100000 + i * 37
                          << "'/><circle cx='300' cy='300' r='200' fill='#e0c060'/>"
                          << "<text x='300' y='700' font-size='56' text-anchor='middle' "
                          << "fill='white'>Spectacle " << i << "</text></svg>";
    } else {
      path += ".jpg";
      GdkPixbuf* photo = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 1200, 1700);
      guchar* pixels = gdk_pixbuf_get_pixels(photo);
      int stride = gdk_pixbuf_get_rowstride(photo);
      for (int y = 0; y < 1700; ++y)
        for (int x = 0; x < 1200 * 3; ++x)
          pixels[y * stride + x] = static_cast<guchar>((x * 7 + y * 3 + i * 50) % 251);
      gdk_pixbuf_save(photo, path.c_str(), "jpeg", nullptr, "quality", "90", nullptr);
      g_object_unref(photo);
    }
    posters.push_back(FromUtf8(path));
  }
  return posters;
}

static void Report(benchmark::State& state, std::vector<double>& ms) {
  std::sort(ms.begin(), ms.end());
  state.counters["median_ms"] = ms[ms.size() / 2];
  state.counters["p99_ms"] = ms[ms.size() * 99 / 100];
  state.counters["max_ms"] = ms.back();
}

static double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

// One fade step over the full programme scene: compose, copy, XSync, answer.
static void BM_FadeStep(benchmark::State& state) {
  if (!ViewerReady()) return state.SkipWithError("no viewer window");
  LoadScene(ProgrammeScene());
  std::vector<std::wstring> posters = Posters();
  for (unsigned slot = 0; slot < 18; ++slot) SetListAffiche(slot, posters[slot]);
  std::vector<double> ms;
  int step = 0;
  for (auto _ : state) {
    wchar_t level[8];
    swprintf(level, 8, L"%.2f", (step++ % 100) / 100.0);
    auto start = std::chrono::steady_clock::now();
    SetViewerProperty(L"cache", VP_FADE, level);
    ms.push_back(Since(start));
  }
  Report(state, ms);
}
BENCHMARK(BM_FadeStep)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(500);

// The same steps 20 ms apart, as FadeIn sends them: the round trip the
// program waits for, the drawing being done while it sleeps.
static void BM_PacedFadeStep(benchmark::State& state) {
  if (!ViewerReady()) return state.SkipWithError("no viewer window");
  std::vector<double> ms;
  int step = 0;
  for (auto _ : state) {
    wchar_t level[8];
    swprintf(level, 8, L"%.2f", (step++ % 100) / 100.0);
    auto start = std::chrono::steady_clock::now();
    SetViewerProperty(L"cache", VP_FADE, level);
    ms.push_back(Since(start));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  Report(state, ms);
}
BENCHMARK(BM_PacedFadeStep)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(200);

// 100 steps 20 ms apart: 2 s when the viewer keeps up.
static void BM_FadeIn(benchmark::State& state) {
  if (!ViewerReady()) return state.SkipWithError("no viewer window");
  for (auto _ : state) FadeIn();
}
BENCHMARK(BM_FadeIn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// What the programme state sends: the scene, then per slot its poster, its
// time and the empty text with the -0.8 offset; every poster decoded afresh.
static void BM_ProgrammeScene(benchmark::State& state) {
  if (!ViewerReady()) return state.SkipWithError("no viewer window");
  std::string scene = ProgrammeScene();
  std::vector<std::wstring> posters = Posters();
  std::vector<double> ms;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    if (LoadScene(scene) != 1) return state.SkipWithError("scene refused");
    for (unsigned slot = 0; slot < 18; ++slot) {
      SetListAffiche(slot, posters[slot]);
      SetListText(slot == 0 ? 17 : slot - 1, L"20:30");
      SetListText(slot == 0 ? 17 : slot - 1, L"", -0.8);
    }
    ms.push_back(Since(start));
  }
  Report(state, ms);
}
BENCHMARK(BM_ProgrammeScene)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

BENCHMARK_MAIN();
