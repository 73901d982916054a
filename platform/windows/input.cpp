// Synthetic input: the cursor, the left button and keys through the system's
// input queue, characters as WM_CHAR messages to the window given.
#include <windows.h>

#include "platform/platform.h"

// A page that stops answering loses the rest of the text, not the program.
constexpr UINT kCharTimeoutMs = 10000;

void PlatformSetCursorPos(int x, int y) { SetCursorPos(x, y); }

void PlatformMouseButton(bool down) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  SendInput(1, &input, sizeof input);
}

// kKeyExtended and kKeyUp have the values of the system's flags.
void PlatformKeyEvent(uint8_t virtualKey, uint32_t flags) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = flags & (KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP);
  SendInput(1, &input, sizeof input);
}

WindowHandle PlatformForegroundWindow() {
  return reinterpret_cast<WindowHandle>(GetForegroundWindow());
}

// Control codes are never typed, as on every system.
static bool Typable(unsigned char b) { return (b >= 0x20 && b <= 0x7E) || b >= 0xA0; }

void PlatformSendChars(WindowHandle window, std::string_view bytes) {
  HWND target = reinterpret_cast<HWND>(window);
  for (char byte : bytes) {
    auto code = static_cast<unsigned char>(byte);
    if (!Typable(code)) continue;
    DWORD_PTR result;
    if (!SendMessageTimeoutW(target, WM_CHAR, code, 1, SMTO_ABORTIFHUNG, kCharTimeoutMs, &result))
      return;
  }
}
