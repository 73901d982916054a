// billora-bitmaps on saved screenshots and on a live Xvfb screen, and the
// display program speaking with the pictures it wrote.
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "speech/bitmap_file.h"
#include "tests/support/mdb_file.h"
#include "tests/support/screen_image.h"
#include "tests/support/terminal_child.h"
#include "tests/support/x_session.h"  // after gtest: Xlib defines None

namespace {

const std::string kTool = BILLORA_TOOLS_DIR "/billora-bitmaps";

// The venue's page: its icon at (300, 120), its play button at (340, 400).
struct VenuePage {
  TestImage icon = VenuePicture(40, 30), play = VenuePicture(30, 20, 0x3040C0);
  TestImage screen{800, 600};
  VenuePage() {
    screen.Paint(icon.View(), 300, 120);
    screen.Paint(play.View(), 340, 400);
  }
};

const char kRegions[] = " --icon 300,120,40,30 --play 340,400,30,20";
const char kSpeakFinds[] =
    "The program will find the icon 101 at 300,120 and click at 305,220 and 305,320,\n"
    "then find the play button 102 at 340,400 and click at 345,405.\n";

bool WritePng(const std::string& path, const TestImage& image) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = image.width;
  png.height = image.height;
  png.format = PNG_FORMAT_BGRA;
  std::vector<uint32_t> opaque = image.pixels;
  for (uint32_t& p : opaque) p |= 0xFF000000u;
  return png_image_write_to_file(&png, path.c_str(), 0, opaque.data(), 0, nullptr);
}

Bitmap ReadBmp(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  Bitmap b;
  DecodeBitmapFile(bytes, &b);
  return b;
}

CommandResult Tool(const std::string& arguments) {
  return RunCommand(ShellQuote(kTool) + " " + arguments + " 2>&1");
}

TEST(BitmapsTool, CutsFromSavedPngAndBmpScreenshotsAndFindsEachPicture) {
  VenuePage page;
  std::string dir = MakeTempDir();
  ASSERT_TRUE(WritePng(dir + "/shot.png", page.screen));
  std::ofstream(dir + "/shot.bmp", std::ios::binary) << EncodeBitmapFile(page.screen.View());
  for (const char* shot : {"shot.png", "shot.bmp"}) {
    std::string out = dir + "/" + shot + ".out", from = dir + "/" + shot;
    CommandResult r = Tool("--from " + from + " --out " + out + kRegions);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output, from + ": 800x600\n" + "wrote " + out +
                            "/101.bmp: icon, 40x30 from 300,120\n" + "wrote " + out +
                            "/102.bmp: play, 30x20 from 340,400\n" + "Speech pictures from " + out +
                            ": 101 102; stored: 103 104 105\n"
                            "101 icon: found at 300,120\n"
                            "102 play: found at 340,400\n" +
                            kSpeakFinds);
    EXPECT_EQ(ReadBmp(out + "/101.bmp").pixels, page.icon.pixels) << shot;
    EXPECT_EQ(ReadBmp(out + "/102.bmp").pixels, page.play.pixels) << shot;
  }
}

TEST(BitmapsTool, WarnsOfPicturesFoundElsewhereOrNotAtAll) {
  VenuePage page;
  page.screen.Paint(page.icon.View(), 100, 50);  // a second icon, left of the first
  page.screen.Paint(VenuePicture(20, 20, 0xC03040).View(), 780, 580);  // in the corner
  std::string dir = MakeTempDir();
  ASSERT_TRUE(WritePng(dir + "/shot.png", page.screen));
  std::ofstream(dir + "/regions") << "# the venue's page\n\nicon 300,120,40,30\r\n"
                                  << "  --play2\t340,400,30,20\n";
  CommandResult r = Tool("--from " + dir + "/shot.png --out " + dir + "/a --regions " + dir +
                         "/regions --play3 780,580,20,20");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.output.find("101 icon: found at 100,50\n  warning: not at 300,120 where it was "
                          "cut; the same picture comes first at 100,50, and the program would "
                          "click from there\n"
                          "104 play2: found at 340,400\n"
                          "105 play3: NOT FOUND: it touches the right or bottom edge of the "
                          "screen, where the search never looks\n"
                          "The program will find the icon 101 at 100,50"),
            std::string::npos)
      << r.output;
  // A play button left of the icon is never looked for there.
  r = Tool("--from " + dir + "/shot.png --out " + dir +
           "/b --icon 340,400,30,20 --play "
           "300,120,40,30");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.output.find("102 play: NOT FOUND: the play button is searched only right of and "
                          "below the icon at 340,400\n"),
            std::string::npos)
      << r.output;
  EXPECT_TRUE(
      r.output.ends_with("then find no play button (102, 104, 105) right of and below "
                         "it, and report err2.\n"))
      << r.output;
  r = Tool("--from " + dir + "/shot.png --out " + dir + "/c --play 340,400,30,20");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(
      r.output.ends_with("102 play: found at 340,400\nThe program will find no icon "
                         "(101, 103) and report err1: nothing is spoken.\n"))
      << r.output;
}

TEST(BitmapsTool, BadRegionsAndScreenshotsWriteNothing) {
  std::string dir = MakeTempDir(), out = dir + "/never";
  ASSERT_TRUE(WritePng(dir + "/shot.png", TestImage(800, 600)));
  std::ofstream(dir + "/text.png") << "hello";
  std::ofstream(dir + "/regions") << "icon 1,2,3\n";
  const std::string from = "--from " + dir + "/shot.png --out " + out;
  const std::pair<std::string, std::string> cases[] = {
      {from + " --play 780,10,37,27", "--play 780,10,37,27: outside the screen (800x600)"},
      {from + " --icon 10,600,5,1", "--icon 10,600,5,1: outside the screen (800x600)"},
      {from + " --icon 10,10,0,5", "--icon 10,10,0,5: empty: its width or height is 0"},
      {from + " --icon -1,10,5,5", "--icon -1,10,5,5: expected X,Y,W,H (whole numbers)"},
      {from + " --play4 1,1,1,1", "unknown option --play4"},
      {from, "no picture to cut: give at least one region"},
      {from + " --regions " + dir + "/regions", dir + "/regions:1: --icon 1,2,3: expected"},
      {"--from " + dir + "/none.png --icon 1,1,1,1", dir + "/none.png: no such file"},
      {"--from " + dir + "/text.png --icon 1,1,1,1", dir + "/text.png: neither a PNG nor a BMP"},
      {from + " --delay 2 --icon 1,1,1,1",
       "--delay waits before capturing the screen: it has no use with --from"},
      {"--delay 3601 --icon 1,1,1,1", "--delay 3601: expected whole seconds from 0 to 3600"},
      {"--delay -1 --icon 1,1,1,1", "--delay -1: expected whole seconds from 0 to 3600"},
  };
  for (const auto& [arguments, message] : cases) {
    CommandResult r = Tool(arguments);
    EXPECT_EQ(r.exitCode, 2) << arguments;
    EXPECT_NE(r.output.find("billora-bitmaps: " + message), std::string::npos) << r.output;
  }
  EXPECT_FALSE(std::filesystem::exists(out));
  CommandResult r = RunCommand("DISPLAY= " + ShellQuote(kTool) + " --icon 1,1,1,1 2>&1");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.output.find("no display to capture"), std::string::npos) << r.output;
}

// As at a venue: the tool beside the program, run on the live screen after
// its delay, then the program started again speaks on the page its pictures
// show.
TEST(BitmapsTool, OnALiveScreenItsPicturesLetTheProgramSpeak) {
  VirtualScreen screen;
  ASSERT_TRUE(screen.Start());
  VenuePage page;
  ASSERT_TRUE(DrawOnRoot(page.icon.View(), 300, 120));
  ASSERT_TRUE(DrawOnRoot(page.play.View(), 340, 400));
  std::string dir = MakeTempDir();
  std::filesystem::copy_file(BILLORA_EXE, dir + "/billora");
  std::filesystem::copy_file(kTool, dir + "/billora-bitmaps");

  CommandResult r =
      RunCommand(ShellQuote(dir + "/billora-bitmaps") + " --delay 1" + kRegions + " 2>&1");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(r.output.rfind("Capturing the screen in 1 s: bring the speech page to the front.\n"
                           "screen: 1920x1080\nwrote " +
                               dir + "/speech/101.bmp",
                           0),
            0u)
      << r.output;
  EXPECT_TRUE(r.output.ends_with(kSpeakFinds)) << r.output;

  TerminalChild program((dir + "/billora").c_str(), {});
  ASSERT_TRUE(program.WaitFor("BILLORA 1.5\r\n", 60)) << program.output;
  EXPECT_TRUE(program.output.starts_with("Speech pictures from " + dir +
                                         "/speech: 101 102; stored: 103 104 105\r\n"
                                         "SPEAK(Coucou)OK\r\r\nBILLORA 1.5\r\n"))
      << program.output;
}

// The maintainers' cutter shares the cutting and writing with the tool.
TEST(CutBitmaps, CutsOnlyPicturesFramedByOneColour) {
  VirtualScreen screen;
  ASSERT_TRUE(screen.Start());
  TestImage icon = VenuePicture(40, 30);
  ASSERT_TRUE(DrawOnRoot(icon.View(), 300, 120));
  std::string dir = MakeTempDir(), cutter = ShellQuote(BILLORA_TOOLS_DIR "/cut-bitmaps");
  CommandResult r = RunCommand(cutter + " " + dir + " 101:300,120,40,30 2>&1");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(ReadBmp(dir + "/101.bmp").pixels, icon.pixels);
  r = RunCommand(cutter + " " + dir + " 102:301,120,40,30 2>&1");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.output, "102 at 301,120: no picture framed by one colour there\n");
  EXPECT_EQ(RunCommand(cutter + " " + dir + " 102:1,1,-1,1 2>&1").exitCode, 2);
}

}  // namespace
