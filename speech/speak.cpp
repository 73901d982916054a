#include "speech/speak.h"

#include <string_view>

#include "platform/platform.h"
#include "platform/print.h"
#include "speech/locator.h"

static constexpr uint16_t kIcon = 101;
static constexpr uint16_t kIconWithCaption = 103;
static constexpr uint16_t kPlayButtons[] = {102, 104, 105};

// Why the screen could not be captured at the last call, once said.
static std::string screenProblem;

// The text as the console shows it: each byte is the character with that code,
// and control codes show as '?' so that they cannot steer the terminal.
static std::string ConsoleForm(std::string_view bytes) {
  return ToUtf8(ConsoleText(FromLatin1(bytes)));
}

static void Click(int x, int y) {
  PlatformSetCursorPos(x, y);
  PlatformMouseButton(true);
  PlatformMouseButton(false);
}

// Every key but the letter goes as an extended key.
static void KeyDown(uint8_t key) { PlatformKeyEvent(key, key == kVkE ? 0 : kKeyExtended); }
static void KeyUp(uint8_t key) { PlatformKeyEvent(key, (key == kVkE ? 0 : kKeyExtended) | kKeyUp); }

static void PressTimes(uint8_t key, int times) {
  for (int i = 0; i < times; ++i) {
    KeyDown(key);
    KeyUp(key);
  }
}

// False, with a line saying so, once the page under (x, y) is no longer the
// window in front: a pop-up or another program would take the keys and
// clicks meant for the page, and Play would speak the previous text.
static bool StillInFront(int x, int y) {
  if (PlatformInFront(x, y)) return true;
  PrintNarrow("\nspeech page not in front, input stopped\n");
  return false;
}

// The clicks and keys the page wants before its text field is filled. A key
// pressed is always released, wherever the release goes.
static bool PreparePage(int x, int y) {
  Click(x + 5, y + 100);
  for (uint8_t key : {kVkHome, kVkE, kVkE, kVkEscape}) {
    if (!StillInFront(x + 5, y + 100)) return false;
    KeyDown(key);
    if (key != kVkHome) PlatformSleep(1000);
    KeyUp(key);
    PlatformSleep(1000);
  }
  return true;
}

// Clears the field (up to 200 characters) and types bytes into it, as long
// as the page is the window in front. A line that interrupts "SPEAK(...)"
// ends with a line feed of its own, so that the result stands on the next line.
static bool ReplaceFieldText(int x, int y, std::string_view bytes) {
  if (!StillInFront(x + 5, y + 200)) return false;
  Click(x + 5, y + 200);
  PlatformSleep(200);
  for (uint8_t key : {kVkLeft, kVkDelete}) {
    if (!StillInFront(x + 5, y + 200)) return false;
    PressTimes(key, 200);
    PlatformSleep(200);
  }
  if (bytes.empty()) return true;
  int typed = PlatformTypeChars(x + 5, y + 200, bytes);
  if (typed == -1) PrintNarrow("\nspeech page not in front, text not typed\n");
  if (typed == -2) PrintNarrow("\ntyping blocked by a window with higher rights\n");
  return typed == 0;
}

// Says why the screen could not be captured, once each time the reason
// changes: a locked session would otherwise repeat it at every announcement.
static void SayScreenProblem() {
  std::string problem = PlatformCaptureError();
  if (!problem.empty() && problem != screenProblem)
    PrintNarrow("\nscreen not captured: %s\n", problem.c_str());
  screenProblem = problem;
}

// Each search starts at the anchor, which a failed search leaves in x and y.
static bool FindPlayButton(int& x, int& y) {
  for (uint16_t id : kPlayButtons)
    if (FindBitmapOnScreen(id, x, y) == 0) return true;
  return false;
}

int Speak(const std::string& text) {
  std::string_view bytes(text.c_str());
  PrintNarrow("SPEAK(%s)", ConsoleForm(bytes).c_str());
  int x = 0, y = 0;
  bool found =
      FindBitmapOnScreen(kIcon, x, y) == 0 || FindBitmapOnScreen(kIconWithCaption, x, y) == 0;
  SayScreenProblem();
  if (!found) {
    PrintNarrow("err1\r\n");
    return -1;
  }
  // Input stopped halfway ends as a missing play button does: Play is not
  // pressed, and the console's word is one the operator already knows.
  if (!PreparePage(x, y) || !ReplaceFieldText(x, y, bytes) || !FindPlayButton(x, y) ||
      !StillInFront(x + 5, y + 5)) {
    PrintNarrow("err2\r\n");
    return -2;
  }
  Click(x + 5, y + 5);
  PrintNarrow("OK\r\n");
  return 0;
}
