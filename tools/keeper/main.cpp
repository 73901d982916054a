// billora-keeper.exe: started at logon, it starts billora.exe, the display
// program beside it, whenever no instance of that program holds the venue.
// The display program restarts itself after a failure, but nothing of it
// survives a fail-fast exception (heap corruption, __fastfail) or a killed
// process: the keeper brings it back within seconds. It takes no arguments,
// has no window and runs once per venue; its lines go to its standard output
// when that was given to it.
#include <windows.h>

#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/print.h"
#include "platform/windows/error.h"
#include "platform/windows/venue.h"

// The venue must be free at two checks this far apart: the display program
// hands it to its successor at a restart, which claims it within moments.
constexpr DWORD kCheckMs = 4000;

static bool VenueHeld(const std::wstring& name) {
  HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
  if (mutex == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;  // held with higher rights
  CloseHandle(mutex);
  return true;
}

// In a console of its own, minimized and without taking the foreground, so
// that the console covers neither the viewer nor the speech page.
static void StartDisplay(const std::wstring& exe) {
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESHOWWINDOW;
  start.wShowWindow = SW_SHOWMINNOACTIVE;
  PROCESS_INFORMATION process{};
  std::wstring folder = ExecutableDirectory();
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                      nullptr, folder.c_str(), &start, &process)) {
    PrintWide(L"\nCan't start %ls (%ls)", exe.c_str(), FromUtf8(ErrorText(GetLastError())).c_str());
    return;
  }
  PrintWide(L"\nstarted %ls", exe.c_str());
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

int main() {
  HANDLE self = CreateMutexW(nullptr, FALSE, VenueMutexName(L"keeper").c_str());
  if (self == nullptr || GetLastError() == ERROR_ALREADY_EXISTS) {
    PrintNarrow("\nbillora-keeper already runs for this venue");
    return 1;
  }
  std::wstring exe = BesideExecutable(L"", L"billora.exe"), venue = VenueMutexName(L"venue");
  for (bool freeBefore = false;; Sleep(kCheckMs)) {
    bool free = !VenueHeld(venue);
    if (free && freeBefore) {
      StartDisplay(exe);
      free = false;  // two more free checks before the next start
    }
    freeBefore = free;
  }
}
