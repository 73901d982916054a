// Restart: a new process of this executable, with no arguments, in the same
// console and with the same standard handles, after which this one ends.
// The venue's mutex is given up just before the new process starts, so that
// the new instance can claim it.
// Fatal faults restart the same way: the unhandled-exception filter catches
// access violations and the like, a first vectored handler catches stack
// overflow (which may never reach the filter), and std::terminate and abort
// are routed to the same place.
#include <windows.h>

#include <csignal>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/platform.h"
#include "platform/restart_retry.h"
#include "platform/windows/console.h"
#include "platform/windows/error.h"
#include "platform/windows/venue.h"

// Read before any fault can happen, so that the fault path only reads it.
static std::wstring selfPath;

static void ReadSelfPath() {
  if (selfPath.empty()) selfPath = PlatformExecutablePath();
}

// The standard handles the new instance shares; every other handle of ours
// stays behind.
static std::vector<HANDLE> StandardHandles() {
  std::vector<HANDLE> handles;
  for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    HANDLE h = GetStdHandle(which);
    bool seen = false;
    for (HANDLE other : handles) seen |= other == h;
    if (h == nullptr || h == INVALID_HANDLE_VALUE || seen) continue;
    if (SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) handles.push_back(h);
  }
  return handles;
}

// The application is named on its own: a path with spaces is never split
// into a program and its arguments. The command line is that path, quoted.
// Returns 0, or the system's error code.
static DWORD StartSelf() {
  if (selfPath.empty()) return ERROR_FILE_NOT_FOUND;
  std::wstring commandLine = L"\"" + selfPath + L"\"";
  std::vector<HANDLE> handles = StandardHandles();
  STARTUPINFOEXW start{};
  start.StartupInfo.cb = sizeof start;
  start.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  start.StartupInfo.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  start.StartupInfo.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  start.StartupInfo.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<char> attributes(size);
  auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
  bool limited =
      !handles.empty() && InitializeProcThreadAttributeList(list, 1, 0, &size) &&
      UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles.data(),
                                handles.size() * sizeof(HANDLE), nullptr, nullptr);
  if (limited) start.lpAttributeList = list;
  PROCESS_INFORMATION process{};
  // Without the list of handles to pass, nothing is inherited at all.
  BOOL started = CreateProcessW(selfPath.c_str(), commandLine.data(), nullptr, nullptr, limited,
                                limited ? EXTENDED_STARTUPINFO_PRESENT : 0, nullptr, nullptr,
                                &start.StartupInfo, &process);
  DWORD error = started ? 0 : GetLastError();
  if (limited) DeleteProcThreadAttributeList(list);
  if (!started) return error != 0 ? error : ERROR_GEN_FAILURE;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}

std::string PlatformRestart() {
  ReadSelfPath();
  // The console text shown before the new instance's, which may begin at once.
  ConsoleDrain(kConsoleDrainMs);
  ReleaseVenue();
  DWORD error = StartSelf();
  if (error == 0) ExitProcess(0);
  // Meanwhile a keeper may have started another instance, which serves the venue.
  if (!PlatformClaimVenue()) ExitProcess(0);
  return ErrorText(error);
}

// Why the start failed, kept for RetryRestart's line; null on success.
static const char* StartSelfReason() {
  static std::string reason;
  DWORD error = StartSelf();
  if (error == 0) return nullptr;
  reason = ErrorText(error);
  return reason.c_str();
}

// Keeps trying to start the new instance, every 10 s, then ends the process
// whatever state it is in: no exit handlers, no unwinding.
static DWORD WINAPI RestartAndEnd(void*) {
  ConsoleDrain(kConsoleDrainMs);
  ReleaseVenue();
  RetryRestart(StartSelfReason);
  TerminateProcess(GetCurrentProcess(), 3);
  return 0;
}

// The restart thread may block on a lock that the faulting thread held (the
// heap's, the console's): after this long the process ends without it, and
// the keeper starts the display program again.
constexpr DWORD kRestartWaitMs = 30000;

// Runs the restart on a fresh thread: the faulting thread may have no stack
// left. Never returns.
[[noreturn]] static void RestartAfterFault() {
  static volatile LONG once = 0;
  if (InterlockedExchange(&once, 1) == 0) {
    HANDLE thread = CreateThread(nullptr, 256 * 1024, RestartAndEnd, nullptr, 0, nullptr);
    if (thread != nullptr) WaitForSingleObject(thread, kRestartWaitMs);
  }
  for (;;) TerminateProcess(GetCurrentProcess(), 3);
}

static LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS*) { RestartAfterFault(); }

static LONG WINAPI OnStackOverflow(EXCEPTION_POINTERS* fault) {
  if (fault->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW) RestartAfterFault();
  return EXCEPTION_CONTINUE_SEARCH;
}

static void OnAbort(int) { RestartAfterFault(); }

void PlatformInstallFaultRestart() {
  ReadSelfPath();
  // No fault dialog waits for a click on an unattended machine.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  ULONG reserve = 32 * 1024;  // stack kept for the handler after an overflow
  SetThreadStackGuarantee(&reserve);
  SetUnhandledExceptionFilter(OnUnhandledException);
  AddVectoredExceptionHandler(1, OnStackOverflow);
  std::set_terminate(RestartAfterFault);
  std::signal(SIGABRT, OnAbort);
}

std::string PlatformGetEnvironment(const char* name) {
  std::wstring wideName = FromUtf8(name);
  DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (size == 0) return "";
  std::wstring value(size, L'\0');
  DWORD n = GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
  value.resize(n < size ? n : 0);
  return ToUtf8(value);
}

// CreateProcessW hands this process's environment block to the new instance.
void PlatformSetEnvironment(const char* name, const std::string& value) {
  SetEnvironmentVariableW(FromUtf8(name).c_str(), FromUtf8(value).c_str());
}
