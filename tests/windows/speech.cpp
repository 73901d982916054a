// The screen, the stored bitmaps and the synthetic input of platform/windows,
// and Speak end to end, against the Win32 stand-in of the speech page.
#include <gtest/gtest.h>

#include "speech/bitmap_file.h"
#include "speech/locator.h"
#include "speech/speak.h"
#include "tests/windows/processes.h"

class SpeechPage : public ::testing::Test {
 protected:
  void TearDown() override {
    if (page) {
      if (HWND window = FindWindowW(L"billora_speech_page", nullptr))
        PostMessageW(window, WM_CLOSE, 0, 0);
      if (WaitProgram(page, 5000) < 0) TerminateProcess(page, 1);
      CloseHandle(page);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }

  // The page on the screen, in the foreground, with `options`.
  void Show(const std::wstring& options = L"") {
    folder = NewFolder();
    log = folder + L"\\page.log";
    page = StartProgram(BuildPath(L"tests\\windows\\speech-page.exe"), Quote(log) + L" " + options);
    ASSERT_NE(page, nullptr);
    for (int i = 0; i < 2000 && !FindWindowW(L"billora_speech_page", nullptr); ++i) Sleep(10);
    Sleep(500);  // painted
  }
  // The log once a line begins with `until`, or after 5 s: input reaches the
  // page in its own time.
  std::vector<std::string> Log(const std::string& until) {
    std::vector<std::string> lines;
    for (int i = 0; i < 50; ++i, Sleep(100)) {
      lines = ReadLines(ToUtf8(log));
      for (const std::string& line : lines)
        if (line.starts_with(until)) return lines;
    }
    return lines;
  }

  std::wstring folder, log;
  HANDLE page = nullptr;
};

// Decoded bitmap `id` of the executable's resources.
static Bitmap Stored(uint16_t id) {
  Bitmap bitmap;
  EXPECT_EQ(DecodeBitmapFile(PlatformBitmapResource(id), &bitmap), 0) << id;
  return bitmap;
}

TEST_F(SpeechPage, TheCaptureHoldsTheStoredBitmapsPixelForPixel) {
  Show();
  const uint32_t* pixels = nullptr;
  uint32_t width = 0, height = 0;
  ASSERT_EQ(PlatformCaptureScreen(&pixels, &width, &height), 0);
  EXPECT_EQ(width, 1920u);
  EXPECT_EQ(height, 1080u);
  struct Place {
    uint16_t id;
    uint32_t x, y;
  };
  for (Place place : {Place{101, 60, 40}, Place{103, 60, 100}, Place{102, 60, 450}}) {
    Bitmap bitmap = Stored(place.id);
    ASSERT_GT(bitmap.width, 0u);
    int differ = 0;
    for (uint32_t row = 0; row < bitmap.height; ++row)
      for (uint32_t col = 0; col < bitmap.width; ++col)
        differ += (pixels[(place.y + row) * width + place.x + col] & 0xFFFFFF) !=
                  (bitmap.pixels[row * bitmap.width + col] & 0xFFFFFF);
    EXPECT_EQ(differ, 0) << place.id;
  }
  EXPECT_EQ(pixels[5 * width + 5] & 0xFFFFFF, 0xFFFFFFu);  // the page's white
  int x = 0, y = 0;
  EXPECT_EQ(FindBitmapOnScreen(101, x, y), 0);
  EXPECT_EQ(x, 60);
  EXPECT_EQ(y, 40);
  EXPECT_TRUE(PlatformBitmapResource(106).empty());
}

TEST_F(SpeechPage, AccentedFrenchArrivesExactly) {
  Show();
  std::wstring text = L"Ce soir à 20h30 : « Cœur d’été », théâtre — entrée libre ÿ!";
  EXPECT_EQ(Speak(ToLatin1(text)), 0);
  std::vector<std::string> log = Log("play");
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(),
            "play " + ToUtf8(L"Ce soir à 20h30 : « Coeur d'été », théâtre - entrée libre ÿ!"));
  int extendedKeys = 0, letters = 0;
  for (const std::string& line : log) {
    extendedKeys += line.ends_with(" extended");
    letters += line == "key 69";
  }
  EXPECT_EQ(extendedKeys, 1 + 1 + 200 + 200);  // Home, Escape, Left and Delete
  EXPECT_EQ(letters, 2);
}

TEST_F(SpeechPage, WithoutTheIconsNothingIsSent) {
  Show(L"--no-icons");
  EXPECT_EQ(Speak("Bonjour"), -1);
  std::vector<std::string> log = Log("click");
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "ready");
}

TEST_F(SpeechPage, WithoutAPlayButtonTheTextIsTypedButNotPlayed) {
  Show(L"--no-play");
  EXPECT_EQ(Speak("Bonjour"), -2);
  std::vector<std::string> log = Log("char 114");
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "char 114");  // the last 'r', and no play
}
