#include <linux/close_range.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/linux/heartbeat.h"
#include "platform/linux/terminal.h"
#include "platform/platform.h"
#include "platform/restart_retry.h"

extern char** environ;

// Filled before any fault can happen, so the signal handler only reads it.
static char selfPath[PATH_MAX + 1];
static const int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

static void ReadSelfPath() {
  if (selfPath[0] != '\0') return;
  ssize_t n = readlink("/proc/self/exe", selfPath, PATH_MAX);
  if (n <= 0) n = 0;
  selfPath[n] = '\0';
}

// Async-signal-safe: the same process (its id, its terminal, its supervisor)
// becomes the new instance; no descriptor of ours reaches it. Returns the
// error of the first attempt when neither path could be started.
static int ExecSelf() {
  RestoreTerminal();
  syscall(SYS_close_range, 3u, ~0u, 0u);
  sigset_t all;
  sigemptyset(&all);
  sigprocmask(SIG_SETMASK, &all, nullptr);
  char* argv[] = {selfPath, nullptr};
  int error = ENOENT;
  if (selfPath[0] != '\0') {
    execve(selfPath, argv, environ);
    error = errno;
  }
  execve("/proc/self/exe", argv, environ);
  return selfPath[0] != '\0' ? error : errno;
}

// Why the start failed: a static text, safe to take in a signal handler.
static const char* ExecSelfReason() {
  const char* reason = strerrordesc_np(ExecSelf());
  return reason ? reason : "unknown error";
}

// A fault leaves the process in no state to go back to: its handler keeps
// trying to start the new instance, every 10 s, for ever. RetryRestart
// allocates nothing, and this system's PlatformConsoleWrite and PlatformSleep
// are loops of write and nanosleep, which are async-signal-safe; the
// heartbeat, stopped first, sends nothing more.
static void OnFatalSignal(int) {
  StopHeartbeat();
  for (int fatal : kFatalSignals) {
    struct sigaction reset {};
    reset.sa_handler = SIG_DFL;
    sigaction(fatal, &reset, nullptr);
  }
  RetryRestart(ExecSelfReason);
}

std::string PlatformRestart() {
  ReadSelfPath();
  return ExecSelfReason();
}

std::string PlatformGetEnvironment(const char* name) {
  const char* value = getenv(name);
  return value ? value : "";
}

void PlatformSetEnvironment(const char* name, const std::string& value) {
  setenv(name, value.c_str(), 1);
}

// A stack of its own lets the handler run after a stack overflow too.
static void InstallAlternateStack() {
  static char stack[64 * 1024];
  stack_t alternate{};
  alternate.ss_sp = stack;
  alternate.ss_size = sizeof stack;
  sigaltstack(&alternate, nullptr);
}

void PlatformInstallFaultRestart() {
  ReadSelfPath();
  InstallAlternateStack();
  struct sigaction action {};
  action.sa_handler = OnFatalSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_NODEFER | SA_ONSTACK;
  for (int fatal : kFatalSignals) sigaction(fatal, &action, nullptr);
}
