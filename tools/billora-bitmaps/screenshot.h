// The screen image that billora-bitmaps cuts from and searches in.
#pragma once

#include <string>

#include "speech/bitmap_file.h"

// The whole screen, through the display program's own capture. Returns an
// empty string, or why there is no image.
std::string CaptureWholeScreen(Bitmap* screen);

// A saved screenshot, PNG or BMP (told apart by their first bytes).
std::string ReadScreenshot(const std::string& path, Bitmap* screen);
