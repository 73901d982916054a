// A text as a JSON string literal, for the tools that write JSON by hand.
#pragma once

#include <cstdio>
#include <string>

// Quotes, backslashes and control characters are escaped; the UTF-8 bytes of
// other characters pass as they are.
inline std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}
