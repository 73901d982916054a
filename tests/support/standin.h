// Runs the stand-in viewer (kivo-standin) on a private socket for a test or a
// benchmark, and reads back its trace.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "tests/support/trace_lines.h"

struct StandIn {
  std::string folder;   // private, removed by StopStandIn
  std::string socket;   // also exported as KIVO_SOCKET
  std::string trace;    // one JSON object per line; none when empty
  std::string console;  // what it printed
  pid_t pid = -1;
};

// Scenes end at once unless `options` give a --run-time of their own.
inline void LaunchStandIn(StandIn& viewer, std::vector<std::string> options) {
  std::vector<std::string> args = {BILLORA_TOOLS_DIR "/kivo-standin", "--socket", viewer.socket,
                                   "--run-time", "0"};
  if (!viewer.trace.empty()) args.insert(args.end(), {"--trace", viewer.trace});
  args.insert(args.end(), options.begin(), options.end());
  viewer.pid = fork();
  if (viewer.pid == 0) {
    int out = open(viewer.console.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    dup2(out, STDOUT_FILENO);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
}

// A fresh private socket name, which the program's side then finds through
// KIVO_SOCKET; no viewer serves it yet.
inline StandIn PrivateStandIn() {
  char folder[] = "/tmp/billora-viewer-XXXXXX";
  StandIn viewer;
  viewer.folder = mkdtemp(folder);
  viewer.socket = viewer.folder + "/kivo_communication";
  viewer.trace = viewer.folder + "/trace.jsonl";
  viewer.console = viewer.folder + "/console.txt";
  setenv("KIVO_SOCKET", viewer.socket.c_str(), 1);
  return viewer;
}

// A stand-in with `options` on a fresh private socket.
inline StandIn StartStandIn(std::vector<std::string> options = {}) {
  StandIn viewer = PrivateStandIn();
  LaunchStandIn(viewer, std::move(options));
  return viewer;
}

// The exit status of the stand-in once it ends within `ms`, else -1.
inline int WaitStandIn(StandIn& viewer, int ms = 5000) {
  for (int waited = 0; viewer.pid > 0 && waited < ms; waited += 5) {
    int status = 0;
    if (waitpid(viewer.pid, &status, WNOHANG) == viewer.pid) {
      viewer.pid = -1;
      return status;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return -1;
}

// Ends it as an operator would (SIGTERM), so that it writes its exit line.
inline void StopStandIn(StandIn& viewer) {
  if (viewer.pid > 0) {
    kill(viewer.pid, SIGTERM);
    if (WaitStandIn(viewer) < 0) {
      kill(viewer.pid, SIGKILL);
      WaitStandIn(viewer);
    }
  }
}

inline void RemoveStandIn(StandIn& viewer) {
  StopStandIn(viewer);
  std::error_code ignored;
  std::filesystem::remove_all(viewer.folder, ignored);
}

// The viewer's window once its socket answers, trying for up to 5 s.
inline WindowHandle FindViewer() {
  for (int tries = 0; tries < 1000; ++tries) {
    if (WindowHandle window = PlatformFindWindow(L"kivo_communication")) return window;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return 0;
}
