// The drawing window of the Linux stand-in (--window): cairo on an X window,
// pictures through gdk-pixbuf and librsvg, texts through pango.
#pragma once

#include <cairo.h>

#include <string>

#include "tools/kivo-standin/layout.h"

// draw_window.cpp: the window, as main.cpp sees it. width 0: the whole screen,
// or the whole of `monitor` (a RandR monitor's name or number) when given.
bool OpenWindow(int width, int height, const std::string& monitor, const std::string& screensFolder,
                std::string* problem);
// Prints the monitors of $DISPLAY, "<number> <name> <W>x<H>+<X>+<Y>[ primary]"
// a line; the exit status: 0, or 2 without a display.
int PrintMonitors();
int WindowConnection();  // the X connection to watch; -1 without a window
bool WindowEvents();     // handles what X sent; false once the window was closed
void CloseWindow();

struct Area {
  double x = 0, y = 0, w = 0, h = 0;
  bool Empty() const { return w <= 0 || h <= 0; }
};
Area Union(const Area& a, const Area& b);

// draw_window.cpp, for the scene. Each waits until the server has drawn.
void SceneChanged(const Area& area);            // paints `area` (window pixels) again
void VeilChanged();                             // the same scene under another veil
void SaveScreenshot(const std::string& scene);  // when a folder was given
// A surface like the window's, kept on the X server (for pictures).
cairo_surface_t* ServerSurface(int width, int height);

// draw_scene.cpp: what the scene holds, and its painting.
void SetSceneSize(int width, int height);        // the window's pixels
void PaintScene(cairo_t* cr, const Area& area);  // the scene, no veil
double VeilLevel();
uint32_t VeilColour();
extern const struct Drawing windowDrawing;

// draw_picture.cpp: a picture fitted into w x h pixels (aspect kept), kept on
// the server; surface null and `problem` set when it cannot be shown. It
// lives until the next ForgetPictures.
struct FittedImage {
  cairo_surface_t* surface = nullptr;
  int w = 0, h = 0;
  std::string problem;
};
const FittedImage& FittedPicture(const std::string& path, int w, int h);
void ForgetPictures();
void PaintPlaceholder(cairo_t* cr, const Area& box, const std::string& path);

// draw_text.cpp: text in the box, shrunk and wrapped until it fits, never
// drawn outside the box.
void PaintText(cairo_t* cr, const Area& box, const std::string& text, const std::string& font,
               double fontSize, uint32_t colour, Align align);
// A console line when the family is not installed.
void CheckFont(const std::string& family);
