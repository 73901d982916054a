// The drawn scene: the objects of its scene file with the pictures and texts
// that the messages gave them, and the veil of the "cache" object.
#include <algorithm>
#include <cmath>

#include "tools/kivo-standin/draw.h"
#include "tools/kivo-standin/drawing.h"
#include "tools/kivo-standin/standin.h"

namespace {

constexpr size_t kMostTexts = 16;  // per object; the oldest go first
constexpr uint32_t kProblemColour = 0xFF7070;

struct ShownText {
  std::string text;
  double dx = 0, dy = 0;  // in boxes; dy grows upwards
};

struct ShownObject {
  LayoutObject layout;
  std::string picture;
  std::vector<ShownText> texts;
};

SceneLayout layout;
std::vector<ShownObject> shown;
std::string sceneName, sceneProblem;  // a problem: no scene to show, say why
double veil = 0;
int windowWidth = 0, windowHeight = 0;

// Canvas units to window pixels: one scale, the canvas centred.
double Scale() { return std::min(windowWidth / layout.width, windowHeight / layout.height); }
Area CanvasArea() {
  double s = Scale();
  return {(windowWidth - layout.width * s) / 2, (windowHeight - layout.height * s) / 2,
          layout.width * s, layout.height * s};
}
Area Box(const LayoutObject& object, double dx = 0, double dy = 0) {
  double s = Scale();
  Area canvas = CanvasArea();
  return {canvas.x + (object.x + dx * object.w) * s, canvas.y + (object.y - dy * object.h) * s,
          object.w * s, object.h * s};
}
Area FullArea() {
  return {0, 0, static_cast<double>(windowWidth), static_cast<double>(windowHeight)};
}

// Everything an object covers: its box and its moved texts.
Area Extent(const ShownObject& object) {
  Area extent = Box(object.layout);
  for (const ShownText& text : object.texts)
    extent = Union(extent, Box(object.layout, text.dx, text.dy));
  return extent;
}

bool Meets(const Area& a, const Area& b) {
  return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

ShownObject* Find(const std::string& name, const char* what) {
  for (ShownObject& object : shown)
    if (object.layout.name == name) return &object;
  Say("%s %s: scene %s has no such object", what, name.c_str(), sceneName.c_str());
  return nullptr;
}

void Fill(cairo_t* cr, const Area& area, uint32_t colour) {
  cairo_set_source_rgb(cr, (colour >> 16 & 0xFF) / 255.0, (colour >> 8 & 0xFF) / 255.0,
                       (colour & 0xFF) / 255.0);
  cairo_rectangle(cr, area.x, area.y, area.w, area.h);
  cairo_fill(cr);
}

const FittedImage& PictureOf(const ShownObject& object) {
  Area box = Box(object.layout);
  return FittedPicture(object.picture, static_cast<int>(std::lround(box.w)),
                       static_cast<int>(std::lround(box.h)));
}

// Said once, when the picture is given; every repaint draws the placeholder.
void ReportPicture(const ShownObject& object) {
  const FittedImage& picture = PictureOf(object);
  if (!picture.surface)
    Say("picture %s: %s cannot be shown (%s): placeholder drawn", object.layout.name.c_str(),
        object.picture.c_str(), picture.problem.c_str());
}

// The picture centred in its box, or the placeholder.
void PaintPicture(cairo_t* cr, const ShownObject& object) {
  Area box = Box(object.layout);
  const FittedImage& picture = PictureOf(object);
  if (!picture.surface) return PaintPlaceholder(cr, box, object.picture);
  cairo_set_source_surface(cr, picture.surface, std::round(box.x + (box.w - picture.w) / 2),
                           std::round(box.y + (box.h - picture.h) / 2));
  cairo_paint(cr);
}

void PaintObject(cairo_t* cr, const ShownObject& object) {
  if (object.layout.name == "cache") return;  // the veil, drawn over everything
  if (!object.picture.empty()) PaintPicture(cr, object);
  double size = (object.layout.fontSize > 0 ? object.layout.fontSize : layout.fontSize) * Scale();
  const std::string& font = object.layout.font.empty() ? layout.font : object.layout.font;
  uint32_t colour = object.layout.hasColour ? object.layout.colour : layout.colour;
  for (const ShownText& text : object.texts)
    PaintText(cr, Box(object.layout, text.dx, text.dy), text.text, font, size, colour,
              object.layout.align);
}

void Change(const Area& before, const ShownObject& object) {
  SceneChanged(Union(before, Extent(object)));
}

void LoadScene(const std::string& name, const SceneLayout* loaded, const std::string& problem) {
  ForgetPictures();
  sceneName = name;
  sceneProblem = problem;
  layout = loaded ? *loaded : SceneLayout();
  shown.clear();
  for (const LayoutObject& object : layout.objects) {
    shown.push_back({object, object.picture, {}});
    if (!object.text.empty()) shown.back().texts.push_back({object.text});
  }
  SceneChanged(FullArea());
  CheckFont(layout.font);
  for (const ShownObject& object : shown) {
    if (!object.picture.empty()) ReportPicture(object);
    if (!object.layout.font.empty()) CheckFont(object.layout.font);
  }
}

void Poster(const std::string& name, const std::string& file) {
  ShownObject* object = Find(name, "poster");
  if (!object) return;
  Area before = Extent(*object);
  object->picture = file;
  Change(before, *object);
  ReportPicture(*object);
}

// A text takes the place of the ones the object shows unmoved; an empty one
// is kept, since an offset may follow for it.
void Text(const std::string& name, const std::string& text) {
  ShownObject* object = Find(name, "text");
  if (!object) return;
  Area before = Extent(*object);
  if (!text.empty())
    std::erase_if(object->texts, [](const ShownText& t) { return t.dx == 0 && t.dy == 0; });
  if (object->texts.size() == kMostTexts) object->texts.erase(object->texts.begin());
  object->texts.push_back({text});
  Change(before, *object);
}

// An offset beyond a hundred boxes is out of the window anyway.
void Offset(const std::string& name, double x, double y) {
  ShownObject* object = Find(name, "offset");
  if (!object || object->texts.empty() || !std::isfinite(x) || !std::isfinite(y)) return;
  Area before = Extent(*object);
  object->texts.back().dx = std::clamp(x, -100.0, 100.0);
  object->texts.back().dy = std::clamp(y, -100.0, 100.0);
  Change(before, *object);
}

void Fade(const std::string& object, double level) {
  if (object != "cache") return;
  veil = std::clamp(level, 0.0, 1.0);
  VeilChanged();
}

void Finished(const std::string& scene) { SaveScreenshot(scene); }

}  // namespace

const Drawing windowDrawing = {LoadScene, Poster, Text, Offset, Fade, Finished};

Area Union(const Area& a, const Area& b) {
  if (a.Empty()) return b;
  if (b.Empty()) return a;
  double x = std::min(a.x, b.x), y = std::min(a.y, b.y);
  return {x, y, std::max(a.x + a.w, b.x + b.w) - x, std::max(a.y + a.h, b.y + b.h) - y};
}

void SetSceneSize(int width, int height) {
  windowWidth = width;
  windowHeight = height;
}

double VeilLevel() { return veil; }

uint32_t VeilColour() {
  for (const ShownObject& object : shown)
    if (object.layout.name == "cache" && object.layout.hasColour) return object.layout.colour;
  return 0x000000;
}

void PaintScene(cairo_t* cr, const Area& area) {
  cairo_save(cr);
  cairo_rectangle(cr, area.x, area.y, area.w, area.h);
  cairo_clip(cr);
  Fill(cr, FullArea(), 0x000000);
  Area canvas = CanvasArea();
  Fill(cr, canvas, layout.background);
  cairo_rectangle(cr, canvas.x, canvas.y, canvas.w, canvas.h);
  cairo_clip(cr);
  for (const ShownObject& object : shown)
    if (Meets(Extent(object), area)) PaintObject(cr, object);
  if (!sceneProblem.empty())
    PaintText(
        cr, {canvas.x + canvas.w * 0.05, canvas.y + canvas.h * 0.4, canvas.w * 0.9, canvas.h * 0.2},
        "scene " + sceneName + ": " + sceneProblem, layout.font, 40 * Scale(), kProblemColour,
        Align::Centre);
  cairo_restore(cr);
}
