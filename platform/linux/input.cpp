#include "platform/linux/input.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "platform/linux/x11.h"
#include "platform/platform.h"

static uint64_t checkedConnection = 0;
static bool hasXTest = false;

Display* InputDisplay() {
  Display* d = X11Display();
  if (!d) return nullptr;
  if (checkedConnection != X11Connection()) {
    int event, error, major, minor;
    hasXTest = XTestQueryExtension(d, &event, &error, &major, &minor);
    checkedConnection = X11Connection();
  }
  return hasXTest ? d : nullptr;
}

void PlatformSetCursorPos(int x, int y) {
  Display* d = InputDisplay();
  if (!d) return;
  XTestFakeMotionEvent(d, DefaultScreen(d), x, y, CurrentTime);
  X11Sync(d);
}

void PlatformMouseButton(bool down) {
  Display* d = InputDisplay();
  if (!d) return;
  XTestFakeButtonEvent(d, Button1, down, CurrentTime);
  X11Sync(d);
}

static KeySym KeySymOfVirtualKey(uint8_t key) {
  switch (key) {
    case kVkEscape:
      return XK_Escape;
    case kVkHome:
      return XK_Home;
    case kVkLeft:
      return XK_Left;
    case kVkDelete:
      return XK_Delete;
    default:
      break;
  }
  if (key >= 'A' && key <= 'Z') return XK_a + (key - 'A');
  if (key >= '0' && key <= '9') return XK_0 + (key - '0');
  return NoSymbol;
}

// The extended flag has no meaning on X: the keysym names the key.
void PlatformKeyEvent(uint8_t virtualKey, uint32_t flags) {
  Display* d = InputDisplay();
  KeySym sym = KeySymOfVirtualKey(virtualKey);
  if (!d || sym == NoSymbol) return;
  KeyCode code = XKeysymToKeycode(d, sym);
  if (code == 0) return;
  XTestFakeKeyEvent(d, code, (flags & kKeyUp) == 0, CurrentTime);
  X11Sync(d);
}

// The child of the root window that holds w (w itself when it is one): the
// frame a window manager put around a program's window, or that window.
static Window TopLevel(Display* d, Window w) {
  for (;;) {
    Window root = None, parent = None, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &count)) return None;
    if (children) XFree(children);
    if (parent == root || parent == None) return w;
    w = parent;
  }
}

bool KeysReachPoint(Display* d, int x, int y) {
  Window focus = None, root = DefaultRootWindow(d), atPoint = None;
  int revert = 0, ignored;
  XGetInputFocus(d, &focus, &revert);
  // Keys then go to the window under the pointer, which the click put there.
  if (focus == PointerRoot || focus == root) return true;
  if (focus == None) return false;
  XTranslateCoordinates(d, root, root, x, y, &ignored, &ignored, &atPoint);
  return atPoint != None && TopLevel(d, focus) == atPoint;
}

bool PlatformInFront(int x, int y) {
  Display* d = InputDisplay();
  return d == nullptr || KeysReachPoint(d, x, y);
}
