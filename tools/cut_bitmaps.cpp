// Cuts rectangles out of the current screen into 24-bit BMP files, so that the
// stored bitmaps can be made again from the speech page as it renders.
//   cut-bitmaps DIR ID:X,Y,W,H...   writes DIR/ID.bmp for each rectangle
// Each rectangle must be framed by a ring of one colour (the page around the
// picture) and hold more than one colour; otherwise the page is not (yet) where
// it was expected and nothing is written.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/text.h"
#include "speech/bitmap_file.h"

struct Cut {
  int id, x, y, w, h;
};

static bool Framed(const ImageView& s, const Cut& c) {
  if (c.x < 1 || c.y < 1 || c.x + c.w + 1 > static_cast<int>(s.width) ||
      c.y + c.h + 1 > static_cast<int>(s.height))
    return false;
  uint32_t ring = s.pixels[static_cast<size_t>(c.y - 1) * s.width + c.x - 1] & 0xFFFFFF;
  for (int y = c.y - 1; y <= c.y + c.h; ++y)
    for (int x = c.x - 1; x <= c.x + c.w; ++x) {
      bool edge = y == c.y - 1 || y == c.y + c.h || x == c.x - 1 || x == c.x + c.w;
      if (edge && (s.pixels[static_cast<size_t>(y) * s.width + x] & 0xFFFFFF) != ring) return false;
    }
  return true;
}

static bool Plain(const std::vector<uint32_t>& pixels) {
  for (uint32_t p : pixels)
    if ((p & 0xFFFFFF) != (pixels[0] & 0xFFFFFF)) return false;
  return true;
}

static std::vector<uint32_t> Crop(const ImageView& s, const Cut& c) {
  std::vector<uint32_t> pixels;
  for (int y = c.y; y < c.y + c.h; ++y)
    for (int x = c.x; x < c.x + c.w; ++x)
      pixels.push_back(s.pixels[static_cast<size_t>(y) * s.width + x]);
  return pixels;
}

int main(int argc, char** argv) {
  std::vector<Cut> cuts;
  for (int i = 2; i < argc; ++i) {
    Cut c{};
    if (std::sscanf(argv[i], "%d:%d,%d,%d,%d", &c.id, &c.x, &c.y, &c.w, &c.h) != 5 || c.w < 0 ||
        c.h < 0) {
      PrintNarrow("bad rectangle %s, expected ID:X,Y,W,H\n", argv[i]);
      return 2;
    }
    cuts.push_back(c);
  }
  if (argc < 3) {
    PrintNarrow("usage: cut-bitmaps DIR ID:X,Y,W,H...\n");
    return 2;
  }
  ImageView screen{};
  if (PlatformCaptureScreen(&screen.pixels, &screen.width, &screen.height) != 0) {
    PrintNarrow("cannot capture the screen (DISPLAY?)\n");
    return 1;
  }
  for (const Cut& c : cuts)
    if (!Framed(screen, c) || Plain(Crop(screen, c))) {
      PrintNarrow("%d at %d,%d: no picture framed by one colour there\n", c.id, c.x, c.y);
      return 1;
    }
  for (const Cut& c : cuts) {
    std::vector<uint32_t> pixels = Crop(screen, c);
    std::string path = std::string(argv[1]) + "/" + std::to_string(c.id) + ".bmp";
    std::ofstream file(path, std::ios::binary);
    file << EncodeBitmapFile(
        {pixels.data(), static_cast<uint32_t>(c.w), static_cast<uint32_t>(c.h)});
    if (!file.flush()) {
      PrintNarrow("cannot write %s\n", path.c_str());
      return 1;
    }
    PrintNarrow("%s: %dx%d from %d,%d\n", path.c_str(), c.w, c.h, c.x, c.y);
  }
  return 0;
}
