// The pause between scenes, which the space bar at the console cuts short.
#pragma once

#include <cstdint>

// Waits `ms` milliseconds in polls of 100 ms, the last one possibly running
// past `ms`; returns at the first poll that reads a space. Other keys are read
// and dropped, one per poll. When `over` is given, it is asked before the
// first poll and then every tenth (about once a second), and the wait ends
// when it answers true.
void WaitInterruptible(uint32_t ms, bool (*over)() = nullptr);
