#include "cycle/cycle.h"

#include <string>

#include "cycle/wait.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/print.h"
#include "showlist/database.h"
#include "showlist/loader.h"
#include "showlist/prepare.h"
#include "showlist/store.h"
#include "viewer/channel.h"
#include "viewer/setters.h"
#include "viewer/transitions.h"

// A database that cannot be read is tried again after this pause, so a
// missing file does not make the cycle spin.
static constexpr uint32_t kReloadRetryMs = 1000;
static constexpr uint32_t kViewerRetryMs = 10000;
static constexpr int kPosterRotation = 8;

uint32_t DurationToMs(double seconds) {
  if (!(seconds > 0)) return 0;
  double ms = seconds * 1000.0;
  if (ms >= 4294967295.0) return UINT32_MAX;
  return static_cast<uint32_t>(ms);
}

// Opens the database and rebuilds the lists; false when the pass must start over.
static bool ReloadLists(Cycle& cycle) {
  if (cycle.databaseOpened) CloseShowDatabase();
  PrintProgress("\nReading list...");
  std::string failure;
  if (OpenShowDatabase(&failure) < 0) {
    PrintNarrow("\nFatal, can't open db");
    // The path and the reason once, not at every try of the second.
    if (failure != cycle.openFailure) PrintWide(L"\n%ls", FromUtf8(failure).c_str());
    cycle.openFailure = failure;
    return false;
  }
  cycle.openFailure.clear();
  if (LoadShowList() < 0) {
    CloseShowDatabase();
    PrintNarrow("\nFatal, can't read db");
    return false;
  }
  cycle.databaseOpened = true;
  if (SortShowList() < 0) {
    CloseShowDatabase();
    PrintNarrow("\nNo show");
    return false;
  }
  CheckMedia();
  return true;
}

static void FindViewer() {
  for (;;) {
    viewerWindow = PlatformFindWindow(kViewerClass);
    if (viewerWindow == 0) {
      PrintNarrow("\nCan't find kivo, retry in 10 sec");
    } else if (PlatformSendMessage(viewerWindow, VM_QUERY_DEVICE, 0, 0) != 0) {
      return;
    } else if (PlatformViewerDenied()) {
      PrintNarrow("\nkivo runs as administrator: start billora the same way");
    } else {
      PrintNarrow("\nCan't find hdev, retry in 10 sec");
    }
    PlatformSleep(kViewerRetryMs);
  }
}

bool PictureAllowed(const std::wstring& file, const std::wstring& path) {
  if (NameStaysInFolder(file)) return true;
  PrintWide(L"\rCan't find %ls, skipped", path.c_str());
  return false;
}

// Asking costs no round trip to the viewer: a poll of the socket on Linux, a
// look-up in the window table on Windows.
static bool ViewerGone() { return !PlatformIsWindow(viewerWindow); }

bool RunSceneToEnd(uint32_t pauseMs, const char* fadeLine, void (*afterFadeOut)()) {
  PrintProgress("\nrun...");
  PlatformSendMessage(viewerWindow, VM_RUN, 1, 0);
  WaitSceneEnd();
  if (ViewerGone()) return false;
  if (fadeLine != nullptr) PrintProgress("%s", fadeLine);
  FadeOut();
  if (afterFadeOut != nullptr) afterFadeOut();
  PrintProgress("\nwait...");
  WaitInterruptible(pauseMs, ViewerGone);
  return true;
}

// After a scene the viewer left, the pass goes straight back to Reload, which
// searches for it again, instead of playing on against nothing.
static CycleState NextScene(CycleState next) {
  if (!ViewerGone()) return next;
  PrintNarrow("\nkivo gone");
  return Reload;
}

static void AdvancePosterIndex(int count) {
  ++posterIndex;
  int cap = count < kPosterRotation ? count : kPosterRotation;
  if (static_cast<uint32_t>(posterIndex) >= static_cast<uint32_t>(cap)) posterIndex = 0;
}

void PlayPosterScene() {
  int n = showList.names.Size();
  if (posterIndex < 0 || posterIndex >= n) posterIndex = 0;
  int p = posterIndex;
  PrintProgress("\nfadin...");
  FadeIn();
  PrintProgress("\nreload...");
  ReloadScene(L"billorav");
  std::wstring path = MediaPath(showList.visuals.At(p));
  if (!MediaAvailable(showList.visuals.At(p))) {
    PrintWide(L"\rCan't find %ls, skipped", path.c_str());
    AdvancePosterIndex(n);
    return;
  }
  PrintWideProgress(L"\nsetaffiche %ls...", path.c_str());
  SetAffiche(path);
  PrintWideProgress(L"\nsettitle %ls...", showList.captions.At(p).c_str());
  SetTitle(showList.captions.At(p));
  if (RunSceneToEnd(10000, "\nfadeout...")) AdvancePosterIndex(n);
}

static void AdvanceAnnouncementIndex(int count) {
  ++announcementIndex;
  if (static_cast<uint32_t>(announcementIndex) >= static_cast<uint32_t>(count))
    announcementIndex = 0;
}

// A template named out of its folder, or whose scene path cannot reach the
// viewer, is left out with a console line.
static bool TemplateUsable(const std::wstring& name) {
  std::wstring path = ScenePath(name);
  if (NameStaysInFolder(name) && AtomCanCarry(path)) return true;
  PrintWide(L"\nCan't load %ls, skipped", ConsoleText(path).c_str());
  return false;
}

void PlayAnnouncementScene() {
  int m = showList.templates.Size();
  if (m == 0) return;
  if (announcementIndex < 0 || announcementIndex >= m) announcementIndex = 0;
  int a = announcementIndex;
  if (!TemplateUsable(showList.templates.At(a))) {
    AdvanceAnnouncementIndex(m);
    return;
  }
  PrintProgress("\nfadin...");
  FadeIn();
  PrintWideProgress(L"\nreload(%ls)...", showList.templates.At(a).c_str());
  ReloadScene(showList.templates.At(a));
  PrintProgress("\nwait %gs...", showList.durations.At(a));
  if (RunSceneToEnd(DurationToMs(showList.durations.At(a)))) AdvanceAnnouncementIndex(m);
}

void StepCycle(Cycle& cycle) {
  switch (cycle.state) {
    case Reload:
      if (!ReloadLists(cycle)) {
        PlatformSleep(kReloadRetryMs);
        return;
      }
      FindViewer();
      cycle.state = Poster;
      return;
    case Poster:
      PlayPosterScene();
      cycle.state = NextScene(Programme);
      return;
    case Programme:
      PlayProgrammeScene();
      cycle.state = NextScene(NextShows);
      return;
    case NextShows:
      PlayNextShowsScene();
      cycle.state = NextScene(Announcement);
      return;
    case Announcement:
      PlayAnnouncementScene();
      cycle.state = NextScene(Stop);
      return;
    case Stop:
      PlatformSendMessage(viewerWindow, VM_STOP, 0, 0);
      cycle.state = Reload;
      return;
  }
}

void RunCycle() {
  Cycle cycle;
  for (;;) StepCycle(cycle);
}
