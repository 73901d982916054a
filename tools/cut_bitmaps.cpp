// Cuts rectangles out of the current screen into 24-bit BMP files, so that the
// stored bitmaps can be made again from the speech page as it renders.
//   cut-bitmaps DIR ID:X,Y,W,H...   writes DIR/ID.bmp for each rectangle
// Each rectangle must be framed by a ring of one colour (the page around the
// picture) and hold more than one colour; otherwise the page is not (yet) where
// it was expected and nothing is written.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/print.h"
#include "speech/bitmap_file.h"
#include "tools/screen_cut.h"

struct Cut : Region {
  int id;
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

// An empty picture counts as plain: there is nothing to cut.
static bool Plain(const Bitmap& picture) {
  for (uint32_t p : picture.pixels)
    if (((p ^ picture.pixels[0]) & 0xFFFFFF) != 0) return false;
  return true;
}

int main(int argc, char** argv) {
  std::vector<Cut> cuts;
  for (int i = 2; i < argc; ++i) {
    Cut c{};
    int length = 0;
    if (std::sscanf(argv[i], "%d:%n", &c.id, &length) != 1 || length == 0 ||
        !ParseRegion(argv[i] + length, &c)) {
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
    if (!Framed(screen, c) || Plain(CutRegion(screen, c))) {
      PrintNarrow("%d at %d,%d: no picture framed by one colour there\n", c.id, c.x, c.y);
      return 1;
    }
  for (const Cut& c : cuts) {
    std::string path = std::string(argv[1]) + "/" + std::to_string(c.id) + ".bmp";
    if (!WriteBitmapFile(path, CutRegion(screen, c).View())) {
      PrintNarrow("cannot write %s\n", path.c_str());
      return 1;
    }
    PrintNarrow("%s: %dx%d from %d,%d\n", path.c_str(), c.w, c.h, c.x, c.y);
  }
  return 0;
}
