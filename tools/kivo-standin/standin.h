// The stand-in kivo viewer: serves the viewer channel on a local socket,
// keeps a pretend display, prints what that display shows and writes a trace
// of everything it was told.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

struct Options {
  std::string socketPath;  // empty: the default path rules
  std::string tracePath;   // empty: no trace
  int notReady = 0;        // VM_QUERY_DEVICE answers 0 this many times first
  // How long every scene runs after VM_RUN, over what its file says.
  std::optional<int64_t> runTimeMs;
  bool neverFinish = false;
  int64_t slowMs = 0;                    // delay before each message's answer
  int64_t stallAfterRunMs = 0;           // no message taken for this long after VM_RUN (Win32)
  int64_t vanishAfter = 0;               // gone without a word after this many messages; 0 never
  std::optional<int32_t> setTextResult;  // VM_SET_TEXT's answer instead of the object number
  bool quiet = false;                    // no console lines
  bool window = false;                   // draw the display in a window
  int windowWidth = 0;                   // 0: the whole screen
  int windowHeight = 0;
  std::string monitor;        // RandR name or number of the window's monitor; empty: the screen
  bool listMonitors = false;  // list the monitors and end
  std::string screensFolder;  // a PNG of the window after each scene
};
extern Options options;

// options.cpp: fills `options` from the command line; ends the process with
// a message on a wrong one, or after --help.
void ParseOptions(int argc, char** argv);
[[noreturn]] void Fail(const std::string& text);  // "kivo-standin: <text>", exit 2

// Atoms of one connection, numbered by the program: atom -> text.
using AtomTable = std::map<uint16_t, std::string>;

struct Client {
  int id = 0;
  int fd = -1;
  std::string in, out;  // bytes received and not yet handled; answers not yet sent
  AtomTable atoms;
};

// atoms.cpp
// A registration's text: UTF-8 of a text that an atom carries (AtomCanCarry).
bool ValidAtomText(const std::string& text);
const std::string* AtomName(const AtomTable& table, uint16_t atom);
std::string AtomsJson(const AtomTable& table);  // [{"atom":..,"text":..},...]

// trace.cpp
int64_t NowMs();  // monotonic, since start
void OpenTrace(const std::string& path);
void Trace(const std::string& fields);      // one line: {"t_ms":..,<fields>}
std::string Json(const std::string* text);  // a JSON string, or null
void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));

// display.cpp
int32_t HandleMessage(Client& client, uint32_t number, uint64_t wParam, int64_t lParam);
void EndOfClient();  // a fade under way ends with its client

// main.cpp: a pause that a stop signal cuts short.
void PauseMs(int64_t ms);

// protocol.cpp: false on a broken request, after which the client is dropped.
bool ServeRequests(Client& client);
