#include <windows.h>

#include <string>

#include "platform/platform.h"

// Grows the buffer until the path fits: paths may be longer than MAX_PATH.
std::wstring PlatformExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::wstring();
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    if (path.size() >= 32768) return std::wstring();  // longer than any Windows path
    path.resize(path.size() * 2);
  }
}

wchar_t PlatformPathSeparator() { return L'\\'; }

bool PlatformFileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Shared for reading and writing: a venue may be replacing the file meanwhile.
int PlatformReadFile(const std::wstring& path, size_t maxBytes, std::string* bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? -1 : -2;
  }
  int status = -2;
  LARGE_INTEGER size{};
  if (GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size)) {
    if (static_cast<uint64_t>(size.QuadPart) > maxBytes) {
      status = -3;
    } else {
      std::string content(static_cast<size_t>(size.QuadPart), '\0');
      size_t done = 0;
      DWORD n = 0;
      while (done < content.size() &&
             ReadFile(file, content.data() + done, static_cast<DWORD>(content.size() - done), &n,
                      nullptr) &&
             n > 0)
        done += n;
      if (done == content.size()) {
        bytes->swap(content);
        status = 0;
      }
    }
  }
  CloseHandle(file);
  return status;
}
