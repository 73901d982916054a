// The preview itself: the display cycle, step by step, on the fake platform,
// with what each step printed, showed and typed gathered for the reports.
#include <chrono>
#include <filesystem>
#include <ostream>
#include <unordered_map>

#include "base/text.h"
#include "platform/database.h"
#include "platform/fake/fake_platform.h"
#include "platform/wire/messages.h"
#include "showlist/database.h"
#include "showlist/loader.h"
#include "showlist/store.h"
#include "tools/preview/preview.h"
#include "viewer/channel.h"

namespace fs = std::filesystem;

namespace {

fs::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const fs::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

bool AskFolder(const std::wstring& path) {
  std::error_code ignored;
  return fs::exists(PathOf(ToUtf8(path)), ignored);
}

// The venue's files as they are when the preview starts: a long programme
// asks for the same few posters hundreds of thousands of times.
std::unordered_map<std::wstring, bool> knownFiles;

bool RealFileExists(const std::wstring& path) {
  auto [it, added] = knownFiles.try_emplace(path, false);
  if (added) it->second = AskFolder(path);
  return it->second;
}

// The venue folder as the display would see its own: absolute, links resolved.
std::string VenueFolder(const std::string& target, std::string* why) {
  std::error_code error;
  fs::path path = PathOf(target);
  fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) {
    *why = target + ": no such folder or file";
    return "";
  }
  if (!fs::is_directory(status)) {
    if (path.filename() != "list.mdb") {
      *why = target + ": the display reads only a file named list.mdb; give it or its folder";
      return "";
    }
    path = path.parent_path().empty() ? fs::path(".") : path.parent_path();
  }
  return Utf8Of(fs::canonical(path, error));
}

// The step being run, gathered from the fake's events as they come.
struct StepWatch {
  StepRecord step;
  std::string line;       // the console line being written
  size_t writeStart = 0;  // where the last console write began in it
  bool progress = false;  // the line was begun by a step of the cycle, not a message
  bool speaking = false;  // the line is the speech driver's
  bool played = false;    // a button was pressed after the last screen capture
};
StepWatch watch;

// Lines that are no step of the cycle are reported as the display printed them.
void EndLine() {
  if (watch.speaking)
    watch.step.speechLine = watch.line;
  else if (!watch.line.empty() && !watch.progress)
    watch.step.warnings.push_back(watch.line);
  watch.line.clear();
  watch.speaking = false;
}

void Append(std::string_view text, bool progress) {
  if (watch.line.empty() && !text.empty()) watch.progress = progress;
  watch.line.append(text);
}

// Splitting at line feeds and carriage returns follows the terminal's layout
// of the text; its words are never read.
void Write(std::string_view text, bool progress) {
  watch.writeStart = watch.line.size();
  for (size_t end; (end = text.find_first_of("\r\n")) != std::string_view::npos;) {
    Append(text.substr(0, end), progress);
    EndLine();
    watch.writeStart = 0;
    text.remove_prefix(end + 1);
  }
  Append(text, progress);
}

// The speech driver writes its opening, then looks at the screen first of
// all: from that write on, the line is its own.
void Captured() {
  watch.played = false;
  if (watch.step.spoke) return;
  watch.step.spoke = true;
  std::string opening = watch.line.substr(watch.writeStart);
  watch.line.resize(watch.writeStart);
  EndLine();
  watch.line = opening;
  watch.writeStart = 0;
  watch.speaking = true;
}

void Observe(const FakeEvent& e) {
  switch (e.kind) {
    case FakeEventKind::Console:
      Write(e.text, e.progress);
      return;
    case FakeEventKind::Capture:
      Captured();
      return;
    case FakeEventKind::Button:
      watch.played |= e.down;
      return;
    case FakeEventKind::Type:
      watch.step.typed += e.text;
      watch.step.typedMs = e.atMs;
      return;
    case FakeEventKind::Send:
      // The duration of the slot being run, which the display has just printed.
      if (e.message->message == VM_RUN && watch.step.state == Announcement)
        watch.step.wait = FormatText("%g", showList.durations.At(announcementIndex));
      return;
    default:
      return;
  }
}

StepRecord Step(Cycle& cycle) {
  watch = StepWatch();
  watch.step.state = cycle.state;
  watch.step.startMs = fake.nowMs;
  StepCycle(cycle);
  EndLine();
  // Speech that found no play button to press failed: its line is a warning.
  if (watch.step.spoke && !watch.played) watch.step.warnings.push_back(watch.step.speechLine);
  watch.step.reloadFailed = watch.step.state == Reload && cycle.state == Reload;
  watch.step.scenes = TakeScenes();
  // The fake keeps every message, event and console text; a long preview must not.
  fake.messages.clear();
  fake.events.clear();
  fake.channelLog.clear();
  fake.console.clear();
  return std::move(watch.step);
}

// One pass: Reload up to the Stop that ends it, or a Reload that failed.
PassRecord Pass(Cycle& cycle, int number) {
  PassRecord pass;
  pass.number = number;
  do {
    pass.steps.push_back(Step(cycle));
  } while (cycle.state != Reload);
  pass.viewer = TakeViewerOps();
  return pass;
}

void SetUpPlatform(const std::string& folder, int64_t start) {
  FakeReset();
  fake.exePath = FromUtf8(folder + "/billora");
  fake.epochBase = start;
  knownFiles.clear();
  fake.fileExists = RealFileExists;
  fake.observer = Observe;
  StartSimulatedViewer();
  ShowSpeechPage();
  showList = ShowList();
  posterIndex = announcementIndex = 0;
  viewerWindow = 0;
}

// Why the first reload could not use the database, found by opening and
// reading it again as the display does; "" when the display read it (an empty
// programme is a result, not a failure).
std::string DatabaseFailure(const PreviewRun& run, const Cycle& cycle, const StepRecord& reload) {
  if (!reload.reloadFailed || cycle.databaseOpened) return "";
  std::string why;
  bool opens = OpenShowDatabase(&why) == 0;
  bool reads = opens && LoadShowList() == 0;
  CloseShowDatabase();
  if (!opens) return why;
  if (reads) return run.database + ": the database cannot be opened";
  std::string line = reload.warnings.empty() ? "" : reload.warnings.back();
  return run.database + ": the display cannot read its tables shows and annonces (it prints \"" +
         line + "\")";
}

using Writer = void (*)(std::ostream&, const PreviewRun&);
using PassWriter = void (*)(std::ostream&, const PreviewRun&, const PassRecord&);

int Simulate(PreviewRun& run, const PreviewOptions& options, std::ostream& out, std::ostream& err) {
  Writer header = options.json ? JsonHeader : TextHeader;
  Writer lists = options.json ? JsonLists : TextLists;
  PassWriter writePass = options.json ? JsonPass : TextPass;
  Writer end = options.json ? JsonEnd : TextEnd;
  Cycle cycle;
  bool started = false;
  try {
    for (int number = 1; number <= options.passes; ++number) {
      PassRecord pass = Pass(cycle, number);
      if (number == 1) {
        if (std::string why = DatabaseFailure(run, cycle, pass.steps.front()); !why.empty()) {
          err << "billora-preview: " << why << "\n";
          return kPreviewFailed;
        }
        header(out, run);
        lists(out, run);
        started = true;
      }
      writePass(out, run, pass);
    }
  } catch (const std::exception& e) {
    run.error = e.what();
  }
  if (started) end(out, run);
  CloseShowDatabase();
  if (!run.error.empty()) {
    err << "billora-preview: the display fails here and would restart (" << run.error << ")\n";
    return kPreviewFailed;
  }
  return run.note.empty() ? kPreviewDone : kPreviewAmbiguous;
}

}  // namespace

int64_t VirtualEpoch(const PreviewRun& run, uint64_t ms) {
  return run.start + static_cast<int64_t>(ms / 1000);
}

int RunPreview(const std::vector<std::string>& args, const std::string& ownFolder,
               std::ostream& out, std::ostream& err) {
  PreviewOptions options;
  if (std::string why = ParsePreviewOptions(args, &options); !why.empty()) {
    err << "billora-preview: " << why << " (see --help)\n";
    return kPreviewBadOptions;
  }
  if (options.help) {
    out << kPreviewUsage;
    return kPreviewDone;
  }
  std::string why;
  std::string folder = VenueFolder(options.target.empty() ? ownFolder : options.target, &why);
  if (folder.empty()) {
    err << "billora-preview: " << why << "\n";
    return kPreviewFailed;
  }
  auto clock = std::chrono::system_clock::now().time_since_epoch();
  int64_t now = std::chrono::duration_cast<std::chrono::seconds>(clock).count();
  Moment moment;
  if (options.at)
    moment = ResolveMoment(*options.at, now);
  else
    moment.epoch = now;
  if (!moment.error.empty()) {
    err << "billora-preview: " << moment.error << "\n";
    return moment.badText ? kPreviewBadOptions : kPreviewFailed;
  }
  if (!moment.note.empty()) err << "billora-preview: " << moment.note << "\n";
  PreviewRun run;
  run.database = folder + "/list.mdb";
  run.media = folder + "/medias/";
  run.start = moment.epoch;
  run.note = moment.note;
  SetUpPlatform(folder, moment.epoch);
  return Simulate(run, options, out, err);
}
