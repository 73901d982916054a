#include "platform/answer_timeout.h"

#include <cstdlib>

constexpr int kAnswerTimeoutMs = 10000;
constexpr long kLongestAnswerTimeoutMs = 3600000;

int ViewerAnswerTimeoutMs() {
  const char* text = std::getenv("KIVO_REPLY_TIMEOUT_MS");
  long ms = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
  return ms > 0 && ms <= kLongestAnswerTimeoutMs ? static_cast<int>(ms) : kAnswerTimeoutMs;
}
