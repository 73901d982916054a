#include "cycle/wait.h"

#include "platform/platform.h"

static constexpr int kPollsPerCheck = 10;

void WaitInterruptible(uint32_t ms, bool (*over)()) {
  uint32_t start = PlatformTicks();
  // Unsigned difference: right across a wrap of the tick counter.
  for (int poll = 0; PlatformTicks() - start < ms; ++poll) {
    if (over != nullptr && poll % kPollsPerCheck == 0 && over()) return;
    PlatformSleep(100);
    if (PlatformReadKey() == ' ') return;
  }
}
