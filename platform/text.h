// Text conversions and console printing shared by every module.
#pragma once

#include <string>
#include <string_view>

std::string ToUtf8(std::wstring_view text);
// Invalid sequences become U+FFFD.
std::wstring FromUtf8(std::string_view text);
// The narrow form of a spoken text: one Latin-1 byte per character. Typographic
// characters are replaced by their plain forms, the rest by '?', so no
// control code ever comes out of a printable character.
std::string ToLatin1(std::wstring_view text);

// printf-style formatting into a string of the size the text needs.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::wstring FormatWide(const wchar_t* format, ...);

// printf-style output to the console, each message written and flushed at once.
// Wide formats take %ls for wide strings.
void PrintNarrow(const char* format, ...) __attribute__((format(printf, 1, 2)));
void PrintWide(const wchar_t* format, ...);
