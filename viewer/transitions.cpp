#include "viewer/transitions.h"

#include <charconv>

#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/print.h"
#include "viewer/channel.h"

static constexpr uint32_t kSceneLimitMs = 60 * 60 * 1000;

// The level with exactly two decimals ("%.2f"), whatever the process locale.
static std::wstring LevelText(double level) {
  char text[32];
  auto end = std::to_chars(text, text + sizeof text, level, std::chars_format::fixed, 2).ptr;
  return std::wstring(text, end);
}

static void FadeStep(int i) {
  SetViewerProperty(L"cache", VP_FADE, LevelText(1.0 - i / 100.0));
  PlatformSleep(20);
}

void FadeIn() {
  for (int i = 0; i < 100; ++i) FadeStep(i);
}

void FadeOut() {
  for (int i = 100; i > 0; --i) FadeStep(i);
}

void WaitSceneEnd() {
  uint32_t start = PlatformTicks();
  while (PlatformSendMessage(viewerWindow, VM_QUERY_FINISHED, 0, 0) == 0) {
    // A viewer that ended during the scene will never report its end.
    if (!PlatformIsWindow(viewerWindow)) return;
    // No scene of the cycle lasts this long: a template that loops for ever
    // must not stop the display.
    if (PlatformTicks() - start >= kSceneLimitMs) {
      PrintNarrow("\nScene still running after 1 hour, going on");
      return;
    }
    PlatformSleep(100);
    if (PlatformReadKey() == ' ') return;
  }
}

std::wstring ScenePath(const std::wstring& name) {
  return BesideExecutable(L"templates", name + L".kivo");
}

void ReloadScene(const std::wstring& name) {
  SendWithText(VM_LOAD_SCENE, ScenePath(name));
  PlatformSleep(100);
}
