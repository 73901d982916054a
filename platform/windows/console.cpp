// The console in both directions. Text goes out as wide characters to a
// console window and as UTF-8 bytes to a file or pipe. Keys come from the
// console input queue, which neither echoes nor waits for Enter; without a
// console (input from a file or none at all) no key is ever read.
//
// A selection in the console window (QuickEdit's click, or Mark from its
// menu) holds every write to it until the selection ends. The display program
// therefore switches QuickEdit off at start and hands its console text to a
// writer thread of its own, so that a held console never holds the cycle.
#include "platform/windows/console.h"

#include <windows.h>

#include <cstdlib>

#include "base/text.h"
#include "platform/platform.h"

// Text the writer thread has not taken yet; more than this is dropped.
constexpr size_t kMaxQueued = 1 << 20;

static SRWLOCK queueLock = SRWLOCK_INIT;
static CONDITION_VARIABLE textQueued = CONDITION_VARIABLE_INIT;
static std::wstring queue;
static bool writing = false;            // the thread is in a write
static HANDLE writerConsole = nullptr;  // set once the thread runs

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

static DWORD WINAPI WriteQueued(void*) {
  AcquireSRWLockExclusive(&queueLock);
  for (;;) {
    writing = false;
    while (queue.empty()) SleepConditionVariableSRW(&textQueued, &queueLock, INFINITE, 0);
    std::wstring text;
    text.swap(queue);
    writing = true;
    ReleaseSRWLockExclusive(&queueLock);
    WriteWide(writerConsole, text);
    AcquireSRWLockExclusive(&queueLock);
  }
}

static void Enqueue(std::string_view utf8) {
  std::wstring text = FromUtf8(utf8);
  AcquireSRWLockExclusive(&queueLock);
  if (queue.size() + text.size() <= kMaxQueued) queue += text;
  ReleaseSRWLockExclusive(&queueLock);
  WakeConditionVariable(&textQueued);
}

// Polls without waiting on the lock: after a fault, its holder may be dead.
void ConsoleDrain(unsigned ms) {
  if (writerConsole == nullptr) return;
  for (unsigned waited = 0; waited < ms; waited += 10, Sleep(10)) {
    if (!TryAcquireSRWLockExclusive(&queueLock)) continue;
    bool idle = queue.empty() && !writing;
    ReleaseSRWLockExclusive(&queueLock);
    if (idle) return;
  }
}

void PlatformConsoleWrite(std::string_view utf8, ConsoleKind) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (writerConsole != nullptr && out == writerConsole) return Enqueue(utf8);
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

// A click or a key in the console window then starts no selection; the
// console's other modes stay as they are (ENABLE_EXTENDED_FLAGS makes
// SetConsoleMode take the QuickEdit and insert bits at all).
static void StopSelections() {
  HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (in == INVALID_HANDLE_VALUE) return;
  DWORD mode;
  if (GetConsoleMode(in, &mode))
    SetConsoleMode(in, (mode | ENABLE_EXTENDED_FLAGS) &
                           ~static_cast<DWORD>(ENABLE_QUICK_EDIT_MODE | ENABLE_INSERT_MODE));
  CloseHandle(in);
}

// The writer thread ends with the process, whatever it still holds: every
// return from main and every exit waits for it first. The restarts and the
// fault path drain on their own before they end the process.
static void DrainAtExit() { ConsoleDrain(kConsoleDrainMs); }

// Nothing else to prepare: a closed standard handle is never reused by our
// own files, writes to a closed pipe fail without a signal, and the console
// input queue is read event by event, so keys are never echoed.
void PlatformPrepareConsole() {
  StopSelections();
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!IsConsole(out) || writerConsole != nullptr) return;
  writerConsole = out;
  HANDLE thread = CreateThread(nullptr, 64 * 1024, WriteQueued, nullptr, 0, nullptr);
  if (thread == nullptr) {
    writerConsole = nullptr;  // the writes stay on the caller's thread
    return;
  }
  CloseHandle(thread);
  std::atexit(DrainAtExit);
}

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
