// Text conversions and formatting: the base of every other library, free
// of any operating-system call.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

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
std::string FormatTextV(const char* format, va_list args);
std::wstring FormatWideV(const wchar_t* format, va_list args);

// The text as the console may show it: control characters (C0, DEL, C1) as
// '?', so that stored names and paths never steer the operator's terminal.
std::wstring ConsoleText(std::wstring_view text);
