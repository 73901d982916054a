// A stand-in for the display program in the restart tests: each generation
// prints its number and process id, leaves an inheritable handle open, and
// fails in the way RESTART_PLAN names for it ('x' exception,
// 'v' access violation, 's' stack overflow, 'd' division by zero, 't'
// std::terminate, 'a' abort; anything else: exit 0).
#include <windows.h>

#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>

#include "platform/platform.h"
#include "platform/print.h"

static volatile int zero = 0;
static volatile bool deeper = true;

static int Recurse(int depth) {
  volatile char frame[4096];
  frame[0] = static_cast<char>(depth);
  return (deeper ? Recurse(depth + 1) : 0) + frame[0];
}

static void Fail(char how) {
  if (how == 'x') throw std::runtime_error("failure");
  if (how == 'v') *static_cast<volatile int*>(nullptr) = 1;
  if (how == 's') Recurse(0);
  if (how == 'd') zero = 7 / zero;
  if (how == 't') std::terminate();
  if (how == 'a') std::abort();
  PrintNarrow("done\n");
  std::exit(0);
}

int main() {
  PlatformInstallFaultRestart();
  try {
    const char* plan = std::getenv("RESTART_PLAN");
    const char* number = std::getenv("RESTART_GENERATION");
    int generation = number ? std::atoi(number) : 0;
    _putenv_s("RESTART_GENERATION", std::to_string(generation + 1).c_str());
    PrintNarrow("generation %d pid %lu\n", generation, GetCurrentProcessId());
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    CreateEventW(&inheritable, TRUE, FALSE, nullptr);  // must not reach the next generation
    Fail(plan && generation < static_cast<int>(std::string(plan).size()) ? plan[generation] : 'e');
  } catch (...) {
  }
  PlatformRestart();
  return 0;
}
