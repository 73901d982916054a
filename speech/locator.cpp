#include "speech/locator.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "speech/bitmap_file.h"
#include "speech/page_pictures.h"

static constexpr uint32_t kColourBits = 0xFFFFFF;
static constexpr size_t kScreenSamples = 4096;

static bool SameColour(uint32_t a, uint32_t b) { return ((a ^ b) & kColourBits) == 0; }

struct KeyPixel {
  uint32_t x, y, colour;
};

struct ColourCount {
  uint32_t colour;
  size_t inTemplate = 0, onScreen = 0;
};

// The colours of the template with how often each occurs in it.
static std::vector<ColourCount> TemplateColours(const ImageView& t) {
  size_t count = static_cast<size_t>(t.width) * t.height;
  std::vector<uint32_t> colours(t.pixels, t.pixels + count);
  for (uint32_t& c : colours) c &= kColourBits;
  std::sort(colours.begin(), colours.end());
  std::vector<ColourCount> counts;
  for (uint32_t c : colours) {
    if (counts.empty() || counts.back().colour != c) counts.push_back({c});
    ++counts.back().inTemplate;
  }
  return counts;
}

// A template pixel of the colour that is rarest on (a sample of) the screen,
// and then in the template. Only positions where the screen shows that colour
// at that place can match, so the search looks for it first and compares
// whole templates only there.
static KeyPixel ChooseKey(const ImageView& screen, const ImageView& t) {
  std::vector<ColourCount> counts = TemplateColours(t);
  size_t screenSize = static_cast<size_t>(screen.width) * screen.height;
  size_t step = std::max<size_t>(1, screenSize / kScreenSamples);
  for (size_t i = 0; i < screenSize; i += step) {
    uint32_t colour = screen.pixels[i] & kColourBits;
    auto it = std::lower_bound(counts.begin(), counts.end(), colour,
                               [](const ColourCount& c, uint32_t v) { return c.colour < v; });
    if (it != counts.end() && it->colour == colour) ++it->onScreen;
  }
  auto rarest = std::min_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
    return a.onScreen != b.onScreen ? a.onScreen < b.onScreen : a.inTemplate < b.inTemplate;
  });
  size_t at = 0;
  while (!SameColour(t.pixels[at], rarest->colour)) ++at;
  return {static_cast<uint32_t>(at % t.width), static_cast<uint32_t>(at / t.width), rarest->colour};
}

using Lanes = uint32_t __attribute__((vector_size(16)));  // four pixels at a time

// The first index in [from, to) of row that holds colour, or to. Blocks of 16
// pixels are tested in vector registers without branches.
static uint32_t FindColour(const uint32_t* row, uint32_t from, uint32_t to, uint32_t colour) {
  const Lanes key = {colour, colour, colour, colour};
  const Lanes bits = {kColourBits, kColourBits, kColourBits, kColourBits};
  uint32_t i = from;
  for (; i + 16 <= to; i += 16) {
    Lanes hit = {0, 0, 0, 0};
    for (uint32_t k = 0; k < 16; k += 4) {
      Lanes pixels;
      std::memcpy(&pixels, row + i + k, sizeof pixels);
      hit |= reinterpret_cast<Lanes>(((pixels ^ key) & bits) == 0);
    }
    uint64_t halves[2];
    std::memcpy(halves, &hit, sizeof halves);
    if (halves[0] | halves[1]) break;
  }
  while (i < to && !SameColour(row[i], colour)) ++i;
  return i;
}

static bool MatchesAt(const ImageView& s, const ImageView& t, uint32_t x, uint32_t y) {
  for (uint32_t k = 0; k < t.height; ++k) {
    const uint32_t* screenRow = s.pixels + static_cast<size_t>(y + k) * s.width + x;
    const uint32_t* templRow = t.pixels + static_cast<size_t>(k) * t.width;
    for (uint32_t j = 0; j < t.width; ++j)
      if (!SameColour(screenRow[j], templRow[j])) return false;
  }
  return true;
}

// Rows are scanned from the top for the key pixel. Once a match is found only
// columns left of it can still come first in column order, so the scan narrows.
bool MatchBitmap(const ImageView& screen, const ImageView& templ, uint32_t startX, uint32_t startY,
                 uint32_t* x, uint32_t* y) {
  if (templ.width > screen.width || templ.height > screen.height) return false;
  uint32_t endX = screen.width - templ.width, endY = screen.height - templ.height;
  if (startX >= endX || startY >= endY) return false;
  if (templ.width == 0 || templ.height == 0) {
    *x = startX;
    *y = startY;
    return true;
  }
  KeyPixel key = ChooseKey(screen, templ);
  bool found = false;
  for (uint32_t row = startY; row < endY && startX < endX; ++row) {
    const uint32_t* line = screen.pixels + static_cast<size_t>(row + key.y) * screen.width + key.x;
    for (uint32_t col = FindColour(line, startX, endX, key.colour); col < endX;
         col = FindColour(line, col + 1, endX, key.colour)) {
      if (MatchesAt(screen, templ, col, row)) {
        *x = col;
        *y = row;
        endX = col;
        found = true;
        break;
      }
    }
  }
  return found;
}

// The search of both entry points once the template is at hand.
static int Search(const ImageView& screen, const Bitmap& templ, int& x, int& y) {
  // A start left of or above the screen searches from its edge.
  uint32_t startX = static_cast<uint32_t>(std::max(x, 0));
  uint32_t startY = static_cast<uint32_t>(std::max(y, 0));
  uint32_t foundX, foundY;
  if (!MatchBitmap(screen, templ.View(), startX, startY, &foundX, &foundY)) return -1;
  x = static_cast<int>(foundX);
  y = static_cast<int>(foundY);
  return 0;
}

int FindBitmapOnScreen(uint16_t id, int& x, int& y) {
  Bitmap templ;
  int status = DecodeBitmapFile(SpeechPicture(id), &templ);
  if (status != 0) return status;
  ImageView screen{};
  status = PlatformCaptureScreen(&screen.pixels, &screen.width, &screen.height);
  if (status != 0) return status == -3 ? -3 : -1;
  return Search(screen, templ, x, y);
}

int FindBitmapInImage(const ImageView& screen, uint16_t id, int& x, int& y) {
  Bitmap templ;
  int status = DecodeBitmapFile(SpeechPicture(id), &templ);
  return status != 0 ? status : Search(screen, templ, x, y);
}
