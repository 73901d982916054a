// The pause before a start that follows quick failures. The display program's
// own restarts and the keeper's starts of it follow this one rule.
#pragma once

#include <cstdint>

// A run that ends sooner than this counts as a quick failure.
constexpr uint32_t kQuickRunMs = 60 * 1000;

// The pause before the start that follows `failures` quick failures in a row:
// 1 s, doubling, at most 5 minutes; none without a failure.
uint32_t BackOffMs(uint32_t failures);
// The count of quick failures in a row once the run that started at tick
// `started` has ended at tick `now`, `failures` having come before it: one
// more (at most 1000) when it ended within kQuickRunMs, none after a run that
// lasted. Right across a wrap of the tick counter.
uint32_t QuickFailures(uint32_t failures, uint32_t started, uint32_t now);
// Without a failure, nothing. Otherwise says "\nrestarting in <s> s after <n>
// quick failure(s)\n" on the console, once, and waits BackOffMs(failures).
void BackOff(uint32_t failures);
