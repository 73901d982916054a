#include "platform/print.h"

#include <cstdarg>

void PrintNarrow(const char* format, ...) {
  va_list args;
  va_start(args, format);
  PlatformConsoleWrite(FormatTextV(format, args));
  va_end(args);
}

void PrintProgress(const char* format, ...) {
  va_list args;
  va_start(args, format);
  PlatformConsoleWrite(FormatTextV(format, args), ConsoleKind::Progress);
  va_end(args);
}

void PrintWideRaw(ConsoleKind kind, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  PlatformConsoleWrite(ToUtf8(FormatWideV(format, args)), kind);
  va_end(args);
}
