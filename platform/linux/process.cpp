#include <linux/close_range.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "platform/linux/terminal.h"
#include "platform/platform.h"

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
// becomes the new instance; no descriptor of ours reaches it.
static void ExecSelf() {
  RestoreTerminal();
  syscall(SYS_close_range, 3u, ~0u, 0u);
  sigset_t all;
  sigemptyset(&all);
  sigprocmask(SIG_SETMASK, &all, nullptr);
  char* argv[] = {selfPath, nullptr};
  if (selfPath[0] != '\0') execve(selfPath, argv, environ);
  execve("/proc/self/exe", argv, environ);
}

static void OnFatalSignal(int signal) {
  for (int fatal : kFatalSignals) {
    struct sigaction reset {};
    reset.sa_handler = SIG_DFL;
    sigaction(fatal, &reset, nullptr);
  }
  ExecSelf();
  _exit(128 + signal);
}

void PlatformRestart() {
  ReadSelfPath();
  ExecSelf();
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
