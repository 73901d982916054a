#include <sys/time.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "tools/json_string.h"
#include "tools/kivo-standin/standin.h"

static FILE* trace = nullptr;

static int64_t Monotonic() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

int64_t NowMs() {
  static const int64_t start = Monotonic();
  return Monotonic() - start;
}

void OpenTrace(const std::string& path) {
  trace = std::fopen(path.c_str(), "wb");  // the same bytes on every system
  if (trace == nullptr) {
    std::perror(path.c_str());
    std::exit(2);
  }
}

// Flushed line by line: the trace must hold everything up to a vanishing.
void Trace(const std::string& fields) {
  if (trace == nullptr) return;
  std::fprintf(trace, "{\"t_ms\":%lld,%s}\n", static_cast<long long>(NowMs()), fields.c_str());
  std::fflush(trace);
}

std::string Json(const std::string* text) {
  if (text == nullptr) return "null";
  return JsonString(*text);
}

void Say(const char* format, ...) {
  if (options.quiet) return;
  timeval now{};
  gettimeofday(&now, nullptr);
  std::tm local{};
  time_t seconds = now.tv_sec;
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  // Each line begins with its line feed, as the display's own messages do, so
  // that both can share one terminal line by line.
  std::printf("\nkivo %02d:%02d:%02d.%03ld  ", local.tm_hour, local.tm_min, local.tm_sec,
              static_cast<long>(now.tv_usec / 1000));
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fflush(stdout);
}
