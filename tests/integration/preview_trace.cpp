// The preview sends what the display sends: for one venue and one moment,
// the viewer operations of billora-preview's first pass equal the trace that
// the stand-in viewer keeps of the real billora's first pass, with the clock
// of billora set to that moment by faketime (and sped up twentyfold).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/mdb_file.h"
#include "tests/support/standin.h"
#include "tests/support/time_zone.h"

namespace {

using nlohmann::json;
using namespace std::chrono_literals;

constexpr char kMoment[] = "2021-08-14 10:00:00";

std::string Venue() {
  std::string dir = MakeTempDir();
  WriteMdbAt(dir + "/list.mdb",
             std::string(kShowsColumns) +
                 "row 1\tAida\t2021-08-14 18:00:00\t\\N\t\\N\t\\N\taida.jpg\t1\n"
                 "row 2\tCarmen\t2021-08-14 20:30:00\tSalle A\t\\N\t\\N\tcarmen.jpg\t1\n"
                 "row 3\tTosca\t2021-08-15 15:00:00\t\\N\t\\N\t\\N\ttosca.jpg\t3\n" +
                 kAnnoncesColumns + "row promo\t3\t2021-08-01 00:00:00\t2021-08-31 00:00:00\n");
  std::filesystem::copy_file(BILLORA_EXE, dir + "/billora");
  std::filesystem::create_directories(dir + "/medias");
  std::filesystem::create_directories(dir + "/templates");
  for (const char* poster : {"aida.jpg", "carmen.jpg"})  // tosca.jpg is missing
    std::ofstream(dir + "/medias/" + poster) << "poster";
  for (const char* scene : {"billorav", "billora3v", "billora2v", "promo"})
    std::ofstream(dir + "/templates/" + std::string(scene) + ".kivo") << "scene";
  return dir;
}

// The real display under faketime, its console in `console`.
pid_t StartDisplay(const std::string& venue, const std::string& console) {
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);  // faketime starts the display as its child: both stop together
    int in = open("/dev/null", O_RDONLY);
    int out = open(console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(in, STDIN_FILENO);
    dup2(out, STDOUT_FILENO);
    unsetenv("DISPLAY");
    // faketime's own clock, whichever clock the test runs on.
    for (const char* name : {"LD_PRELOAD", "FAKETIME", "FAKETIME_DONT_FAKE_MONOTONIC"}) unsetenv(name);
    // Sped-up time shortens the channel's answer limit too; a sanitized build
    // accepts the preloaded faketime library.
    setenv("KIVO_REPLY_TIMEOUT_MS", "600000", 1);
    setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 1);
    std::string program = venue + "/billora";
    execlp("faketime", "faketime", "-f", (std::string("@") + kMoment + " x20").c_str(),
           program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

void StopDisplay(pid_t pid) {
  kill(-pid, SIGTERM);
  for (int k = 0; k < 200; ++k) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(10ms);
  }
  kill(-pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

// The trace's messages up to the first VM_STOP, once it is there or after 60 s.
std::vector<json> FirstPass(const std::string& trace) {
  for (auto end = std::chrono::steady_clock::now() + 60s; std::chrono::steady_clock::now() < end;
       std::this_thread::sleep_for(50ms)) {
    std::vector<json> pass;
    for (const std::string& line : Messages(ReadLines(trace))) {
      pass.push_back(json::parse(line));
      if (pass.back()["name"] == "VM_STOP") return pass;
    }
  }
  return {};
}

// The trace in the preview's words: atom texts by role, the result, and each
// fade (a run of property 102 that ends at 0.01 or 0.99) as one entry.
json AsPreviewOps(const std::vector<json>& messages) {
  json ops = json::array();
  for (const json& m : messages) {
    if (m.value("property", 0) == 102) {
      bool open = !ops.empty() && ops.back()["name"] == "fade" &&
                  ops.back()["object"] == m["object"] &&
                  (std::stod(ops.back()["from"].get<std::string>()) >= 0.5
                       ? std::stod(ops.back()["to"].get<std::string>()) > 0.01
                       : std::stod(ops.back()["to"].get<std::string>()) < 0.99);
      if (open) {
        ops.back()["to"] = m["value"];
        ops.back()["steps"] = ops.back()["steps"].get<int>() + 1;
      } else {
        ops.push_back({{"name", "fade"},
                       {"object", m["object"]},
                       {"from", m["value"]},
                       {"to", m["value"]},
                       {"steps", 1}});
      }
      continue;
    }
    json op = m;
    for (const char* key : {"t_ms", "client", "number", "wParam", "lParam"}) op.erase(key);
    ops.push_back(op);
  }
  return ops;
}

TEST(PreviewTrace, FirstPassEqualsTheRealDisplaysViewerTrace) {
  ScopedTimeZone paris("Europe/Paris");
  std::string venue = Venue();
  StandIn viewer = StartStandIn({"--quiet"});
  pid_t display = StartDisplay(venue, venue + "/console.txt");
  std::vector<json> pass = FirstPass(viewer.trace);
  StopDisplay(display);
  RemoveStandIn(viewer);
  ASSERT_FALSE(pass.empty()) << "no pass of the display reached the viewer";

  CommandResult preview = RunCommand(ShellQuote(BILLORA_PREVIEW_EXE) + " --json --at " +
                                     ShellQuote(kMoment) + " " + ShellQuote(venue));
  ASSERT_EQ(preview.exitCode, 0);
  json expected = AsPreviewOps(pass);
  json actual = json::parse(preview.output)["passes"][0]["viewer"];
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t k = 0; k < actual.size(); ++k) EXPECT_EQ(actual[k], expected[k]) << "operation " << k;
  // The pass held every scene, the programme's texts and a place offset.
  std::string all = actual.dump();
  for (const char* part :
       {"billorav.kivo", "billora3v.kivo", "billora2v.kivo", "promo.kivo",
        "\"\\\\affiche18\\\\text\"", "0;-0.8;0", "Aujourd'hui \xC3\xA0 20:30-Salle A"})
    EXPECT_NE(all.find(part), std::string::npos) << part;
}

}  // namespace
