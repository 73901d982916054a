// The restart of a failed instance, on real processes and a real terminal.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "tests/support/terminal_child.h"
#include "tests/support/x_session.h"  // after gtest: Xlib defines None
// After Xlib.
#include <X11/extensions/scrnsaver.h>

namespace {

TEST(Restart, ExceptionAndSignalsEachStartANewInstanceInPlace) {
  TerminalChild child(RESTART_CHILD, {"RESTART_PLAN=xsa", "DISPLAY="});
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

// The socket NOTIFY_SOCKET names, as systemd's watchdog reads it, with no
// user manager running.
struct NotifySocket {
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  std::string path;
  explicit NotifySocket(const std::string& at) : path(at) {
    sockaddr_un address{AF_UNIX, {}};
    strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &on, sizeof on);
  }
  ~NotifySocket() { close(fd), unlink(path.c_str()); }
  // The last message that came within `seconds` after those waiting already,
  // and the process that sent it; "" when none came.
  std::string Next(int seconds, pid_t* sender) {
    char text[256], control[CMSG_SPACE(sizeof(ucred))];
    while (recv(fd, text, sizeof text, 0) > 0) {
    }
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, seconds * 1000) <= 0) return "";
    iovec part{text, sizeof text};
    msghdr message{nullptr, 0, &part, 1, control, sizeof control, 0};
    ssize_t n = recvmsg(fd, &message, 0);
    cmsghdr* c = CMSG_FIRSTHDR(&message);
    if (n <= 0 || c == nullptr || c->cmsg_type != SCM_CREDENTIALS) return "";
    *sender = reinterpret_cast<ucred*>(CMSG_DATA(c))->pid;
    return std::string(text, static_cast<size_t>(n));
  }
};

// The watchdog of billora.service hears the display beat, from the same
// process before and after each restart in place (NotifyAccess=main).
TEST(Restart, TheDisplayProgramComesBackAfterEveryFatalSignal) {
  char dir[] = "/tmp/billora-restart-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string exe = std::string(dir) + "/billora";
  std::filesystem::copy_file(BILLORA_EXE, exe);
  NotifySocket watchdog(std::string(dir) + "/notify");
  TerminalChild child(exe.c_str(), {"DISPLAY=", "NOTIFY_SOCKET=" + watchdog.path});
  // The reason follows the fatal line: each instance says it once.
  const std::string reason = "/list.mdb: no such file";
  ASSERT_TRUE(child.WaitFor(reason));
  pid_t sender = 0;
  EXPECT_EQ(watchdog.Next(6, &sender), "WATCHDOG=1");
  EXPECT_EQ(sender, child.pid);
  EXPECT_EQ(child.output.rfind("Speech pictures from " + std::string(dir) +
                                   "/speech: none; stored: 101 102 103 104 105\r\n"
                                   "SPEAK(Coucou)\r\nscreen not captured: no X display "
                                   "(DISPLAY is not set)\r\nerr1\r\r\nBILLORA 1.5\r\n",
                               0),
            0u)
      << child.output;
  // Each instance fails within its first minute: the restarts slow down.
  int failures = 0;
  for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
    child.output.clear();
    kill(child.pid, signal);
    ++failures;
    ASSERT_TRUE(child.WaitFor("BILLORA 1.5\r\n", 40)) << signal;
    std::string pause = "\r\nrestarting in " + std::to_string(1 << (failures - 1)) + " s after " +
                        std::to_string(failures) + " quick failure" + (failures > 1 ? "s" : "");
    EXPECT_EQ(child.output.rfind(pause, 0), 0u) << child.output;
    ASSERT_TRUE(child.WaitFor(reason));
    EXPECT_EQ(waitpid(child.pid, nullptr, WNOHANG), 0);  // the same process goes on
  }
  sender = 0;
  EXPECT_EQ(watchdog.Next(11, &sender), "WATCHDOG=1");  // one every 5 s at most
  EXPECT_EQ(sender, child.pid);
  kill(child.pid, SIGTERM);
  ASSERT_EQ(waitpid(child.pid, nullptr, 0), child.pid);
  child.pid = -1;
  EXPECT_TRUE(child.Cooked());
  unlink(exe.c_str());
  rmdir(dir);
}

// The screen saver's state once the screen has been idle for 2.5 s, with the
// saver due after 1 s.
static int SaverStateAfterIdle(Display* d) {
  XForceScreenSaver(d, ScreenSaverReset);
  XSync(d, False);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  XScreenSaverInfo* info = XScreenSaverAllocInfo();
  XScreenSaverQueryInfo(d, DefaultRootWindow(d), info);
  int state = info->state;
  XFree(info);
  return state;
}

// One display program per venue: a second one for the same folder ends at
// once. While one runs, the screen saver (and with it the display's power
// saving) is held off; it is back once the program has gone.
TEST(Venue, ASecondInstanceEndsAtOnceAndTheScreenStaysOnWhileOneRuns) {
  VirtualScreen screen;
  ASSERT_TRUE(screen.Start());
  Display* d = XOpenDisplay(nullptr);
  ASSERT_NE(d, nullptr);
  XSetScreenSaver(d, 1, 1, DontPreferBlanking, AllowExposures);
  char dir[] = "/tmp/billora-venue-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string exe = std::string(dir) + "/billora";
  std::filesystem::copy_file(BILLORA_EXE, exe);
  {
    TerminalChild first(exe.c_str(), {});
    ASSERT_TRUE(first.WaitFor("Fatal, can't open db"));
    TerminalChild second((std::string(dir) + "/./billora").c_str(), {});
    ASSERT_TRUE(second.WaitFor("\r\nbillora already runs for this venue", 5));
    int status = 0;
    ASSERT_EQ(waitpid(second.pid, &status, 0), second.pid);
    second.pid = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_EQ(SaverStateAfterIdle(d), ScreenSaverOff);
  }
  EXPECT_EQ(SaverStateAfterIdle(d), ScreenSaverOn);  // the control: it does start
  XCloseDisplay(d);
  screen.Stop();
  unlink(exe.c_str());
  rmdir(dir);
}

}  // namespace
