// A stand-in for the display program in restart tests: each generation prints
// a line, leaves a descriptor open and a raw terminal behind, and fails in the
// way RESTART_PLAN names for it ('x' exception, 's' SIGSEGV, 'a' abort,
// anything else: exit 0).
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "cycle/restart.h"
#include "platform/platform.h"
#include "platform/print.h"

static int OpenDescriptors() {
  int count = 0;
  for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count - 1;  // the iterator's own
}

static void Fail(char how) {
  if (how == 'x') throw std::runtime_error("failure");
  if (how == 's') std::raise(SIGSEGV);
  if (how == 'a') std::abort();
  std::exit(0);
}

int main() {
  PlatformInstallFaultRestart();
  try {
    const char* plan = std::getenv("RESTART_PLAN");
    int generation = std::atoi(std::getenv("RESTART_GENERATION") ? std::getenv("RESTART_GENERATION") : "0");
    setenv("RESTART_GENERATION", std::to_string(generation + 1).c_str(), 1);
    PrintNarrow("generation %d pid %d fds %d\n", generation, getpid(), OpenDescriptors());
    open("/dev/null", O_RDONLY);  // deliberately without O_CLOEXEC
    PlatformReadKey();            // puts a terminal into raw mode
    Fail(plan && generation < static_cast<int>(std::string(plan).size()) ? plan[generation] : 'e');
  } catch (...) {
  }
  RestartProgram();
  return 0;
}
