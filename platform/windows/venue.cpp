// One display program per venue: a named mutex that the system removes with
// the last handle to it, so that no end of the program can leave it behind.
#include "platform/windows/venue.h"

#include <windows.h>

#include "base/text.h"
#include "platform/paths.h"
#include "platform/platform.h"

static HANDLE venueMutex = nullptr;
static HANDLE beatBlock = nullptr;
static VenueBeat* beat = nullptr;

// Short names (PROGRA~1) and other ways to the same folder become its one
// final path.
std::wstring FolderKey(std::wstring folder) {
  HANDLE handle =
      CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    std::wstring final(32768, L'\0');
    DWORD n = GetFinalPathNameByHandleW(handle, final.data(), static_cast<DWORD>(final.size()),
                                        FILE_NAME_NORMALIZED);
    if (n > 0 && n < final.size()) folder.assign(final.data(), n);
    CloseHandle(handle);
  }
  CharUpperBuffW(folder.data(), static_cast<DWORD>(folder.size()));
  return folder;
}

std::wstring VenueMutexName(const wchar_t* role) {
  std::string digits = HashText(ToUtf8(FolderKey(ExecutableDirectory())));
  return L"Local\\billora-" + std::wstring(role) + L"-" + FromUtf8(digits);
}

// The block outlives a restart while either instance has it open; the new
// instance puts its own process id there and beats at once. Without it the
// display runs unwatched, as before.
static void OpenBeat() {
  beatBlock = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                 sizeof(VenueBeat), VenueMutexName(L"beat").c_str());
  if (beatBlock == nullptr) return;
  beat = static_cast<VenueBeat*>(MapViewOfFile(beatBlock, FILE_MAP_WRITE, 0, 0, sizeof(VenueBeat)));
  if (beat == nullptr) return;
  beat->process = GetCurrentProcessId();
  VenueHeartbeat();
}

// A mutex made by an instance with higher rights cannot be opened at all: it
// is there all the same. Any other failure leaves the venue to this instance.
bool PlatformClaimVenue() {
  if (venueMutex != nullptr) return true;
  HANDLE mutex = CreateMutexW(nullptr, FALSE, VenueMutexName(L"venue").c_str());
  if (mutex == nullptr) return GetLastError() != ERROR_ACCESS_DENIED;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  venueMutex = mutex;
  OpenBeat();
  return true;
}

void ReleaseVenue() {
  if (venueMutex != nullptr) CloseHandle(venueMutex);
  venueMutex = nullptr;
  // No more beats from here: they would stand for the successor.
  VenueBeat* view = beat;
  beat = nullptr;
  if (view != nullptr) UnmapViewOfFile(view);
  if (beatBlock != nullptr) CloseHandle(beatBlock);
  beatBlock = nullptr;
}

void VenueHeartbeat() {
  if (beat != nullptr) InterlockedExchange(&beat->tick, static_cast<long>(GetTickCount()));
}

bool ReadVenueBeat(VenueBeat* copy) {
  HANDLE block = OpenFileMappingW(FILE_MAP_READ, FALSE, VenueMutexName(L"beat").c_str());
  if (block == nullptr) return false;
  auto* view = static_cast<VenueBeat*>(MapViewOfFile(block, FILE_MAP_READ, 0, 0, sizeof *copy));
  if (view != nullptr) {
    copy->tick = view->tick;
    copy->process = view->process;
    UnmapViewOfFile(view);
  }
  CloseHandle(block);
  return view != nullptr;
}
