// Decoding of the 24-bit BMP files that hold the stored templates.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "speech/locator.h"

struct Bitmap {
  uint32_t width = 0, height = 0;
  std::vector<uint32_t> pixels;  // rows from the top, 0x00RRGGBB
  ImageView View() const { return {pixels.data(), width, height}; }
};

// Reads an uncompressed 24- or 32-bit BMP (rows bottom-up or top-down, each
// padded to 4 bytes; a fourth byte per pixel is dropped). Returns 0, -1 when
// the bytes are not such a file or hold fewer pixels than their header claims,
// -2 when memory for the pixels cannot be had. On failure *reason, when given,
// says why in a few words.
int DecodeBitmapFile(std::string_view bytes, Bitmap* out, std::string* reason = nullptr);

// The image as a bottom-up 24-bit BMP file (the top byte of each pixel is dropped).
std::string EncodeBitmapFile(const ImageView& image);
