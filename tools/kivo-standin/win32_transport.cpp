// kivo-standin.exe: the stand-in viewer on Windows. A hidden top-level window
// of class "kivo_communication" takes the eight messages as the kivo viewer
// does; their atoms are read from the global atom table. The scene logic,
// options, console lines and trace are those of the socket transport.
#include <windows.h>

#include "base/text.h"
#include "platform/wire/messages.h"
#include "tools/kivo-standin/standin.h"

static Client program{1, -1, {}, {}, {}};  // every sender, as one client
static int64_t messagesHandled = 0;

void PauseMs(int64_t ms) { Sleep(static_cast<DWORD>(ms)); }

// The texts of the atoms among the message's words, as the viewer reads them.
// A text "#<n>" is the integer atom n, which the table gives back as "#<n>".
static AtomTable ReadAtoms(uint64_t wParam, int64_t lParam) {
  AtomTable atoms;
  for (auto atom : {static_cast<uint16_t>(wParam), static_cast<uint16_t>(wParam >> 16),
                    static_cast<uint16_t>(lParam)}) {
    wchar_t name[256];
    UINT length = atom != 0 ? GlobalGetAtomNameW(atom, name, 256) : 0;
    if (length > 0) atoms[atom] = ToUtf8(std::wstring_view(name, length));
  }
  return atoms;
}

static LRESULT Handle(uint32_t number, WPARAM wParam, LPARAM lParam) {
  program.atoms = ReadAtoms(wParam, lParam);
  int32_t result = HandleMessage(program, number, wParam, lParam);
  if (options.slowMs > 0) PauseMs(options.slowMs);
  if (number == VM_RUN && options.stallAfterRunMs > 0) {
    // The sender has its answer; this thread then takes no message at all,
    // long enough for Windows to count the window as hung (5 s).
    ReplyMessage(result);
    PauseMs(options.stallAfterRunMs);
  }
  if (++messagesHandled == options.vanishAfter) {
    // Gone like a crashed viewer: the last answer out, no goodbye.
    ReplyMessage(result);
    Trace("\"event\":\"vanish\",\"messages\":" + std::to_string(messagesHandled));
    Say("vanishing after %lld messages", static_cast<long long>(messagesHandled));
    TerminateProcess(GetCurrentProcess(), 0);
  }
  return result;
}

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= VM_LOAD_SCENE && message <= VM_STOP) return Handle(message, wParam, lParam);
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

static HWND mainWindow = nullptr;

// Ctrl-C and the console's closing end the stand-in as WM_CLOSE does.
static BOOL WINAPI OnConsoleEvent(DWORD) {
  PostMessageW(mainWindow, WM_CLOSE, 0, 0);
  return TRUE;
}

int main(int argc, char** argv) {
  ParseOptions(argc, argv);
  if (!options.tracePath.empty()) OpenTrace(options.tracePath);
  NowMs();
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"kivo_communication";
  if (FindWindowW(windowClass.lpszClassName, nullptr)) Fail("another viewer is running");
  if (!RegisterClassW(&windowClass)) Fail("cannot register the window class");
  // Top-level, never shown: a message-only window would not be found.
  mainWindow = CreateWindowExW(0, windowClass.lpszClassName, L"kivo stand-in", WS_OVERLAPPEDWINDOW,
                               0, 0, 320, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (!mainWindow) Fail("cannot create the window (is there a display?)");
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  Trace("\"client\":1,\"event\":\"connect\"");
  Say("serving window class kivo_communication");
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  EndOfClient();
  Trace("\"event\":\"exit\",\"clients\":[]");
  Say("stopped\n");
  return 0;
}
