#include <gtest/gtest.h>

#include <random>

#include "platform/fake/fake_platform.h"
#include "speech/bitmap_file.h"
#include "speech/locator.h"
#include "tests/support/screen_image.h"

// The search exactly as specified: every position column by column, each
// template compared column by column.
static bool PlainMatch(const ImageView& s, const ImageView& t, uint32_t startX, uint32_t startY,
                       uint32_t* x, uint32_t* y) {
  for (int64_t i = startX; i < int64_t{s.width} - t.width; ++i)
    for (int64_t j = startY; j < int64_t{s.height} - t.height; ++j) {
      bool equal = true;
      for (uint32_t a = 0; a < t.width && equal; ++a)
        for (uint32_t b = 0; b < t.height && equal; ++b)
          equal =
              ((t.pixels[b * t.width + a] ^ s.pixels[(j + b) * s.width + i + a]) & 0xFFFFFF) == 0;
      if (equal) {
        *x = static_cast<uint32_t>(i);
        *y = static_cast<uint32_t>(j);
        return true;
      }
    }
  return false;
}

// A small template with a distinctive pattern, framed in white like the page's pictures.
static TestImage Pattern() {
  TestImage t(6, 5);
  t.At(2, 1) = 0xE7501E;
  t.At(3, 2) = 0x008DD0;
  t.At(2, 3) = 0x767676;
  return t;
}

struct Found {
  bool found;
  uint32_t x, y;
  bool operator==(const Found&) const = default;
};

static Found Match(const TestImage& screen, const TestImage& templ, uint32_t sx = 0,
                   uint32_t sy = 0) {
  Found f{false, 9999, 9999};
  f.found = MatchBitmap(screen.View(), templ.View(), sx, sy, &f.x, &f.y);
  return f;
}

TEST(MatchBitmap, SmallestColumnWinsWhateverItsRow) {
  TestImage screen(400, 600), t = Pattern();
  screen.Paint(t.View(), 200, 10);
  screen.Paint(t.View(), 100, 500);
  EXPECT_EQ(Match(screen, t), (Found{true, 100, 500}));
}

TEST(MatchBitmap, SmallestRowWinsWithinAColumn) {
  TestImage screen(400, 600), t = Pattern();
  screen.Paint(t.View(), 50, 300);
  screen.Paint(t.View(), 50, 40);
  EXPECT_EQ(Match(screen, t), (Found{true, 50, 40}));
}

TEST(MatchBitmap, SearchesOnlyRightOfAndBelowTheStart) {
  TestImage screen(400, 600), t = Pattern();
  screen.Paint(t.View(), 80, 150);
  EXPECT_FALSE(Match(screen, t, 60, 200).found);
  screen.Paint(t.View(), 80, 250);
  EXPECT_EQ(Match(screen, t, 60, 200), (Found{true, 80, 250}));
  EXPECT_EQ(Match(screen, t, 80, 250), (Found{true, 80, 250}));
  EXPECT_FALSE(Match(screen, t, 81, 0).found);
}

TEST(MatchBitmap, CopiesFlushWithTheRightOrBottomEdgeAreNeverFound) {
  TestImage t = Pattern();
  TestImage right(100, 80);
  right.Paint(t.View(), 100 - 6, 30);
  EXPECT_FALSE(Match(right, t).found);
  right.Paint(t.View(), 100 - 7, 30);
  EXPECT_EQ(Match(right, t), (Found{true, 93, 30}));
  TestImage bottom(100, 80);
  bottom.Paint(t.View(), 20, 80 - 5);
  EXPECT_FALSE(Match(bottom, t).found);
  TestImage whole(6, 5);  // the template fills the screen: no position to try
  whole.Paint(t.View(), 0, 0);
  EXPECT_FALSE(Match(whole, t).found);
}

TEST(MatchBitmap, ComparesTheLow24BitsExactly) {
  TestImage screen(50, 40), t = Pattern();
  screen.Paint(t.View(), 10, 10);
  for (uint32_t& p : screen.pixels) p |= 0xAB000000;  // the top byte is never compared
  EXPECT_EQ(Match(screen, t), (Found{true, 10, 10}));
  screen.At(13, 12) ^= 0x000001;  // the lowest blue bit is
  EXPECT_FALSE(Match(screen, t).found);
}

TEST(MatchBitmap, EmptyTemplateMatchesAtTheStartWithinTheLimits) {
  TestImage screen(50, 40), wide(0, 3), tall(3, 0);
  EXPECT_EQ(Match(screen, wide, 7, 9), (Found{true, 7, 9}));
  EXPECT_EQ(Match(screen, tall, 46, 39), (Found{true, 46, 39}));
  EXPECT_FALSE(Match(screen, tall, 47, 0).found);
  EXPECT_FALSE(Match(screen, wide, 0, 37).found);
}

TEST(MatchBitmap, ReadsNothingWhenThereIsNoPositionToTry) {
  // A null screen would crash at the first read.
  ImageView screen{nullptr, 100, 80};
  TestImage t = Pattern(), huge(101, 2);
  uint32_t x = 1, y = 2;
  EXPECT_FALSE(MatchBitmap(screen, t.View(), 94, 0, &x, &y));
  EXPECT_FALSE(MatchBitmap(screen, t.View(), 0, 75, &x, &y));
  EXPECT_FALSE(MatchBitmap(screen, huge.View(), 0, 0, &x, &y));
  EXPECT_FALSE(MatchBitmap(ImageView{nullptr, 0, 0}, t.View(), 0, 0, &x, &y));
  EXPECT_EQ(x, 1u);
  EXPECT_EQ(y, 2u);
}

// Screens of few colours hold many near copies; the fast search must give the
// same answer as the plain one in every case.
TEST(MatchBitmap, AgreesWithThePlainSearchOnRandomScreens) {
  std::mt19937 random(20240531);
  auto below = [&](uint32_t n) { return n == 0 ? 0u : static_cast<uint32_t>(random() % n); };
  int found = 0;
  for (int round = 0; round < 3000; ++round) {
    uint32_t colours = 2 + below(3);
    TestImage screen(1 + below(70), 1 + below(50));
    for (uint32_t& p : screen.pixels) p = below(colours) * 0x405060 | (random() & 0xFF000000);
    TestImage t(below(screen.width + 2), below(screen.height + 2));
    uint32_t cutX = below(screen.width - std::min(t.width, screen.width) + 1);
    uint32_t cutY = below(screen.height - std::min(t.height, screen.height) + 1);
    for (uint32_t k = 0; k < t.height; ++k)
      for (uint32_t j = 0; j < t.width; ++j)
        t.At(j, k) = j + cutX < screen.width && k + cutY < screen.height
                         ? screen.At(j + cutX, k + cutY) ^ (random() & 0xFF000000)
                         : below(colours) * 0x405060;
    for (int copies = below(4); copies > 0 && t.width < screen.width && t.height < screen.height;
         --copies)
      screen.Paint(t.View(), below(screen.width - t.width + 1),
                   below(screen.height - t.height + 1));
    if (below(4) == 0 && !t.pixels.empty()) t.pixels[below(t.pixels.size())] ^= 1;
    uint32_t sx = below(screen.width / 2 + 1), sy = below(screen.height / 2 + 1);
    Found fast{false, 0, 0}, plain{false, 0, 0};
    fast.found = MatchBitmap(screen.View(), t.View(), sx, sy, &fast.x, &fast.y);
    plain.found = PlainMatch(screen.View(), t.View(), sx, sy, &plain.x, &plain.y);
    ASSERT_EQ(fast, plain) << "round " << round;
    found += plain.found;
  }
  EXPECT_GT(found, 500);  // the rounds exercise matches as well as misses
}

TEST(BitmapFile, DecodesBottomUpAndTopDownRowsWithPadding) {
  TestImage image(3, 2);  // 9 bytes a row, padded to 12
  image.At(0, 0) = 0x010203;
  image.At(2, 1) = 0xE7501E;
  std::string file = EncodeBitmapFile(image.View());
  ASSERT_EQ(file.size(), 54u + 24u);
  Bitmap b;
  ASSERT_EQ(DecodeBitmapFile(file, &b), 0);
  EXPECT_EQ(b.width, 3u);
  EXPECT_EQ(b.height, 2u);
  EXPECT_EQ(b.pixels, image.pixels);
  // The same file stored top-down: negative height, rows swapped.
  std::string topDown = file.substr(0, 54) + file.substr(66, 12) + file.substr(54, 12);
  topDown[22] = static_cast<char>(0xFE), topDown[23] = topDown[24] = topDown[25] = '\xFF';
  ASSERT_EQ(DecodeBitmapFile(topDown, &b), 0);
  EXPECT_EQ(b.pixels, image.pixels);
}

TEST(BitmapFile, RejectsWhatIsNotACompleteUncompressedFileAndSaysWhy) {
  std::string good = EncodeBitmapFile(TestImage(5, 4).View());
  Bitmap b;
  ASSERT_EQ(DecodeBitmapFile(good, &b), 0);
  auto reason = [&](const std::string& file) {
    std::string why;
    return DecodeBitmapFile(file, &b, &why) == -1 ? why : "decoded";
  };
  auto with = [&](size_t at, char value) {
    std::string file = good;
    file[at] = value;
    return reason(file);
  };
  EXPECT_EQ(reason(""), "not a BMP file");
  EXPECT_EQ(reason(good.substr(0, 40)), "not a BMP file");
  EXPECT_EQ(with(0, 'X'), "not a BMP file");
  EXPECT_EQ(reason(good.substr(0, good.size() - 1)),
            "cut short: fewer pixels than its header says");  // a byte short
  EXPECT_EQ(with(28, 8), "8 bits per pixel, not 24 or 32");
  EXPECT_EQ(with(28, 32), "cut short: fewer pixels than its header says");  // 4 bytes a pixel
  EXPECT_EQ(with(30, 1), "compressed");
  EXPECT_EQ(with(30, 3), "compressed");  // channel masks, but 24 bits
  EXPECT_EQ(with(21, '\x80'), "negative width");
  EXPECT_EQ(with(20, 1), "wider or taller than 65535 pixels");             // 65541 wide
  EXPECT_EQ(with(13, 1), "cut short: fewer pixels than its header says");  // pixels past the end
  EXPECT_EQ(with(14, 12), "an old BMP header (OS/2), not read");
}

class FindOnScreen : public ::testing::Test {
 protected:
  void SetUp() override { FakeReset(); }
};

TEST_F(FindOnScreen, FindsStoredBitmapsAndKeepsXYOnEveryFailure) {
  TestImage screen(800, 600);
  screen.Paint(StoredPicture(102).View(), 340, 400);
  ShowOnFakeScreen(screen);
  int x = 300, y = 120;
  EXPECT_EQ(FindBitmapOnScreen(101, x, y), -1);  // not on the screen
  EXPECT_EQ(FindBitmapOnScreen(999, x, y), -1);  // no such bitmap
  fake.bitmaps[104] = "BM broken";
  EXPECT_EQ(FindBitmapOnScreen(104, x, y), -1);
  EXPECT_EQ(FindBitmapOnScreen(102, x = 341, y = 0), -1);  // left of the start
  EXPECT_EQ(x, 341);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(FindBitmapOnScreen(102, x = -50, y = -1), 0);  // a start off screen is its edge
  EXPECT_EQ(x, 340);
  EXPECT_EQ(y, 400);
  fake.screenWidth = 0;  // no display
  EXPECT_EQ(FindBitmapOnScreen(102, x = 5, y = 6), -1);
  EXPECT_EQ(x, 5);
  EXPECT_EQ(y, 6);
}

TEST(StoredBitmaps, AreThePicturesOfTheSpeechPage) {
  Bitmap icon = StoredPicture(101), heading = StoredPicture(103);
  Bitmap play = StoredPicture(102), play2 = StoredPicture(104), play3 = StoredPicture(105);
  ASSERT_EQ(icon.width * 100 + icon.height, 4538u);
  ASSERT_EQ(heading.width * 100 + heading.height, 13068u);
  for (const Bitmap* b : {&play, &play2, &play3}) ASSERT_EQ(b->width * 100 + b->height, 3727u);
  auto at = [](const Bitmap& b, uint32_t x, uint32_t y) { return b.pixels[y * b.width + x]; };
  auto has = [](const Bitmap& b, uint32_t colour) {
    return std::find(b.pixels.begin(), b.pixels.end(), colour) != b.pixels.end();
  };
  EXPECT_EQ(at(icon, 0, 0), 0xFFFFFFu);
  EXPECT_TRUE(has(icon, 0xE7501E));  // the orange bubble
  EXPECT_TRUE(has(heading, 0xE7501E));
  EXPECT_TRUE(has(heading, 0x767676));   // the grey caption
  EXPECT_EQ(at(play, 0, 0), 0x008DD0u);  // the blue button
  EXPECT_EQ(at(play, 12, 13), 0x008DD0u);
  EXPECT_EQ(at(play, 13, 13), 0xFFFFFFu);  // the triangle's left edge
  EXPECT_EQ(at(play2, 13, 13), 0x008DD0u);
  EXPECT_EQ(at(play2, 14, 13), 0xFFFFFFu);
  EXPECT_EQ(play2.pixels, play3.pixels);
  // Each picture is found only where it is: the icon is not part of the heading.
  uint32_t x, y;
  TestImage page(300, 200);
  page.Paint(heading.View(), 10, 10);
  EXPECT_FALSE(MatchBitmap(page.View(), icon.View(), 0, 0, &x, &y));
  EXPECT_FALSE(MatchBitmap(page.View(), play.View(), 0, 0, &x, &y));
}
