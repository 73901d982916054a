// Console keys through termios on standard input: no canonical lines, no
// echo, reads that never wait. The terminal is set up only when this process
// owns it in the foreground, so a background run never reads it, never
// changes it and is never stopped by SIGTTIN or SIGTTOU.
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "platform/linux/terminal.h"
#include "platform/platform.h"

static termios savedMode;
static volatile sig_atomic_t keyMode = 0;  // our mode is (being) set on the terminal
static int keyboard = 0;                   // 1 a terminal, -1 none, 0 not yet known
static bool armed = false;

void RestoreTerminal() {
  if (!keyMode) return;
  // From the background this would otherwise stop the process with SIGTTOU.
  sigset_t block, previous;
  sigemptyset(&block);
  sigaddset(&block, SIGTTOU);
  sigprocmask(SIG_BLOCK, &block, &previous);
  tcsetattr(STDIN_FILENO, TCSANOW, &savedMode);
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  keyMode = 0;  // cleared last: a signal in between restores once more, harmlessly
}

static void SetDisposition(int signal, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(signal, &action, nullptr);
}

static void OnSignal(int signal);

// Stops as the default action would, with the terminal restored; the next
// key read sets the mode again once the process is back in the foreground.
static void Suspend() {
  SetDisposition(SIGTSTP, SIG_DFL);
  raise(SIGTSTP);  // pending until unblocked below, where the process stops
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTSTP);
  sigprocmask(SIG_UNBLOCK, &stop, nullptr);
  SetDisposition(SIGTSTP, OnSignal);
}

static void OnSignal(int signal) {
  int savedErrno = errno;
  RestoreTerminal();
  if (signal == SIGTSTP) {
    Suspend();
    errno = savedErrno;
    return;
  }
  SetDisposition(signal, SIG_DFL);
  raise(signal);  // delivered with its default action once this handler returns
}

static void Arm() {
  std::atexit(RestoreTerminal);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP}) {
    struct sigaction current {};
    sigaction(signal, nullptr, &current);
    // An ignored signal (nohup) or someone else's handler stays as it is.
    if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_DFL)
      SetDisposition(signal, OnSignal);
  }
  armed = true;
}

static bool ChangeTerminalMode() {
  termios mode;
  if (tcgetattr(STDIN_FILENO, &mode) != 0) return false;
  savedMode = mode;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  keyMode = 1;  // set first: a signal from here on restores savedMode
  mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  mode.c_cc[VMIN] = 0;   // reads return at once, with or without a key;
  mode.c_cc[VTIME] = 0;  // O_NONBLOCK is not used, it would reach the shell
  if (tcsetattr(STDIN_FILENO, TCSANOW, &mode) == 0) return true;
  keyMode = 0;
  return false;
}

bool SetKeyMode() {
  if (keyboard == 0) keyboard = isatty(STDIN_FILENO) ? 1 : -1;
  if (keyboard < 0 || tcgetpgrp(STDIN_FILENO) != getpgrp()) return false;
  if (!armed) Arm();
  return keyMode || ChangeTerminalMode();
}

int PlatformReadKey() {
  if (!SetKeyMode()) return -1;
  unsigned char key;
  return read(STDIN_FILENO, &key, 1) == 1 ? key : -1;
}
