// A scriptable platform for unit tests: a virtual clock that sleeps advance,
// captured console text, a scripted viewer, a fake screen and recorded input.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

// One message as the viewer received it, with every atom among its parameters
// (low and high word of wParam, low word of lParam) resolved to its text.
struct FakeMessage {
  uint32_t message;
  uint64_t wParam;
  int64_t lParam;
  std::wstring wLow, wHigh, lLow;  // atom texts, empty when not an atom
  uint64_t atMs;                   // virtual time of the send
};

// One thing the program did, typed, for an observer that must not read the
// lines made for people. Only the members of its kind are set; `text` and
// `message` are valid during the observer's call only.
enum class FakeEventKind {
  Console,
  Sleep,
  Send,
  Capture,  // a snapshot of the screen was taken
  Cursor,
  Button,
  Key,
  Type,  // bytes typed, only when they reached the window
  KeepScreenOn,
  Restart,
};
struct FakeEvent {
  FakeEventKind kind;
  uint64_t atMs = 0;                     // virtual time, after a sleep its end
  std::string_view text = {};            // Console: the text written; Type: the bytes typed
  bool progress = false;                 // Console: a step of the cycle, not a message
  const FakeMessage* message = nullptr;  // Send, before the viewer answers
  uint32_t ms = 0;                       // Sleep
  int x = 0, y = 0;                      // Cursor
  bool down = false;                     // Button
  uint8_t key = 0;                       // Key
  uint32_t flags = 0;                    // Key
};

// Everything the program did, in order, as readable lines:
//   "sleep 20", "send 5688 cache 0.99", "cursor 305,220", "button down",
//   "key 36 1", "chars <bytes>", "keep screen on", "restart".
struct FakePlatform {
  uint64_t nowMs = 0;                     // virtual milliseconds since reset
  uint32_t tickBase = 0;                  // tick counter at nowMs == 0
  int64_t epochBase = 1628935200;         // calendar time at nowMs == 0
  std::wstring exePath = L"/venue/billora";
  std::set<std::wstring> files;           // paths that exist
  // Contents of the readable files among them; one in files alone cannot be read.
  std::map<std::wstring, std::string> fileContents;
  // When set, answers every file test in place of `files`: the preview asks
  // the venue's real folder.
  std::function<bool(const std::wstring&)> fileExists;
  std::string console;
  std::deque<std::pair<uint64_t, int>> keys;  // (time it is typed, key)

  // Viewer: no window while unset. The handler answers every send.
  std::function<int32_t(const FakeMessage&)> viewer;
  std::vector<FakeMessage> messages;
  std::map<uint16_t, std::wstring> atoms;  // atoms registered now
  // Atom calls and sends in order: "add cache", "add 0.99", "send 5688",
  // "delete cache", "delete 0.99"; a failed add ends in " -> 0", and the
  // deletion of an atom not registered reads "delete-unknown <atom>".
  std::vector<std::string> channelLog;
  uint16_t nextAtom = 0xC000;
  int atomCalls = 0;
  int failAtomAt = -1;                    // this AddAtom call (0-based) fails
  std::string atomError = "table full";   // the reason it gives
  bool viewerDenied = false;              // the viewer refuses every send

  // Screen: no display while screenWidth is 0.
  std::vector<uint32_t> screen;
  uint32_t screenWidth = 0, screenHeight = 0;
  std::string captureError;                 // PlatformCaptureError's answer without a display
  int captures = 0;
  std::map<uint16_t, std::string> bitmaps;  // replaces stored bitmaps when set

  bool inFront = true;                      // PlatformInFront's answer, wherever asked
  int typeResult = 0;                       // PlatformTypeChars' answer; no chars unless 0
  std::string typedAt;                      // its point, "x,y"
  std::vector<std::string> events;
  int restarts = 0;                         // restarts that took place
  std::deque<std::string> restartFailures;  // reasons of the next restarts that fail
  std::map<std::string, std::string> environment;
  bool venueHeld = false;                 // another instance runs for the venue
  std::function<void()> onSleep;          // called after each sleep, for scripts
  // Receives every event as it is recorded (console text, sleeps and screen
  // captures too), before any answer of the viewer.
  std::function<void(const FakeEvent&)> observer;
};

extern FakePlatform fake;

// Back to a fresh platform, as at process start.
void FakeReset();
// Console text since the last call, which then starts afresh.
std::string FakeTakeConsole();
