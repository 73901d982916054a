// The restart of a failed instance, on real processes and a real terminal.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Child {
  pid_t pid = -1;
  int terminal = -1;
  std::string output;

  // Starts program on a new pseudo-terminal, as a session leader in its foreground.
  Child(const char* program, std::vector<std::string> environment) {
    pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {
      for (auto& variable : environment) putenv(variable.data());
      unsetenv("DISPLAY");
      execl(program, program, nullptr);
      _exit(127);
    }
  }
  ~Child() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (terminal >= 0) close(terminal);
  }

  // Reads until text stands in the output or the time runs out.
  bool WaitFor(const std::string& text, int seconds = 20) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (output.find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      pollfd p{terminal, POLLIN, 0};
      if (poll(&p, 1, 100) > 0) {
        char buffer[4096];
        ssize_t n = read(terminal, buffer, sizeof buffer);
        if (n <= 0) return false;
        output.append(buffer, static_cast<size_t>(n));
      }
    }
    return true;
  }

  bool Cooked() {
    termios mode{};
    tcgetattr(terminal, &mode);
    return (mode.c_lflag & ICANON) && (mode.c_lflag & ECHO);
  }
};

TEST(Restart, ExceptionAndSignalsEachStartANewInstanceInPlace) {
  Child child(RESTART_CHILD, {"RESTART_PLAN=xsa"});
  ASSERT_TRUE(child.WaitFor("generation 3 "));
  // The first generation has what the test harness left open; no later one
  // has more than the standard three.
  std::string pid = "pid " + std::to_string(child.pid) + " fds 3\r\n";
  EXPECT_NE(child.output.find("generation 0 pid " + std::to_string(child.pid)), std::string::npos);
  for (int generation = 1; generation <= 3; ++generation)
    EXPECT_NE(child.output.find("generation " + std::to_string(generation) + " " + pid),
              std::string::npos)
        << child.output;
  int status = 0;
  ASSERT_EQ(waitpid(child.pid, &status, 0), child.pid);
  child.pid = -1;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(child.Cooked());
}

TEST(Restart, TheDisplayProgramComesBackAfterEveryFatalSignal) {
  char dir[] = "/tmp/billora-restart-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string exe = std::string(dir) + "/billora";
  std::filesystem::copy_file(BILLORA_EXE, exe);
  Child child(exe.c_str(), {});
  ASSERT_TRUE(child.WaitFor("Fatal, can't open db"));
  EXPECT_EQ(child.output.rfind("SPEAK(Coucou)err1\r\r\nBILLORA 1.5\r\n", 0), 0u) << child.output;
  for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
    child.output.clear();
    kill(child.pid, signal);
    ASSERT_TRUE(child.WaitFor("BILLORA 1.5\r\n")) << signal;
    ASSERT_TRUE(child.WaitFor("Fatal, can't open db"));
    EXPECT_EQ(waitpid(child.pid, nullptr, WNOHANG), 0);  // the same process goes on
  }
  EXPECT_TRUE(child.Cooked());
  unlink(exe.c_str());
  rmdir(dir);
}

}  // namespace
