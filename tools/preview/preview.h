// billora-preview: what the display will show at a given moment, from a
// venue's own list.mdb. It runs the display cycle itself (StepCycle and all
// below it) on the fake platform: a virtual clock set to that moment, a
// simulated viewer whose scenes end at once, a pretend speech page that
// records what is typed, and the venue's real folder for the file tests.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cycle/cycle.h"

// Exit statuses.
constexpr int kPreviewDone = 0;
constexpr int kPreviewFailed = 1;      // nothing previewed: database, moment, failure
constexpr int kPreviewBadOptions = 2;  // the arguments are refused
constexpr int kPreviewAmbiguous = 3;   // previewed, at the first of two equal local times

constexpr int kMaxPasses = 1000;

struct PreviewOptions {
  std::optional<std::string> at;  // the local moment as written; none: now
  int passes = 1;
  bool json = false;
  bool help = false;
  std::string target;  // a venue folder or its list.mdb; empty: the program's own folder
};

// options.cpp: "" and the options, or why the arguments are refused.
std::string ParsePreviewOptions(const std::vector<std::string>& args, PreviewOptions* options);
extern const char kPreviewUsage[];

// moment.cpp: a local moment in the machine's time zone (or TZ).
struct Moment {
  int64_t epoch = 0;     // calendar time, whole seconds
  std::string error;     // set when there is no such moment
  bool badText = false;  // the error is about the writing, not the time zone
  std::string note;      // set when the local time occurs twice: which one was taken
};
// `text` as --at takes it; `now` gives the day of "today", "tomorrow" and the
// weekdays.
Moment ResolveMoment(const std::string& text, int64_t now);
std::string LocalText(int64_t epoch);  // "YYYY-MM-DD HH:MM:SS+HH:MM"

// viewer.cpp: the simulated viewer and what it received.
struct ViewerOp {  // one message, or a run of fade steps on one object
  uint32_t message = 0;
  std::wstring first, second, value;  // atom texts; empty: no atom
  uint16_t property = 0;
  int32_t result = 0;
  int fadeSteps = 0;  // a fade: `second` holds the first level, `value` the last
};
struct SceneSetting {
  std::wstring object;
  uint16_t property = 0;  // 0: a text given to the object
  std::wstring value;
};
struct SceneShown {
  std::wstring path;
  bool fileFound = false;
  bool ran = false;
  uint64_t runMs = 0;  // virtual time of VM_RUN
  std::vector<SceneSetting> settings;
};
void StartSimulatedViewer();
// What the viewer received since the last call.
std::vector<ViewerOp> TakeViewerOps();
std::vector<SceneShown> TakeScenes();
// Puts the speech page on the fake screen so that the announcement is typed.
void ShowSpeechPage();

// simulation.cpp: one state of the cycle as the preview saw it.
struct StepRecord {
  CycleState state = Reload;
  uint64_t startMs = 0;
  bool reloadFailed = false;
  std::vector<std::string> warnings;  // console lines that report no progress
  std::vector<SceneShown> scenes;
  std::string typed;       // the bytes typed into the speech page
  bool spoke = false;      // the speech step ran
  std::string speechLine;  // "SPEAK(...)OK" as printed
  uint64_t typedMs = 0;
  std::string wait;  // an announcement's duration as printed
};
struct PassRecord {
  int number = 0;
  std::vector<StepRecord> steps;
  std::vector<ViewerOp> viewer;
};
struct PreviewRun {
  std::string database;  // full path of list.mdb
  std::string media;     // the media folder, with its final '/'
  int64_t start = 0;
  std::string note;   // the local time occurs twice: which one was taken
  std::string error;  // the display failed: it would restart
};

// Virtual time since the start of the preview as a local moment.
int64_t VirtualEpoch(const PreviewRun& run, uint64_t ms);

// text_report.cpp and json_report.cpp, called in this order.
void TextHeader(std::ostream& out, const PreviewRun& run);
void TextLists(std::ostream& out, const PreviewRun& run);
void TextPass(std::ostream& out, const PreviewRun& run, const PassRecord& pass);
void TextEnd(std::ostream& out, const PreviewRun& run);
void JsonHeader(std::ostream& out, const PreviewRun& run);
void JsonLists(std::ostream& out, const PreviewRun& run);
void JsonPass(std::ostream& out, const PreviewRun& run, const PassRecord& pass);
void JsonEnd(std::ostream& out, const PreviewRun& run);

// Shared by both reports.
std::string Printable(const std::wstring& text);     // UTF-8, control codes as '?'
std::string TypedText(const std::string& latin1);    // the typed bytes as UTF-8
std::string DateText(double oleDate);                // "YYYY-MM-DD HH:MM:SS"
std::wstring SceneName(const std::wstring& path);    // ".../templates/<name>.kivo" -> name
std::wstring PosterFile(const std::wstring& value);  // the file of a poster property
const SceneSetting* FindSetting(const SceneShown& scene, const std::wstring& object,
                                uint16_t property);
// The programme scene slot by slot: a poster, then the texts that follow it.
struct ProgrammeSlot {
  std::wstring poster;      // the full path
  std::wstring time;        // the first text after the poster
  std::wstring textObject;  // the object that received it
  bool place = false;       // the text was moved for a place
};
std::vector<ProgrammeSlot> ProgrammeSlots(const SceneShown& scene);
// Whether the poster file of a visual exists; each name is asked once per call
// of the lists, since many occurrences share one poster.
struct PosterCheck {
  std::map<std::wstring, bool> known;
  bool Found(const std::wstring& visual);
};

// The whole program; `ownFolder` is the folder of the running executable.
int RunPreview(const std::vector<std::string>& args, const std::string& ownFolder,
               std::ostream& out, std::ostream& err);
