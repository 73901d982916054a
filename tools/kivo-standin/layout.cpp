#include "tools/kivo-standin/layout.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/text.h"

namespace {

constexpr size_t kMaxFileBytes = 1 << 20;
constexpr size_t kMaxObjects = 1000;

struct LayoutFault {
  int line;
  std::string what;
};

[[noreturn]] void Fault(int line, const std::string& what) { throw LayoutFault{line, what}; }

std::string Quote(const std::string& text) { return "\"" + text + "\""; }

// The words of a line; a word in double quotes may hold spaces, \" and \\.
std::vector<std::string> Words(const std::string& line, int number) {
  std::vector<std::string> words;
  size_t i = 0;
  while (true) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == line.size()) return words;
    std::string word;
    if (line[i] == '"') {
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        word += line[i];
      }
      if (i == line.size()) Fault(number, "a quoted text has no closing quote");
      ++i;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') word += line[i++];
    }
    words.push_back(word);
  }
}

// The value words of one attribute, taken from `words` at `at`.
class Attribute {
 public:
  Attribute(const std::vector<std::string>& words, size_t& at, int line)
      : words_(words), at_(at), line_(line), name_(words[at++]) {}
  const std::string& name() const { return name_; }

  std::string Word() {
    if (at_ >= words_.size()) Fault(line_, name_ + " needs a value");
    return words_[at_++];
  }
  double Number(bool positive) {
    if (at_ >= words_.size()) Fault(line_, name_ + " needs a number");
    const std::string& word = words_[at_++];
    double value = 0;
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || !std::isfinite(value))
      Fault(line_, name_ + ": " + Quote(word) + " is not a number");
    if (positive ? value <= 0 : value < 0)
      Fault(line_, name_ + ": " + word + (positive ? " must be above 0" : " must not be negative"));
    return value;
  }
  uint32_t Colour() {
    std::string word = Word();
    uint32_t value = 0;
    auto [end, error] = std::from_chars(word.data() + 1, word.data() + word.size(), value, 16);
    if (word.size() != 7 || word[0] != '#' || error != std::errc() ||
        end != word.data() + word.size())
      Fault(line_, name_ + " must be written #RRGGBB, not " + Quote(word));
    return value;
  }
  Align Alignment() {
    std::string word = Word();
    if (word == "left") return Align::Left;
    if (word == "centre") return Align::Centre;
    if (word == "right") return Align::Right;
    Fault(line_, "align must be left, centre or right, not " + Quote(word));
  }

 private:
  const std::vector<std::string>& words_;
  size_t& at_;
  int line_;
  std::string name_;
};

// The place of the objects that the display program fills, given on a
// 1920 x 1080 canvas and scaled to the scene's: one poster, two posters, a
// programme of 6 x 3 slots.
bool DefaultPlace(const SceneLayout& layout, LayoutObject& object) {
  auto box = [&](double x, double y, double w, double h, double fontSize) {
    double sx = layout.width / 1920, sy = layout.height / 1080;
    object.x = x * sx, object.y = y * sy, object.w = w * sx, object.h = h * sy;
    object.fontSize = fontSize * std::min(sx, sy);
    return true;
  };
  const std::string& name = object.name;
  if (name == "cache") return box(0, 0, 1920, 1080, 0);
  if (name == "affiche") return box(660, 40, 600, 850, 0);
  if (name == "titre") return box(60, 910, 1800, 140, 72);
  if (name == "affiche1") return box(180, 40, 600, 850, 0);
  if (name == "affiche2") return box(1140, 40, 600, 850, 0);
  if (name == "titre1") return box(40, 910, 880, 140, 60);
  if (name == "titre2") return box(1000, 910, 880, 140, 60);
  unsigned slot = 0;
  char kind[16] = {};
  int taken = 0;
  if (std::sscanf(name.c_str(), "\\affiche%u\\%15s%n", &slot, kind, &taken) != 2 ||
      static_cast<size_t>(taken) != name.size() || slot < 1 || slot > 18 ||
      name != "\\affiche" + std::to_string(slot) + "\\" + kind)
    return false;
  // The program puts into \afficheN\text the time of the poster of the next
  // slot, \affiche(N+1)\affiche (and into \affiche18\text that of slot 1):
  // each text sits under the poster whose time it carries.
  bool text = std::string(kind) == "text";
  if (!text && std::string(kind) != "affiche") return false;
  unsigned under = text ? slot % 18 + 1 : slot;
  double x = (under - 1) % 6 * 320.0, y = (under - 1) / 6 * 360.0;
  return text ? box(x + 10, y + 306, 300, 50, 40) : box(x + 57, y + 10, 206, 292, 0);
}

std::string FullPath(const std::string& folder, const std::string& name) {
  return name.empty() || name[0] == '/' || folder.empty() ? name : folder + "/" + name;
}

constexpr double kMaxRunTimeMs = 3600000;

void SceneLine(const std::vector<std::string>& words, int line, SceneLayout& layout) {
  for (size_t at = 1; at < words.size();) {
    Attribute a(words, at, line);
    if (a.name() == "canvas") {
      layout.width = a.Number(true);
      layout.height = a.Number(true);
    } else if (a.name() == "background") {
      layout.background = a.Colour();
    } else if (a.name() == "colour") {
      layout.colour = a.Colour();
    } else if (a.name() == "font") {
      layout.font = a.Word();
    } else if (a.name() == "font-size") {
      layout.fontSize = a.Number(true);
    } else if (a.name() == "run-time") {
      double ms = a.Number(false);
      if (ms > kMaxRunTimeMs) Fault(line, "run-time: at most 3600000 ms (an hour)");
      layout.runTimeMs = static_cast<int64_t>(ms);
    } else {
      Fault(line, "unknown scene attribute " + Quote(a.name()) +
                      " (known: canvas, background, colour, font, font-size, run-time)");
    }
  }
}

void ObjectLine(const std::vector<std::string>& words, int line, const std::string& folder,
                LayoutObject& object) {
  bool placed = false, sized = false;
  for (size_t at = 1; at < words.size();) {
    Attribute a(words, at, line);
    if (a.name() == "place") {
      object.x = a.Number(false);
      object.y = a.Number(false);
      placed = true;
    } else if (a.name() == "size") {
      object.w = a.Number(true);
      object.h = a.Number(true);
      sized = true;
    } else if (a.name() == "font-size") {
      object.fontSize = a.Number(true);
    } else if (a.name() == "colour") {
      object.colour = a.Colour();
      object.hasColour = true;
    } else if (a.name() == "font") {
      object.font = a.Word();
    } else if (a.name() == "align") {
      object.align = a.Alignment();
    } else if (a.name() == "text") {
      object.text = a.Word();
    } else if (a.name() == "picture") {
      object.picture = FullPath(folder, a.Word());
    } else {
      Fault(line, "unknown attribute " + Quote(a.name()) +
                      " (known: place, size, font-size, colour, font, align, text, picture)");
    }
  }
  if ((!placed || !sized) && object.w == 0)
    Fault(line, "object " + Quote(object.name) + " has no place of its own: give place and size");
}

void CheckInCanvas(const SceneLayout& layout) {
  for (const LayoutObject& o : layout.objects)
    if (o.x + o.w > layout.width || o.y + o.h > layout.height)
      Fault(o.line, "object " + Quote(o.name) + " goes past the canvas of " +
                        std::to_string(std::lround(layout.width)) + " x " +
                        std::to_string(std::lround(layout.height)));
}

void ParseLine(const std::string& text, int line, const std::string& folder, SceneLayout& layout) {
  if (!IsUtf8(text)) Fault(line, "the line is not valid UTF-8");
  for (unsigned char c : text)
    if (c < 0x20 && c != '\t') Fault(line, "the line holds a control character");
  std::vector<std::string> words = Words(text, line);
  if (words.empty() || text[text.find_first_not_of(" \t")] == '#') return;
  if (words[0] == "scene") {
    if (!layout.objects.empty()) Fault(line, "the scene line must come before the objects");
    return SceneLine(words, line, layout);
  }
  if (words[0].empty()) Fault(line, "an object needs a name");
  if (const LayoutObject* other = FindLayoutObject(layout, words[0]))
    Fault(line, "object " + Quote(words[0]) + " is already declared on line " +
                    std::to_string(other->line));
  if (layout.objects.size() == kMaxObjects)
    Fault(line, "more than " + std::to_string(kMaxObjects) + " objects");
  LayoutObject object;
  object.name = words[0];
  object.line = line;
  DefaultPlace(layout, object);
  ObjectLine(words, line, folder, object);
  layout.objects.push_back(object);
}

}  // namespace

bool ParseSceneLayout(const std::string& text, const std::string& folder, SceneLayout* layout,
                      std::string* problem) {
  *layout = SceneLayout();
  // A byte order mark, as some Windows editors write, is not part of a name.
  std::istringstream in(text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text);
  int number = 0;
  try {
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      ParseLine(line, ++number, folder, *layout);
    }
    CheckInCanvas(*layout);
  } catch (const LayoutFault& fault) {
    *problem = "line " + std::to_string(fault.line) + ": " + fault.what;
    return false;
  }
  return true;
}

bool ReadSceneLayout(const std::string& path, SceneLayout* layout, std::string* problem) {
  std::error_code error;
  if (std::filesystem::exists(path, error) && !std::filesystem::is_regular_file(path, error)) {
    *problem = "is not a file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  std::string text(kMaxFileBytes + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad() || (!in.eof() && in.fail())) {
    *problem = "cannot be read";
    return false;
  }
  text.resize(static_cast<size_t>(in.gcount()));
  if (text.size() > kMaxFileBytes) {
    *problem = "larger than 1 MiB";
    return false;
  }
  size_t slash = path.rfind('/');
  return ParseSceneLayout(text, slash == std::string::npos ? "" : path.substr(0, slash), layout,
                          problem);
}

const LayoutObject* FindLayoutObject(const SceneLayout& layout, const std::string& name) {
  for (const LayoutObject& object : layout.objects)
    if (object.name == name) return &object;
  return nullptr;
}

int64_t SceneRunTime(int64_t fileMs, std::optional<int64_t> forced) {
  if (forced) return *forced;
  return fileMs >= 0 ? fileMs : kDefaultRunTimeMs;
}
