// The console keyboard mode that PlatformReadKey sets on the terminal.
#pragma once

// Sets the keyboard mode (no echo, no lines, reads that never wait) when
// standard input is a terminal this process owns in the foreground; false
// when it is not, or when the mode cannot be set.
bool SetKeyMode();
// Puts the terminal back as it was before the keyboard mode was set; does
// nothing when it is not set. Safe to call more than once and from a signal
// handler. Call it before replacing the process image, which skips atexit.
// The mode is undone by itself at exit and on SIGINT, SIGTERM, SIGHUP,
// SIGQUIT and SIGTSTP, unless another handler was in place for that signal.
void RestoreTerminal();
