// The console keyboard mode that PlatformReadKey sets on the terminal.
#pragma once

// Puts the terminal back as it was before the keyboard mode was set; does
// nothing when it is not set. Safe to call more than once and from a signal
// handler. Call it before replacing the process image, which skips atexit.
// The mode is undone by itself at exit and on SIGINT, SIGTERM, SIGHUP,
// SIGQUIT and SIGTSTP, unless another handler was in place for that signal.
void RestoreTerminal();
