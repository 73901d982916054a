// The preview as one JSON document (docs/preview.md), written piece by piece
// as the passes run.
#include <cstdlib>
#include <ostream>

#include "base/text.h"
#include "platform/platform.h"
#include "platform/wire/messages.h"
#include "showlist/prepare.h"
#include "showlist/store.h"
#include "tools/json_string.h"
#include "tools/preview/preview.h"

namespace {

std::string Str(const std::wstring& text) { return JsonString(ToUtf8(text)); }
std::string Str(const std::string& utf8) { return JsonString(utf8); }

// An atom's text, or null for a word that named no atom.
std::string Atom(const std::wstring& text) { return text.empty() ? "null" : Str(text); }

std::string Bool(bool value) { return value ? "true" : "false"; }

std::string At(const PreviewRun& run, uint64_t ms) { return Str(LocalText(VirtualEpoch(run, ms))); }

std::string List(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t k = 0; k < items.size(); ++k) out += (k ? "," : "") + items[k];
  return out + "]";
}

std::string Warnings(const std::vector<std::string>& lines) {
  std::vector<std::string> items;
  for (const std::string& line : lines) items.push_back(Str(line));
  return List(items);
}

const char* MessageName(uint32_t number) {
  static const char* const names[] = {
      "VM_LOAD_SCENE",     "VM_QUERY_DEVICE",  "VM_SET_TEXT", "VM_SET_PROPERTY",
      "VM_QUERY_FINISHED", "VM_SELECT_OBJECT", "VM_RUN",      "VM_STOP"};
  return number >= VM_LOAD_SCENE && number <= VM_STOP ? names[number - VM_LOAD_SCENE] : "unknown";
}

// The fields of the viewer's own trace: atom texts by their role.
std::string Op(const ViewerOp& op) {
  if (op.fadeSteps > 0)
    return "{\"name\":\"fade\",\"object\":" + Atom(op.first) + ",\"from\":" + Atom(op.second) +
           ",\"to\":" + Atom(op.value) + ",\"steps\":" + std::to_string(op.fadeSteps) + "}";
  std::string fields;
  if (op.message == VM_LOAD_SCENE) fields = ",\"path\":" + Atom(op.first);
  if (op.message == VM_SET_TEXT)
    fields = ",\"text\":" + Atom(op.first) + ",\"font\":" + Atom(op.second);
  if (op.message == VM_SELECT_OBJECT) fields = ",\"object\":" + Atom(op.first);
  if (op.message == VM_SET_PROPERTY)
    fields = ",\"object\":" + Atom(op.first) + ",\"property\":" + std::to_string(op.property) +
             ",\"value\":" + Atom(op.value);
  return "{\"name\":\"" + std::string(MessageName(op.message)) + "\"" + fields +
         ",\"result\":" + std::to_string(op.result) + "}";
}

const SceneShown* RanScene(const StepRecord& step) {
  for (const SceneShown& scene : step.scenes)
    if (scene.ran) return &scene;
  return nullptr;
}

std::string Setting(const SceneShown& scene, const wchar_t* object, uint16_t property) {
  const SceneSetting* s = FindSetting(scene, object, property);
  if (!s) return "null";
  return Str(property == VP_POSTER ? PosterFile(s->value) : s->value);
}

std::string Pair(const SceneShown& scene, const wchar_t* poster, const wchar_t* title) {
  return "{\"poster\":" + Setting(scene, poster, VP_POSTER) +
         ",\"caption\":" + Setting(scene, title, 0) + "}";
}

std::string Slots(const SceneShown& scene) {
  std::vector<std::string> items;
  int number = 0;
  for (const ProgrammeSlot& slot : ProgrammeSlots(scene))
    items.push_back("{\"slot\":" + std::to_string(++number) + ",\"poster\":" + Str(slot.poster) +
                    ",\"time\":" + Str(slot.time) + ",\"text_object\":" + Str(slot.textObject) +
                    ",\"place\":" + Bool(slot.place) + "}");
  return List(items);
}

// What the scene of a step showed; "" when it showed none.
std::string SceneFields(const StepRecord& step, const SceneShown& scene) {
  switch (step.state) {
    case Poster:
      return ",\"poster\":" + Setting(scene, L"affiche", VP_POSTER) +
             ",\"caption\":" + Setting(scene, L"titre", 0);
    case Programme:
      return ",\"slots\":" + Slots(scene);
    case NextShows:
      return ",\"first\":" + Pair(scene, L"affiche1", L"titre1") +
             ",\"second\":" + Pair(scene, L"affiche2", L"titre2");
    case Announcement:
      return ",\"template\":" + Str(SceneName(scene.path)) +
             ",\"duration\":" + (step.wait.empty() ? "null" : step.wait);
    default:
      return "";
  }
}

std::string Speech(const PreviewRun& run, const StepRecord& step) {
  if (!step.spoke) return "";
  return ",\"speech\":{\"at\":" + At(run, step.typedMs) +
         ",\"typed\":" + (step.typed.empty() ? "null" : Str(TypedText(step.typed))) +
         ",\"console\":" + Str(step.speechLine) + "}";
}

std::string Step(const PreviewRun& run, const StepRecord& step) {
  std::string out = "{\"at\":" + At(run, step.startMs);
  if (step.state == Reload) {
    out += ",\"ok\":" + Bool(!step.reloadFailed);
    if (!step.reloadFailed)
      out += ",\"shows\":" + std::to_string(showList.names.Size()) +
             ",\"slots\":" + std::to_string(showList.templates.Size());
  } else if (step.state != Stop) {
    const SceneShown* scene = RanScene(step);
    out += ",\"shown\":" + Bool(scene != nullptr);
    if (scene) out += ",\"scene\":" + Str(scene->path) + SceneFields(step, *scene);
    if (step.state == NextShows) out += Speech(run, step);
  }
  std::vector<std::string> missing;
  for (const SceneShown& scene : step.scenes)
    if (!scene.fileFound) missing.push_back(Str(scene.path));
  if (!missing.empty()) out += ",\"missing_scene_files\":" + List(missing);
  return out + ",\"warnings\":" + Warnings(step.warnings) + "}";
}

const char* StateKey(CycleState state) {
  static const char* const keys[] = {"reload",     "poster",       "programme",
                                     "next_shows", "announcement", "stop"};
  return keys[state];
}

}  // namespace

void JsonHeader(std::ostream& out, const PreviewRun& run) {
  const char* zone = std::getenv("TZ");
  out << "{\n\"program\":\"billora-preview\",\n\"database\":" << Str(run.database)
      << ",\n\"media\":" << Str(run.media) << ",\n\"start\":{\"local\":" << At(run, 0)
      << ",\"epoch\":" << run.start << ",\"tz\":" << (zone ? Str(std::string(zone)) : "null")
      << ",\"ambiguous\":" << (run.note.empty() ? "null" : Str(run.note)) << "},\n";
}

void JsonLists(std::ostream& out, const PreviewRun&) {
  out << "\"shows\":[";
  PosterCheck posters;
  for (int k = 0; k < showList.names.Size(); ++k) {
    const std::wstring& visual = showList.visuals.At(k);
    std::wstring path = MediaPath(visual);
    out << (k ? ",\n " : "\n ") << "{\"date\":" << Str(DateText(showList.dates.At(k).date))
        << ",\"name\":" << Str(showList.names.At(k))
        << ",\"caption\":" << Str(showList.captions.At(k))
        << ",\"place\":" << Str(showList.places.At(k)) << ",\"visual\":" << Str(visual)
        << ",\"poster\":" << Str(path) << ",\"poster_found\":" << Bool(posters.Found(visual))
        << "}";
  }
  out << "],\n\"slots\":[";
  for (int k = 0; k < showList.templates.Size(); ++k)
    out << (k ? ",\n " : "\n ") << "{\"template\":" << Str(showList.templates.At(k))
        << ",\"duration\":" << FormatText("%g", showList.durations.At(k)) << "}";
  out << "],\n\"passes\":[";
}

void JsonPass(std::ostream& out, const PreviewRun& run, const PassRecord& pass) {
  out << (pass.number > 1 ? ",\n" : "\n") << "{\"number\":" << pass.number;
  for (const StepRecord& step : pass.steps)
    out << ",\n \"" << StateKey(step.state) << "\":" << Step(run, step);
  std::vector<std::string> ops;
  for (const ViewerOp& op : pass.viewer) ops.push_back(Op(op));
  out << ",\n \"viewer\":[";
  for (size_t k = 0; k < ops.size(); ++k) out << (k ? ",\n  " : "\n  ") << ops[k];
  out << "]}";
}

void JsonEnd(std::ostream& out, const PreviewRun& run) {
  out << "],\n\"error\":" << (run.error.empty() ? "null" : Str(run.error)) << "\n}\n";
}
