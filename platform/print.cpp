#include "platform/print.h"

#include <cstdarg>

#include "platform/platform.h"

void PrintNarrow(const char* format, ...) {
  va_list args;
  va_start(args, format);
  PlatformConsoleWrite(FormatTextV(format, args));
  va_end(args);
}

void PrintWideRaw(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  PlatformConsoleWrite(ToUtf8(FormatWideV(format, args)));
  va_end(args);
}
