// The connection to the X server that the screen and input services share.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>

// The display named by $DISPLAY, connected on first use and again once the
// server has gone away; nullptr when there is none. No X error ends the process.
Display* X11Display();
// Why the last X11Display() gave no display, in a few words.
const std::string& X11DisplayProblem();
// Changes whenever X11Display() makes a new connection, so that what was made
// on an earlier one can be dropped.
uint64_t X11Connection();
// Waits until the server has handled every request sent so far and reports
// whether they all went through: false after an X error or when the
// connection was lost. Events that came in are taken off the queue.
bool X11Sync(Display* display);
