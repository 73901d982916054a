#include "tools/keeper/stop.h"

#include <windows.h>
// After windows.h.
#include <tlhelp32.h>

#include "platform/print.h"
#include "platform/windows/error.h"
#include "platform/windows/venue.h"

// The executable of a process, "" when it cannot be read.
static std::wstring ImagePath(HANDLE process) {
  std::wstring path(32768, L'\0');
  DWORD n = static_cast<DWORD>(path.size());
  if (!QueryFullProcessImageNameW(process, 0, path.data(), &n)) return L"";
  path.resize(n);
  return path;
}

// Ends the processes of this executable name whose folder has the key
// `wanted`; false when one of them outlived the attempt.
static bool EndAll(const wchar_t* name, const std::wstring& wanted) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  bool all = true;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    DWORD id = entry.th32ProcessID;
    if (_wcsicmp(entry.szExeFile, name) != 0 || id == GetCurrentProcessId()) continue;
    HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (process == nullptr) continue;  // gone meanwhile
    std::wstring path = ImagePath(process);
    size_t cut = path.find_last_of(L'\\');
    if (cut != std::wstring::npos && FolderKey(path.substr(0, cut)) == wanted) {
      if (TerminateProcess(process, 1) && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0) {
        PrintWide(L"\nended %ls (process %lu)", path.c_str(), static_cast<unsigned long>(id));
      } else {
        PrintWide(L"\nCan't end %ls (process %lu): %ls", path.c_str(), static_cast<unsigned long>(id),
                  FromUtf8(ErrorText(GetLastError())).c_str());
        all = false;
      }
    }
    CloseHandle(process);
  }
  CloseHandle(snapshot);
  return all;
}

int StopVenuePrograms(const std::wstring& folder) {
  std::wstring wanted = folder;
  while (wanted.size() > 3 && (wanted.back() == L'\\' || wanted.back() == L'/')) wanted.pop_back();
  wanted = FolderKey(wanted);
  bool all = true;
  for (const wchar_t* name : {L"billora-keeper.exe", L"billora.exe", L"kivo-standin.exe"})
    all = EndAll(name, wanted) && all;
  return all ? 0 : 1;
}
