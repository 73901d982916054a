#include "speech/speak.h"

#include <string_view>

#include "platform/platform.h"
#include "platform/print.h"
#include "speech/locator.h"

static constexpr uint16_t kIcon = 101;
static constexpr uint16_t kIconWithCaption = 103;
static constexpr uint16_t kPlayButtons[] = {102, 104, 105};

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

// The clicks and keys the page wants before its text field is filled.
static void PreparePage(int x, int y) {
  Click(x + 5, y + 100);
  PressTimes(kVkHome, 1);
  PlatformSleep(1000);
  for (int i = 0; i < 2; ++i) {
    KeyDown(kVkE);
    PlatformSleep(1000);
    KeyUp(kVkE);
    PlatformSleep(1000);
  }
  KeyDown(kVkEscape);
  PlatformSleep(1000);
  KeyUp(kVkEscape);
  PlatformSleep(1000);
}

// Clears the field (up to 200 characters) and types bytes into it, when the
// page is the window in front. A line that interrupts "SPEAK(...)" ends with
// a line feed of its own, so that the result stands on the next line.
static void ReplaceFieldText(int x, int y, std::string_view bytes) {
  Click(x + 5, y + 200);
  PlatformSleep(200);
  PressTimes(kVkLeft, 200);
  PlatformSleep(200);
  PressTimes(kVkDelete, 200);
  PlatformSleep(200);
  if (bytes.empty()) return;
  int typed = PlatformTypeChars(x + 5, y + 200, bytes);
  if (typed == -1) PrintNarrow("\nspeech page not in front, text not typed\n");
  if (typed == -2) PrintNarrow("\ntyping blocked by a window with higher rights\n");
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
  if (FindBitmapOnScreen(kIcon, x, y) != 0 && FindBitmapOnScreen(kIconWithCaption, x, y) != 0) {
    PrintNarrow("err1\r\n");
    return -1;
  }
  PreparePage(x, y);
  ReplaceFieldText(x, y, bytes);
  if (!FindPlayButton(x, y)) {
    PrintNarrow("err2\r\n");
    return -2;
  }
  Click(x + 5, y + 5);
  PrintNarrow("OK\r\n");
  return 0;
}
