#include "platform/paths.h"

#include "platform/platform.h"

std::wstring ExecutableDirectory() {
  std::wstring path = PlatformExecutablePath();
  size_t slash = path.rfind(PlatformPathSeparator());
  if (slash != std::wstring::npos) path.resize(slash);
  return path;
}

std::wstring BesideExecutable(const std::wstring& folder, const std::wstring& name) {
  std::wstring path = ExecutableDirectory() + PlatformPathSeparator();
  if (!folder.empty()) path += folder + PlatformPathSeparator();
  return path + name;
}
