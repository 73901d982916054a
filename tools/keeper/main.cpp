// billora-keeper.exe: started at logon, it starts billora.exe, the display
// program beside it, whenever no instance of that program holds the venue.
// The display program restarts itself after a failure, but nothing of it
// survives a fail-fast exception (heap corruption, __fastfail) or a killed
// process: the keeper brings it back, after the pause of the display's own
// back-off (platform/back_off.h) while each run ends quickly. A display that
// holds the venue but has not beaten for 2 minutes is stuck in some call: the
// keeper ends it, and starts it again. It has no window and runs once per
// venue; its lines go to its standard output when that was given to it.
//   billora-keeper.exe --stop FOLDER   ends the keepers, displays and stand-in
// viewers run from FOLDER, for the installer, and exits.
#include <windows.h>
// After windows.h.
#include <shellapi.h>

#include <cstring>

#include "platform/back_off.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/print.h"
#include "platform/windows/error.h"
#include "platform/windows/venue.h"
#include "tools/keeper/stop.h"

// The venue must be free at two checks this far apart: the display program
// hands it to its successor at a restart, which claims it within moments.
constexpr DWORD kCheckMs = 4000;
// A display silent this long is ended. BILLORA_KEEPER_SILENCE_MS, which only
// the tests set, shortens it.
constexpr uint32_t kSilenceMs = 2 * 60 * 1000;

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

static uint32_t SilenceLimitMs() {
  uint32_t ms = static_cast<uint32_t>(atol(PlatformGetEnvironment("BILLORA_KEEPER_SILENCE_MS").c_str()));
  return ms > 0 && ms < kSilenceMs ? ms : kSilenceMs;
}

// Ends the display that holds the venue when its last beat is older than
// limitMs; the venue then comes free and the display is started again. A
// display that cannot be ended (one with higher rights) is named once.
static void EndIfSilent(uint32_t limitMs) {
  static DWORD named = 0;
  VenueBeat beat{};
  if (!ReadVenueBeat(&beat)) return;
  uint32_t silent = PlatformTicks() - static_cast<uint32_t>(beat.tick);
  if (silent <= limitMs) return;
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, beat.process);
  if (process == nullptr || !TerminateProcess(process, 4)) {
    if (named != beat.process)
      PrintNarrow("\nbillora.exe (process %lu) silent for %u s, can't end it (%s)",
                  static_cast<unsigned long>(beat.process), silent / 1000,
                  ErrorText(GetLastError()).c_str());
    named = beat.process;
    if (process != nullptr) CloseHandle(process);
    return;
  }
  WaitForSingleObject(process, 10000);
  CloseHandle(process);
  PrintNarrow("\nbillora.exe (process %lu) silent for %u s: ended",
              static_cast<unsigned long>(beat.process), silent / 1000);
}

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv != nullptr && argc == 3 && wcscmp(argv[1], L"--stop") == 0)
    return StopVenuePrograms(argv[2]);
  HANDLE self = CreateMutexW(nullptr, FALSE, VenueMutexName(L"keeper").c_str());
  if (self == nullptr || GetLastError() == ERROR_ALREADY_EXISTS) {
    PrintNarrow("\nbillora-keeper already runs for this venue");
    return 1;
  }
  std::wstring exe = BesideExecutable(L"", L"billora.exe"), venue = VenueMutexName(L"venue");
  uint32_t limitMs = SilenceLimitMs(), failures = 0, started = 0;
  bool first = true;
  for (bool freeBefore = false;; PlatformSleep(kCheckMs)) {
    bool free = !VenueHeld(venue);
    if (!free) EndIfSilent(limitMs);
    if (free && freeBefore) {
      // A run of the display is counted from this start to the check that
      // found the venue free: a start that failed counts as a quick failure.
      if (!first) failures = QuickFailures(failures, started, PlatformTicks());
      BackOff(failures);
      first = false;
      started = PlatformTicks();
      StartDisplay(exe);
      free = false;  // two more free checks before the next start
    }
    freeBefore = free;
  }
}
