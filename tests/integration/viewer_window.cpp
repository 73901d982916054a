// The stand-in viewer's window on Xvfb: each kind of scene filled through the
// real channel, then the screen read back at known pixels; and a window that
// covers the monitor it is given, below the others.
// GoogleTest before Xlib, whose macros (None, Bool) would clash with it.
#include <gtest/gtest.h>
// Then the rest.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cmath>
#include <tuple>

#include "base/text.h"
#include "tests/support/mdb_file.h"
#include "tests/support/standin.h"
#include "tests/support/x_session.h"
#include "viewer/channel.h"
#include "viewer/setters.h"

namespace {

constexpr int kWidth = 640, kHeight = 360;

// The screen's pixels (0xRRGGBB) in the window's corner.
struct Capture {
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * kWidth + x]; }
};

int Channel(uint32_t colour, int shift) { return static_cast<int>(colour >> shift & 0xFF); }

// Each channel within `slack` of the expected colour's.
::testing::AssertionResult Near(uint32_t actual, uint32_t expected, int slack = 6) {
  for (int shift : {0, 8, 16})
    if (std::abs(Channel(actual, shift) - Channel(expected, shift)) > slack)
      return ::testing::AssertionFailure()
             << std::hex << "0x" << actual << " is not near 0x" << expected;
  return ::testing::AssertionSuccess();
}

class StandInWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(screen.Start({}, "800x600x24"));
    viewer = PrivateStandIn();
    LaunchStandIn(viewer, {"--window=640x360", "--screens", viewer.folder});
    viewerWindow = FindViewer();
    ASSERT_NE(viewerWindow, 0u);
  }
  // It ends cleanly: under the sanitizers, with nothing leaked.
  void TearDown() override {
    if (viewer.pid > 0) {
      kill(viewer.pid, SIGTERM);
      int status = WaitStandIn(viewer);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    RemoveStandIn(viewer);
    screen.Stop();
  }

  std::string File(const std::string& name, const std::string& text) {
    std::string path = viewer.folder + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // A picture of one colour, written by gdk-pixbuf as "png" or "jpeg".
  std::string Picture(const std::string& name, int w, int h, uint32_t colour, const char* type) {
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h);
    gdk_pixbuf_fill(pixbuf, colour << 8 | 0xFF);
    std::string path = viewer.folder + "/" + name;
    EXPECT_TRUE(gdk_pixbuf_save(pixbuf, path.c_str(), type, nullptr, nullptr));
    g_object_unref(pixbuf);
    return path;
  }
  int32_t Send(uint32_t message, const std::string& text = "") {
    uint16_t atom = text.empty() ? 0 : PlatformAddAtom(FromUtf8(text));
    int32_t result = PlatformSendMessage(viewerWindow, message, atom, 0);
    if (atom) PlatformDeleteAtom(atom);
    return result;
  }
  int32_t Load(const std::string& name, const std::string& layout) {
    return Send(VM_LOAD_SCENE, File(name + ".kivo", layout));
  }
  void Fade(const char* level) { SetViewerProperty(L"cache", VP_FADE, FromUtf8(level)); }
  void Title(const std::wstring& object, const std::wstring& text) {
    SelectViewerObject(object);
    SetViewerText(text);
  }
  // The screen once the viewer has drawn what the messages so far changed:
  // it draws after each answer, before it reads the next message.
  Capture Grab() {
    EXPECT_EQ(Send(VM_QUERY_DEVICE), 1);
    Capture capture;
    Display* d = XOpenDisplay(nullptr);
    EXPECT_NE(d, nullptr);
    if (!d) return capture;
    XImage* image = XGetImage(d, DefaultRootWindow(d), 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        capture.pixels.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
    XDestroyImage(image);
    XCloseDisplay(d);
    return capture;
  }
  // Pixels in [x0,x1) x [y0,y1) that differ from `ground` by more than the slack.
  static int Ink(const Capture& c, int x0, int y0, int x1, int y1, uint32_t ground) {
    int count = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) count += !Near(c.At(x, y), ground, 40);
    return count;
  }
  std::string Console() {
    std::ifstream in(viewer.console);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  VirtualScreen screen;
  StandIn viewer;
};

TEST_F(StandInWindow, PosterSceneShowsThePictureInItsBoxAndTheCaptionBelow) {
  ASSERT_EQ(Load("billorav",
                 "scene canvas 640 360 background #000080\n"
                 "cache\n"
                 "affiche place 100 40 size 200 100\n"
                 "titre place 20 300 size 600 40 font-size 30 colour #FFFF00\n"),
            1);
  // 2:1 fills the box exactly; a 1:2 picture would stand in its middle.
  SetAffiche(FromUtf8(Picture("red.png", 40, 20, 0xE00000, "png")));
  SetTitle(L"Demain à 20:30");
  Capture c = Grab();
  EXPECT_TRUE(Near(c.At(102, 42), 0xE00000));
  EXPECT_TRUE(Near(c.At(297, 137), 0xE00000));
  EXPECT_TRUE(Near(c.At(98, 90), 0x000080));
  EXPECT_TRUE(Near(c.At(200, 142), 0x000080));
  EXPECT_GT(Ink(c, 20, 300, 620, 340, 0x000080), 200);
  EXPECT_EQ(Ink(c, 0, 290, 640, 300, 0x000080) + Ink(c, 0, 340, 640, 360, 0x000080), 0);

  SetAffiche(FromUtf8(Picture("tall.jpg", 20, 40, 0x00C000, "jpeg")));
  c = Grab();
  EXPECT_TRUE(Near(c.At(200, 90), 0x00C000, 12));
  EXPECT_TRUE(Near(c.At(120, 90), 0x000080));  // beside the narrower picture
}

TEST_F(StandInWindow, VeilFollowsTheFadeStepByStep) {
  ASSERT_EQ(Load("blanc", "scene canvas 640 360 background #FFFFFF\ncache\n"), 1);
  const std::pair<const char*, int> steps[] = {
      {"1.00", 0}, {"0.50", 128}, {"0.01", 252}, {"0.00", 255}, {"0.99", 3}};
  for (const auto& [level, grey] : steps) {
    Fade(level);
    Capture c = Grab();
    auto g = static_cast<uint32_t>(grey);
    EXPECT_TRUE(Near(c.At(320, 180), g << 16 | g << 8 | g, 2)) << level;
    EXPECT_TRUE(Near(c.At(0, 0), g << 16 | g << 8 | g, 2)) << level;
  }
}

TEST_F(StandInWindow, AccentedCaptionsShrinkOrWrapInsideTheirBox) {
  ASSERT_EQ(Load("titres",
                 "scene canvas 640 360 background #000000\n"
                 "court place 20 20 size 100 60 font-size 40\n"
                 "accent place 140 20 size 100 60 font-size 40\n"
                 "titre place 220 150 size 200 60 font-size 48\n"),
            1);
  Title(L"court", L"E");
  Title(L"accent", L"É");
  Title(L"titre",
        L"Théâtre à l'Opéra-Comique : « Les Contes d'Hoffmann », "
        L"d'après Ernst Theodor Amadeus Hoffmann, créé le 10 février 1881");
  Capture c = Grab();
  auto top = [&](int x0) {
    for (int y = 20; y < 80; ++y)
      if (Ink(c, x0, y, x0 + 100, y + 1, 0) > 0) return y;
    return 80;
  };
  EXPECT_LT(top(140), top(20) - 3);  // the accent stands above the capital
  EXPECT_GT(Ink(c, 220, 150, 420, 210, 0), 400);
  EXPECT_EQ(Ink(c, 150, 100, 640, 150, 0) + Ink(c, 150, 210, 640, 360, 0) +
                Ink(c, 150, 150, 220, 210, 0) + Ink(c, 420, 150, 640, 210, 0),
            0);
}

TEST_F(StandInWindow, ProgrammeFillsItsEighteenSlotsWithTheDefaultLayout) {
  std::string names = "cache\n";
  for (int slot = 1; slot <= 18; ++slot)
    names += "\\affiche" + std::to_string(slot) + "\\affiche\n\\affiche" + std::to_string(slot) +
             "\\text\n";
  ASSERT_EQ(Load("billora3v", names), 1);
  std::wstring poster = FromUtf8(File("bleu.svg",
                                      "<svg xmlns='http://www.w3.org/2000/svg' width='600' "
                                      "height='850'><rect width='600' height='850' "
                                      "fill='#2040C0'/></svg>"));
  for (unsigned slot = 0; slot < 18; ++slot) {
    SetListAffiche(slot, poster);
    unsigned text = slot == 0 ? 17 : slot - 1;
    SetListText(text, L"20:30", std::nullopt);
    SetListText(text, L"", -0.8);
  }
  Capture c = Grab();
  // The 1920 x 1080 canvas at a third: slots of 106.7 x 120 pixels.
  for (int slot = 0; slot < 18; ++slot) {
    int x = slot % 6 * 320 / 3, y = slot / 6 * 120;
    EXPECT_TRUE(Near(c.At(x + 53, y + 50), 0x2040C0)) << slot;
    EXPECT_GT(Ink(c, x + 3, y + 102, x + 103, y + 119, 0), 20) << "time of slot " << slot;
  }
}

TEST_F(StandInWindow, NextShowsAndAnnouncementScenes) {
  ASSERT_EQ(Load("billora2v", "cache\naffiche1\ntitre1\naffiche2\ntitre2\n"), 1);
  SetAffiche1(FromUtf8(Picture("a.png", 60, 85, 0xC00000, "png")));
  SetAffiche2(FromUtf8(Picture("b.jpg", 60, 85, 0x00A000, "jpeg")));
  SetTitle1(L"Aujourd'hui à 20:30");
  SetTitle2(L"Demain à 15:00");
  Capture c = Grab();
  EXPECT_TRUE(Near(c.At(160, 150), 0xC00000));
  EXPECT_TRUE(Near(c.At(480, 150), 0x00A000, 12));
  EXPECT_GT(Ink(c, 13, 303, 306, 350, 0), 100);
  EXPECT_GT(Ink(c, 333, 303, 626, 350, 0), 100);

  ASSERT_EQ(Load("annonce-bar",
                 "scene background #402000 font \"Nulle Part Sans\"\ncache\n"
                 "bandeau place 100 400 size 1720 280 font-size 90 text \"Le bar est ouvert\"\n"),
            1);
  c = Grab();
  EXPECT_TRUE(Near(c.At(10, 10), 0x402000));
  EXPECT_GT(Ink(c, 33, 133, 606, 226, 0x402000), 300);  // in the font drawn instead
  EXPECT_NE(Console().find("font \"Nulle Part Sans\" is not installed: texts are drawn in \""),
            std::string::npos)
      << Console();
}

TEST_F(StandInWindow, MissingOrDamagedPicturesDrawAPlaceholderAndTheViewerGoesOn) {
  ASSERT_EQ(Load("billorav", "scene canvas 640 360\naffiche place 100 40 size 200 100\n"), 1);
  std::string png = Picture("good.png", 40, 20, 0xE00000, "png");
  std::ifstream in(png, std::ios::binary);
  std::string bytes(std::istreambuf_iterator<char>(in), {});
  const std::string pictures[] = {viewer.folder + "/absent.jpg",
                                  File("cut.png", bytes.substr(0, bytes.size() / 2)),
                                  File("noise.jpg", "\xFF\xD8\xFF\xE0 not a jpeg at all"),
                                  File("bad.svg", "<svg><rect"), viewer.folder};
  for (const std::string& picture : pictures) {
    SetAffiche(FromUtf8(picture));
    Capture c = Grab();
    EXPECT_TRUE(Near(c.At(200, 50), 0x404040)) << picture;  // the grey card
    EXPECT_EQ(PlatformSendMessage(viewerWindow, VM_QUERY_DEVICE, 0, 0), 1) << picture;
  }
  std::string console = Console();
  for (const std::string& picture : pictures)
    EXPECT_NE(console.find("picture affiche: " + picture + " cannot be shown ("), std::string::npos)
        << console;
}

TEST_F(StandInWindow, ABadSceneFileIsRefusedWithItsLineNumber) {
  EXPECT_EQ(Load("casse", "cache\naffiche\ntitre place 10 abc\n"), 0);
  EXPECT_NE(Console().find("scene casse refused: " + viewer.folder +
                           "/casse.kivo: line 3: place: \"abc\" is not a number"),
            std::string::npos)
      << Console();
  EXPECT_GT(Ink(Grab(), 0, 140, 640, 220, 0), 100);  // the problem, on screen too
}

TEST_F(StandInWindow, AScreenshotFollowsEachScene) {
  ASSERT_EQ(Load("vert", "scene background #00FF00\n"), 1);
  Send(VM_RUN);
  EXPECT_NE(Send(VM_QUERY_FINISHED), 0);
  std::ifstream png(viewer.folder + "/vert.png", std::ios::binary);
  char head[24] = {};
  png.read(head, sizeof head);
  EXPECT_EQ(std::string(head + 1, 3), "PNG");
  EXPECT_EQ(static_cast<unsigned char>(head[18]) << 8 | static_cast<unsigned char>(head[19]),
            kWidth);
}

// Two monitors side by side on one screen, the left one primary.
void SplitIntoTwoMonitors(Display* d) {
  for (const auto& [name, x, primary] : {std::tuple{"left", 0, True}, {"right", 400, False}}) {
    XRRMonitorInfo monitor{};
    monitor.name = XInternAtom(d, name, False);
    monitor.primary = primary;
    monitor.x = x;
    monitor.width = monitor.mwidth = 400;
    monitor.height = monitor.mheight = 600;
    XRRSetMonitor(d, DefaultRootWindow(d), &monitor);
  }
}

// "x,y wxh" of the window at the bottom of the stack.
std::string BottomWindow(Display* d) {
  Window root, parent, *children = nullptr;
  unsigned count = 0, w = 0, h = 0, border, depth;
  int x = -1, y = -1;
  XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count);
  if (count > 0) XGetGeometry(d, children[0], &root, &x, &y, &w, &h, &border, &depth);
  if (children) XFree(children);
  return std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(w) + "x" +
         std::to_string(h);
}

// Under a window already there, as the speech page is.
TEST(StandInMonitor, TheWindowCoversTheMonitorItIsGivenBelowTheOthers) {
  VirtualScreen screen;
  ASSERT_TRUE(screen.Start({}, "800x600x24"));
  Display* d = XOpenDisplay(nullptr);
  SplitIntoTwoMonitors(d);
  XMapWindow(d, XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 800, 600, 0, 0, 0));
  XSync(d, False);
  CommandResult list = RunCommand(BILLORA_TOOLS_DIR "/kivo-standin --monitors");
  EXPECT_NE(list.output.find(" left 400x600+0+0 primary\n"), std::string::npos) << list.output;
  EXPECT_NE(list.output.find(" right 400x600+400+0\n"), std::string::npos) << list.output;
  for (const char* monitor : {"right", "secondary", "HDMI-9"}) {
    StandIn viewer = PrivateStandIn();
    LaunchStandIn(viewer, {"--monitor", monitor});
    if (monitor == std::string("HDMI-9")) {
      EXPECT_EQ(WaitStandIn(viewer), 2 << 8);  // no such monitor
    } else {
      EXPECT_NE(FindViewer(), 0u) << monitor;
      EXPECT_EQ(BottomWindow(d), "400,0 400x600") << monitor;
    }
    RemoveStandIn(viewer);
  }
  XCloseDisplay(d);
  screen.Stop();
}

}  // namespace
