// Pictures for the unit tests of the speech module: a screen image to paint
// templates into, and the fake platform's screen made from it.
#pragma once

#include <cstdint>
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
