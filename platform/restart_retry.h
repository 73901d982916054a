// The retry of a restart that failed: the same after an escaping exception
// and after a fault, on every system.
#pragma once

#include <cstdint>

constexpr uint32_t kRestartRetryMs = 10000;

// Calls start until it succeeds, which it shows by returning nullptr or by not
// returning at all. After each failure, start having returned the reason in a
// few words, prints "\nCan't restart (<reason>), retry in 10 sec" with
// PlatformConsoleWrite, then waits kRestartRetryMs with PlatformSleep.
// Allocates nothing, so that a fault handler may call it where those two
// calls are safe to make there.
void RetryRestart(const char* (*start)());
