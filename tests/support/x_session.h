// Real programs for the end-to-end tests and benchmarks: a private Xvfb on a
// free display, and Chromium showing the speech page in the foreground. Every
// program started here is ended with its whole process group, also when the
// test process dies (the kernel kills a child whose parent is gone).
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "speech/locator.h"

class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess() { Stop(); }

  // Runs argv[0] (a full path) in a new process group, with env ("NAME=value")
  // added to the environment; its output is dropped. keepFd stays open in the child.
  bool Start(const std::vector<std::string>& argv, int keepFd = -1,
             const std::vector<std::string>& env = {}) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t parent = getpid();
    pid_ = fork();
    if (pid_ < 0) return false;
    if (pid_ == 0) {
      setpgid(0, 0);
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(127);
      int null = open("/dev/null", O_RDWR);
      for (int fd = 0; fd < 3; ++fd) dup2(null, fd);
      for (int fd = 3; fd < 1024; ++fd)
        if (fd != keepFd) close(fd);
      // The X server and the browser keep the machine's clock even when the
      // test runs on a chosen one.
      unsetenv("LD_PRELOAD");
      unsetenv("FAKETIME");
      for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
      execv(args[0], args.data());
      _exit(127);
    }
    setpgid(pid_, pid_);
    return true;
  }

  // SIGTERM to the group, SIGKILL after 5 s, then reaped.
  void Stop() {
    if (pid_ <= 0) return;
    kill(-pid_, SIGTERM);
    for (int i = 0; i < 50 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }

 private:
  pid_t pid_ = 0;
};

// Xvfb (by default at 1920x1080x24) on the first free display, which becomes
// $DISPLAY. options go to the server as they are.
class VirtualScreen {
 public:
  bool Start(const std::vector<std::string>& options = {},
             const std::string& size = "1920x1080x24") {
    int fds[2];
    if (pipe(fds) != 0) return false;
    std::vector<std::string> argv{"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]),
                                  "-screen",       "0",          size,
                                  "-nolisten",     "tcp",        "-noreset"};
    argv.insert(argv.end(), options.begin(), options.end());
    bool started = server_.Start(argv, fds[1]);
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c;
    while (started && poll(&p, 1, 15000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) return false;
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return true;
  }
  void Stop() {
    server_.Stop();
    unsetenv("DISPLAY");
  }

 private:
  ChildProcess server_;
};

// Chromium showing tests/speechpage/index.html with query, in kiosk mode at
// the top-left corner, with a fresh profile.
class SpeechPageBrowser {
 public:
  ~SpeechPageBrowser() { Stop(); }
  bool Start(const std::string& sourceDir, const std::string& query = "") {
    char pattern[] = "/tmp/billora-chromium-XXXXXX";
    if (!mkdtemp(pattern)) return false;
    profile_ = pattern;
    std::vector<std::string> argv{"/usr/bin/chromium"};
    std::ifstream flags(sourceDir + "/tests/speechpage/chromium-flags");
    for (std::string flag; std::getline(flags, flag);)
      if (!flag.empty()) argv.push_back(flag);
    argv.push_back("--user-data-dir=" + profile_);
    argv.push_back("file://" + sourceDir + "/tests/speechpage/index.html" + query);
    // A home of its own, and no session bus: nothing of the user's is touched.
    return process_.Start(
        argv, -1,
        {"HOME=" + profile_, "XDG_CONFIG_HOME=" + profile_ + "/config",
         "XDG_CACHE_HOME=" + profile_ + "/cache", "DBUS_SESSION_BUS_ADDRESS=disabled:"});
  }
  void Stop() {
    process_.Stop();
    if (!profile_.empty()) std::filesystem::remove_all(profile_);
    profile_.clear();
  }

 private:
  ChildProcess process_;
  std::string profile_;
};

// The titles (UTF-8) of the top-level windows of the display.
inline std::vector<std::string> WindowTitles() {
  std::vector<std::string> titles;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return titles;
  Atom name = XInternAtom(d, "_NET_WM_NAME", False), utf8 = XInternAtom(d, "UTF8_STRING", False);
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) {
    for (unsigned i = 0; i < count; ++i) {
      Atom type;
      int format;
      unsigned long items, after;
      unsigned char* data = nullptr;
      if (XGetWindowProperty(d, children[i], name, 0, 4096, False, utf8, &type, &format, &items,
                             &after, &data) == Success &&
          data) {
        titles.emplace_back(reinterpret_cast<char*>(data), items);
        XFree(data);
      }
    }
    XFree(children);
  }
  XCloseDisplay(d);
  return titles;
}

// Draws picture onto the root window of $DISPLAY at (x, y).
inline bool DrawOnRoot(const ImageView& picture, int x, int y) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return false;
  size_t bytes = size_t{picture.width} * picture.height * 4;
  char* data = static_cast<char*>(std::malloc(bytes));  // XDestroyImage frees it
  std::memcpy(data, picture.pixels, bytes);
  XImage* image = XCreateImage(d, DefaultVisual(d, 0), 24, ZPixmap, 0, data, picture.width,
                               picture.height, 32, 0);
  XPutImage(d, DefaultRootWindow(d), DefaultGC(d, 0), image, 0, 0, x, y, picture.width,
            picture.height);
  XSync(d, False);
  XDestroyImage(image);
  XCloseDisplay(d);
  return true;
}
