// The simulated viewer: it answers as the viewer channel describes (the
// device is ready, every scene has finished, text objects numbered from 0 in
// the order the loaded scene's objects first receive a text) and keeps what
// each scene was given. The speech page is a picture on the fake screen.
#include <cwchar>
#include <utility>

#include "platform/fake/fake_platform.h"
#include "platform/wire/messages.h"
#include "res/resources.h"
#include "speech/bitmap_file.h"
#include "tools/preview/preview.h"

static std::vector<ViewerOp> ops;
static std::vector<SceneShown> scenes;
static std::vector<std::wstring> textObjects;  // of the loaded scene, by number
static std::wstring selected;

static int32_t SetText() {
  if (selected.empty()) return -1;
  for (size_t k = 0; k < textObjects.size(); ++k)
    if (textObjects[k] == selected) return static_cast<int32_t>(k);
  textObjects.push_back(selected);
  return static_cast<int32_t>(textObjects.size() - 1);
}

static void Keep(const std::wstring& object, uint16_t property, const std::wstring& value) {
  if (!scenes.empty()) scenes.back().settings.push_back({object, property, value});
}

static int32_t Answer(const FakeMessage& m, uint16_t property) {
  switch (m.message) {
    case VM_LOAD_SCENE: {
      textObjects.clear();
      selected.clear();
      bool found = !m.wLow.empty() && PlatformFileExists(m.wLow);
      scenes.push_back({m.wLow, found, false, 0, {}});
      return found ? 1 : 0;
    }
    case VM_SET_TEXT: {
      int32_t number = SetText();
      if (number >= 0) Keep(selected, 0, m.wLow);
      return number;
    }
    case VM_SET_PROPERTY:
      if (property != VP_FADE) Keep(m.wLow, property, m.lLow);
      return !m.wLow.empty() && !m.lLow.empty() ? 1 : 0;
    case VM_SELECT_OBJECT:
      selected = m.wLow;
      return m.wLow.empty() ? 0 : 1;
    case VM_RUN:
      if (!scenes.empty()) {
        scenes.back().ran = true;
        scenes.back().runMs = m.atMs;
      }
      return 1;
    default:  // VM_QUERY_DEVICE, VM_QUERY_FINISHED, VM_STOP
      return 1;
  }
}

// A fade that began in the upper half ends at 0.01, any other at 0.99.
static bool FadeOpen(const ViewerOp& op) {
  if (op.fadeSteps == 0) return false;
  double first = std::wcstod(op.second.c_str(), nullptr);
  double last = std::wcstod(op.value.c_str(), nullptr);
  return first >= 0.5 ? last > 0.01 : last < 0.99;
}

// Steps of a fade on one object collapse into one entry.
static void Record(const FakeMessage& m, uint16_t property, int32_t result) {
  bool fade = m.message == VM_SET_PROPERTY && property == VP_FADE;
  if (fade && !ops.empty() && FadeOpen(ops.back()) && ops.back().first == m.wLow) {
    ops.back().value = m.lLow;
    ++ops.back().fadeSteps;
    return;
  }
  ViewerOp op{m.message, m.wLow, m.wHigh, m.lLow, property, result, fade ? 1 : 0};
  if (fade) op.second = m.lLow;
  ops.push_back(std::move(op));
}

void StartSimulatedViewer() {
  ops.clear();
  scenes.clear();
  fake.viewer = [](const FakeMessage& m) {
    uint16_t property = m.message == VM_SET_PROPERTY ? static_cast<uint16_t>(m.wParam >> 16) : 0;
    int32_t result = Answer(m, property);
    Record(m, property, result);
    return result;
  };
}

std::vector<ViewerOp> TakeViewerOps() { return std::exchange(ops, {}); }
std::vector<SceneShown> TakeScenes() { return std::exchange(scenes, {}); }

static void Paint(std::vector<uint32_t>& screen, uint32_t width, uint16_t id, uint32_t x,
                  uint32_t y) {
  Bitmap picture;
  if (DecodeBitmapFile(StoredBitmap(id), &picture) != 0) return;
  for (uint32_t row = 0; row < picture.height; ++row)
    for (uint32_t col = 0; col < picture.width; ++col)
      screen[static_cast<size_t>(y + row) * width + x + col] =
          picture.pixels[static_cast<size_t>(row) * picture.width + col];
}

// The page's icon and, below it, its play button, on a white screen.
void ShowSpeechPage() {
  constexpr uint32_t kWidth = 200, kHeight = 300;
  fake.screen.assign(static_cast<size_t>(kWidth) * kHeight, 0xFFFFFF);
  fake.screenWidth = kWidth;
  fake.screenHeight = kHeight;
  Paint(fake.screen, kWidth, 101, 10, 10);
  Paint(fake.screen, kWidth, 102, 10, 240);
}
