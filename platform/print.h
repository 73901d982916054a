// Console printing, through PlatformConsoleWrite.
#pragma once

#include <type_traits>

#include "base/text.h"
#include "platform/platform.h"

// printf-style output to the console, each message written and flushed at once.
// Wide formats take %ls for wide strings.
void PrintNarrow(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A step of the display cycle ("\nrun..."), shown as any text is.
void PrintProgress(const char* format, ...) __attribute__((format(printf, 1, 2)));
void PrintWideRaw(ConsoleKind kind, const wchar_t* format, ...);

// Every %ls argument of PrintWide comes from the database or the file system,
// so each is shown through ConsoleText; the format keeps its own line feeds
// and carriage returns.
template <class T>
auto ConsoleArgument(T value) {
  if constexpr (std::is_convertible_v<T, const wchar_t*>)
    return ConsoleText(value);
  else
    return value;
}
inline const wchar_t* VarArgument(const std::wstring& text) { return text.c_str(); }
template <class T>
T VarArgument(T value) {
  return value;
}
template <class... Args>
void PrintWide(const wchar_t* format, Args... args) {
  PrintWideRaw(ConsoleKind::Message, format, VarArgument(ConsoleArgument(args))...);
}
template <class... Args>
void PrintWideProgress(const wchar_t* format, Args... args) {
  PrintWideRaw(ConsoleKind::Progress, format, VarArgument(ConsoleArgument(args))...);
}
