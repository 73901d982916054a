// Posters as PNG files, which viewers commonly read: two colours in a
// palette, the image data in stored (uncompressed) deflate blocks, so that
// the sample needs no image library.
#include <algorithm>
#include <cstdint>
#include <sstream>
#include <vector>

#include "tools/sample/sample.h"

namespace {

constexpr int kWidth = 240, kHeight = 340, kScale = 4, kFrame = 8;
constexpr int kGlyphWidth = 5, kGlyphHeight = 7, kAdvance = (kGlyphWidth + 1) * kScale;
constexpr int kLineHeight = (kGlyphHeight + 3) * kScale;
constexpr size_t kLineChars = (kWidth - 2 * kFrame) / kAdvance;

// The rows of a capital, top first, one hexadecimal pair a row (5 bits).
const char* Glyph(char c) {
  static const std::pair<char, const char*> glyphs[] = {
      {'A', "0E11111F111111"}, {'B', "1E11111E11111E"}, {'C', "0E11101010110E"},
      {'D', "1E11111111111E"}, {'E', "1F10101E10101F"}, {'F', "1F10101E101010"},
      {'G', "0E11101711110F"}, {'I', "0E04040404040E"}, {'L', "1010101010101F"},
      {'M', "111B1515111111"}, {'N', "11111915131111"}, {'O', "0E11111111110E"},
      {'R', "1E11111E141211"}, {'S', "0F10100E01011E"}, {'T', "1F040404040404"},
      {'U', "1111111111110E"}, {'V', "11111111110A04"}, {'Y', "11110A04040404"},
      {'\'', "04040800000000"}};
  for (const auto& [letter, rows] : glyphs)
    if (letter == c) return rows;
  return "00000000000000";
}

// The title's words in lines of at most kLineChars characters.
std::vector<std::string> Lines(const std::string& title) {
  std::vector<std::string> lines;
  std::istringstream words(title);
  for (std::string word; words >> word;) {
    if (!lines.empty() && lines.back().size() + 1 + word.size() <= kLineChars)
      lines.back() += " " + word;
    else
      lines.push_back(word.substr(0, kLineChars));
  }
  return lines;
}

// Palette indices, row after row: 0 the background, 1 the frame and letters.
std::vector<char> Pixels(const std::string& title) {
  std::vector<char> pixels(size_t{kWidth} * kHeight, 0);
  auto set = [&](int x, int y) { pixels[size_t(y) * kWidth + size_t(x)] = 1; };
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (x < kFrame || y < kFrame || x >= kWidth - kFrame || y >= kHeight - kFrame) set(x, y);
  std::vector<std::string> lines = Lines(title);
  int top = (kHeight - static_cast<int>(lines.size()) * kLineHeight) / 2;
  for (size_t l = 0; l < lines.size(); ++l) {
    int left = (kWidth - static_cast<int>(lines[l].size()) * kAdvance + kScale) / 2;
    for (size_t k = 0; k < lines[l].size(); ++k) {
      const char* rows = Glyph(lines[l][k]);
      for (int r = 0; r < kGlyphHeight; ++r) {
        int bits = std::stoi(std::string(rows + 2 * r, 2), nullptr, 16);
        for (int c = 0; c < kGlyphWidth; ++c) {
          if (!(bits & (1 << (kGlyphWidth - 1 - c)))) continue;
          for (int d = 0; d < kScale * kScale; ++d)
            set(left + int(k) * kAdvance + c * kScale + d % kScale,
                top + int(l) * kLineHeight + r * kScale + d / kScale);
        }
      }
    }
  }
  return pixels;
}

uint32_t Crc32(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFF;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

void Put32(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(v >> shift);
}

void Chunk(std::string& png, const char* type, const std::string& data) {
  Put32(png, static_cast<uint32_t>(data.size()));
  std::string body = type + data;
  png += body;
  Put32(png, Crc32(body));
}

// A zlib stream of stored blocks.
std::string Zlib(const std::string& raw) {
  std::string out = "\x78\x01";
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) a = (a + c) % 65521, b = (b + a) % 65521;
  for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
    size_t n = std::min<size_t>(65535, raw.size() - at);
    out += static_cast<char>(at + n >= raw.size());
    for (uint32_t v : {uint32_t(n), uint32_t(~n & 0xFFFF)}) {
      out += static_cast<char>(v & 0xFF);
      out += static_cast<char>((v >> 8) & 0xFF);
    }
    out.append(raw, at, n);
  }
  Put32(out, (b << 16) | a);
  return out;
}

}  // namespace

std::string PosterPng(const std::string& title, uint32_t background) {
  std::string png = "\x89PNG\r\n\x1a\n", header;
  Put32(header, kWidth);
  Put32(header, kHeight);
  header += std::string("\x08\x03\x00\x00\x00", 5);  // 8 bits, palette
  Chunk(png, "IHDR", header);
  std::string palette;
  for (uint32_t colour : {background, uint32_t{0xF4EEE0}})
    for (int shift = 16; shift >= 0; shift -= 8) palette += static_cast<char>(colour >> shift);
  Chunk(png, "PLTE", palette);
  std::vector<char> pixels = Pixels(title);
  std::string raw;
  for (int y = 0; y < kHeight; ++y) {
    raw += '\0';  // no filter
    raw.append(pixels.data() + size_t(y) * kWidth, kWidth);
  }
  Chunk(png, "IDAT", Zlib(raw));
  Chunk(png, "IEND", "");
  return png;
}
