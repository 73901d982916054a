// The viewer channel over window messages and the global atom table. A send
// waits for the viewer's answer up to a limit; a viewer that misses it counts
// as gone until it is found again.
//
// Windows marks a window "hung" once its thread has taken no message for 5 s,
// and SMTO_ABORTIFHUNG would then fail every send at once: a viewer loading a
// heavy scene would be dropped long before the limit. The flag is not used.
#include <windows.h>

#include <vector>

#include "platform/answer_timeout.h"
#include "platform/platform.h"
#include "platform/windows/error.h"
#include "platform/wire/messages.h"

static HWND goneWindow = nullptr;  // the last window that did not answer
static bool denied = false;        // the last send was refused by UIPI
// A message that timed out stays in the viewer's queue and may be handled
// later: its atoms are kept until that window answers again or is no longer
// the viewer that the lookup finds.
static HWND holdingWindow = nullptr;
static std::vector<ATOM> heldAtoms;
static DWORD atomError = 0;

static HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }

static void ReleaseHeldAtoms() {
  for (ATOM atom : heldAtoms) GlobalDeleteAtom(atom);
  heldAtoms.clear();
  holdingWindow = nullptr;
}

WindowHandle PlatformFindWindow(const std::wstring& className) {
  HWND window = FindWindowW(className.c_str(), nullptr);
  if (window == goneWindow) goneWindow = nullptr;
  if (holdingWindow != nullptr && window != holdingWindow) ReleaseHeldAtoms();
  denied = false;
  return reinterpret_cast<WindowHandle>(window);
}

// The handle of a window that was destroyed may be given to a new window of
// any program, which IsWindow accepts: the viewer's window is one that still
// has the viewer's class (class names compare without regard to case).
static bool ViewerClass(HWND window) {
  wchar_t name[64];
  int length = GetClassNameW(window, name, 64);
  return length > 0 && CompareStringOrdinal(name, length, kViewerClass, -1, TRUE) == CSTR_EQUAL;
}

bool PlatformIsWindow(WindowHandle window) {
  return window != 0 && ToHwnd(window) != goneWindow && IsWindow(ToHwnd(window)) &&
         ViewerClass(ToHwnd(window));
}

bool PlatformViewerDenied() { return denied; }

// User Interface Privilege Isolation: a message at or above WM_USER to a
// window of a higher integrity level (a viewer run as administrator) fails
// with ERROR_ACCESS_DENIED and never reaches it. Wine has no integrity levels.
int32_t PlatformSendMessage(WindowHandle window, uint32_t message, uint64_t wParam,
                            int64_t lParam) {
  if (!PlatformIsWindow(window)) return 0;
  HWND target = ToHwnd(window);
  DWORD_PTR result = 0;
  if (SendMessageTimeoutW(target, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam),
                          SMTO_BLOCK, static_cast<UINT>(ViewerAnswerTimeoutMs()), &result)) {
    if (target == holdingWindow) ReleaseHeldAtoms();  // it handled the earlier ones first
    denied = false;
    return static_cast<int32_t>(result);
  }
  denied = GetLastError() == ERROR_ACCESS_DENIED;
  if (!denied && IsWindow(target)) holdingWindow = target;
  goneWindow = target;
  return 0;
}

// "#<n>" names the integer atom n, which takes no place in the table; "#0"
// and numbers past 0xBFFF are no atom at all, and their failure is not the
// table's.
static bool IntegerAtomText(const std::wstring& text) {
  return text.size() > 1 && text[0] == L'#' &&
         text.find_first_not_of(L"0123456789", 1) == std::wstring::npos;
}

// The table holds at most 16,384 strings for every program of the window
// station together; a full one fails the registration. GlobalAddAtomW's
// documentation limits a name to "255 bytes": the table counts TCHARs, here
// UTF-16 units, as kAtomMaxLength does (Wine does the same). The table would
// take a lone surrogate, but the Linux channel cannot carry one:
// AtomCanCarry refuses it on every system alike.
uint16_t PlatformAddAtom(const std::wstring& text) {
  atomError = ERROR_SUCCESS;
  if (!AtomCanCarry(text)) return 0;
  ATOM atom = GlobalAddAtomW(text.c_str());
  if (atom == 0) atomError = IntegerAtomText(text) ? ERROR_SUCCESS : GetLastError();
  return atom;
}

std::string PlatformAtomError() { return atomError == ERROR_SUCCESS ? "" : ErrorText(atomError); }

void PlatformDeleteAtom(uint16_t atom) {
  if (atom == 0) return;
  if (holdingWindow != nullptr)
    heldAtoms.push_back(atom);
  else
    GlobalDeleteAtom(atom);
}
