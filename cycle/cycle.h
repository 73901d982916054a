// The display cycle: reload the lists and find the viewer, then show the
// poster, today's programme, the next shows and one announcement, then stop.
#pragma once

#include <cstdint>
#include <string>

enum CycleState { Reload = 0, Poster = 1, Programme = 2, NextShows = 3, Announcement = 4, Stop = 5 };

struct Cycle {
  CycleState state = Reload;
  bool databaseOpened = false;
  std::string openFailure;  // the reason last shown for "can't open db"
};

// Runs the current state once and stores the next one.
void StepCycle(Cycle& cycle);
// Steps the cycle for ever; leaves only by an exception.
[[noreturn]] void RunCycle();

// Milliseconds of an announcement's duration in seconds: negative and
// not-a-number give 0, durations past the 32-bit range the largest count.
uint32_t DurationToMs(double seconds);

// False, with the skipped-poster line, for a poster name that would leave the
// media folder: its picture is not sent.
bool PictureAllowed(const std::wstring& file, const std::wstring& path);
// The end of every scene, once it is loaded and dressed: "run...", its run
// to the end, and then, unless the viewer's window went meanwhile, `fadeLine`
// when given, the fade out, `afterFadeOut` when given, and the pause ("wait..."
// and an interruptible wait of `pauseMs`, which also ends within a second of
// the viewer going). False when the viewer went during the scene: nothing
// more is sent then.
bool RunSceneToEnd(uint32_t pauseMs, const char* fadeLine = nullptr,
                   void (*afterFadeOut)() = nullptr);

void PlayPosterScene();
void PlayProgrammeScene();
void PlayNextShowsScene();
void PlayAnnouncementScene();
