// Text conversions and formatting: the base of every other library, free
// of any operating-system call.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

std::string ToUtf8(std::wstring_view text);
// Invalid sequences become U+FFFD.
std::wstring FromUtf8(std::string_view text);
// True when text is well-formed UTF-8 (no overlong form, no surrogate).
bool IsUtf8(std::string_view text);
// UTF-16 as wide text: surrogate pairs stay pairs where wchar_t has 16 bits
// (Windows) and become one character where it has 32; a lone surrogate
// becomes U+FFFD.
std::wstring FromUtf16(std::u16string_view units);
// Each byte as the character with that code.
std::wstring FromLatin1(std::string_view bytes);
// The narrow form of a spoken text: one Latin-1 byte per character. Typographic
// characters are replaced by their plain forms, the rest by '?', so no
// control code ever comes out of a printable character.
std::string ToLatin1(std::wstring_view text);

// The longest text an atom carries, in UTF-16 units, as the Windows atom
// table counts them: a character outside the Basic Multilingual Plane takes
// two.
constexpr size_t kAtomMaxLength = 255;
// True when an atom, a text argument of the viewer's messages, carries the
// text as it is: 1 to kAtomMaxLength UTF-16 units of Unicode characters, no
// NUL and no lone surrogate (which the viewer's channel on Linux cannot carry
// in UTF-8). Every system's channel and the stand-in viewer apply this rule.
bool AtomCanCarry(std::wstring_view text);

// 16 hexadecimal digits that stand for the bytes (FNV-1a, 64 bits): a short
// name for a long path.
std::string HashText(std::string_view bytes);

// printf-style formatting into a string of the size the text needs.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatTextV(const char* format, va_list args);
std::wstring FormatWideV(const wchar_t* format, va_list args);

// The text as the console may show it: control characters (C0, DEL, C1) as
// '?', so that stored names and paths never steer the operator's terminal.
std::wstring ConsoleText(std::wstring_view text);
