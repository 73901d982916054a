#include "base/text.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <vector>

static bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
static bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
// A Unicode scalar value: what UTF-8 and UTF-16 can hold.
static bool IsScalar(char32_t c) { return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF); }
static char32_t CombinePair(char32_t high, char32_t low) {
  return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

static void AppendUtf8(std::string& out, char32_t c) {
  if (!IsScalar(c)) c = 0xFFFD;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// wchar_t holds UTF-16 on Windows and UTF-32 elsewhere.
constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;

// The character at text[*i], advancing *i past it: a surrogate pair counts as
// one character in UTF-16; a lone surrogate stays as it is.
static char32_t NextChar(std::wstring_view text, size_t* i) {
  auto c = static_cast<char32_t>(text[(*i)++]);
  if (kWideIsUtf16 && IsHighSurrogate(c) && *i < text.size() &&
      IsLowSurrogate(static_cast<char32_t>(text[*i])))
    c = CombinePair(c, static_cast<char32_t>(text[(*i)++]));
  return c;
}

static void AppendWide(std::wstring& out, char32_t c) {
  if (kWideIsUtf16 && c >= 0x10000) {
    out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
    out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  } else {
    out += static_cast<wchar_t>(c);
  }
}

std::string ToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) AppendUtf8(out, NextChar(text, &i));
  return out;
}

// Length of the sequence that starts with lead byte b, 0 when b cannot lead.
static int SequenceLength(unsigned char b) {
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) return 2;
  if (b >= 0xE0 && b <= 0xEF) return 3;
  if (b >= 0xF0 && b <= 0xF4) return 4;
  return 0;
}

constexpr char32_t kNotUtf8 = 0xFFFFFFFF;

// The character of the UTF-8 sequence at text[*i], advancing *i past it;
// kNotUtf8 for a malformed sequence, after its lead byte and the continuation
// bytes that followed it.
static char32_t NextUtf8(std::string_view text, size_t* i) {
  auto b = static_cast<unsigned char>(text[*i]);
  int n = SequenceLength(b);
  char32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
  int k = 1;
  for (; k < n && *i + k < text.size(); ++k) {
    auto cont = static_cast<unsigned char>(text[*i + k]);
    if ((cont & 0xC0) != 0x80) break;
    c = (c << 6) | (cont & 0x3F);
  }
  *i += static_cast<size_t>(k);
  bool overlong = (n == 3 && c < 0x800) || (n == 4 && c < 0x10000);
  return n == 0 || k != n || overlong || !IsScalar(c) ? kNotUtf8 : c;
}

std::wstring FromUtf8(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t c = NextUtf8(text, &i);
    AppendWide(out, c == kNotUtf8 ? 0xFFFD : c);
  }
  return out;
}

bool IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();)
    if (NextUtf8(text, &i) == kNotUtf8) return false;
  return true;
}

std::wstring FromUtf16(std::u16string_view units) {
  std::wstring out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (IsHighSurrogate(c) && i + 1 < units.size() && IsLowSurrogate(units[i + 1]))
      c = CombinePair(c, units[++i]);
    AppendWide(out, IsScalar(c) ? c : 0xFFFD);
  }
  return out;
}

std::wstring FromLatin1(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  for (char b : bytes) out += static_cast<wchar_t>(static_cast<unsigned char>(b));
  return out;
}

// Called for every text of every message: the common characters, U+0001 to
// U+D7FF, take one comparison each.
bool AtomCanCarry(std::wstring_view text) {
  // Each wide character is one UTF-16 unit at least.
  if (text.empty() || text.size() > kAtomMaxLength) return false;
  size_t units = text.size();
  for (size_t i = 0; i < text.size(); ++i) {
    auto c = static_cast<char32_t>(text[i]);
    if (c - 1 < 0xD7FF) continue;
    if (c == 0 || c > 0x10FFFF) return false;
    if (c >= 0x10000) {
      ++units;  // a pair in UTF-16
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      // Only wide text in UTF-16 holds pairs, a high surrogate then a low one.
      if (!kWideIsUtf16 || !IsHighSurrogate(c) || i + 1 == text.size() ||
          !IsLowSurrogate(static_cast<char32_t>(text[i + 1])))
        return false;
      ++i;
    }
  }
  return units <= kAtomMaxLength;
}

static const char* PlainForm(char32_t c) {
  switch (c) {
    case U'\u0152': return "OE";
    case U'\u0153': return "oe";
    case U'\u2018': case U'\u2019': case U'\u201A': case U'\u2032': return "'";
    case U'\u201C': case U'\u201D': case U'\u201E': return "\"";
    case U'\u2013': case U'\u2014': case U'\u2212': return "-";
    case U'\u2026': return "...";
    case U'\u20AC': return "EUR";
    case U'\u00A0': case U'\u202F': case U'\u2009': return " ";
    default: return "?";
  }
}

std::string ToLatin1(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t c = NextChar(text, &i);
    bool printable = (c >= 0x20 && c <= 0x7E) || (c >= 0xA1 && c <= 0xFF);
    if (printable)
      out += static_cast<char>(static_cast<unsigned char>(c));
    else if (c == U'\t' || c == U'\n' || c == U'\r')
      out += ' ';
    else
      out += PlainForm(c);
  }
  return out;
}

std::string FormatTextV(const char* format, va_list args) {
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(nullptr, 0, format, args);
  std::string text;
  if (n > 0) {
    text.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(text.data(), text.size(), format, again);
    text.resize(static_cast<size_t>(n));
  }
  va_end(again);
  return text;
}

// vswprintf reports no length on truncation (C) or the whole length (MinGW's
// own printf family), so grow until the text fits.
std::wstring FormatWideV(const wchar_t* format, va_list args) {
  std::vector<wchar_t> buffer(256);
  for (;;) {
    va_list again;
    va_copy(again, args);
    int n = std::vswprintf(buffer.data(), buffer.size(), format, again);
    va_end(again);
    if (n >= 0 && static_cast<size_t>(n) < buffer.size())
      return std::wstring(buffer.data(), static_cast<size_t>(n));
    if (buffer.size() >= (1u << 24)) return std::wstring();  // a format error, not a short buffer
    buffer.resize(buffer.size() * 4);
  }
}

std::string HashText(std::string_view bytes) {
  uint64_t hash = 0xcbf29ce484222325;
  for (char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3;
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
  return digits;
}

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatTextV(format, args);
  va_end(args);
  return text;
}

std::wstring ConsoleText(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out)
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) c = L'?';
  return out;
}
