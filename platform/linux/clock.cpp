#include <cerrno>
#include <ctime>

#include "platform/platform.h"

uint32_t PlatformTicks() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

void PlatformSleep(uint32_t ms) {
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

int64_t PlatformTime() { return static_cast<int64_t>(time(nullptr)); }

bool PlatformLocalTime(int64_t t, std::tm* out) {
  time_t value = static_cast<time_t>(t);
  return localtime_r(&value, out) != nullptr;
}
