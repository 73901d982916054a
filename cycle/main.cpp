// The display program: greets the room, prints its banner and runs the
// display cycle for ever. Whatever ends the cycle (an exception, a fatal
// signal) starts a fresh instance of the program in place of this one, after
// a pause when the program keeps failing soon after its start. A venue has
// one display program: a second one ends at once.
#include "cycle/cycle.h"
#include "cycle/restart.h"
#include "platform/platform.h"
#include "platform/print.h"
#include "speech/page_pictures.h"
#include "speech/speak.h"

int main() {
  PlatformPrepareConsole();
  if (!ClaimVenue()) return 1;
  PlatformKeepScreenOn();
  PlatformUsePhysicalPixels();
  PlatformInstallFaultRestart();
  try {
    BackOffQuickRestarts();
    LoadSpeechPictures(SpeechPictureFolder());
    Speak("Coucou");
    PrintNarrow("BILLORA 1.5\n");
    RunCycle();
  } catch (...) {
  }
  RestartProgram();
  return 0;
}
