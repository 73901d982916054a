// Shared by the input services of platform/linux.
#pragma once

#include <X11/Xlib.h>

// The display when it takes synthetic input (XTest), else nullptr.
Display* InputDisplay();
