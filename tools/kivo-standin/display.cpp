// The pretend display: what each message does to it, the answers, a console
// line per thing a watcher would see, and a trace line per message.
#include <sys/stat.h>

#include <charconv>
#include <cstdio>

#include "platform/wire/messages.h"
#include "tools/kivo-standin/drawing.h"
#include "tools/kivo-standin/standin.h"

#ifdef _WIN32
#include <windows.h>

#include "base/text.h"
#endif

static std::string scene;                   // name of the loaded scene
static std::map<std::string, int> objects;  // object numbers handed out in this scene
static std::string selected;                // object of the next VM_SET_TEXT
static bool running = false;
static int64_t runStartMs = 0;
static int64_t fileRunTimeMs = -1;  // the loaded scene file's run-time; -1: none
static int64_t runTimeMs = 0;       // of the running scene
static int deviceQueries = 0;

const Drawing* drawing = nullptr;

static bool fading = false;  // a run of VP_FADE steps
static int fadeSteps = 0;
static double fadeFirst = 0, fadeLast = 0;
static int64_t fadeStartMs = 0;
static std::string fadeObject;

static const char* MessageName(uint32_t number) {
  static const char* const names[] = {
      "VM_LOAD_SCENE",     "VM_QUERY_DEVICE",  "VM_SET_TEXT", "VM_SET_PROPERTY",
      "VM_QUERY_FINISHED", "VM_SELECT_OBJECT", "VM_RUN",      "VM_STOP"};
  return number >= VM_LOAD_SCENE && number <= VM_STOP ? names[number - VM_LOAD_SCENE] : "unknown";
}

static std::string Text(const std::string* text) { return text ? *text : std::string(); }

// "#<n>" names the object that VM_SET_TEXT numbered n; empty when none has n.
static std::string NumberedObject(const std::string& name) {
  if (name.size() > 1 && name[0] == '#')
    for (const auto& [known, number] : objects)
      if (name == "#" + std::to_string(number)) return known;
  return std::string();
}

static std::string ObjectLabel(const std::string* object) {
  std::string name = Text(object), known = NumberedObject(name);
  if (!known.empty()) return name + " (" + known + ")";
  return name.empty() ? "(no object)" : name;
}

static void EndFade() {
  if (!fading) return;
  fading = false;
  Say("fade ends: %s %.2f after %d steps, %.2f s", fadeObject.c_str(), fadeLast, fadeSteps,
      static_cast<double>(NowMs() - fadeStartMs) / 1000);
}

void EndOfClient() { EndFade(); }

// A fade ends at 0.01 when it began in the upper half, at 0.99 otherwise.
static void Fade(const std::string& object, const std::string& value) {
  double level = -1;
  std::from_chars(value.data(), value.data() + value.size(), level);
  if (!fading) {
    fading = true;
    fadeSteps = 0;
    fadeFirst = level;
    fadeStartMs = NowMs();
    fadeObject = object;
    Say("fade begins: %s %s", object.c_str(), value.c_str());
  }
  ++fadeSteps;
  fadeLast = level;
  if (drawing) drawing->fade(object, level);
  if (fadeFirst >= 0.5 ? level <= 0.01 : level >= 0.99) EndFade();
}

// The path is UTF-8 on every system.
static bool SceneFileExists(const std::string& path) {
#ifdef _WIN32
  return GetFileAttributesW(FromUtf8(path).c_str()) != INVALID_FILE_ATTRIBUTES;
#else
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
#endif
}

static int32_t LoadScene(const std::string* path) {
  objects.clear();
  selected.clear();
  running = false;
  fileRunTimeMs = -1;
  if (path == nullptr) {
    Say("scene load without a path");
    return 0;
  }
  size_t slash = path->find_last_of("/\\");
  scene = path->substr(slash == std::string::npos ? 0 : slash + 1);
  if (scene.size() > 5 && scene.ends_with(".kivo")) scene.resize(scene.size() - 5);
  if (!SceneFileExists(*path)) {
    Say("scene %s: file %s not found", scene.c_str(), path->c_str());
    if (drawing) drawing->loadScene(scene, nullptr, "file " + *path + " not found");
    return 0;
  }
  SceneLayout layout;
  std::string problem;
  if (!ReadSceneLayout(*path, &layout, &problem)) {
    Say("scene %s refused: %s: %s", scene.c_str(), path->c_str(), problem.c_str());
    if (drawing) drawing->loadScene(scene, nullptr, *path + ": " + problem);
    return 0;
  }
  fileRunTimeMs = layout.runTimeMs;
  Say("scene %s loaded", scene.c_str());
  if (drawing) drawing->loadScene(scene, &layout, std::string());
  return 1;
}

static int32_t QueryDevice() {
  if (deviceQueries >= options.notReady) return 1;
  ++deviceQueries;
  Say("display device not ready (%d of %d)", deviceQueries, options.notReady);
  return 0;
}

static int32_t SetText(const std::string* text) {
  if (selected.empty()) {
    Say("text \"%s\" without a selected object", Text(text).c_str());
    return -1;
  }
  int number = objects.emplace(selected, static_cast<int>(objects.size())).first->second;
  int32_t result = options.setTextResult.value_or(number);
  Say("text %s: \"%s\"%s", selected.c_str(), Text(text).c_str(), result < 0 ? " (refused)" : "");
  if (drawing && result >= 0) drawing->text(selected, Text(text));
  return result;
}

static int32_t SetProperty(const std::string* object, uint16_t code, const std::string* value) {
  if (code == VP_FADE) {
    Fade(ObjectLabel(object), Text(value));
  } else if (code == VP_POSTER) {
    std::string file = Text(value).substr(0, Text(value).find(','));
    Say("poster %s: %s", ObjectLabel(object).c_str(), file.c_str());
    if (drawing) drawing->poster(Text(object), file);
  } else if (code == VP_OFFSET) {
    Say("offset %s: %s", ObjectLabel(object).c_str(), Text(value).c_str());
    double x = 0, y = 0, z = 0;
    std::string known = NumberedObject(Text(object));
    if (drawing && std::sscanf(Text(value).c_str(), "%lf;%lf;%lf", &x, &y, &z) == 3)
      drawing->offset(known.empty() ? Text(object) : known, x, y);
  } else {
    Say("property %u of %s: %s", code, ObjectLabel(object).c_str(), Text(value).c_str());
  }
  return object != nullptr && value != nullptr ? 1 : 0;
}

static int32_t Run() {
  running = true;
  runStartMs = NowMs();
  runTimeMs = SceneRunTime(fileRunTimeMs, options.runTimeMs);
  if (options.neverFinish)
    Say("scene %s runs and never finishes", scene.c_str());
  else
    Say("scene %s runs for %.1f s", scene.c_str(), static_cast<double>(runTimeMs) / 1000);
  return 1;
}

static int32_t QueryFinished() {
  if (options.neverFinish) return 0;
  if (!running) return 1;
  if (NowMs() - runStartMs < runTimeMs) return 0;
  running = false;
  Say("scene %s finished", scene.c_str());
  if (drawing) drawing->finished(scene);
  return 1;
}

// Acts on one message; `fields` gets its atom texts for the trace.
static int32_t Act(const AtomTable& atoms, uint32_t number, uint64_t wParam, int64_t lParam,
                   std::string& fields) {
  auto low = static_cast<uint16_t>(wParam), high = static_cast<uint16_t>(wParam >> 16);
  const std::string* first = AtomName(atoms, low);
  const std::string* value = AtomName(atoms, static_cast<uint16_t>(lParam));
  switch (number) {
    case VM_LOAD_SCENE:
      fields = ",\"path\":" + Json(first);
      return LoadScene(first);
    case VM_QUERY_DEVICE:
      return QueryDevice();
    case VM_SET_TEXT:
      fields = ",\"text\":" + Json(first) + ",\"font\":" + Json(AtomName(atoms, high));
      return SetText(first);
    case VM_SET_PROPERTY:
      fields = ",\"object\":" + Json(first) + ",\"property\":" + std::to_string(high) +
               ",\"value\":" + Json(value);
      return SetProperty(first, high, value);
    case VM_QUERY_FINISHED:
      return QueryFinished();
    case VM_SELECT_OBJECT:
      fields = ",\"object\":" + Json(first);
      selected = Text(first);
      return first != nullptr ? 1 : 0;
    case VM_RUN:
      return Run();
    case VM_STOP:
      running = false;
      Say("stop: scene %s ends", scene.c_str());
      return 1;
  }
  return 0;
}

int32_t HandleMessage(Client& client, uint32_t number, uint64_t wParam, int64_t lParam) {
  bool fadeStep = number == VM_SET_PROPERTY && static_cast<uint16_t>(wParam >> 16) == VP_FADE;
  if (!fadeStep) EndFade();
  std::string fields;
  int32_t result = Act(client.atoms, number, wParam, lParam, fields);
  Trace("\"client\":" + std::to_string(client.id) + ",\"number\":" + std::to_string(number) +
        ",\"name\":\"" + MessageName(number) + "\",\"wParam\":" + std::to_string(wParam) +
        ",\"lParam\":" + std::to_string(lParam) + fields + ",\"result\":" + std::to_string(result));
  return result;
}
