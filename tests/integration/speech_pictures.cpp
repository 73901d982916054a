// The display program speaking on a page that only the pictures supplied in
// speech/ beside it match, on a private Xvfb.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "speech/bitmap_file.h"
#include "tests/support/mdb_file.h"
#include "tests/support/screen_image.h"
#include "tests/support/terminal_child.h"
#include "tests/support/x_session.h"  // after gtest: Xlib defines None

namespace {

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The program's console from its start to its banner.
std::string StartOutput(const std::string& exe) {
  TerminalChild program(exe.c_str(), {});  // DISPLAY names the Xvfb
  program.WaitFor("BILLORA 1.5\r\n", 60);
  return program.output.substr(0, program.output.find("BILLORA 1.5\r\n") + 13);
}

TEST(VenuePictures, TheProgramSpeaksOnTheVenuePageOnlyWithThePicturesBesideIt) {
  VirtualScreen screen;
  ASSERT_TRUE(screen.Start());
  TestImage icon = VenuePicture(40, 30), play = VenuePicture(30, 20, 0x3040C0);
  ASSERT_TRUE(DrawOnRoot(icon.View(), 300, 120));
  ASSERT_TRUE(DrawOnRoot(play.View(), 340, 400));
  std::string dir = MakeTempDir(), exe = dir + "/billora";
  std::filesystem::copy_file(BILLORA_EXE, exe);

  EXPECT_EQ(StartOutput(exe), "Speech pictures from " + dir +
                                  "/speech: none; stored: 101 102 103 104 105\r\n"
                                  "SPEAK(Coucou)err1\r\r\nBILLORA 1.5\r\n");

  std::filesystem::create_directory(dir + "/speech");
  WriteFile(dir + "/speech/101.bmp", EncodeBitmapFile(icon.View()));
  WriteFile(dir + "/speech/102.bmp", EncodeBitmapFile32(play.View(), true));
  std::string eightBits = EncodeBitmapFile(play.View());
  eightBits[28] = 8;
  WriteFile(dir + "/speech/104.bmp", eightBits);
  EXPECT_EQ(StartOutput(exe), dir +
                                  "/speech/104.bmp: 8 bits per pixel, not 24 or 32; the stored "
                                  "picture is used\r\n"
                                  "Speech pictures from " +
                                  dir +
                                  "/speech: 101 102; stored: 103 104 105\r\n"
                                  "SPEAK(Coucou)OK\r\r\nBILLORA 1.5\r\n");
}

}  // namespace
