#include "speech/bitmap_file.h"

#include <new>

static constexpr size_t kFileHeaderSize = 14;
static constexpr uint32_t kInfoHeaderSize = 40;  // later header versions are longer
static constexpr int64_t kMaxSide = 0xFFFF;      // templates are at most 16 bits wide and tall

struct BmpLayout {
  uint32_t width, height, bytesPerPixel;
  bool topDown;
  uint64_t dataOffset, stride;
};

static uint32_t Read32(std::string_view b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

static uint16_t Read16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                               static_cast<unsigned char>(b[at + 1]) << 8);
}

// 32-bit files may name their channels with masks (BI_BITFIELDS) after the
// 40-byte header; only the usual red, green, blue order keeps the pixels plain.
static bool PlainEncoding(std::string_view b, uint32_t bits) {
  uint32_t compression = Read32(b, 30);
  if (compression == 0) return true;
  size_t masks = kFileHeaderSize + kInfoHeaderSize;
  return compression == 3 && bits == 32 && b.size() >= masks + 12 && Read32(b, masks) == 0xFF0000 &&
         Read32(b, masks + 4) == 0xFF00 && Read32(b, masks + 8) == 0xFF;
}

// The layout of the file's pixels, or the reason it has none we can read.
static std::string ReadLayout(std::string_view b, BmpLayout* l) {
  if (b.size() < kFileHeaderSize + kInfoHeaderSize || b[0] != 'B' || b[1] != 'M' ||
      Read16(b, 26) != 1)
    return "not a BMP file";
  if (Read32(b, 14) < kInfoHeaderSize) return "an old BMP header (OS/2), not read";
  uint32_t bits = Read16(b, 28);
  if (bits != 24 && bits != 32) return std::to_string(bits) + " bits per pixel, not 24 or 32";
  if (!PlainEncoding(b, bits)) return "compressed";
  int64_t width = static_cast<int32_t>(Read32(b, 18));
  int64_t height = static_cast<int32_t>(Read32(b, 22));
  l->topDown = height < 0;
  if (height < 0) height = -height;
  if (width < 0) return "negative width";
  if (width > kMaxSide || height > kMaxSide) return "wider or taller than 65535 pixels";
  l->width = static_cast<uint32_t>(width);
  l->height = static_cast<uint32_t>(height);
  l->bytesPerPixel = bits / 8;
  l->dataOffset = Read32(b, 10);
  l->stride = (l->width * l->bytesPerPixel + 3u) & ~3u;
  if (l->dataOffset > b.size() || l->stride * l->height > b.size() - l->dataOffset)
    return "cut short: fewer pixels than its header says";
  return {};
}

int DecodeBitmapFile(std::string_view bytes, Bitmap* out, std::string* reason) {
  BmpLayout l{};
  std::string problem = ReadLayout(bytes, &l);
  if (!problem.empty()) {
    if (reason) *reason = problem;
    return -1;
  }
  try {
    out->pixels.assign(static_cast<size_t>(l.width) * l.height, 0);
  } catch (const std::bad_alloc&) {
    if (reason) *reason = "no memory for its pixels";
    return -2;
  }
  out->width = l.width;
  out->height = l.height;
  for (uint32_t row = 0; row < l.height; ++row) {
    uint32_t fileRow = l.topDown ? row : l.height - 1 - row;
    const char* src = bytes.data() + l.dataOffset + fileRow * l.stride;
    uint32_t* dst = out->pixels.data() + static_cast<size_t>(row) * l.width;
    for (uint32_t col = 0; col < l.width; ++col, src += l.bytesPerPixel) {
      auto blue = static_cast<unsigned char>(src[0]);
      auto green = static_cast<unsigned char>(src[1]);
      auto red = static_cast<unsigned char>(src[2]);
      dst[col] = blue | green << 8 | static_cast<uint32_t>(red) << 16;
    }
  }
  return 0;
}

static void Put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string EncodeBitmapFile(const ImageView& image) {
  uint32_t stride = (image.width * 3u + 3u) & ~3u;
  uint32_t dataSize = stride * image.height;
  std::string out = "BM";
  Put32(out, static_cast<uint32_t>(kFileHeaderSize + kInfoHeaderSize) + dataSize);
  Put32(out, 0);
  Put32(out, static_cast<uint32_t>(kFileHeaderSize + kInfoHeaderSize));
  Put32(out, kInfoHeaderSize);
  Put32(out, image.width);
  Put32(out, image.height);
  Put32(out, 1 | 24 << 16);  // one plane, 24 bits per pixel
  Put32(out, 0);             // no compression
  Put32(out, dataSize);
  Put32(out, 2835);  // 72 dots per inch, as metres
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  for (uint32_t row = image.height; row-- > 0;) {
    const uint32_t* pixel = image.pixels + static_cast<size_t>(row) * image.width;
    for (uint32_t col = 0; col < image.width; ++col) {
      out += static_cast<char>(pixel[col] & 0xFF);
      out += static_cast<char>((pixel[col] >> 8) & 0xFF);
      out += static_cast<char>((pixel[col] >> 16) & 0xFF);
    }
    out.append(stride - image.width * 3u, '\0');
  }
  return out;
}
