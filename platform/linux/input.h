// Shared by the input services of platform/linux.
#pragma once

#include <X11/Xlib.h>

// The display when it takes synthetic input (XTest), else nullptr.
Display* InputDisplay();
// True when typed keys reach the top-level window at the screen point (x, y):
// it has the keyboard focus, or the focus follows the pointer.
bool KeysReachPoint(Display* d, int x, int y);
