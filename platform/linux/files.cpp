#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/platform.h"
#include "platform/text.h"

std::wstring PlatformExecutablePath() {
  std::string path(256, '\0');
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n < 0) return std::wstring();
    if (static_cast<size_t>(n) < path.size()) {
      path.resize(static_cast<size_t>(n));
      return FromUtf8(path);
    }
    path.resize(path.size() * 2);
  }
}

wchar_t PlatformPathSeparator() { return L'/'; }

bool PlatformFileExists(const std::wstring& path) {
  struct stat info {};
  return stat(ToUtf8(path).c_str(), &info) == 0;
}
