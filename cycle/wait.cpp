#include "cycle/wait.h"

#include "platform/platform.h"

void WaitInterruptible(uint32_t ms) {
  uint32_t start = PlatformTicks();
  // Unsigned difference: right across a wrap of the tick counter.
  while (PlatformTicks() - start < ms) {
    PlatformSleep(100);
    if (PlatformReadKey() == ' ') return;
  }
}
