#include "tools/billora-bitmaps/screenshot.h"

#include <png.h>

#include <cstring>
#include <new>

#include "platform/platform.h"
#include "platform/text.h"

static constexpr size_t kLargestFile = size_t{1} << 30;
static constexpr uint32_t kLargestSide = 0xFFFF;

std::string CaptureWholeScreen(Bitmap* screen) {
  const uint32_t* pixels;
  uint32_t width, height;
  int status = PlatformCaptureScreen(&pixels, &width, &height);
  if (status == -3) return "no memory for a snapshot of the screen";
  if (status != 0)
    return "no display to capture (is DISPLAY set, and the display at 24 or 32 bits per "
           "pixel?); --from cuts from a saved screenshot instead";
  screen->width = width;
  screen->height = height;
  screen->pixels.assign(pixels, pixels + size_t{width} * height);
  return {};
}

// PNG through libpng's simplified reader: any colour type and depth comes out
// as 8-bit blue, green, red, alpha, which is 0xAARRGGBB in a little-endian word.
static std::string DecodePng(const std::string& bytes, Bitmap* screen) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
    return std::string("not a readable PNG file: ") + image.message;
  if (image.width > kLargestSide || image.height > kLargestSide) {
    png_image_free(&image);
    return "wider or taller than 65535 pixels";
  }
  image.format = PNG_FORMAT_BGRA;
  try {
    screen->pixels.assign(size_t{image.width} * image.height, 0);
  } catch (const std::bad_alloc&) {
    png_image_free(&image);
    return "no memory for its pixels";
  }
  if (!png_image_finish_read(&image, nullptr, screen->pixels.data(), 0, nullptr))
    return std::string("not a readable PNG file: ") + image.message;
  screen->width = image.width;
  screen->height = image.height;
  return {};
}

std::string ReadScreenshot(const std::string& path, Bitmap* screen) {
  std::string bytes;
  switch (PlatformReadFile(FromUtf8(path), kLargestFile, &bytes)) {
    case -1:
      return path + ": no such file";
    case -2:
      return path + ": cannot be read";
    case -3:
      return path + ": too large for a screenshot";
  }
  std::string problem;
  if (bytes.starts_with("\x89PNG"))
    problem = DecodePng(bytes, screen);
  else if (bytes.starts_with("BM"))
    DecodeBitmapFile(bytes, screen, &problem);
  else
    problem = "neither a PNG nor a BMP file";
  return problem.empty() ? problem : path + ": " + problem;
}
