// The viewer channel over window messages and the global atom table. A send
// waits for the viewer's answer up to a limit; a viewer that misses it, or is
// already known to the system as hung, answers 0 and counts as gone until it
// is found again.
#include <windows.h>

#include <cstdlib>

#include "platform/platform.h"

// A viewer may spend this long on one message (loading a scene) before it
// counts as gone; KIVO_REPLY_TIMEOUT_MS overrides it.
constexpr UINT kAnswerTimeoutMs = 10000;

static HWND goneWindow = nullptr;  // the last window that did not answer

static UINT AnswerTimeoutMs() {
  const char* text = std::getenv("KIVO_REPLY_TIMEOUT_MS");
  long ms = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
  return ms > 0 && ms <= 3600000 ? static_cast<UINT>(ms) : kAnswerTimeoutMs;
}

static HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }

WindowHandle PlatformFindWindow(const std::wstring& className) {
  HWND window = FindWindowW(className.c_str(), nullptr);
  if (window == goneWindow) goneWindow = nullptr;
  return reinterpret_cast<WindowHandle>(window);
}

bool PlatformIsWindow(WindowHandle window) {
  return window != 0 && ToHwnd(window) != goneWindow && IsWindow(ToHwnd(window));
}

int32_t PlatformSendMessage(WindowHandle window, uint32_t message, uint64_t wParam,
                            int64_t lParam) {
  if (!PlatformIsWindow(window)) return 0;
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(ToHwnd(window), message, static_cast<WPARAM>(wParam),
                           static_cast<LPARAM>(lParam), SMTO_ABORTIFHUNG | SMTO_BLOCK,
                           AnswerTimeoutMs(), &result)) {
    goneWindow = ToHwnd(window);
    return 0;
  }
  return static_cast<int32_t>(result);
}

// What the table stores as given: 1 to kAtomMaxLength characters without NUL.
static bool Storable(const std::wstring& text) {
  return !text.empty() && text.size() <= kAtomMaxLength && text.find(L'\0') == std::wstring::npos;
}

uint16_t PlatformAddAtom(const std::wstring& text) {
  return Storable(text) ? GlobalAddAtomW(text.c_str()) : 0;
}

void PlatformDeleteAtom(uint16_t atom) {
  if (atom != 0) GlobalDeleteAtom(atom);
}
