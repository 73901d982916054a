#include "tools/kivo-standin/standin.h"

// Valid UTF-8 of 1 to 255 characters without NUL, as the channel documents.
bool ValidAtomText(const std::string& text) {
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); ++characters) {
    auto lead = static_cast<unsigned char>(text[i]);
    int length = lead < 0x80                    ? 1
                 : lead >= 0xC2 && lead <= 0xDF ? 2
                 : lead >= 0xE0 && lead <= 0xEF ? 3
                 : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                : 0;
    if (lead == 0 || length == 0 || i + length > text.size()) return false;
    uint32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
      auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      c = c << 6 | (next & 0x3F);
    }
    bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    i += length;
  }
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
