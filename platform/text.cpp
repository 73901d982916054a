#include "platform/text.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "platform/platform.h"

static void AppendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
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

std::string ToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) AppendUtf8(out, static_cast<char32_t>(c));
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

std::wstring FromUtf8(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    auto b = static_cast<unsigned char>(text[i]);
    int n = SequenceLength(b);
    char32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    int k = 1;
    for (; k < n && i + k < text.size(); ++k) {
      auto cont = static_cast<unsigned char>(text[i + k]);
      if ((cont & 0xC0) != 0x80) break;
      c = (c << 6) | (cont & 0x3F);
    }
    bool overlong = (n == 3 && c < 0x800) || (n == 4 && (c < 0x10000 || c > 0x10FFFF));
    bool surrogate = c >= 0xD800 && c <= 0xDFFF;
    if (n == 0 || k != n || overlong || surrogate) {
      out += L'\uFFFD';
      i += k > 1 ? k : 1;
      continue;
    }
    out += static_cast<wchar_t>(c);
    i += n;
  }
  return out;
}

static const char* PlainForm(wchar_t c) {
  switch (c) {
    case L'\u0152': return "OE";
    case L'\u0153': return "oe";
    case L'\u2018': case L'\u2019': case L'\u201A': case L'\u2032': return "'";
    case L'\u201C': case L'\u201D': case L'\u201E': return "\"";
    case L'\u2013': case L'\u2014': case L'\u2212': return "-";
    case L'\u2026': return "...";
    case L'\u20AC': return "EUR";
    case L'\u00A0': case L'\u202F': case L'\u2009': return " ";
    default: return "?";
  }
}

std::string ToLatin1(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    bool printable = (c >= 0x20 && c <= 0x7E) || (c >= 0xA1 && c <= 0xFF);
    if (printable)
      out += static_cast<char>(static_cast<unsigned char>(c));
    else if (c == L'\t' || c == L'\n' || c == L'\r')
      out += ' ';
    else
      out += PlainForm(c);
  }
  return out;
}

static std::string FormatTextV(const char* format, va_list args) {
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

// vswprintf reports no length on truncation, so grow until the text fits.
static std::wstring FormatWideV(const wchar_t* format, va_list args) {
  std::vector<wchar_t> buffer(256);
  for (;;) {
    va_list again;
    va_copy(again, args);
    int n = std::vswprintf(buffer.data(), buffer.size(), format, again);
    va_end(again);
    if (n >= 0) return std::wstring(buffer.data(), static_cast<size_t>(n));
    if (buffer.size() >= (1u << 24)) return std::wstring();  // a format error, not a short buffer
    buffer.resize(buffer.size() * 4);
  }
}

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatTextV(format, args);
  va_end(args);
  return text;
}

std::wstring FormatWide(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text = FormatWideV(format, args);
  va_end(args);
  return text;
}

void PrintNarrow(const char* format, ...) {
  va_list args;
  va_start(args, format);
  PlatformConsoleWrite(FormatTextV(format, args));
  va_end(args);
}

std::wstring ConsoleText(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out)
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) c = L'?';
  return out;
}

void PrintWideRaw(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  PlatformConsoleWrite(ToUtf8(FormatWideV(format, args)));
  va_end(args);
}
