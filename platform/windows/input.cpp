// Synthetic input: the cursor, the primary button, keys and typed characters,
// all through the system's one input queue, in the order sent.
#include <windows.h>

#include <vector>

#include "platform/platform.h"

void PlatformSetCursorPos(int x, int y) { SetCursorPos(x, y); }

// SendInput names physical buttons: with the buttons swapped (a left-handed
// mouse) the primary button is the right one.
void PlatformMouseButton(bool down) {
  bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
  INPUT input{};
  input.type = INPUT_MOUSE;
  if (swapped)
    input.mi.dwFlags = down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
  else
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

// Control codes are never typed, as on every system.
static bool Typable(unsigned char b) { return (b >= 0x20 && b <= 0x7E) || b >= 0xA0; }

// The top-level window at the point, and the foreground window, compared by
// their root windows: a browser's field lies in a child of its window.
bool PlatformInFront(int x, int y) {
  HWND under = WindowFromPoint(POINT{x, y}), front = GetForegroundWindow();
  return under != nullptr && front != nullptr &&
         GetAncestor(under, GA_ROOT) == GetAncestor(front, GA_ROOT);
}

// The integrity level of a process's token; false when it cannot be read.
static bool ReadIntegrity(HANDLE process, DWORD* level) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return false;
  alignas(TOKEN_MANDATORY_LABEL) unsigned char buffer[64];
  DWORD size = 0;
  bool read = GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof buffer, &size);
  if (read) {
    PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
    *level = *GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1);
  }
  CloseHandle(token);
  return read;
}

// User Interface Privilege Isolation drops input meant for a window of a
// process with a higher integrity level (one run as administrator), and
// SendInput's result does not always tell. A process whose token this one may
// not even read counts as higher. Wine has no integrity levels to show this.
static bool HigherRights(HWND window) {
  DWORD id = 0, theirs = 0, ours = 0;
  GetWindowThreadProcessId(window, &id);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  bool known = ReadIntegrity(process, &theirs);
  DWORD error = GetLastError();
  CloseHandle(process);
  if (!known) return error == ERROR_ACCESS_DENIED;
  return ReadIntegrity(GetCurrentProcess(), &ours) && theirs > ours;
}

// Each character as a KEYEVENTF_UNICODE press and release, queued behind the
// keys sent before it: a WM_CHAR message would be handled before input still
// in the queue, and a busy page would get the text first and then delete it.
int PlatformTypeChars(int x, int y, std::string_view bytes) {
  if (!PlatformInFront(x, y)) return -1;
  if (HigherRights(GetForegroundWindow())) return -2;
  std::vector<INPUT> inputs;
  for (char byte : bytes) {
    auto code = static_cast<unsigned char>(byte);
    if (!Typable(code)) continue;
    for (DWORD up : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wScan = code;  // the character, 0 to 255: the first code points of Unicode
      input.ki.dwFlags = KEYEVENTF_UNICODE | up;
      inputs.push_back(input);
    }
  }
  if (inputs.empty()) return 0;
  UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  return sent == inputs.size() ? 0 : -2;
}
