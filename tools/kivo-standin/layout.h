// Scene files (<scene>.kivo): where each object of a scene sits and how it
// looks. The format is described in docs/scene-files.md. Plain C++, so that
// every build of the stand-in reads scene files the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class Align { Left, Centre, Right };

struct LayoutObject {
  std::string name;
  int line = 0;                       // where it is declared
  double x = 0, y = 0, w = 0, h = 0;  // its box, in canvas units
  double fontSize = 0;                // 0: the scene's
  uint32_t colour = 0;                // 0xRRGGBB
  bool hasColour = false;             // else the scene's
  std::string font;                   // empty: the scene's
  Align align = Align::Centre;
  std::string text;     // shown from the start
  std::string picture;  // full path, shown from the start
};

struct SceneLayout {
  double width = 1920, height = 1080;  // the canvas
  uint32_t background = 0x000000;
  uint32_t colour = 0xFFFFFF;  // of texts
  std::string font = "DejaVu Sans";
  double fontSize = 48;
  int64_t runTimeMs = -1;             // how long the scene runs; -1: the file gives none
  std::vector<LayoutObject> objects;  // in the order drawn
};

// Reads a scene file's text; `folder` is where relative picture names are
// found. On a fault, false and `problem` = "line N: what is wrong".
bool ParseSceneLayout(const std::string& text, const std::string& folder, SceneLayout* layout,
                      std::string* problem);
// The same for the file at `path`.
bool ReadSceneLayout(const std::string& path, SceneLayout* layout, std::string* problem);

// How long a scene runs when neither --run-time nor its file says.
constexpr int64_t kDefaultRunTimeMs = 8000;
// `forced` (--run-time) when given, else the run-time of the scene file, else
// the default; `fileMs` is -1 when the file gives none or could not be read.
int64_t SceneRunTime(int64_t fileMs, std::optional<int64_t> forced);

// The object of that name, or null.
const LayoutObject* FindLayoutObject(const SceneLayout& layout, const std::string& name);
