// The writer decodes UTF-8 and encodes UTF-16 and code page 1252 with its own
// code, not base/text's: as the tests' oracle it must not share the reader's
// conversions, or a fault in them would pass unseen.
#include "tools/mdbwrite/text.h"

#include <cstdint>
#include <cstdio>

namespace mdbwrite {

// Code page 1252 at 0x80..0x9F; 0 where the code page has no character.
static const char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

static std::string CodePointName(char32_t c) {
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
  return name;
}

static int SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Decodes one UTF-8 sequence at `pos` and advances past it; -1 when malformed.
static int32_t NextCodePoint(std::string_view text, size_t* pos) {
  const unsigned char lead = text[*pos];
  const int length = SequenceLength(lead);
  if (length == 0 || *pos + length > text.size()) return -1;
  int32_t c = length == 1 ? lead : lead & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    const unsigned char next = text[*pos + i];
    if ((next & 0xC0) != 0x80) return -1;
    c = (c << 6) | (next & 0x3F);
  }
  static const int32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return -1;
  *pos += length;
  return c;
}

static int Cp1252Byte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] != 0 && kCp1252High[i] == c) return 0x80 + i;
  }
  return -1;
}

static void AppendEncoded(const Format& format, char32_t c, std::string& out, int line) {
  if (format.jet3) {
    const int byte = Cp1252Byte(c);
    if (byte < 0) Fail(line, "character " + CodePointName(c) + " cannot be stored in a Jet 3 file");
    out += static_cast<char>(byte);
  } else if (c >= 0x10000) {
    Append(out, 0xD800 + ((c - 0x10000) >> 10), 2);
    Append(out, 0xDC00 + ((c - 0x10000) & 0x3FF), 2);
  } else {
    Append(out, c, 2);
  }
}

std::string CompressText(const std::string& utf16) {
  std::string out = "\xFF\xFE";
  bool oneByte = true;
  for (size_t i = 0; i + 1 < utf16.size(); i += 2) {
    const unsigned char low = utf16[i], high = utf16[i + 1];
    const bool small = high == 0;
    if (!small && low == 0) return utf16;
    if (small != oneByte) {
      out += '\0';
      oneByte = small;
    }
    out += static_cast<char>(low);
    if (!small) out += static_cast<char>(high);
  }
  return out;
}

std::string EncodeText(const Format& format, std::string_view utf8, int line) {
  std::string out;
  size_t pos = 0;
  while (pos < utf8.size()) {
    const int32_t c = NextCodePoint(utf8, &pos);
    if (c < 0) Fail(line, "malformed UTF-8 text");
    if (c == 0) Fail(line, "a NUL character cannot be stored in text");
    AppendEncoded(format, static_cast<char32_t>(c), out, line);
  }
  // Readers take Jet 4 text that starts with the bytes FF FE for compressed text.
  if (!format.jet3 && out.starts_with("\xFF\xFE")) Fail(line, "a text cannot begin with U+FEFF");
  return out;
}

}  // namespace mdbwrite
