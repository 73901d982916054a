#include <string>

#include "cycle/cycle.h"
#include "platform/print.h"
#include "showlist/datetime.h"
#include "showlist/prepare.h"
#include "showlist/store.h"
#include "viewer/setters.h"
#include "viewer/transitions.h"

static constexpr unsigned kSlots = 18;
static constexpr double kPlaceOffset = -0.8;

// Today's shows lead the sorted lists, so they are counted from the front.
static int CountTodayShows() {
  DateParts today = GetDateParts(CurrentDateTime());
  int n = showList.names.Size();
  int count = 0;
  for (int k = 0; k < n; ++k)
    if (SameCalendarDay(GetDateParts(showList.dates.At(k)), today)) ++count;
  return count;
}

// A slot's start time goes to the text object of the slot before it.
static void FillSlot(unsigned slot, int entry) {
  std::wstring path = MediaPath(showList.visuals.At(entry));
  if (PictureAllowed(showList.visuals.At(entry), path)) {
    PrintWideProgress(L"\nsetaffiche %ls...", path.c_str());
    SetListAffiche(slot, path);
  }
  PrintProgress("\nsettitle...");
  DateParts start = GetDateParts(showList.dates.At(entry));
  std::wstring time = FromUtf8(FormatText("%u:%2.2u", static_cast<unsigned>(start.hour),
                                          static_cast<unsigned>(start.minute)));
  unsigned textSlot = slot == 0 ? kSlots - 1 : slot - 1;
  SetListText(textSlot, time);
  if (!showList.places.At(entry).empty()) SetListText(textSlot, L"", kPlaceOffset);
}

void PlayProgrammeScene() {
  int todayCount = CountTodayShows();
  if (todayCount == 0) return;
  PrintProgress("\nfadin...");
  FadeIn();
  PrintProgress("\nreload(3)...");
  ReloadScene(L"billora3v");
  int j = 0;
  for (unsigned slot = 0; slot < kSlots; ++slot) {
    FillSlot(slot, j);
    if (++j == todayCount) j = 0;
  }
  RunSceneToEnd(30000);
}
