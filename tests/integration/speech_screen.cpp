// The Linux screen and input services on private Xvfb servers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "speech/locator.h"
#include "tests/support/screen_image.h"
#include "tests/support/x_session.h"  // after gtest: Xlib defines None

static std::vector<KeySym> KeyboardMap() {
  Display* d = XOpenDisplay(nullptr);
  int min, max, per;
  XDisplayKeycodes(d, &min, &max);
  KeySym* syms = XGetKeyboardMapping(d, static_cast<KeyCode>(min), max - min + 1, &per);
  std::vector<KeySym> map(syms, syms + (max - min + 1) * per);
  XFree(syms);
  XCloseDisplay(d);
  return map;
}

TEST(LinuxScreen, NoDisplayGivesMinusOneAndInputDoesNothing) {
  unsetenv("DISPLAY");
  const uint32_t* pixels;
  uint32_t w, h;
  EXPECT_EQ(PlatformCaptureScreen(&pixels, &w, &h), -1);
  EXPECT_EQ(PlatformCaptureError(), "no X display (DISPLAY is not set)");
  setenv("DISPLAY", ":4242", 1);  // nobody listens there
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(PlatformCaptureScreen(&pixels, &w, &h), -1);
  EXPECT_EQ(PlatformCaptureError(), "cannot open the X display :4242");
  EXPECT_TRUE(PlatformInFront(10, 10));  // nothing to protect
  int x = 3, y = 4;
  EXPECT_EQ(FindBitmapOnScreen(101, x, y), -1);
  EXPECT_EQ(x * 10 + y, 34);
  PlatformSetCursorPos(10, 10);
  PlatformMouseButton(true);
  PlatformMouseButton(false);
  PlatformKeyEvent(kVkHome, kKeyExtended);
  EXPECT_EQ(PlatformTypeChars(10, 10, "\xE9t\xE9"), 0);  // nothing to type into
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  unsetenv("DISPLAY");
}

TEST(LinuxScreen, FindsWhatIsDrawnWithAndWithoutSharedMemory) {
  for (const char* shm : {"+extension", "-extension"}) {
    VirtualScreen screen;
    ASSERT_TRUE(screen.Start({shm, "MIT-SHM"})) << shm;
    ASSERT_TRUE(DrawOnRoot(StoredPicture(102).View(), 1500, 900));
    const uint32_t* pixels;
    uint32_t w = 0, h = 0;
    ASSERT_EQ(PlatformCaptureScreen(&pixels, &w, &h), 0) << shm;
    EXPECT_EQ(PlatformCaptureError(), "");
    EXPECT_EQ(w * 10000 + h, 19201080u);
    EXPECT_EQ(pixels[900 * 1920 + 1500] & 0xFFFFFF, 0x008DD0u);
    int x = 0, y = 0;
    EXPECT_EQ(FindBitmapOnScreen(102, x, y), 0) << shm;
    EXPECT_EQ(x, 1500);
    EXPECT_EQ(y, 900);
    EXPECT_EQ(FindBitmapOnScreen(104, x, y), -1);
    screen.Stop();
  }
}

TEST(LinuxScreen, OtherColourDepthsAreRefused) {
  VirtualScreen screen;
  ASSERT_TRUE(screen.Start({}, "1920x1080x16"));
  const uint32_t* pixels;
  uint32_t w, h;
  EXPECT_EQ(PlatformCaptureScreen(&pixels, &w, &h), -1);
  screen.Stop();
}

TEST(LinuxScreen, SurvivesTheServerGoingAwayAndTakesTheNextOne) {
  const uint32_t* pixels;
  uint32_t w, h;
  {
    VirtualScreen first;
    ASSERT_TRUE(first.Start());
    ASSERT_EQ(PlatformCaptureScreen(&pixels, &w, &h), 0);
    PlatformSetCursorPos(5, 5);
    first.Stop();
  }
  EXPECT_EQ(PlatformCaptureScreen(&pixels, &w, &h), -1);
  PlatformSetCursorPos(6, 6);
  PlatformTypeChars(6, 6, "\xE9");
  VirtualScreen second;
  ASSERT_TRUE(second.Start());
  ASSERT_TRUE(DrawOnRoot(StoredPicture(101).View(), 40, 50));
  int x = 0, y = 0;
  EXPECT_EQ(FindBitmapOnScreen(101, x, y), 0);
  EXPECT_EQ(x * 1000 + y, 40050);
  second.Stop();
}

TEST(LinuxInput, MovesThePointerAndRestoresTheKeyboardMapAfterTyping) {
  VirtualScreen screen;
  ASSERT_TRUE(screen.Start());
  PlatformSetCursorPos(123, 456);
  Display* d = XOpenDisplay(nullptr);
  Window root, child;
  int rootX = 0, rootY = 0, winX, winY;
  unsigned mask;
  XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rootX, &rootY, &winX, &winY, &mask);
  XCloseDisplay(d);
  EXPECT_EQ(rootX * 1000 + rootY, 123456);
  std::vector<KeySym> before = KeyboardMap();
  PlatformTypeChars(123, 456, "\xC0 bient\xF4t \xC9l\xE9onore, \xE7\xE0 et l\xE0 ! \xBF\xFF\x01");
  EXPECT_EQ(KeyboardMap(), before);
  screen.Stop();
}
