#include "base/text.h"
#include "tools/kivo-standin/standin.h"

bool ValidAtomText(const std::string& text) { return IsUtf8(text) && AtomCanCarry(FromUtf8(text)); }

const std::string* AtomName(const AtomTable& table, uint16_t atom) {
  auto it = table.find(atom);
  return it == table.end() ? nullptr : &it->second;
}

std::string AtomsJson(const AtomTable& table) {
  std::string list = "[";
  for (const auto& [atom, text] : table) {
    if (list.size() > 1) list += ",";
    list += "{\"atom\":" + std::to_string(atom) + ",\"text\":" + Json(&text) + "}";
  }
  return list + "]";
}
