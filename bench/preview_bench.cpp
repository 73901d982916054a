// One pass of billora-preview over a list.mdb of 1,000 shows that each run
// 365 days (365,000 occurrences, every poster present), in text and in
// JSON: time and peak memory.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <streambuf>
#include <string>

#include "bench/year_of_shows.h"
#include "tools/preview/preview.h"

static std::string WriteVenue() {
  std::string dir = (std::filesystem::temp_directory_path() / "billora-bench-XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) return "";
  std::ofstream(dir + "/list.txt") << YearOfShows();
  const std::string command =
      BILLORA_TOOLS_DIR "/mdbwrite '" + dir + "/list.txt' '" + dir + "/list.mdb'";
  if (std::system(command.c_str()) != 0) return "";
  std::filesystem::create_directories(dir + "/medias");
  for (int id = 1; id <= 1000; ++id)
    std::ofstream(dir + "/medias/affiche" + std::to_string(id) + ".jpg") << "poster";
  return dir;
}

// Counts what the preview writes and keeps none of it.
struct CountingBuffer : std::streambuf {
  size_t bytes = 0;
  int overflow(int c) override {
    ++bytes;
    return c;
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    bytes += static_cast<size_t>(n);
    return n;
  }
};

static void BM_PreviewOnePass(benchmark::State& state, bool json) {
  setenv("TZ", "Europe/Paris", 1);
  const std::string dir = WriteVenue();
  if (dir.empty()) {
    state.SkipWithError("mdbwrite failed");
    return;
  }
  std::vector<std::string> args = {"--at", "2021-10-15 10:00", dir};
  if (json) args.insert(args.begin(), "--json");
  CountingBuffer out, err;
  for (auto _ : state) {
    out.bytes = 0;
    std::ostream o(&out), e(&err);
    if (RunPreview(args, dir, o, e) != kPreviewDone) {
      state.SkipWithError("the preview failed");
      return;
    }
  }
  state.counters["output_MiB"] = static_cast<double>(out.bytes) / (1 << 20);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MiB"] = usage.ru_maxrss / 1024.0;
  std::filesystem::remove_all(dir);
}
BENCHMARK_CAPTURE(BM_PreviewOnePass, text, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PreviewOnePass, json, true)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
