#include "platform/paths.h"

#include "platform/platform.h"
#include "platform/text.h"

std::wstring ExecutableDirectory() {
  std::wstring path = PlatformExecutablePath();
  size_t slash = path.rfind(PlatformPathSeparator());
  if (slash != std::wstring::npos) path.resize(slash);
  return path;
}

bool NameStaysInFolder(const std::wstring& name) {
  if (!name.empty() && (name[0] == L'/' || name[0] == L'\\')) return false;
  if (name.size() >= 2 && name[1] == L':') return false;
  if (ConsoleText(name) != name) return false;
  size_t start = 0;
  for (;;) {
    size_t end = name.find_first_of(L"/\\", start);
    if (name.compare(start, end == std::wstring::npos ? std::wstring::npos : end - start, L"..") ==
        0)
      return false;
    if (end == std::wstring::npos) return true;
    start = end + 1;
  }
}

std::wstring BesideExecutable(const std::wstring& folder, const std::wstring& name) {
  std::wstring path = ExecutableDirectory() + PlatformPathSeparator();
  if (!folder.empty()) path += folder + PlatformPathSeparator();
  return path + name;
}
