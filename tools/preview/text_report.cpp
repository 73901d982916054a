// The preview for a person: the lists as loaded, then each pass step by step.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <ostream>

#include "base/text.h"
#include "platform/platform.h"
#include "platform/wire/messages.h"
#include "showlist/prepare.h"
#include "showlist/store.h"
#include "tools/preview/preview.h"

namespace {

using Row = std::vector<std::string>;
constexpr size_t kWidestColumn = 40;
constexpr char kIndent[] = "            ";  // under the text after a step's time

size_t Width(const std::string& utf8) {
  return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// Rows come from `row`, twice: once to size the columns, once to print, so
// that a list of a year of shows is never held as text.
void WriteTable(std::ostream& out, int count, const std::function<Row(int)>& row,
                const char* indent) {
  std::vector<size_t> widths;
  for (int k = 0; k < count; ++k) {
    Row cells = row(k);
    widths.resize(std::max(widths.size(), cells.size()));
    for (size_t c = 0; c < cells.size(); ++c)
      widths[c] = std::max(widths[c], std::min(Width(cells[c]), kWidestColumn));
  }
  for (int k = 0; k < count; ++k) {
    Row cells = row(k);
    std::string line = indent;
    for (size_t c = 0; c < cells.size(); ++c) {
      line += cells[c];
      if (c + 1 < cells.size())
        line.append(widths[c] + 2 - std::min(Width(cells[c]), widths[c]), ' ');
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << "\n";
  }
}

void WriteTable(std::ostream& out, const std::vector<Row>& rows, const char* indent) {
  WriteTable(
      out, static_cast<int>(rows.size()), [&](int k) { return rows[k]; }, indent);
}

// A poster path as the venue names it: relative to the media folder.
std::string MediaName(const PreviewRun& run, const std::wstring& path) {
  std::string shown = Printable(path);
  return shown.rfind(run.media, 0) == 0 ? shown.substr(run.media.size()) : shown;
}

std::string Clock(const PreviewRun& run, uint64_t ms) {
  std::string local = LocalText(VirtualEpoch(run, ms));
  return local.size() >= 19 ? local.substr(11, 8) : local;
}

// A line the display printed, with the control codes of database texts shown as '?'.
std::string Console(const std::string& line) { return Printable(FromUtf8(line)); }

std::string Plural(size_t count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

const SceneShown* RanScene(const StepRecord& step) {
  for (const SceneShown& scene : step.scenes)
    if (scene.ran) return &scene;
  return nullptr;
}

std::string Text(const SceneShown& scene, const wchar_t* object, uint16_t property) {
  const SceneSetting* s = FindSetting(scene, object, property);
  return s ? Printable(s->value) : "";
}

std::string PosterOf(const PreviewRun& run, const SceneShown& scene, const wchar_t* object) {
  const SceneSetting* s = FindSetting(scene, object, VP_POSTER);
  return s ? MediaName(run, PosterFile(s->value)) : "(none)";
}

void WriteProgramme(std::ostream& out, const PreviewRun& run, const SceneShown& scene) {
  std::vector<ProgrammeSlot> slots = ProgrammeSlots(scene);
  out << "Programme: " << Plural(slots.size(), "slot") << "\n";
  std::vector<Row> rows = {{"slot", "poster", "time", "(in text object)"}};
  for (size_t k = 0; k < slots.size(); ++k)
    rows.push_back({std::to_string(k + 1), MediaName(run, slots[k].poster),
                    Printable(slots[k].time),
                    "(" + Printable(slots[k].textObject) + (slots[k].place ? ", place)" : ")")});
  WriteTable(out, rows, "              ");
}

void WriteNextShows(std::ostream& out, const PreviewRun& run, const StepRecord& step,
                    const SceneShown& scene) {
  out << "Next shows: 1. " << PosterOf(run, scene, L"affiche1") << "  \""
      << Text(scene, L"titre1", 0) << "\"\n"
      << kIndent << "            2. " << PosterOf(run, scene, L"affiche2") << "  \""
      << Text(scene, L"titre2", 0) << "\"\n";
  if (!step.typed.empty())
    out << "  " << Clock(run, step.typedMs) << "  Spoken: \"" << TypedText(step.typed) << "\"\n";
}

void WriteScene(std::ostream& out, const PreviewRun& run, const StepRecord& step) {
  const SceneShown* scene = RanScene(step);
  switch (step.state) {
    case Poster:
      if (scene)
        out << "Poster: " << PosterOf(run, *scene, L"affiche") << "  \""
            << Text(*scene, L"titre", 0) << "\"\n";
      else
        out << "Poster: not shown\n";
      return;
    case Programme:
      if (scene)
        WriteProgramme(out, run, *scene);
      else
        out << "Programme: no show today\n";
      return;
    case NextShows:
      if (scene)
        WriteNextShows(out, run, step, *scene);
      else
        out << "Next shows: fewer than two shows, nothing shown or spoken\n";
      return;
    case Announcement:
      if (scene)
        out << "Announcement: " << Printable(SceneName(scene->path)) << " for " << step.wait
            << " s\n";
      else
        out << "Announcement: no slot in force\n";
      return;
    default:
      return;
  }
}

void WriteReload(std::ostream& out, const StepRecord& step) {
  if (step.reloadFailed) {
    out << "Reload: " << (step.warnings.empty() ? "failed" : Console(step.warnings.back())) << "\n";
    return;
  }
  out << "Reload: " << Plural(static_cast<size_t>(showList.names.Size()), "show") << ", "
      << Plural(static_cast<size_t>(showList.templates.Size()), "announcement slot") << "\n";
}

void WriteStep(std::ostream& out, const PreviewRun& run, const StepRecord& step) {
  bool quiet = step.state == Stop && step.warnings.empty();
  if (quiet) return;
  out << "  " << Clock(run, step.startMs) << "  ";
  if (step.state == Reload)
    WriteReload(out, step);
  else if (step.state == Stop)
    out << "Stop\n";
  else
    WriteScene(out, run, step);
  size_t shown = step.warnings.size();
  if (step.reloadFailed && shown > 0) --shown;  // the failure itself is on the Reload line
  for (size_t k = 0; k < shown; ++k)
    out << kIndent << "printed: " << Console(step.warnings[k]) << "\n";
  for (const SceneShown& scene : step.scenes)
    if (!scene.fileFound)
      out << kIndent << "note: the scene file " << Printable(scene.path) << " is missing\n";
}

}  // namespace

void TextHeader(std::ostream& out, const PreviewRun& run) {
  const char* zone = std::getenv("TZ");
  out << "billora-preview: " << run.database << "\n"
      << "at " << LocalText(run.start) << " ("
      << (zone && *zone ? std::string("TZ=") + zone : std::string("this machine's time zone"))
      << ")\n";
  if (!run.note.empty()) out << "note: " << run.note << "\n";
}

void TextLists(std::ostream& out, const PreviewRun&) {
  int n = showList.names.Size();
  out << "\nShows after load and sort: " << (n ? Plural(n, "occurrence") : "none") << "\n";
  PosterCheck posters;
  auto row = [&](int k) -> Row {
    if (k == 0) return {"#", "date", "name", "caption", "place", "poster"};
    const std::wstring& visual = showList.visuals.At(k - 1);
    return {std::to_string(k),
            DateText(showList.dates.At(k - 1).date),
            Printable(showList.names.At(k - 1)),
            Printable(showList.captions.At(k - 1)),
            Printable(showList.places.At(k - 1)),
            Printable(visual) + (posters.Found(visual) ? "" : " (missing)")};
  };
  if (n) WriteTable(out, n + 1, row, "  ");
  int m = showList.templates.Size();
  out << "\nAnnouncement slots in force: " << (m ? std::to_string(m) : "none") << "\n";
  std::vector<Row> rows;
  for (int k = 0; k < m; ++k)
    rows.push_back({std::to_string(k + 1), Printable(showList.templates.At(k)),
                    FormatText("%g s", showList.durations.At(k))});
  WriteTable(out, rows, "  ");
}

void TextPass(std::ostream& out, const PreviewRun& run, const PassRecord& pass) {
  uint64_t start = pass.steps.empty() ? 0 : pass.steps.front().startMs;
  out << "\nPass " << pass.number << ", from " << LocalText(VirtualEpoch(run, start)) << "\n";
  for (const StepRecord& step : pass.steps) WriteStep(out, run, step);
}

void TextEnd(std::ostream& out, const PreviewRun& run) {
  if (!run.error.empty())
    out << "\nThe display fails here and would restart: " << run.error << "\n";
}
