#include "platform/back_off.h"

#include "platform/platform.h"
#include "platform/print.h"

static constexpr uint32_t kLongestBackOffMs = 5 * 60 * 1000;

uint32_t BackOffMs(uint32_t failures) {
  if (failures == 0) return 0;
  if (failures > 9) return kLongestBackOffMs;  // 2^9 s is past the cap already
  uint32_t ms = 1000u << (failures - 1);
  return ms < kLongestBackOffMs ? ms : kLongestBackOffMs;
}

uint32_t QuickFailures(uint32_t failures, uint32_t started, uint32_t now) {
  if (now - started >= kQuickRunMs) return 0;
  return failures < 1000 ? failures + 1 : failures;
}

void BackOff(uint32_t failures) {
  if (failures == 0) return;
  uint32_t ms = BackOffMs(failures);
  PrintNarrow("\nrestarting in %u s after %u quick failure%s\n", ms / 1000, failures,
              failures == 1 ? "" : "s");
  PlatformSleep(ms);
}
