#include "platform/restart_retry.h"

#include "platform/platform.h"

static_assert(kRestartRetryMs == 10000, "the line says 10 sec");

// Copies text into line from `at`, up to `end`; returns where it stopped.
static size_t Append(char* line, size_t at, size_t end, const char* text) {
  while (at < end && *text != '\0') line[at++] = *text++;
  return at;
}

void RetryRestart(const char* (*start)()) {
  static constexpr char kAfter[] = "), retry in 10 sec";
  for (const char* reason; (reason = start()) != nullptr;) {
    char line[512];  // the line in one write; a reason is far shorter
    size_t n = Append(line, 0, sizeof line, "\nCan't restart (");
    n = Append(line, n, sizeof line - (sizeof kAfter - 1), reason);
    n = Append(line, n, sizeof line, kAfter);
    PlatformConsoleWrite(std::string_view(line, n));
    PlatformSleep(kRestartRetryMs);
  }
}
