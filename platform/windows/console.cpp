// The console in both directions. Text goes out as wide characters to a
// console window and as UTF-8 bytes to a file or pipe. Keys come from the
// console input queue, which neither echoes nor waits for Enter; without a
// console (input from a file or none at all) no key is ever read.
#include <windows.h>

#include "platform/platform.h"
#include "platform/text.h"

static bool IsConsole(HANDLE handle) {
  DWORD mode;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

static void WriteWide(HANDLE console, const std::wstring& text) {
  const wchar_t* data = text.data();
  size_t left = text.size();
  while (left > 0) {
    DWORD chunk = left > 8192 ? 8192 : static_cast<DWORD>(left), written = 0;
    if (!WriteConsoleW(console, data, chunk, &written, nullptr) || written == 0) return;
    data += written;
    left -= written;
  }
}

void PlatformConsoleWrite(std::string_view utf8) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (IsConsole(out)) return WriteWide(out, FromUtf8(utf8));
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  const char* data = utf8.data();
  size_t left = utf8.size();
  while (left > 0) {
    DWORD chunk = left > 65536 ? 65536 : static_cast<DWORD>(left), written = 0;
    // A closed pipe or a full disk loses the text, nothing more.
    if (!WriteFile(out, data, chunk, &written, nullptr) || written == 0) return;
    data += written;
    left -= written;
  }
}

// Nothing to prepare here: a closed standard handle is never reused by our
// own files, writes to a closed pipe fail without a signal, and the console
// input queue is read event by event, so keys are never echoed.
void PlatformPrepareConsole() {}

int PlatformReadKey() {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  if (!IsConsole(in)) return -1;
  DWORD waiting = 0;
  while (GetNumberOfConsoleInputEvents(in, &waiting) && waiting > 0) {
    INPUT_RECORD record;
    DWORD read = 0;
    if (!ReadConsoleInputW(in, &record, 1, &read) || read == 0) return -1;
    const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
    // Mouse, focus and size events and key releases are dropped.
    if (record.EventType == KEY_EVENT && key.bKeyDown && key.uChar.UnicodeChar != 0)
      return key.uChar.UnicodeChar;
  }
  return -1;
}
