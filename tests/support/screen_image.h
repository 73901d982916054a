// Pictures for the unit tests of the speech module: a screen image to paint
// templates into, and the fake platform's screen made from it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "res/resources.h"
#include "speech/bitmap_file.h"

struct TestImage {
  uint32_t width, height;
  std::vector<uint32_t> pixels;

  TestImage(uint32_t w, uint32_t h, uint32_t fill = 0xFFFFFF)
      : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
  uint32_t& At(uint32_t x, uint32_t y) { return pixels[static_cast<size_t>(y) * width + x]; }
  ImageView View() const { return {pixels.data(), width, height}; }
  void Paint(const ImageView& picture, uint32_t x, uint32_t y) {
    for (uint32_t k = 0; k < picture.height; ++k)
      for (uint32_t j = 0; j < picture.width; ++j)
        At(x + j, y + k) = picture.pixels[static_cast<size_t>(k) * picture.width + j];
  }
};

// A picture no stored bitmap matches: a square with a purple cross.
inline TestImage VenuePicture(uint32_t w, uint32_t h, uint32_t fill = 0x20A040) {
  TestImage t(w, h, fill);
  for (uint32_t i = 0; i < std::min(w, h); ++i) t.At(i, i) = t.At(w - 1 - i, i) = 0x7020B0;
  return t;
}

// image as a top-down 32-bit BMP, with the channel masks of BI_BITFIELDS or without.
inline std::string EncodeBitmapFile32(const ImageView& image, bool masks) {
  std::string out = "BM";
  auto put = [&out](uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  uint32_t offset = 54 + (masks ? 12 : 0);
  for (uint32_t v : {offset + image.width * image.height * 4, 0u, offset, 40u, image.width,
                     static_cast<uint32_t>(-static_cast<int32_t>(image.height)), 1u | 32u << 16,
                     masks ? 3u : 0u, 0u, 0u, 0u, 0u, 0u})
    put(v);
  if (masks)
    for (uint32_t v : {0xFF0000u, 0xFF00u, 0xFFu}) put(v);
  for (size_t i = 0; i < size_t{image.width} * image.height; ++i)
    put(image.pixels[i] | 0xFF000000u);
  return out;
}

// The stored bitmap id, decoded; empty when it is missing.
inline Bitmap StoredPicture(uint16_t id) {
  Bitmap b;
  DecodeBitmapFile(StoredBitmap(id), &b);
  return b;
}

// Makes image the screen of the fake platform.
inline void ShowOnFakeScreen(const TestImage& image) {
  fake.screen = image.pixels;
  fake.screenWidth = image.width;
  fake.screenHeight = image.height;
}
