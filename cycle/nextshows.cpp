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
  PrintProgress("\nannonce audio...");
  std::string text = SpokenAnnouncement();
  PrepareSpokenText(text);
  Speak(text);
}

// Show `number` (1 or 2) into the objects of that number: its poster, unless
// the name would leave the media folder, and its caption.
static void DressShow(int number, void (*setAffiche)(const std::wstring&),
                      void (*setTitle)(const std::wstring&)) {
  const int entry = number - 1;
  std::wstring path = MediaPath(showList.visuals.At(entry));
  if (PictureAllowed(showList.visuals.At(entry), path)) {
    PrintWideProgress(L"\nsetaffiche%d %ls...", number, path.c_str());
    setAffiche(path);
  }
  PrintWideProgress(L"\nsettitle%d %ls...", number, showList.captions.At(entry).c_str());
  setTitle(showList.captions.At(entry));
}

void PlayNextShowsScene() {
  if (showList.names.Size() < 2) return;
  PrintProgress("\nfadin...");
  FadeIn();
  PrintProgress("\nreload(2)...");
  ReloadScene(L"billora2v");
  DressShow(1, SetAffiche1, SetTitle1);
  DressShow(2, SetAffiche2, SetTitle2);
  RunSceneToEnd(30000, nullptr, SpeakNextShows);
}
