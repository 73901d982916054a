// The window: the scene and the composed frame are kept as pixmaps on the X
// server. A change repaints its area of the scene; a fade step only composes
// scene and veil again (two XRender operations and a copy).
//
// A message's frame is drawn once its answer is out and before the next
// message is read, and ends with XSync: the program does not wait for the
// drawing (a fade step costs it a round trip, as without a window), and what
// a message changed is on screen before the next message is answered.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <cairo-xlib.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "tools/kivo-standin/draw.h"
#include "tools/kivo-standin/drawing.h"
#include "tools/kivo-standin/standin.h"

#ifdef __SANITIZE_ADDRESS__
// cairo 1.16 keeps a small glyph record for each font size drawn on an X
// display and never frees it, even once the display is closed.
extern "C" const char* __lsan_default_suppressions() { return "leak:libcairo.so.2\n"; }
#endif

static Display* display = nullptr;
static Window window = 0;
static Atom deleteWindow = 0;
static GC copier = nullptr;
static int width = 0, height = 0;
static Pixmap scenePixmap = 0, framePixmap = 0;
static cairo_surface_t *sceneSurface = nullptr, *frameSurface = nullptr;
static std::string screensFolder;
static Area pendingScene;          // to repaint, in window pixels
static bool pendingFrame = false;  // the window to compose again

static int OnXError(Display* d, XErrorEvent* e) {
  char text[256];
  XGetErrorText(d, e->error_code, text, sizeof text);
  Say("X error: %s (request %d)", text, e->request_code);
  return 0;
}

static int OnDisplayLost(Display*) {
  Say("the display is gone: stopping\n");
  _exit(1);
}

static cairo_surface_t* PixmapSurface(Pixmap pixmap, int w, int h) {
  return cairo_xlib_surface_create(display, pixmap, DefaultVisual(display, DefaultScreen(display)),
                                   w, h);
}

static void DropBuffers() {
  if (sceneSurface) cairo_surface_destroy(sceneSurface);
  if (frameSurface) cairo_surface_destroy(frameSurface);
  if (scenePixmap) XFreePixmap(display, scenePixmap);
  if (framePixmap) XFreePixmap(display, framePixmap);
  sceneSurface = frameSurface = nullptr;
  scenePixmap = framePixmap = 0;
}

static void MakeBuffers(int w, int h) {
  DropBuffers();
  width = w;
  height = h;
  int depth = DefaultDepth(display, DefaultScreen(display));
  scenePixmap = XCreatePixmap(display, window, w, h, depth);
  framePixmap = XCreatePixmap(display, window, w, h, depth);
  sceneSurface = PixmapSurface(scenePixmap, w, h);
  frameSurface = PixmapSurface(framePixmap, w, h);
  SetSceneSize(w, h);
}

// Whole pixels of the window that hold `area`.
static Area Pixels(const Area& area) {
  double x = std::max(0.0, std::floor(area.x)), y = std::max(0.0, std::floor(area.y));
  return {x, y, std::min<double>(width, std::ceil(area.x + area.w)) - x,
          std::min<double>(height, std::ceil(area.y + area.h)) - y};
}

static void Show(const Area& area) {
  XCopyArea(display, framePixmap, window, copier, static_cast<int>(area.x),
            static_cast<int>(area.y), static_cast<unsigned>(area.w), static_cast<unsigned>(area.h),
            static_cast<int>(area.x), static_cast<int>(area.y));
}

// The frame is the scene under the veil.
static void Compose(const Area& area) {
  if (area.Empty()) return;
  cairo_t* cr = cairo_create(frameSurface);
  cairo_rectangle(cr, area.x, area.y, area.w, area.h);
  cairo_clip(cr);
  cairo_set_source_surface(cr, sceneSurface, 0, 0);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  if (double level = VeilLevel(); level > 0) {
    uint32_t c = VeilColour();
    cairo_set_source_rgba(cr, (c >> 16 & 0xFF) / 255.0, (c >> 8 & 0xFF) / 255.0, (c & 0xFF) / 255.0,
                          level);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_paint(cr);
  }
  cairo_destroy(cr);
  cairo_surface_flush(frameSurface);
  Show(area);
}

static Area Whole() { return {0, 0, static_cast<double>(width), static_cast<double>(height)}; }

// What the messages since the last frame changed, on screen.
static void DrawPending() {
  Area area = Pixels(pendingScene);
  if (!area.Empty()) {
    cairo_t* cr = cairo_create(sceneSurface);
    PaintScene(cr, area);
    cairo_destroy(cr);
    cairo_surface_flush(sceneSurface);
  }
  Compose(pendingFrame ? Whole() : area);
  if (pendingFrame || !area.Empty()) XSync(display, False);
  pendingScene = Area();
  pendingFrame = false;
}

void SceneChanged(const Area& changed) { pendingScene = Union(pendingScene, changed); }

void VeilChanged() { pendingFrame = true; }

cairo_surface_t* ServerSurface(int w, int h) {
  return cairo_surface_create_similar(sceneSurface, CAIRO_CONTENT_COLOR_ALPHA, w, h);
}

// The window's pixels as the server shows them, to <folder>/<scene>.png.
void SaveScreenshot(const std::string& scene) {
  if (screensFolder.empty()) return;
  DrawPending();
  XImage* image = XGetImage(display, window, 0, 0, width, height, AllPlanes, ZPixmap);
  if (!image) image = XGetImage(display, framePixmap, 0, 0, width, height, AllPlanes, ZPixmap);
  if (!image || image->bits_per_pixel != 32) {
    Say("screenshot of scene %s: the display's pixels are not 32-bit", scene.c_str());
    if (image) XDestroyImage(image);
    return;
  }
  cairo_surface_t* png =
      cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(image->data),
                                          CAIRO_FORMAT_RGB24, width, height, image->bytes_per_line);
  std::string path = screensFolder + "/" + scene + ".png", part = path + ".part";
  cairo_status_t status = cairo_surface_write_to_png(png, part.c_str());
  cairo_surface_destroy(png);
  XDestroyImage(image);
  if (status != CAIRO_STATUS_SUCCESS || std::rename(part.c_str(), path.c_str()) != 0) {
    Say("screenshot %s: %s", path.c_str(), cairo_status_to_string(status));
    std::remove(part.c_str());
    return;
  }
  Say("screenshot %s", path.c_str());
}

static void Name(const char* property, const std::string& text) {
  XChangeProperty(display, window, XInternAtom(display, property, False),
                  XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(text.data()),
                  static_cast<int>(text.size()));
}

// Full screen, and below every other window: a viewer that systemd starts
// again must not cover the speech page, nor take the keyboard from it. The
// window manager does the work: _NET_WM_STATE_BELOW puts the window below the
// normal ones and _NET_WM_USER_TIME 0 asks it not to focus the window when it
// is mapped (EWMH), and an input hint of False says that the window never
// takes the keyboard (ICCCM 4.1.7). Without a window manager, the window goes
// to the bottom of the stack itself before it is mapped, which raises nothing.
static void AskFullScreen() {
  Atom state = XInternAtom(display, "_NET_WM_STATE", False);
  Atom states[] = {XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False),
                   XInternAtom(display, "_NET_WM_STATE_BELOW", False)};
  XChangeProperty(display, window, state, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(states), 2);
  XWMHints hints{};
  hints.flags = InputHint;
  hints.input = False;
  XSetWMHints(display, window, &hints);
  long never = 0;
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_USER_TIME", False), XA_CARDINAL,
                  32, PropModeReplace, reinterpret_cast<unsigned char*>(&never), 1);
  // No pointer over the display.
  char none = 0;
  XColor black{};
  Pixmap blank = XCreateBitmapFromData(display, window, &none, 1, 1);
  Cursor cursor = XCreatePixmapCursor(display, blank, blank, &black, &black, 0, 0);
  XDefineCursor(display, window, cursor);
  XFreeCursor(display, cursor);
  XFreePixmap(display, blank);
}

static Display* OpenDisplay(std::string* problem) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    const char* name = std::getenv("DISPLAY");
    *problem = std::string("cannot open the display ") + (name ? name : "(DISPLAY is not set)");
  }
  return d;
}

struct Monitor {
  std::string name;
  int x, y, w, h;
  bool primary;
};

// The monitors in RandR's order, the one that `xrandr --listmonitors` shows;
// the whole screen as one when the server has no RandR 1.5. When none is
// marked primary, the first counts as the primary.
static std::vector<Monitor> Monitors(Display* d) {
  std::vector<Monitor> list;
  int event = 0, error = 0, major = 0, minor = 0, count = 0;
  XRRMonitorInfo* info = nullptr;
  if (XRRQueryExtension(d, &event, &error) && XRRQueryVersion(d, &major, &minor) &&
      (major > 1 || minor >= 5))
    info = XRRGetMonitors(d, DefaultRootWindow(d), True, &count);
  for (int i = 0; i < count; ++i) {
    char* name = XGetAtomName(d, info[i].name);
    list.push_back({name ? name : "", info[i].x, info[i].y, info[i].width, info[i].height,
                    info[i].primary != 0});
    if (name) XFree(name);
  }
  if (info) XRRFreeMonitors(info);
  int screen = DefaultScreen(d);
  if (list.empty())
    list.push_back({"screen", 0, 0, DisplayWidth(d, screen), DisplayHeight(d, screen), true});
  bool primary = false;
  for (const Monitor& m : list) primary = primary || m.primary;
  if (!primary) list.front().primary = true;
  return list;
}

// By name, by number, or "secondary": the first that is not the primary, else
// the only one.
static const Monitor* FindMonitor(const std::vector<Monitor>& list, const std::string& wanted) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].name == wanted || std::to_string(i) == wanted) return &list[i];
  if (wanted != "secondary") return nullptr;
  for (const Monitor& m : list)
    if (!m.primary) return &m;
  return &list.front();
}

int PrintMonitors() {
  std::string problem;
  Display* d = OpenDisplay(&problem);
  if (!d) Fail(problem);
  std::vector<Monitor> list = Monitors(d);
  for (size_t i = 0; i < list.size(); ++i) {
    const Monitor& m = list[i];
    std::printf("%zu %s %dx%d+%d+%d%s\n", i, m.name.c_str(), m.w, m.h, m.x, m.y,
                m.primary ? " primary" : "");
  }
  XCloseDisplay(d);
  return 0;
}

bool OpenWindow(int w, int h, const std::string& monitor, const std::string& folder,
                std::string* problem) {
  display = OpenDisplay(problem);
  if (!display) return false;
  XSetErrorHandler(OnXError);
  XSetIOErrorHandler(OnDisplayLost);
  int number = DefaultScreen(display);
  Monitor place{"", 0, 0, DisplayWidth(display, number), DisplayHeight(display, number), true};
  if (!monitor.empty()) {
    std::vector<Monitor> list = Monitors(display);
    const Monitor* found = FindMonitor(list, monitor);
    if (!found) {
      *problem = "no monitor " + monitor + " on " + DisplayString(display) +
                 " (kivo-standin --monitors lists them)";
      XCloseDisplay(display);
      display = nullptr;
      return false;
    }
    place = *found;
  }
  bool full = w == 0;
  if (full) {
    w = place.w;
    h = place.h;
  }
  XSetWindowAttributes attributes{};
  attributes.background_pixel = BlackPixel(display, number);
  attributes.event_mask = ExposureMask | StructureNotifyMask;
  window =
      XCreateWindow(display, RootWindow(display, number), place.x, place.y, w, h, 0, CopyFromParent,
                    InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attributes);
  XStoreName(display, window, "kivo");
  Name("_NET_WM_NAME", "kivo viewer");
  XClassHint hint{const_cast<char*>("kivo-standin"), const_cast<char*>("kivo")};
  XSetClassHint(display, window, &hint);
  deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &deleteWindow, 1);
  if (full) AskFullScreen();
  copier = XCreateGC(display, window, 0, nullptr);
  MakeBuffers(w, h);
  screensFolder = folder;
  drawing = &windowDrawing;
  windowDrawing.loadScene("", nullptr, std::string());
  XSizeHints* size = XAllocSizeHints();  // the place is the user's choice, not the manager's
  size->flags = USPosition | USSize;
  size->x = place.x;
  size->y = place.y;
  size->width = w;
  size->height = h;
  XSetWMNormalHints(display, window, size);
  XFree(size);
  if (full) XLowerWindow(display, window);
  XMapWindow(display, window);
  XSync(display, False);
  if (monitor.empty())
    Say("window %d x %d on %s", w, h, DisplayString(display));
  else
    Say("window %d x %d on %s, monitor %s at %d,%d", w, h, DisplayString(display),
        place.name.c_str(), place.x, place.y);
  return true;
}

int WindowConnection() { return display ? ConnectionNumber(display) : -1; }

bool WindowEvents() {
  if (!display) return true;
  DrawPending();
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == Expose) {
      Show({static_cast<double>(event.xexpose.x), static_cast<double>(event.xexpose.y),
            static_cast<double>(event.xexpose.width), static_cast<double>(event.xexpose.height)});
    } else if (event.type == ConfigureNotify &&
               (event.xconfigure.width != width || event.xconfigure.height != height)) {
      MakeBuffers(event.xconfigure.width, event.xconfigure.height);
      SceneChanged(Whole());
      DrawPending();
    } else if (event.type == ClientMessage &&
               static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) {
      Say("window closed");
      return false;
    }
  }
  XFlush(display);
  return true;
}

// Everything is given back, the font caches too, so that a leak checker sees
// only real leaks.
void CloseWindow() {
  if (!display) return;
  drawing = nullptr;
  ForgetPictures();
  cairo_device_t* device = cairo_device_reference(cairo_surface_get_device(sceneSurface));
  DropBuffers();
  pango_cairo_font_map_set_default(nullptr);
  cairo_debug_reset_static_data();
  cairo_device_finish(device);
  cairo_device_destroy(device);
  XFreeGC(display, copier);
  XDestroyWindow(display, window);
  XCloseDisplay(display);
  display = nullptr;
  FcFini();
}
