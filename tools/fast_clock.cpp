// fast-clock: preloaded into the display program by tools/soak.sh, it makes
// every sleep SOAK_SPEEDUP times shorter (default 1000) and moves the
// monotonic clock on by the time each sleep left out, so that pauses, fades and
// retries keep their order and their counts in a fraction of the time. The
// calendar clock is left alone.
#include <dlfcn.h>
#include <time.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

static int64_t skippedNs = 0;  // the program has one thread

static int64_t Speedup() {
  static int64_t speedup = [] {
    const char* text = std::getenv("SOAK_SPEEDUP");
    long long value = text ? std::atoll(text) : 0;
    return value >= 1 ? static_cast<int64_t>(value) : int64_t{1000};
  }();
  return speedup;
}

extern "C" int nanosleep(const timespec* request, timespec* remaining) {
  using Sleep = int (*)(const timespec*, timespec*);
  static auto real = reinterpret_cast<Sleep>(dlsym(RTLD_NEXT, "nanosleep"));
  int64_t ns = static_cast<int64_t>(request->tv_sec) * 1000000000 + request->tv_nsec;
  int64_t shortened = ns / Speedup();
  skippedNs += ns - shortened;
  timespec wait{static_cast<time_t>(shortened / 1000000000),
                static_cast<long>(shortened % 1000000000)};
  if (real(&wait, nullptr) != 0 && errno != EINTR) return -1;
  if (remaining) *remaining = timespec{};
  return 0;  // an interrupted sleep counts as done: its time was skipped already
}

extern "C" int clock_gettime(clockid_t clock, timespec* now) {
  using GetTime = int (*)(clockid_t, timespec*);
  static auto real = reinterpret_cast<GetTime>(dlsym(RTLD_NEXT, "clock_gettime"));
  int result = real(clock, now);
  if (result != 0 || (clock != CLOCK_MONOTONIC && clock != CLOCK_MONOTONIC_COARSE)) return result;
  int64_t ns = static_cast<int64_t>(now->tv_nsec) + skippedNs;
  now->tv_sec += static_cast<time_t>(ns / 1000000000);
  now->tv_nsec = static_cast<long>(ns % 1000000000);
  return result;
}
