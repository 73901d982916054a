// A display that fails, copied as billora.exe beside the keeper by
// tests/windows/keeper.sh. The word in display-mode.txt beside it chooses how:
// "die" claims the venue and ends at once, at every start; "hang" claims it,
// beats for 2 s through the platform's sleep, then blocks for ever without a
// beat, as a display stuck in a call.
#include <windows.h>

#include <string>

#include "platform/paths.h"
#include "platform/platform.h"

int main() {
  if (!PlatformClaimVenue()) return 1;
  std::string mode;
  PlatformReadFile(BesideExecutable(L"", L"display-mode.txt"), 100, &mode);
  if (mode.rfind("hang", 0) != 0) return 3;
  for (int i = 0; i < 20; ++i) PlatformSleep(100);
  Sleep(INFINITE);
}
