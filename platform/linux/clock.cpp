#include <cerrno>
#include <ctime>

#include "platform/linux/heartbeat.h"
#include "platform/platform.h"

// A long pause (a back-off of minutes) beats at least this often.
constexpr uint32_t kLongestStepMs = 10000;

uint32_t PlatformTicks() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

static void SleepStep(uint32_t ms) {
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

void PlatformSleep(uint32_t ms) {
  do {
    Heartbeat();
    uint32_t step = ms < kLongestStepMs ? ms : kLongestStepMs;
    SleepStep(step);
    ms -= step;
  } while (ms > 0);
}

int64_t PlatformTime() { return static_cast<int64_t>(time(nullptr)); }

bool PlatformLocalTime(int64_t t, std::tm* out) {
  time_t value = static_cast<time_t>(t);
  return localtime_r(&value, out) != nullptr;
}
