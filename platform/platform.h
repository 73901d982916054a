// The operating-system services the display program uses. One folder per
// operating system implements them (platform/linux); platform/fake holds a
// scriptable version with a virtual clock that the unit tests link instead.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "base/text.h"

// ---- Time ----------------------------------------------------------------
uint32_t PlatformTicks();            // milliseconds, monotonic, wraps at 2^32
void PlatformSleep(uint32_t ms);
int64_t PlatformTime();              // calendar time, whole seconds
bool PlatformLocalTime(int64_t t, std::tm* out);  // local broken-down time

// ---- Process and files ---------------------------------------------------
std::wstring PlatformExecutablePath();  // full path of the running executable
wchar_t PlatformPathSeparator();        // between the folders of a path
bool PlatformFileExists(const std::wstring& path);  // file or folder
// The whole content of the regular file path into *bytes. Returns 0; -1 when
// there is no such file; -2 when it cannot be read (a folder or device, no
// permission, a read error); -3 when it holds more than maxBytes.
int PlatformReadFile(const std::wstring& path, size_t maxBytes, std::string* bytes);
// Starts a new instance of this executable with no arguments in place of the
// current one, with this process's environment. Returns only when that
// failed, with the reason in a few words; the test double returns "" for a
// restart it recorded.
std::string PlatformRestart();
// Makes fatal signals (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) restart the
// program the way an escaping exception does. When that start fails, the
// fault's handler retries as RetryRestart (platform/restart_retry.h) says.
void PlatformInstallFaultRestart();
// Claims the venue, the folder of the executable, for this process: false
// when another instance of the program holds it already. The claim ends with
// the process however it ends, and a restart hands it to the new instance.
bool PlatformClaimVenue();
// Keeps the screen on and the machine awake while the program runs: no
// screen saver, no display power saving, no sleep. Given back at exit.
void PlatformKeepScreenOn();
// A variable of this process's environment, which a restart carries over;
// "" when unset.
std::string PlatformGetEnvironment(const char* name);
void PlatformSetEnvironment(const char* name, const std::string& value);

// ---- Console -------------------------------------------------------------
// Called first at start. Standard input, output and error that were closed
// are opened on the null device, so no file or socket of ours takes their
// place; output to a console or pipe that has gone away is dropped instead of
// ending the process; and when the console is ours in the foreground, its
// keys stop being echoed from now on, not only from the first pause.
void PlatformPrepareConsole();
// A console text is a step of the display cycle as it goes ("\nrun...") or a
// message for the operator; the console shows both alike, an observer of the
// fake platform tells them apart.
enum class ConsoleKind { Message, Progress };
// Unbuffered, to stdout.
void PlatformConsoleWrite(std::string_view utf8, ConsoleKind kind = ConsoleKind::Message);
int PlatformReadKey();  // one key without echo or Enter, -1 when none waits

// ---- Viewer channel --------------------------------------------------------
using WindowHandle = uintptr_t;  // 0 = no window
WindowHandle PlatformFindWindow(const std::wstring& className);
// The viewer's signed 32-bit answer once it has handled the message; 0 when
// the window is gone.
int32_t PlatformSendMessage(WindowHandle window, uint32_t message,
                            uint64_t wParam, int64_t lParam);
// False once the window has gone: its viewer ended or stopped answering.
bool PlatformIsWindow(WindowHandle window);
// True when the last send was refused because the viewer runs with higher
// rights than this program (an administrator's); the window then counts as gone.
bool PlatformViewerDenied();
// Atom texts are those AtomCanCarry (base/text.h) accepts: 1 to
// kAtomMaxLength (255) UTF-16 units, as the Windows table counts them, so a
// character outside the BMP takes two; no NUL, no lone surrogate. Any other
// text, like a failed registration, gets atom 0 and never travels cut short
// or changed, on every system.
uint16_t PlatformAddAtom(const std::wstring& text);  // 0 on failure
// Why the last PlatformAddAtom of a text it could store failed, in a few
// words; "" when only the viewer's absence stopped it.
std::string PlatformAtomError();
// The atoms of a message that went unanswered are kept until the viewer
// answers again or another viewer is found: it may still read them.
void PlatformDeleteAtom(uint16_t atom);

// ---- Screen --------------------------------------------------------------
// A snapshot of the whole primary screen, row after row from the top, one
// 32-bit word per pixel (blue in the low byte, then green, then red). The
// pixels stay valid until the next capture. Returns 0, -1 when there is no
// usable display, -3 when memory for the snapshot cannot be had.
int PlatformCaptureScreen(const uint32_t** pixels, uint32_t* width,
                          uint32_t* height);
// Why the last capture failed, in a few words ("the session is locked", "no
// X display (DISPLAY is not set)"); "" after a capture that succeeded.
std::string PlatformCaptureError();
// Called at start by the programs that capture the screen or click on it:
// makes their coordinates the screen's physical pixels (per-monitor DPI
// awareness) where the system would scale them, and says so in one console
// line when it cannot. X never scales: nothing to do there.
void PlatformUsePhysicalPixels();
// The bytes of a bitmap file stored in the executable; empty when unknown.
std::string_view PlatformBitmapResource(uint16_t id);

// ---- Synthetic input -----------------------------------------------------
constexpr uint32_t kKeyExtended = 0x1;  // KEYEVENTF_EXTENDEDKEY
constexpr uint32_t kKeyUp = 0x2;        // KEYEVENTF_KEYUP
constexpr uint8_t kVkEscape = 0x1B;
constexpr uint8_t kVkHome = 0x24;
constexpr uint8_t kVkLeft = 0x25;
constexpr uint8_t kVkDelete = 0x2E;
constexpr uint8_t kVkE = 0x45;

void PlatformSetCursorPos(int x, int y);
void PlatformMouseButton(bool down);  // the primary button, swapped or not
void PlatformKeyEvent(uint8_t virtualKey, uint32_t flags);
// True when the top-level window at the screen point (x, y) is the one in
// front, which keys reach (Windows: the foreground window; X: the window
// with the keyboard focus, or any while the focus follows the pointer), and
// when no display takes synthetic input at all.
bool PlatformInFront(int x, int y);
// Types each byte as the character with that code (0-255), in order, after
// every key sent before, into the window in front, provided it is the window
// at the screen point (x, y), as PlatformInFront says. Returns 0; -1 when another window is in front
// (nothing typed); -2 when the system dropped the input (a window with higher
// rights than this program's is in front).
int PlatformTypeChars(int x, int y, std::string_view bytes);
