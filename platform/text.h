// Text conversions and console printing shared by every module.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>

std::string ToUtf8(std::wstring_view text);
// Invalid sequences become U+FFFD.
std::wstring FromUtf8(std::string_view text);
// The narrow form of a spoken text: one Latin-1 byte per character. Typographic
// characters are replaced by their plain forms, the rest by '?', so no
// control code ever comes out of a printable character.
std::string ToLatin1(std::wstring_view text);

// 16 hexadecimal digits that stand for the bytes (FNV-1a, 64 bits): a short
// name for a long path.
std::string HashText(std::string_view bytes);

// printf-style formatting into a string of the size the text needs.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::wstring FormatWide(const wchar_t* format, ...);

// The text as the console may show it: control characters (C0, DEL, C1) as
// '?', so that stored names and paths never steer the operator's terminal.
std::wstring ConsoleText(std::wstring_view text);

// printf-style output to the console, each message written and flushed at once.
// Wide formats take %ls for wide strings.
void PrintNarrow(const char* format, ...) __attribute__((format(printf, 1, 2)));
void PrintWideRaw(const wchar_t* format, ...);

// Every %ls argument of PrintWide comes from the database or the file system,
// so each is shown through ConsoleText; the format keeps its own line feeds
// and carriage returns.
template <class T>
auto ConsoleArgument(T value) {
  if constexpr (std::is_convertible_v<T, const wchar_t*>)
    return ConsoleText(value);
  else
    return value;
}
inline const wchar_t* VarArgument(const std::wstring& text) { return text.c_str(); }
template <class T>
T VarArgument(T value) {
  return value;
}
template <class... Args>
void PrintWide(const wchar_t* format, Args... args) {
  PrintWideRaw(format, VarArgument(ConsoleArgument(args))...);
}
