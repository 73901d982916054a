// What billora-bitmaps does differently on each system (system_linux.cpp,
// system_windows.cpp): its arguments as UTF-8, and reading PNG files.
#pragma once

#include <string>
#include <vector>

#include "speech/bitmap_file.h"

// The arguments after the program's name, in UTF-8.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Why the screen may not be captured, as a question.
extern const char kNoScreenHint[];

// The pixels of a PNG file's bytes as 0xAARRGGBB words, row after row from
// the top. Returns an empty string, or what is wrong with the file.
std::string DecodePng(const std::string& bytes, Bitmap* screen);
