// The display program: greets the room, prints its banner and runs the
// display cycle for ever. Whatever ends the cycle (an exception, a fatal
// signal) starts a fresh instance of the program in place of this one.
#include "cycle/cycle.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "speech/page_pictures.h"
#include "speech/speak.h"

int main() {
  PlatformInstallFaultRestart();
  try {
    LoadSpeechPictures(SpeechPictureFolder());
    Speak("Coucou");
    PrintNarrow("BILLORA 1.5\n");
    RunCycle();
  } catch (...) {
  }
  PlatformRestart();
  return 0;
}
