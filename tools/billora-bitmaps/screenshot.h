// The screen image that billora-bitmaps cuts from and searches in.
#pragma once

#include <cstdint>
#include <string>

#include "speech/bitmap_file.h"

// The largest screenshot side, and what is said of larger ones or of pixels
// that do not fit in memory.
inline constexpr uint32_t kLargestSide = 0xFFFF;
inline constexpr char kTooLarge[] = "wider or taller than 65535 pixels";
inline constexpr char kNoMemory[] = "no memory for its pixels";

// The whole screen, through the display program's own capture. Returns an
// empty string, or why there is no image.
std::string CaptureWholeScreen(Bitmap* screen);

// A saved screenshot, PNG or BMP (told apart by their first bytes).
std::string ReadScreenshot(const std::string& path, Bitmap* screen);
