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
