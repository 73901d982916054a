// Captures the screen once through the platform layer and writes its pixels
// to the file named on the command line, row after row from the top, as red,
// green and blue bytes: the form `import -window root rgb:FILE` writes, so the
// two captures can be compared byte for byte.
#include <cstdio>
#include <vector>

#include "platform/platform.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const uint32_t* pixels = nullptr;
  uint32_t width = 0, height = 0;
  if (PlatformCaptureScreen(&pixels, &width, &height) != 0) return 1;
  std::vector<unsigned char> rgb;
  rgb.reserve(size_t{width} * height * 3);
  for (size_t i = 0; i < size_t{width} * height; ++i) {
    rgb.push_back(static_cast<unsigned char>(pixels[i] >> 16));
    rgb.push_back(static_cast<unsigned char>(pixels[i] >> 8));
    rgb.push_back(static_cast<unsigned char>(pixels[i]));
  }
  FILE* out = std::fopen(argv[1], "wb");
  bool written = out != nullptr && std::fwrite(rgb.data(), 1, rgb.size(), out) == rgb.size();
  if (out != nullptr) written = std::fclose(out) == 0 && written;
  std::printf("%ux%u\n", width, height);
  return written ? 0 : 1;
}
