#include <string>

#include "cycle/cycle.h"
#include "platform/print.h"
#include "showlist/datetime.h"
#include "showlist/prepare.h"
#include "showlist/store.h"
#include "speech/speak.h"
#include "speech/spoken_text.h"
#include "viewer/setters.h"
#include "viewer/transitions.h"

// The announcement in the page's narrow form, one Latin-1 byte per character.
static std::string SpokenAnnouncement() {
  DateParts now = GetDateParts(CurrentDateTime());
  std::string name1 = ToLatin1(showList.names.At(1));
  std::string caption1 = ToLatin1(showList.captions.At(1));
  std::string name0 = ToLatin1(showList.names.At(0));
  std::string caption0 = ToLatin1(showList.captions.At(0));
  return FormatText("Il est %u:%2.2u, prochains spectacles, %s, %s, %s, %s",
                    static_cast<unsigned>(now.hour), static_cast<unsigned>(now.minute),
                    caption0.c_str(), name0.c_str(), caption1.c_str(), name1.c_str());
}

// Spoken once the scene has faded out, before the pause.
static void SpeakNextShows() {
  PrintNarrow("\nannonce audio...");
  std::string text = SpokenAnnouncement();
  PrepareSpokenText(text);
  Speak(text);
}

void PlayNextShowsScene() {
  if (showList.names.Size() < 2) return;
  PrintNarrow("\nfadin...");
  FadeIn();
  PrintNarrow("\nreload(2)...");
  ReloadScene(L"billora2v");
  std::wstring first = MediaPath(showList.visuals.At(0));
  if (PictureAllowed(showList.visuals.At(0), first)) {
    PrintWide(L"\nsetaffiche1 %ls...", first.c_str());
    SetAffiche1(first);
  }
  PrintWide(L"\nsettitle1 %ls...", showList.captions.At(0).c_str());
  SetTitle1(showList.captions.At(0));
  std::wstring second = MediaPath(showList.visuals.At(1));
  if (PictureAllowed(showList.visuals.At(1), second)) {
    PrintWide(L"\nsetaffiche2 %ls...", second.c_str());
    SetAffiche2(second);
  }
  PrintWide(L"\nsettitle2 %ls...", showList.captions.At(1).c_str());
  SetTitle2(showList.captions.At(1));
  RunSceneToEnd(30000, nullptr, SpeakNextShows);
}
