#include "platform/fake/fake_platform.h"

#include "base/text.h"
#include "platform/wire/messages.h"
#include "res/resources.h"

FakePlatform fake;

void FakeReset() { fake = FakePlatform(); }

std::string FakeTakeConsole() {
  std::string text;
  text.swap(fake.console);
  return text;
}

// The readable line of an event; console text and captures are kept apart.
static std::string EventLine(const FakeEvent& e) {
  switch (e.kind) {
    case FakeEventKind::Sleep:
      return "sleep " + std::to_string(e.ms);
    case FakeEventKind::Send: {
      std::string line = "send " + std::to_string(e.message->message);
      for (const std::wstring* text : {&e.message->wLow, &e.message->wHigh, &e.message->lLow})
        if (!text->empty()) line += " " + ToUtf8(*text);
      return line;
    }
    case FakeEventKind::Cursor:
      return "cursor " + std::to_string(e.x) + "," + std::to_string(e.y);
    case FakeEventKind::Button:
      return e.down ? "button down" : "button up";
    case FakeEventKind::Key:
      return "key " + std::to_string(e.key) + " " + std::to_string(e.flags);
    case FakeEventKind::Type:
      return "chars " + std::string(e.text);
    case FakeEventKind::KeepScreenOn:
      return "keep screen on";
    case FakeEventKind::Restart:
      return "restart";
    default:
      return "";
  }
}

static void Record(FakeEvent e) {
  e.atMs = fake.nowMs;
  if (e.kind == FakeEventKind::Console)
    fake.console.append(e.text);
  else if (e.kind == FakeEventKind::Capture)
    ++fake.captures;
  else
    fake.events.push_back(EventLine(e));
  if (fake.observer) fake.observer(e);
}

uint32_t PlatformTicks() { return fake.tickBase + static_cast<uint32_t>(fake.nowMs); }

void PlatformSleep(uint32_t ms) {
  fake.nowMs += ms;
  Record({.kind = FakeEventKind::Sleep, .ms = ms});
  if (fake.onSleep) fake.onSleep();
}

int64_t PlatformTime() { return fake.epochBase + static_cast<int64_t>(fake.nowMs / 1000); }

bool PlatformLocalTime(int64_t t, std::tm* out) {
  time_t value = static_cast<time_t>(t);
#ifdef _WIN32
  return localtime_s(out, &value) == 0;
#else
  return localtime_r(&value, out) != nullptr;
#endif
}

std::wstring PlatformExecutablePath() { return fake.exePath; }

wchar_t PlatformPathSeparator() { return L'/'; }

bool PlatformFileExists(const std::wstring& path) {
  return fake.fileExists ? fake.fileExists(path) : fake.files.count(path) > 0;
}

int PlatformReadFile(const std::wstring& path, size_t maxBytes, std::string* bytes) {
  if (!fake.files.count(path)) return -1;
  auto it = fake.fileContents.find(path);
  if (it == fake.fileContents.end()) return -2;
  if (it->second.size() > maxBytes) return -3;
  *bytes = it->second;
  return 0;
}

std::string PlatformRestart() {
  Record({.kind = FakeEventKind::Restart});
  if (!fake.restartFailures.empty()) {
    std::string reason = fake.restartFailures.front();
    fake.restartFailures.pop_front();
    return reason;
  }
  ++fake.restarts;
  return "";
}

std::string PlatformGetEnvironment(const char* name) {
  auto it = fake.environment.find(name);
  return it == fake.environment.end() ? "" : it->second;
}

void PlatformSetEnvironment(const char* name, const std::string& value) {
  fake.environment[name] = value;
}

bool PlatformClaimVenue() { return !fake.venueHeld; }

void PlatformKeepScreenOn() { Record({.kind = FakeEventKind::KeepScreenOn}); }

void PlatformPrepareConsole() {}

void PlatformInstallFaultRestart() {}

void PlatformConsoleWrite(std::string_view utf8, ConsoleKind kind) {
  Record({.kind = FakeEventKind::Console, .text = utf8, .progress = kind == ConsoleKind::Progress});
}

int PlatformReadKey() {
  if (fake.keys.empty() || fake.keys.front().first > fake.nowMs) return -1;
  int key = fake.keys.front().second;
  fake.keys.pop_front();
  return key;
}

WindowHandle PlatformFindWindow(const std::wstring& className) {
  return fake.viewer && className == kViewerClass ? 1 : 0;
}

static std::wstring AtomText(uint64_t value) {
  auto it = fake.atoms.find(static_cast<uint16_t>(value & 0xFFFF));
  return it == fake.atoms.end() ? std::wstring() : it->second;
}

int32_t PlatformSendMessage(WindowHandle window, uint32_t message, uint64_t wParam,
                            int64_t lParam) {
  FakeMessage m{message, wParam, lParam, AtomText(wParam), AtomText(wParam >> 16),
                AtomText(static_cast<uint64_t>(lParam)), fake.nowMs};
  Record({.kind = FakeEventKind::Send, .message = &m});
  fake.channelLog.push_back("send " + std::to_string(message));
  fake.messages.push_back(m);
  if (window == 0 || !fake.viewer || fake.viewerDenied) return 0;
  return fake.viewer(m);
}

bool PlatformIsWindow(WindowHandle window) {
  return window != 0 && fake.viewer != nullptr && !fake.viewerDenied;
}

bool PlatformViewerDenied() { return fake.viewerDenied; }

std::string PlatformAtomError() { return fake.atomError; }

uint16_t PlatformAddAtom(const std::wstring& text) {
  std::string entry = "add " + ToUtf8(text);
  if (fake.atomCalls++ == fake.failAtomAt || !AtomCanCarry(text) || fake.nextAtom == 0) {
    fake.channelLog.push_back(entry + " -> 0");
    return 0;
  }
  uint16_t atom = fake.nextAtom++;
  fake.atoms[atom] = text;
  fake.channelLog.push_back(entry);
  return atom;
}

void PlatformDeleteAtom(uint16_t atom) {
  auto it = fake.atoms.find(atom);
  if (it == fake.atoms.end()) {
    fake.channelLog.push_back("delete-unknown " + std::to_string(atom));
    return;
  }
  fake.channelLog.push_back("delete " + ToUtf8(it->second));
  fake.atoms.erase(it);
}

int PlatformCaptureScreen(const uint32_t** pixels, uint32_t* width, uint32_t* height) {
  if (fake.screenWidth == 0) return -1;
  Record({.kind = FakeEventKind::Capture});
  *pixels = fake.screen.data();
  *width = fake.screenWidth;
  *height = fake.screenHeight;
  return 0;
}

void PlatformUsePhysicalPixels() {}

std::string PlatformCaptureError() { return fake.screenWidth == 0 ? fake.captureError : ""; }

std::string_view PlatformBitmapResource(uint16_t id) {
  auto it = fake.bitmaps.find(id);
  return it != fake.bitmaps.end() ? std::string_view(it->second) : StoredBitmap(id);
}

void PlatformSetCursorPos(int x, int y) { Record({.kind = FakeEventKind::Cursor, .x = x, .y = y}); }

void PlatformMouseButton(bool down) { Record({.kind = FakeEventKind::Button, .down = down}); }

void PlatformKeyEvent(uint8_t virtualKey, uint32_t flags) {
  Record({.kind = FakeEventKind::Key, .key = virtualKey, .flags = flags});
}

bool PlatformInFront(int, int) { return fake.inFront; }

int PlatformTypeChars(int x, int y, std::string_view bytes) {
  fake.typedAt = std::to_string(x) + "," + std::to_string(y);
  if (fake.typeResult == 0) Record({.kind = FakeEventKind::Type, .text = bytes});
  return fake.typeResult;
}
