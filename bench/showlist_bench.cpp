// Loading and sorting a list.mdb of 1,000 shows that each run 365 days:
// 365,000 occurrences with their captions.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/text.h"
#include "bench/year_of_shows.h"
#include "platform/fake/fake_platform.h"
#include "showlist/database.h"
#include "showlist/loader.h"
#include "showlist/prepare.h"
#include "showlist/store.h"

// A fresh folder holding list.mdb written by the mdbwrite tool; empty on failure.
static std::string WriteVenue(const std::string& description) {
  std::string dir = (std::filesystem::temp_directory_path() / "billora-bench-XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) return "";
  std::ofstream(dir + "/list.txt") << description;
  const std::string command =
      BILLORA_TOOLS_DIR "/mdbwrite '" + dir + "/list.txt' '" + dir + "/list.mdb'";
  return std::system(command.c_str()) == 0 ? dir : "";
}

static void BM_LoadAndSortAYearOfShows(benchmark::State& state) {
  const std::string dir = WriteVenue(YearOfShows());
  if (dir.empty()) {
    state.SkipWithError("mdbwrite failed");
    return;
  }
  FakeReset();  // the clock stands at 2021-08-14 10:00 UTC
  fake.exePath = FromUtf8(dir) + L"/billora";
  for (auto _ : state) {
    CloseShowDatabase();
    if (OpenShowDatabase() != 0 || LoadShowList() != 0 || SortShowList() != 0) {
      state.SkipWithError("load failed");
      return;
    }
  }
  state.counters["occurrences"] = showList.names.Size();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MiB"] = usage.ru_maxrss / 1024.0;
  CloseShowDatabase();
  showList = ShowList();
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LoadAndSortAYearOfShows)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
