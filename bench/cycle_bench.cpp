// Passes of the display cycle on the fake platform: the work a pass does
// beyond its pauses, and whether memory grows from pass to pass.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/text.h"
#include "cycle/cycle.h"
#include "platform/fake/fake_platform.h"
#include "showlist/store.h"
#include "tests/support/mdb_file.h"
#include "viewer/channel.h"

static std::string VenueDescription() {
  std::string text = kShowsColumns;
  for (int k = 0; k < 40; ++k)
    text += "row " + std::to_string(k) + "\tSpectacle " + std::to_string(k) + "\t2021-08-1" +
            std::to_string(4 + k % 5) + " 2" + std::to_string(k % 4) + ":30:00\tSalle " +
            std::to_string(k % 3) + "\t\\N\t\\N\tp" + std::to_string(k) + ".jpg\t" +
            std::to_string(1 + k % 7) + "\n";
  text += std::string(kAnnoncesColumns) +
          "row promo\t8\t2021-08-01 00:00:00\t2022-08-01 00:00:00\n"
          "row bar\t5\t2021-08-01 00:00:00\t2022-08-01 00:00:00\n";
  return text;
}

static size_t HeapInUse() { return mallinfo2().uordblks; }

static void RunPasses(Cycle& cycle, int passes) {
  for (int pass = 0; pass < passes; ++pass) {
    do StepCycle(cycle);
    while (cycle.state != Stop);
    StepCycle(cycle);
    fake.console.clear();
    fake.messages.clear();
    fake.events.clear();
    fake.channelLog.clear();
  }
}

static void BM_CyclePasses(benchmark::State& state) {
  setenv("TZ", "Europe/Paris", 1);
  FakeReset();
  std::string mdb = WriteMdb(VenueDescription());
  std::string dir = std::filesystem::path(mdb).parent_path().string();
  fake.exePath = FromUtf8(dir + "/billora");
  fake.epochBase = 1628928000;
  fake.viewer = [](const FakeMessage& m) -> int32_t { return m.message == VM_SET_TEXT ? 3 : 1; };
  Cycle cycle;
  size_t afterFirstHundred = 0, afterAll = 0;
  for (auto _ : state) {
    RunPasses(cycle, 100);
    afterFirstHundred = HeapInUse();
    RunPasses(cycle, 900);
    afterAll = HeapInUse();
  }
  state.counters["heap_bytes_after_100"] = static_cast<double>(afterFirstHundred);
  state.counters["heap_growth_100_to_1000"] =
      static_cast<double>(afterAll) - static_cast<double>(afterFirstHundred);
  state.counters["passes"] = benchmark::Counter(1000, benchmark::Counter::kIsIterationInvariantRate);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_CyclePasses)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
