#include "tools/kivo-standin/layout.h"
#include "tools/kivo-standin/standin.h"

// Valid UTF-8 of 1 to 255 characters without NUL, as the channel documents.
bool ValidAtomText(const std::string& text) {
  if (!ValidUtf8(text) || text.find('\0') != std::string::npos) return false;
  size_t characters = 0;
  for (char byte : text) characters += (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
  return characters >= 1 && characters <= 255;
}

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
