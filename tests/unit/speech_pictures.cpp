// The venue's own pictures of its speech page, taken from speech/ at start.
#include <gtest/gtest.h>

#include <string>

#include "platform/fake/fake_platform.h"
#include "speech/bitmap_file.h"
#include "speech/locator.h"
#include "speech/page_pictures.h"
#include "speech/speak.h"
#include "tests/support/screen_image.h"

TEST(BitmapFile, Decodes32BitFilesWithAndWithoutTheUsualMasks) {
  TestImage image = VenuePicture(5, 3);
  Bitmap b;
  for (bool masks : {false, true}) {
    ASSERT_EQ(DecodeBitmapFile(EncodeBitmapFile32(image.View(), masks), &b), 0) << masks;
    EXPECT_EQ(b.width * 10 + b.height, 53u);
    EXPECT_EQ(b.pixels, image.pixels);  // the fourth byte dropped
  }
  std::string swapped = EncodeBitmapFile32(image.View(), true);
  swapped[54] = swapped[56] = 0;  // blue and red masks exchanged
  swapped[56 + 8] = '\xFF';
  std::string why;
  EXPECT_EQ(DecodeBitmapFile(swapped, &b, &why), -1);
  EXPECT_EQ(why, "compressed");
}

class VenuePictures : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeReset();
    LoadSpeechPictures(L"/nowhere");  // forget what another test took
    FakeTakeConsole();
  }
  void TearDown() override { LoadSpeechPictures(L"/nowhere"); }

  void Supply(uint16_t id, const std::string& bytes) {
    std::wstring path = L"/venue/speech/" + std::to_wstring(id) + L".bmp";
    fake.files.insert(path);
    fake.fileContents[path] = bytes;
  }
  // The page with pictures the stored bitmaps do not match: the venue's
  // icon at (300, 120) and its play button at (340, 400).
  void ShowVenuePage(uint32_t width = 800, uint32_t height = 600) {
    TestImage page(width, height);
    page.Paint(icon_.View(), 300, 120);
    page.Paint(play_.View(), 340, 400);
    ShowOnFakeScreen(page);
  }
  std::string ClickLine() {
    std::string clicks;
    for (const std::string& e : fake.events)
      if (e.rfind("cursor ", 0) == 0) clicks += e.substr(7) + " ";
    return clicks;
  }

  TestImage icon_ = VenuePicture(40, 30), play_ = VenuePicture(30, 20, 0x3040C0);
};

TEST_F(VenuePictures, SpeakFindsTheVenuePageOnlyWithItsPictures) {
  ShowVenuePage();
  EXPECT_EQ(LoadSpeechPictures(SpeechPictureFolder()), std::vector<uint16_t>{});
  EXPECT_EQ(FakeTakeConsole(),
            "Speech pictures from /venue/speech: none; stored: 101 102 103 104 105\n");
  EXPECT_EQ(Speak("Coucou"), -1);
  EXPECT_EQ(FakeTakeConsole(), "SPEAK(Coucou)err1\r\n");

  Supply(101, EncodeBitmapFile(icon_.View()));
  Supply(102, EncodeBitmapFile32(play_.View(), true));
  EXPECT_EQ(LoadSpeechPictures(SpeechPictureFolder()), (std::vector<uint16_t>{101, 102}));
  EXPECT_EQ(FakeTakeConsole(),
            "Speech pictures from /venue/speech: 101 102; stored: 103 104 105\n");
  fake.events.clear();
  EXPECT_EQ(Speak("Coucou"), 0);
  EXPECT_EQ(FakeTakeConsole(), "SPEAK(Coucou)OK\r\n");
  EXPECT_EQ(ClickLine(), "305,220 305,320 345,405 ");
}

TEST_F(VenuePictures, APartialSetKeepsTheStoredPicturesForTheRest) {
  TestImage page(800, 600);
  page.Paint(icon_.View(), 300, 120);
  page.Paint(StoredPicture(104).View(), 340, 400);
  ShowOnFakeScreen(page);
  Supply(103, EncodeBitmapFile(icon_.View()));  // the second choice of anchor only
  EXPECT_EQ(LoadSpeechPictures(SpeechPictureFolder()), std::vector<uint16_t>{103});
  EXPECT_EQ(FakeTakeConsole(),
            "Speech pictures from /venue/speech: 103; stored: 101 102 104 105\n");
  EXPECT_EQ(SpeechPicture(101), StoredBitmap(101));
  EXPECT_EQ(Speak("Coucou"), 0);
  EXPECT_EQ(ClickLine(), "305,220 305,320 345,405 ");
}

TEST_F(VenuePictures, EachBadFileIsNamedWithItsReasonAndTheStoredOneUsed) {
  ShowVenuePage(640, 480);
  std::string good = EncodeBitmapFile(icon_.View());
  std::string eightBits = good;
  eightBits[28] = 8;
  Supply(101, eightBits);
  Supply(102, EncodeBitmapFile(TestImage(0, 7).View()));
  Supply(103, EncodeBitmapFile(TestImage(641, 10).View()));
  fake.files.insert(L"/venue/speech/104.bmp");  // there, but not readable
  Supply(105, good.substr(0, good.size() - 3));
  EXPECT_EQ(LoadSpeechPictures(SpeechPictureFolder()), std::vector<uint16_t>{});
  EXPECT_EQ(FakeTakeConsole(),
            "/venue/speech/101.bmp: 8 bits per pixel, not 24 or 32; the stored picture is used\n"
            "/venue/speech/102.bmp: empty, no pixels; the stored picture is used\n"
            "/venue/speech/103.bmp: 641x10, larger than the screen (640x480); the stored "
            "picture is used\n"
            "/venue/speech/104.bmp: cannot be read; the stored picture is used\n"
            "/venue/speech/105.bmp: cut short: fewer pixels than its header says; the stored "
            "picture is used\n"
            "Speech pictures from /venue/speech: none; stored: 101 102 103 104 105\n");
  for (uint16_t id = 101; id <= 105; ++id) EXPECT_EQ(SpeechPicture(id), StoredBitmap(id)) << id;
  EXPECT_EQ(Speak("Coucou"), -1);
}

TEST_F(VenuePictures, AFileLargerThanAScreenCouldHoldIsNotReadAtAll) {
  ShowOnFakeScreen(TestImage(64, 48));
  Supply(101, std::string(64 * 48 * 4 + 64 * 1024 + 1, 'B'));
  LoadSpeechPictures(SpeechPictureFolder());
  EXPECT_EQ(FakeTakeConsole(),
            "/venue/speech/101.bmp: too large for a picture of the screen; the stored picture "
            "is used\nSpeech pictures from /venue/speech: none; stored: 101 102 103 104 105\n");
}

TEST_F(VenuePictures, WithoutADisplayAtStartOnlyTheFileItselfIsChecked) {
  Supply(105, EncodeBitmapFile(TestImage(2000, 3).View()));
  EXPECT_EQ(LoadSpeechPictures(SpeechPictureFolder()), std::vector<uint16_t>{105});
  EXPECT_EQ(FakeTakeConsole(),
            "Speech pictures from /venue/speech: 105; stored: 101 102 103 104\n");
}
