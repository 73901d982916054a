#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "base/text.h"
#include "tools/arguments.h"

// The C runtime's argv holds the ANSI code page, which cannot spell every
// folder name: the wide command line is read again.
std::vector<std::string> Utf8Arguments(int, char**) {
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; words && i < count; ++i) arguments.push_back(ToUtf8(words[i]));
  LocalFree(words);
  return arguments;
}
