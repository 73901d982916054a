#include "tools/billora-bitmaps/screenshot.h"

#include "base/text.h"
#include "platform/platform.h"
#include "tools/billora-bitmaps/system.h"

static constexpr size_t kLargestFile = size_t{1} << 30;

std::string CaptureWholeScreen(Bitmap* screen) {
  const uint32_t* pixels;
  uint32_t width, height;
  int status = PlatformCaptureScreen(&pixels, &width, &height);
  if (status == -3) return "no memory for a snapshot of the screen";
  if (status != 0)
    return std::string("no display to capture (") + kNoScreenHint +
           "); --from cuts from a saved screenshot instead";
  screen->width = width;
  screen->height = height;
  screen->pixels.assign(pixels, pixels + size_t{width} * height);
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
