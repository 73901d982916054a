// What the pretend display shows, handed to a window that draws it. The scene
// logic calls these while it handles a message; the window draws the change
// once the answer is out, before the next message is read.
#pragma once

#include <string>

#include "tools/kivo-standin/layout.h"

struct Drawing {
  // A scene was loaded; layout is null when its file was missing or refused
  // (problem says why).
  void (*loadScene)(const std::string& name, const SceneLayout* layout, const std::string& problem);
  void (*poster)(const std::string& object, const std::string& file);
  void (*text)(const std::string& object, const std::string& text);
  // The object's latest text moves by (x, y) boxes; y grows upwards.
  void (*offset)(const std::string& object, double x, double y);
  void (*fade)(const std::string& object, double level);
  // The running scene has run its time.
  void (*finished)(const std::string& scene);
};

// Null when nothing is drawn (the console lines only).
extern const Drawing* drawing;
