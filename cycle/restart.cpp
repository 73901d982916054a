#include "cycle/restart.h"

#include <charconv>
#include <string>

#include "platform/back_off.h"
#include "platform/platform.h"
#include "platform/print.h"
#include "platform/restart_retry.h"

static constexpr char kFailuresVariable[] = "BILLORA_QUICK_FAILURES";
static constexpr char kStartedVariable[] = "BILLORA_STARTED_MS";

// A whole decimal number from the environment; false when unset or malformed.
static bool ReadCount(const char* variable, uint32_t* value) {
  std::string text = PlatformGetEnvironment(variable);
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

bool ClaimVenue() {
  if (PlatformClaimVenue()) return true;
  PrintNarrow("\nbillora already runs for this venue");
  return false;
}

void BackOffQuickRestarts() {
  uint32_t started = 0, failures = 0;
  // The tick counter runs across processes, so the previous start is comparable.
  if (ReadCount(kStartedVariable, &started)) {
    ReadCount(kFailuresVariable, &failures);
    failures = QuickFailures(failures, started, PlatformTicks());
  }
  BackOff(failures);
  PlatformSetEnvironment(kFailuresVariable, std::to_string(failures));
  PlatformSetEnvironment(kStartedVariable, std::to_string(PlatformTicks()));
}

// PlatformRestart's reason, kept for RetryRestart's line; null on success.
static const char* RestartReason() {
  static std::string reason;
  reason = PlatformRestart();
  return reason.empty() ? nullptr : reason.c_str();
}

void RestartProgram() { RetryRestart(RestartReason); }
