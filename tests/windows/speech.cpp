// The screen, the stored bitmaps and the synthetic input of platform/windows,
// Speak end to end, and billora-bitmaps.exe cutting the pictures of a venue's
// page, against the Win32 stand-in of the speech page.
#include <gtest/gtest.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <fstream>

#include <algorithm>

#include "speech/bitmap_file.h"
#include "speech/locator.h"
#include "speech/page_pictures.h"
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
  EXPECT_EQ(PlatformCaptureError(), "");  // Wine's session is never locked
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

// A screenshot saved as PNG through the Windows Imaging Component.
static bool WritePng(const std::wstring& path, const Bitmap& image) {
  using Microsoft::WRL::ComPtr;
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
  std::vector<uint32_t> pixels = image.pixels;
  return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(&factory))) &&
         SUCCEEDED(factory->CreateStream(&stream)) &&
         SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
         SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
         SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) &&
         SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) &&
         SUCCEEDED(frame->Initialize(nullptr)) &&
         SUCCEEDED(frame->SetSize(image.width, image.height)) &&
         SUCCEEDED(frame->SetPixelFormat(&format)) && format == GUID_WICPixelFormat32bppBGR &&
         SUCCEEDED(frame->WritePixels(image.height, image.width * 4, image.width * image.height * 4,
                                      reinterpret_cast<BYTE*>(pixels.data()))) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

static Bitmap ReadBmp(const std::wstring& path) {
  std::string bytes;
  Bitmap bitmap;
  if (PlatformReadFile(path, 1 << 24, &bytes) == 0) DecodeBitmapFile(bytes, &bitmap);
  return bitmap;
}

// The region of screen at x, y as large as stored bitmap id, and its pixels.
struct Cut {
  uint16_t id;
  int x, y;
  Bitmap Pixels(const Bitmap& screen) const {
    Bitmap stored = Stored(id), cut;
    cut.width = stored.width;
    cut.height = stored.height;
    for (uint32_t row = 0; row < cut.height; ++row)
      for (uint32_t col = 0; col < cut.width; ++col)
        cut.pixels.push_back(screen.pixels[(y + row) * screen.width + x + col] & 0xFFFFFF);
    return cut;
  }
  std::wstring Option() const {
    Bitmap stored = Stored(id);
    return FromUtf8(FormatText(" --%s %d,%d,%u,%u", id == 101 ? "icon" : "play", x, y, stored.width,
                               stored.height));
  }
};

// As at a venue: the tool in a folder of accented name where billora.exe
// would be, run on the live screen and on saved BMP and PNG screenshots; with
// the pictures it wrote into speech\ beside it, Speak finds the page that the
// stored pictures do not.
TEST_F(SpeechPage, TheBitmapsToolCutsTheVenuesPageAndSpeakThenFindsIt) {
  Show(L"--venue-page");
  EXPECT_EQ(Speak("Bonjour"), -1);
  std::wstring venue = folder + L"\\Théâtre", speech = venue + L"\\speech";
  std::filesystem::create_directory(venue);
  std::wstring tool = venue + L"\\billora-bitmaps.exe";
  ASSERT_TRUE(CopyFileW(BuildPath(L"tools\\billora-bitmaps.exe").c_str(), tool.c_str(), FALSE));
  const Cut cuts[] = {{101, 60, 40}, {102, 60, 450}};
  std::wstring regions = cuts[0].Option() + cuts[1].Option();
  auto run = [&](const std::wstring& arguments) {
    HANDLE process = StartProgram(tool, arguments + regions, folder + L"\\tool.txt");
    int code = process ? WaitProgram(process, 60000) : -1;
    if (process) CloseHandle(process);
    std::ifstream output(std::filesystem::path(folder + L"\\tool.txt"), std::ios::binary);
    return std::make_pair(code, std::string(std::istreambuf_iterator<char>(output), {}));
  };

  auto [code, output] = run(L"");
  EXPECT_EQ(code, 0) << output;
  EXPECT_TRUE(output.starts_with("screen: 1920x1080\nwrote " + ToUtf8(speech) + "\\101.bmp"))
      << output;
  const uint32_t* pixels = nullptr;
  Bitmap screen;
  ASSERT_EQ(PlatformCaptureScreen(&pixels, &screen.width, &screen.height), 0);
  screen.pixels.assign(pixels, pixels + screen.width * screen.height);
  for (const Cut& cut : cuts)
    EXPECT_EQ(ReadBmp(speech + L"\\" + std::to_wstring(cut.id) + L".bmp").pixels,
              cut.Pixels(screen).pixels)
        << cut.id;

  std::ofstream(std::filesystem::path(folder + L"\\shot.bmp"), std::ios::binary)
      << EncodeBitmapFile(screen.View());
  ASSERT_TRUE(WritePng(folder + L"\\shot.png", screen));
  for (const wchar_t* shot : {L"shot.bmp", L"shot.png"}) {
    std::wstring out = venue + L"\\" + shot;
    std::tie(code, output) =
        run(L"--from " + Quote(folder + L"\\" + shot) + L" --out " + Quote(out));
    EXPECT_EQ(code, 0) << output;
    for (const Cut& cut : cuts)
      EXPECT_EQ(ReadBmp(out + L"\\" + std::to_wstring(cut.id) + L".bmp").pixels,
                cut.Pixels(screen).pixels)
          << ToUtf8(shot) << " " << cut.id;
  }
  std::ofstream(std::filesystem::path(folder + L"\\bad.png"), std::ios::binary)
      << "\x89PNG\r\n\x1a\n and then nothing of the kind";
  std::tie(code, output) = run(L"--from " + Quote(folder + L"\\bad.png"));
  EXPECT_EQ(code, 2);
  EXPECT_NE(output.find("bad.png: not a readable PNG file (Windows Imaging Component error 0x"),
            std::string::npos)
      << output;

  EXPECT_EQ(LoadSpeechPictures(speech), (std::vector<uint16_t>{101, 102}));
  EXPECT_EQ(Speak("Bonjour"), 0);
  std::vector<std::string> log = Log("play");
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "play Bonjour");
  LoadSpeechPictures(L"");  // the stored pictures again
}

// Typed characters share the input queue with the Delete presses before them:
// a page slow to take its input still gets the text after the clearing.
TEST_F(SpeechPage, TheTextFollowsTheClearingOnASlowPage) {
  Show(L"--slow-input 2");
  EXPECT_EQ(Speak("Bonjour \xE9t\xE9 \xFF"), 0);
  std::vector<std::string> log = Log("play");
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "play " + ToUtf8(L"Bonjour été ÿ"));
  // From the click into the field on: the page's own E keys type before it.
  auto field = std::find(log.begin(), log.end(), "click 65,240");
  ASSERT_NE(field, log.end());
  auto firstChar = std::find_if(field, log.end(),
                                [](const std::string& line) { return line.starts_with("char "); });
  auto lastDelete = std::find(log.rbegin(), log.rend(), "key 46 extended");
  ASSERT_NE(lastDelete, log.rend());
  EXPECT_LT(lastDelete.base() - log.begin(), firstChar - log.begin());
}

// A window that takes the foreground after the first click gets no key and
// no click, Play is not pressed, and the console ends with err2.
TEST_F(SpeechPage, AWindowThatTookTheForegroundGetsNothingAndPlayIsNotPressed) {
  Show(L"--steal-focus");
  std::wstring output = folder + L"\\billora.txt";
  HANDLE file = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            0, nullptr);
  HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, file);
  int result = Speak("Bonjour");
  SetStdHandle(STD_OUTPUT_HANDLE, saved);
  CloseHandle(file);
  EXPECT_EQ(result, -2);
  EXPECT_EQ(ReadLines(ToUtf8(output)),
            (std::vector<std::string>{"SPEAK(Bonjour)", "speech page not in front, input stopped",
                                      "err2"}));
  Sleep(1000);  // input still on its way
  // The Home key right after the click reached the page before the pop-up.
  EXPECT_EQ(ReadLines(ToUtf8(log)),
            (std::vector<std::string>{"ready", "click 65,140", "key 36 extended"}));
}
