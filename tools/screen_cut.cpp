#include "tools/screen_cut.h"

#include <charconv>
#include <climits>
#include <fstream>

#include "base/text.h"

bool ParseRegion(const std::string& text, Region* region) {
  int* fields[] = {&region->x, &region->y, &region->w, &region->h};
  const char* at = text.data();
  const char* end = text.data() + text.size();
  for (size_t i = 0; i < 4; ++i) {
    if (i > 0 && (at == end || *at++ != ',')) return false;
    if (at == end || *at < '0' || *at > '9') return false;  // no sign, no space
    auto [next, error] = std::from_chars(at, end, *fields[i]);
    if (error != std::errc()) return false;
    at = next;
  }
  return at == end;
}

std::string RegionProblem(const Region& r, uint32_t width, uint32_t height) {
  if (r.w == 0 || r.h == 0) return "empty: its width or height is 0";
  if (int64_t{r.x} + r.w > width || int64_t{r.y} + r.h > height)
    return FormatText("outside the screen (%ux%u)", width, height);
  return {};
}

Bitmap CutRegion(const ImageView& screen, const Region& r) {
  Bitmap picture;
  picture.width = static_cast<uint32_t>(r.w);
  picture.height = static_cast<uint32_t>(r.h);
  for (int y = r.y; y < r.y + r.h; ++y) {
    const uint32_t* row = screen.pixels + static_cast<size_t>(y) * screen.width + r.x;
    picture.pixels.insert(picture.pixels.end(), row, row + r.w);
  }
  return picture;
}

bool WriteBitmapFile(const std::filesystem::path& path, const ImageView& picture) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << EncodeBitmapFile(picture);
  return static_cast<bool>(file.flush());
}
