#include "platform/linux/x11.h"

#include <X11/Xutil.h>
#include <poll.h>

#include <cstdlib>
#include <string>

static Display* display = nullptr;
static uint64_t connection = 0;
static bool lost = false;    // the server went away
static bool failed = false;  // an X error came back since the last X11Sync
static std::string problem;  // why the last X11Display gave none

static int OnError(Display*, XErrorEvent*) {
  failed = true;
  return 0;
}

// Xlib ends the process after a broken connection unless both handlers return.
static int OnIoError(Display*) {
  lost = true;
  return 0;
}

static void OnIoExit(Display*, void*) { lost = true; }

// A server that ended has closed its end of the socket. Noticing that before
// the next request lets that request go to a new connection instead of being lost.
static bool ServerGone(Display* d) {
  pollfd p{ConnectionNumber(d), POLLRDHUP, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR));
}

Display* X11Display() {
  if (display && (lost || ServerGone(display))) {
    XCloseDisplay(display);
    display = nullptr;
  }
  if (display) return display;
  const char* name = std::getenv("DISPLAY");
  problem = "no X display (DISPLAY is not set)";
  if (!name || !*name) return nullptr;
  XSetErrorHandler(OnError);
  XSetIOErrorHandler(OnIoError);
  display = XOpenDisplay(name);
  problem = std::string("cannot open the X display ") + name;
  if (!display) return nullptr;
  problem.clear();
  XSetIOErrorExitHandler(display, OnIoExit, nullptr);
  lost = failed = false;
  ++connection;
  return display;
}

uint64_t X11Connection() { return connection; }

const std::string& X11DisplayProblem() { return problem; }

bool X11Sync(Display* d) {
  XSync(d, False);
  // Keymap changes are announced to every client; keep Xlib's copy current.
  while (!lost && XPending(d) > 0) {
    XEvent event;
    XNextEvent(d, &event);
    if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
  }
  bool ok = !failed && !lost;
  failed = false;
  return ok;
}
