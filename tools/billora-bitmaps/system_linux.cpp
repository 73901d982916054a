#include <png.h>

#include <cstring>
#include <new>

#include "tools/billora-bitmaps/screenshot.h"
#include "tools/billora-bitmaps/system.h"

const char kNoScreenHint[] = "is DISPLAY set, and the display at 24 or 32 bits per pixel?";

// Through libpng's simplified reader: any colour type and depth comes out as
// 8-bit blue, green, red, alpha, which is 0xAARRGGBB in a little-endian word.
std::string DecodePng(const std::string& bytes, Bitmap* screen) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
    return std::string("not a readable PNG file: ") + image.message;
  if (image.width > kLargestSide || image.height > kLargestSide) {
    png_image_free(&image);
    return kTooLarge;
  }
  image.format = PNG_FORMAT_BGRA;
  try {
    screen->pixels.assign(size_t{image.width} * image.height, 0);
  } catch (const std::bad_alloc&) {
    png_image_free(&image);
    return kNoMemory;
  }
  if (!png_image_finish_read(&image, nullptr, screen->pixels.data(), 0, nullptr))
    return std::string("not a readable PNG file: ") + image.message;
  screen->width = image.width;
  screen->height = image.height;
  return {};
}
