#include "cycle/about.h"

#include <cstring>
#include <string>

#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/print.h"
#include "platform/wire/messages.h"

static void PrintAbout() {
  PrintNarrow(
      "billora 1.5: the unattended driver of a venue's information display.\n"
      "It reads the programme of shows from list.mdb, plays it in the kivo viewer\n"
      "and speaks the next shows on the text-to-speech page shown on the screen.\n"
      "It takes no options and no configuration: arguments other than --help and\n"
      "--version are ignored. At every start it says \"Coucou\" on the speech page.\n\n");
  PrintWide(L"Its files, in the folder of its executable (%ls):\n", ExecutableDirectory());
  PrintNarrow(
      "  list.mdb     the programme: tables shows and annonces\n"
      "  medias       the poster pictures\n"
      "  templates    the scene files, <scene>.kivo\n"
      "  speech       the pictures of the venue's own speech page, 101.bmp to 105.bmp\n"
      "               (optional: the built-in ones serve without it)\n");
  PrintWide(L"The viewer: %ls.\n\n", FromUtf8(PlatformViewerPlace(kViewerClass)).c_str());
  PrintNarrow("It runs until stopped and starts itself again after any failure.\n");
  PrintNarrow("To stop it: %s\n", PlatformHowToStop().c_str());
}

bool AnswerArguments(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "--version") == 0) {
      PrintAbout();
      return true;
    }
  }
  return false;
}
