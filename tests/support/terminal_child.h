// A program started on a pseudo-terminal of its own, as an operator would
// start it at a console: its output read back, keys typed to it.
#pragma once

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

// The environment that starts a program's calendar clock at `moment` (local
// time, "YYYY-MM-DD HH:MM:SS") whatever the machine's clock says, and lets it
// run from there; the monotonic clock and the files' times stay real.
// `preload` is a library loaded before the clock's own.
inline std::vector<std::string> ClockAt(const std::string& moment, const std::string& preload = "") {
  return {"LD_PRELOAD=" + (preload.empty() ? "" : preload + ":") + FAKETIME_LIB,
          "FAKETIME=@" + moment, "FAKETIME_DONT_FAKE_MONOTONIC=1", "NO_FAKE_STAT=1",
          "ASAN_OPTIONS=verify_asan_link_order=0"};
}

struct TerminalChild {
  pid_t pid = -1;
  int terminal = -1;
  std::string output;

  // Starts program on a new pseudo-terminal, as a session leader in its foreground.
  TerminalChild(const char* program, std::vector<std::string> environment) {
    pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {
      for (auto& variable : environment) putenv(variable.data());
      execl(program, program, nullptr);
      _exit(127);
    }
  }
  ~TerminalChild() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (terminal >= 0) close(terminal);
  }

  // Reads until text stands in the output count times or the time runs out.
  bool WaitFor(const std::string& text, int seconds = 20, int count = 1) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (Count(text) < count) {
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

  int Count(const std::string& text) const {
    int found = 0;
    for (size_t at = output.find(text); at != std::string::npos; at = output.find(text, at + 1))
      ++found;
    return found;
  }

  void Type(const std::string& keys) {
    if (write(terminal, keys.data(), keys.size()) < 0) return;
  }

  bool Cooked() {
    termios mode{};
    tcgetattr(terminal, &mode);
    return (mode.c_lflag & ICANON) && (mode.c_lflag & ECHO);
  }
};
