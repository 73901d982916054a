// What billora-bitmaps does differently on each system (system_linux.cpp,
// system_windows.cpp): reading PNG files.
#pragma once

#include <string>

#include "speech/bitmap_file.h"

// Why the screen may not be captured, as a question.
extern const char kNoScreenHint[];

// The pixels of a PNG file's bytes as 0xAARRGGBB words, row after row from
// the top. Returns an empty string, or what is wrong with the file.
std::string DecodePng(const std::string& bytes, Bitmap* screen);
