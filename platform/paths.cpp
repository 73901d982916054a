#include "platform/paths.h"

#include "platform/platform.h"

std::wstring ExecutableDirectory() {
  std::wstring path = PlatformExecutablePath();
  size_t slash = path.rfind(L'/');
  if (slash != std::wstring::npos) path.resize(slash);
  return path;
}
