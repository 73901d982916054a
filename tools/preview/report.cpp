// Helpers that both reports use to turn what the viewer received into the
// words of the venue: file names, scene names, times.
#include <cstdio>

#include "base/text.h"
#include "platform/platform.h"
#include "platform/wire/messages.h"
#include "showlist/datetime.h"
#include "showlist/prepare.h"
#include "tools/preview/preview.h"

std::string Printable(const std::wstring& text) { return ToUtf8(ConsoleText(text)); }

std::string TypedText(const std::string& latin1) { return ToUtf8(FromLatin1(latin1)); }

std::string DateText(double oleDate) {
  DateParts p = GetDateParts(MakeDate(oleDate));
  if (p.year < 0) return "?";
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                p.minute, p.second);
  return text;
}

std::wstring SceneName(const std::wstring& path) {
  std::wstring name = path.substr(path.rfind(L'/') + 1);
  if (name.size() > 5 && name.ends_with(L".kivo")) name.resize(name.size() - 5);
  return name;
}

// The value is "<file>,SCALEX=...": the scale and position follow the file.
std::wstring PosterFile(const std::wstring& value) {
  size_t scale = value.rfind(L",SCALEX=");
  return scale == std::wstring::npos ? value : value.substr(0, scale);
}

const SceneSetting* FindSetting(const SceneShown& scene, const std::wstring& object,
                                uint16_t property) {
  for (const SceneSetting& s : scene.settings)
    if (s.object == object && s.property == property) return &s;
  return nullptr;
}

std::vector<ProgrammeSlot> ProgrammeSlots(const SceneShown& scene) {
  std::vector<ProgrammeSlot> slots;
  for (const SceneSetting& s : scene.settings) {
    if (s.property == VP_POSTER) {
      slots.push_back({PosterFile(s.value), L"", L"", false});
    } else if (slots.empty()) {
      continue;
    } else if (s.property == 0 && slots.back().textObject.empty()) {
      slots.back().time = s.value;
      slots.back().textObject = s.object;
    } else if (s.property == VP_OFFSET) {
      slots.back().place = true;
    }
  }
  return slots;
}

bool PosterCheck::Found(const std::wstring& visual) {
  auto [it, added] = known.try_emplace(visual, false);
  if (added) it->second = MediaAvailable(visual);
  return it->second;
}
