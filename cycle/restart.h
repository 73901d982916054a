// The two ends of a run of the program: the pause that slows down a program
// failing again and again just after its start, and the restart itself.
#pragma once

#include <cstdint>

// Called first at start: false, with a console line, when another instance of
// the program already runs for this venue; this one must then end.
bool ClaimVenue();
// Called at start. When the previous instance ended less than a minute after
// its own start, counts one more quick failure and waits as BackOff
// (platform/back_off.h) says, saying so on the console; a longer run resets
// the count. The count and this start's time travel to the next instance in
// the environment.
void BackOffQuickRestarts();
// Starts a new instance of the program in place of this one; while that
// fails, says why and tries again every 10 s.
void RestartProgram();
