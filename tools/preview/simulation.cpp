// The preview itself: the display cycle, step by step, on the fake platform,
// with what each step printed, showed and typed gathered for the reports.
#include <chrono>
#include <filesystem>
#include <ostream>
#include <unordered_map>

#include "platform/database.h"
#include "platform/fake/fake_platform.h"
#include "base/text.h"
#include "showlist/database.h"
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

// Why the display cannot open its database, in the reader's own words.
std::string OpenFailure(const std::string& database) {
  if (!AskFolder(FromUtf8(database))) return database + ": no such file";
  try {
    Database probe;
    probe.Open(database);
  } catch (const DatabaseError& e) {
    return e.what();
  }
  return database + ": the database cannot be opened";
}

// A console line reports progress when it ends in "..."; the speech step's
// line is kept apart; every other line is a warning.
void SortConsole(const std::string& console, StepRecord& step) {
  size_t begin = 0;
  while (begin < console.size()) {
    size_t end = console.find_first_of("\r\n", begin);
    if (end == std::string::npos) end = console.size();
    std::string line = console.substr(begin, end - begin);
    begin = end + 1;
    size_t speak = line.find("SPEAK(");
    if (speak != std::string::npos) {
      step.spoke = true;
      step.speechLine = line.substr(speak);
      line.resize(speak);
    }
    if (line.rfind("wait ", 0) == 0 && line.size() > 9 && line.ends_with("s..."))
      step.wait = line.substr(5, line.size() - 9);
    if (!line.empty() && !line.ends_with("...")) step.warnings.push_back(line);
  }
  if (step.spoke && !step.speechLine.ends_with(")OK")) step.warnings.push_back(step.speechLine);
}

// The bytes typed into the speech page, and when, from the fake's events.
void FindTyping(StepRecord& step) {
  uint64_t at = step.startMs;
  for (const std::string& event : fake.events) {
    if (event.rfind("sleep ", 0) == 0) at += std::stoull(event.substr(6));
    if (event.rfind("chars ", 0) == 0) {
      step.typed += event.substr(6);
      step.typedMs = at;
    }
  }
}

StepRecord Step(Cycle& cycle) {
  StepRecord step;
  step.state = cycle.state;
  step.startMs = fake.nowMs;
  StepCycle(cycle);
  step.reloadFailed = step.state == Reload && cycle.state == Reload;
  SortConsole(FakeTakeConsole(), step);
  FindTyping(step);
  step.scenes = TakeScenes();
  // The fake keeps every message and event; a long preview must not.
  fake.messages.clear();
  fake.events.clear();
  fake.channelLog.clear();
  return step;
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
  StartSimulatedViewer();
  ShowSpeechPage();
  showList = ShowList();
  posterIndex = announcementIndex = 0;
  viewerWindow = 0;
}

// Why the first reload could not read the database; "" when it could (an
// empty programme is a result, not a failure).
std::string DatabaseFailure(const PreviewRun& run, const StepRecord& reload) {
  std::string line = reload.warnings.empty() ? "" : reload.warnings.back();
  if (!reload.reloadFailed) return "";
  if (line.rfind("Fatal, can't open db", 0) == 0) return OpenFailure(run.database);
  if (line.rfind("Fatal, can't read db", 0) == 0)
    return run.database + ": the display cannot read its tables shows and annonces (it prints \"" +
           line + "\")";
  return "";
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
        if (std::string why = DatabaseFailure(run, pass.steps.front()); !why.empty()) {
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
  Moment moment;
  if (options.at) {
    moment = ResolveMoment(*options.at);
  } else {
    auto now = std::chrono::system_clock::now().time_since_epoch();
    moment.epoch = std::chrono::duration_cast<std::chrono::seconds>(now).count();
  }
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
