#include "base/paths.h"

#include "base/text.h"

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
