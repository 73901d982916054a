// The interruptible wait on a real pseudo-terminal: keys from the terminal,
// the terminal restored, and no stop of a process in the background.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "cycle/wait.h"

using Clock = std::chrono::steady_clock;

static int64_t Since(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A wait of `ms`, and how long it took in tenths of a second.
static int TimedWait(uint32_t ms) {
  auto start = Clock::now();
  WaitInterruptible(ms);
  return static_cast<int>(Since(start) / 100);
}

class TerminalWait : public ::testing::Test {
 protected:
  void SetUp() override {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    slave = ptsname(master);
  }
  void TearDown() override {
    if (child > 0) {
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
    }
    close(master);
  }

  // A child in a new session whose controlling terminal is the pseudo-terminal,
  // on its standard input; it runs `body` and reports its duration in its exit code
  // (tenths of a second).
  void Spawn(std::function<int()> body) {
    child = fork();
    if (child == 0) {
      setsid();
      int tty = open(slave.c_str(), O_RDWR);  // becomes the controlling terminal
      ioctl(tty, TIOCSCTTY, 0);
      dup2(tty, STDIN_FILENO);
      close(tty);
      std::exit(body());
    }
  }
  tcflag_t LocalModes() {
    termios mode{};
    tcgetattr(master, &mode);
    return mode.c_lflag;
  }
  // True once the child has put the terminal in its key mode, within 5 s.
  bool KeyModeSet() {
    for (int i = 0; i < 1000; ++i) {
      if ((LocalModes() & (ICANON | ECHO)) == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }
  int Finish(int* status) {
    int options = WUNTRACED;
    for (int i = 0; i < 2000; ++i) {
      if (waitpid(child, status, WNOHANG | options) == child) {
        child = WIFSTOPPED(*status) ? child : -1;
        return 0;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
  }
  void Type(const char* keys) { ASSERT_GT(write(master, keys, strlen(keys)), 0); }

  int master = -1;
  std::string slave;
  pid_t child = -1;
};

TEST_F(TerminalWait, SpaceCutsTheWaitShortAndTheTerminalComesBack) {
  ASSERT_NE(LocalModes() & ECHO, 0u);
  Spawn([] { return TimedWait(30000); });
  ASSERT_TRUE(KeyModeSet());
  Type(" ");
  int status = 0;
  ASSERT_EQ(Finish(&status), 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_LT(WEXITSTATUS(status), 20);  // well before 30 s
  EXPECT_EQ(LocalModes() & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO));
}

TEST_F(TerminalWait, OtherKeysAreReadOnePerPollAndDropped) {
  Spawn([] { return TimedWait(600); });
  ASSERT_TRUE(KeyModeSet());
  Type("abc");
  int status = 0;
  ASSERT_EQ(Finish(&status), 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_GE(WEXITSTATUS(status), 6);  // the full length
  char left[8];
  int flags = fcntl(master, F_GETFL);
  fcntl(master, F_SETFL, flags | O_NONBLOCK);
  EXPECT_LT(read(master, left, sizeof left), 1);  // nothing echoed
}

TEST_F(TerminalWait, ATerminatingSignalRestoresTheTerminal) {
  Spawn([] { return TimedWait(30000); });
  ASSERT_TRUE(KeyModeSet());
  kill(child, SIGTERM);
  int status = 0;
  ASSERT_EQ(Finish(&status), 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGTERM);
  EXPECT_EQ(LocalModes() & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO));
}

// Like a job-control shell: the waiter runs as the foreground job, Ctrl-Z
// stops it, the shell finds the terminal restored and continues the job.
static int ShellWithStoppedJob() {
  pid_t job = fork();
  if (job == 0) {
    setpgid(0, 0);
    while (tcgetpgrp(STDIN_FILENO) != getpgrp()) usleep(1000);
    std::exit(TimedWait(30000));
  }
  setpgid(job, job);
  tcsetpgrp(STDIN_FILENO, job);
  int status = 0;
  waitpid(job, &status, WUNTRACED);
  if (!WIFSTOPPED(status)) return 2;
  termios mode{};
  tcgetattr(STDIN_FILENO, &mode);
  if ((mode.c_lflag & (ICANON | ECHO)) != (ICANON | ECHO)) return 3;
  kill(job, SIGCONT);
  waitpid(job, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) < 20 ? 1 : 4;
}

TEST_F(TerminalWait, SuspendingRestoresTheTerminalAndResumingSetsItAgain) {
  Spawn(ShellWithStoppedJob);
  ASSERT_TRUE(KeyModeSet());
  Type("\x1A");  // Ctrl-Z
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_TRUE(KeyModeSet());  // set again by the continued job
  Type(" ");
  int status = 0;
  ASSERT_EQ(Finish(&status), 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1) << "2: not stopped, 3: not restored, 4: no space seen";
}

// The waiting process runs in a background group of the terminal's session:
// it must neither read (a space stays unread) nor change the terminal, and it
// must not be stopped.
TEST_F(TerminalWait, ABackgroundProcessIsNeverStopped) {
  Spawn([] {
    pid_t waiter = fork();
    if (waiter == 0) {
      setpgid(0, 0);
      std::exit(TimedWait(500));
    }
    setpgid(waiter, waiter);
    int status = 0;
    waitpid(waiter, &status, WUNTRACED);
    if (WIFSTOPPED(status)) {
      kill(waiter, SIGKILL);
      return 99;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
  });
  Type(" ");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_NE(LocalModes() & ECHO, 0u);
  int status = 0;
  ASSERT_EQ(Finish(&status), 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_NE(WEXITSTATUS(status), 99) << "stopped by the terminal";
  EXPECT_GE(WEXITSTATUS(status), 5);  // the space was not read
  EXPECT_LT(WEXITSTATUS(status), 50);
}

TEST(NoTerminal, AWaitWithoutATerminalRunsItsLength) {
  pid_t child = fork();
  if (child == 0) {
    int null = open("/dev/null", O_RDONLY);
    dup2(null, STDIN_FILENO);
    std::exit(TimedWait(300));
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);
}
