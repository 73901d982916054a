// The real display program started the hard ways a venue meets: its output
// pipe closed, a fault at every start, an executable that cannot be started
// again, keys typed at once, standard descriptors closed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/support/mdb_file.h"
#include "tests/support/terminal_child.h"

namespace {

// A venue folder with its own copy of the program and no list.mdb, so the
// program says "Fatal, can't open db" once a second; no display, no viewer.
struct Venue {
  std::string dir = MakeTempDir();
  std::string exe = dir + "/billora";
  std::string display = "DISPLAY=";
  std::string socket = "KIVO_SOCKET=" + dir + "/no-viewer";
  Venue() { std::filesystem::copy_file(BILLORA_EXE, exe); }
};

bool Alive(pid_t pid) { return waitpid(pid, nullptr, WNOHANG) == 0; }

void Stop(pid_t pid) {
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

TEST(HostileStart, APipeClosedByItsReaderDoesNotEndTheDisplay) {
  Venue venue;
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    putenv(venue.display.data());
    putenv(venue.socket.data());
    execl(venue.exe.c_str(), venue.exe.c_str(), nullptr);
    _exit(127);
  }
  close(out[1]);
  std::string text;  // as `billora | head -c 100` reads it
  char buffer[100];
  while (text.size() < 100) {
    ssize_t n = read(out[0], buffer, sizeof buffer - text.size());
    ASSERT_GT(n, 0);
    text.append(buffer, static_cast<size_t>(n));
  }
  close(out[0]);
  std::this_thread::sleep_for(std::chrono::seconds(3));  // three more writes
  EXPECT_TRUE(Alive(pid)) << text;
  Stop(pid);
}

TEST(HostileStart, AFaultAtEveryStartRestartsEverMoreSlowly) {
  Venue venue;
  TerminalChild child(venue.exe.c_str(), {venue.display, venue.socket, "LD_PRELOAD=" CRASH_AT_OPEN,
                                          "ASAN_OPTIONS=verify_asan_link_order=0"});
  ASSERT_TRUE(child.WaitFor("restarting in 4 s after 3 quick failures", 20)) << child.output;
  // The first start and the three that waited 1, 2 and 4 s in turn.
  EXPECT_EQ(child.Count("SPEAK(Coucou)"), 3) << child.output;
  EXPECT_NE(child.output.find("\nrestarting in 1 s after 1 quick failure\r\nSpeech pictures from"),
            std::string::npos);
  EXPECT_NE(child.output.find("\nrestarting in 2 s after 2 quick failures\r\nSpeech pictures from"),
            std::string::npos);
}

TEST(HostileStart, AProgramThatCannotBeStartedAgainRetriesEvery10s) {
  Venue venue;
  TerminalChild child(venue.exe.c_str(), {venue.display, venue.socket});
  ASSERT_TRUE(child.WaitFor("Fatal, can't open db"));
  chmod(venue.exe.c_str(), 0644);
  kill(child.pid, SIGSEGV);
  ASSERT_TRUE(child.WaitFor("\nCan't restart (Permission denied), retry in 10 sec", 5))
      << child.output;
  chmod(venue.exe.c_str(), 0755);
  child.output.clear();
  ASSERT_TRUE(child.WaitFor("BILLORA 1.5\r\n", 15)) << child.output;
  EXPECT_TRUE(Alive(child.pid));
}

TEST(HostileStart, KeysTypedBeforeTheFirstPauseAreNotEchoed) {
  Venue venue;
  TerminalChild child(venue.exe.c_str(), {venue.display, venue.socket});
  ASSERT_TRUE(child.WaitFor("BILLORA 1.5\r\n"));
  child.Type("xyzzy");
  ASSERT_TRUE(child.WaitFor("Fatal, can't open db", 20, 3));
  EXPECT_EQ(child.output.find("xyzzy"), std::string::npos) << child.output;
  kill(child.pid, SIGTERM);
  ASSERT_EQ(waitpid(child.pid, nullptr, 0), child.pid);
  child.pid = -1;
  EXPECT_TRUE(child.Cooked());
}

std::string LinkOf(pid_t pid, int fd) {
  std::error_code error;
  auto target = std::filesystem::read_symlink(
      "/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd), error);
  return error ? "(closed)" : target.string();
}

TEST(HostileStart, ClosedStandardDescriptorsAreOpenedOnTheNullDevice) {
  Venue venue;
  WriteMdbAt(venue.dir + "/list.mdb",
             std::string(kShowsColumns) +
                 "row 1\tCarmen\t2099-08-14 20:30:00\t\t\\N\t\\N\tc.jpg\t1\n" + kAnnoncesColumns);
  pid_t pid = fork();
  if (pid == 0) {
    putenv(venue.display.data());
    putenv(venue.socket.data());
    for (int fd = 0; fd <= 2; ++fd) close(fd);
    execl(venue.exe.c_str(), venue.exe.c_str(), nullptr);
    _exit(127);
  }
  // Once the program has read the database (and closed it again) and waits
  // 10 s for the viewer, no file of its own stands in their place.
  for (int tries = 0; tries < 100 && LinkOf(pid, 2) != "/dev/null"; ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::this_thread::sleep_for(std::chrono::seconds(1));
  for (int fd = 0; fd <= 2; ++fd) EXPECT_EQ(LinkOf(pid, fd), "/dev/null") << fd;
  Stop(pid);
}

}  // namespace
