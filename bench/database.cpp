// Opening list.mdb and reading a programme of 2000 shows, as every reload does.
#include "platform/database.h"

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

static std::string WriteProgramme() {
  std::string dir = "/tmp/billora-bench-XXXXXX";
  if (mkdtemp(dir.data()) == nullptr) return "";
  std::ofstream description(dir + "/list.txt");
  description << "table shows\ncolumn id long\ncolumn name text\ncolumn date datetime\n"
                 "column where text\ncolumn text1 text\ncolumn text2 text\ncolumn visual text\n"
                 "column ndays int\n";
  for (int i = 0; i < 2000; ++i) {
    description << "row " << i << "\tSpectacle " << i << "\t2021-08-14 20:30:00\tSalle A\t\\N\t"
                << std::string(100, 'x') << "\taffiche" << i << ".jpg\t3\n";
  }
  description.close();
  std::string command =
      std::string(BILLORA_TOOLS_DIR "/mdbwrite ") + dir + "/list.txt " + dir + "/list.mdb";
  return system(command.c_str()) == 0 ? dir + "/list.mdb" : "";
}

// The written file, removed with its folder when the program ends.
struct Programme {
  std::string path = WriteProgramme();
  ~Programme() {
    if (!path.empty()) std::filesystem::remove_all(std::filesystem::path(path).parent_path());
  }
};

static void BM_OpenAndReadShows(benchmark::State& state) {
  static const Programme programme;
  const std::string& path = programme.path;
  if (path.empty()) {
    state.SkipWithError("mdbwrite failed");
    return;
  }
  for (auto _ : state) {
    Database db;
    db.Open(path);
    Recordset rs(db, "shows", {"id", "name", "date", "where", "text1", "text2", "visual", "ndays"});
    int rows = 0;
    for (; !rs.IsEOF(); rs.MoveNext()) {
      benchmark::DoNotOptimize(rs.GetFieldValue("date"));
      benchmark::DoNotOptimize(rs.GetFieldValue("name"));
      ++rows;
    }
    benchmark::DoNotOptimize(rows);
  }
}
BENCHMARK(BM_OpenAndReadShows)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
