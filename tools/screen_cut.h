// Cutting pictures out of a screen image into BMP files, for cut-bitmaps and
// billora-bitmaps.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "speech/bitmap_file.h"

struct Region {
  int x = 0, y = 0, w = 0, h = 0;
};

// Reads "X,Y,W,H": four whole numbers, none negative. False on anything else.
bool ParseRegion(const std::string& text, Region* region);

// Why region cannot be cut from a screen of width x height; empty when it can.
std::string RegionProblem(const Region& region, uint32_t width, uint32_t height);

// The pixels of region, which lies inside screen.
Bitmap CutRegion(const ImageView& screen, const Region& region);

// A UTF-8 path as the file calls of either system take it (the ANSI code
// page of Windows cannot spell every name).
inline std::filesystem::path Utf8Path(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

// Writes picture to path as a 24-bit BMP. False when that fails.
bool WriteBitmapFile(const std::filesystem::path& path, const ImageView& picture);
