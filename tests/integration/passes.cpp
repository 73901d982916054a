// Whole passes of the real program against the stand-in viewer under the
// faults a venue meets: the viewer killed during a pause, and list.mdb saved
// in place page by page while the program reloads it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "tests/support/mdb_file.h"
#include "tests/support/standin.h"
#include "tests/support/terminal_child.h"

using namespace std::chrono_literals;

namespace {

// The program's clock starts at this moment, a Wednesday morning.
constexpr char kMoment[] = "2030-01-16 10:00:00";

// One version of the list: 60 shows from 11:00 on today, whose long texts fill
// several pages, with the poster "<v>.jpg", and the slot "<v><v><v><v>" in
// force. Versions differ in their letter only, so their files have the same
// size and layout.
std::string Version(char v) {
  std::string letter(1, v), text(200, v), shows = kShowsColumns;
  for (int i = 0; i < 60; ++i) {
    char date[32];
    snprintf(date, sizeof date, "2030-01-16 %02d:%02d:00", 11 + i / 6, i % 6 * 10);
    shows += "row " + std::to_string(i + 1) + "\t" + text + "\t" + date + "\t" + text +
             "\t\\N\t\\N\t" + letter + ".jpg\t1\n";
  }
  return shows + kAnnoncesColumns + "row " + std::string(4, v) +
         "\t0\t2030-01-16 09:00:00\t2030-01-17 10:00:00\n";
}

struct Venue {
  std::string dir = MakeTempDir();
  Venue() {
    WriteMdbAt(dir + "/list.mdb", Version('a'));
    std::filesystem::copy_file(BILLORA_EXE, dir + "/billora");
    std::filesystem::create_directories(dir + "/medias");
    std::filesystem::create_directories(dir + "/templates");
    for (const char* poster : {"a.jpg", "b.jpg"})
      std::ofstream(dir + "/medias/" + poster) << "poster";
    for (const char* scene : {"billorav", "billora2v", "billora3v", "aaaa", "bbbb"})
      std::ofstream(dir + "/templates/" + scene + ".kivo") << "cache\n";
  }
};

bool SocketUp(const StandIn& viewer) {
  for (int i = 0; i < 500 && !std::filesystem::exists(viewer.socket); ++i)
    std::this_thread::sleep_for(10ms);
  return std::filesystem::exists(viewer.socket);
}

// The viewer killed one second into the poster's pause of 10 s: the program
// says so within the next second or two and goes back to Reload. Meanwhile
// list.mdb, read at the pass's start, is no longer open.
TEST(Passes, AViewerKilledDuringAPauseIsNoticedAtOnce) {
  Venue venue;
  StandIn viewer = StartStandIn({"--quiet", "--run-time", "0"});
  ASSERT_TRUE(SocketUp(viewer));
  std::vector<std::string> environment = ClockAt(kMoment);
  environment.insert(environment.end(), {"DISPLAY=", "KIVO_SOCKET=" + viewer.socket});
  TerminalChild display((venue.dir + "/billora").c_str(), environment);
  ASSERT_TRUE(display.WaitFor("\r\nfadeout...\r\nwait...", 60)) << display.output;
  for (const auto& fd :
       std::filesystem::directory_iterator("/proc/" + std::to_string(display.pid) + "/fd"))
    EXPECT_NE(std::filesystem::read_symlink(fd.path()), venue.dir + "/list.mdb");
  std::this_thread::sleep_for(1s);
  kill(viewer.pid, SIGKILL);
  auto killed = std::chrono::steady_clock::now();
  ASSERT_TRUE(display.WaitFor("\r\nwait...\r\nkivo gone", 9)) << display.output;
  EXPECT_LT(std::chrono::steady_clock::now() - killed, 2500ms);
  EXPECT_TRUE(display.WaitFor("\r\nkivo gone\r\nReading list...\r\nCan't find kivo", 5))
      << display.output;
  RemoveStandIn(viewer);
}

// The letters of the versions that one pass showed: posters "/medias/a.jpg"
// and slot scenes "/templates/aaaa.kivo" give 'a'.
std::set<char> VersionsShown(const std::vector<std::string>& pass) {
  std::set<char> letters;
  for (const std::string& line : pass)
    for (char v : {'a', 'b'})
      if (line.find(std::string("/medias/") + v + ".jpg") != std::string::npos ||
          line.find("/templates/" + std::string(4, v) + ".kivo") != std::string::npos)
        letters.insert(v);
  return letters;
}

// Every pass shows the shows and the slots of one version, while a writer
// saves the file in place, slowly, into the other version and back. The
// program's sleeps run 10 times faster: its 200 ms of checking that a
// reading is still what the file holds become 20 ms, against 4 ms between
// two pages of a save.
TEST(Passes, EachPassShowsOneVersionOfAListSavedPageByPage) {
  Venue venue;
  std::string list = venue.dir + "/list.mdb", a = venue.dir + "/a.mdb", b = venue.dir + "/b.mdb";
  std::filesystem::copy_file(list, a);
  WriteMdbAt(b, Version('b'));
  ASSERT_EQ(std::filesystem::file_size(a), std::filesystem::file_size(b));
  pid_t writer = fork();
  if (writer == 0) {
    execl(PAGE_WRITER, PAGE_WRITER, list.c_str(), a.c_str(), b.c_str(), "4096", "4", "80", nullptr);
    _exit(127);
  }
  StandIn viewer = StartStandIn({"--quiet", "--run-time", "0"});
  ASSERT_TRUE(SocketUp(viewer));
  {
    std::vector<std::string> environment = ClockAt(kMoment, FAST_CLOCK);
    environment.insert(environment.end(),
                       {"DISPLAY=", "KIVO_SOCKET=" + viewer.socket, "SOAK_SPEEDUP=10"});
    TerminalChild display((venue.dir + "/billora").c_str(), environment);
    EXPECT_TRUE(display.WaitFor("\r\nReading list...", 120, 5)) << display.output;
  }
  kill(writer, SIGKILL);
  waitpid(writer, nullptr, 0);
  StopStandIn(viewer);

  std::vector<std::string> pass;
  int passes = 0;
  auto check = [&] {
    std::set<char> shown = VersionsShown(pass);
    EXPECT_LE(shown.size(), 1u) << "pass " << passes << " mixed two versions";
    passes += !shown.empty();
  };
  for (const std::string& line : Messages(ReadLines(viewer.trace))) {
    if (Field(line, "number") == "5686") {
      check();
      pass.clear();
    }
    pass.push_back(line);
  }
  check();
  EXPECT_GE(passes, 4);
  RemoveStandIn(viewer);
}

}  // namespace
