// The whole display: the real program beside a list.mdb, the stand-in viewer
// over its socket and the speech page in Chromium on a private Xvfb, driven
// from a pseudo-terminal whose space bar cuts the pauses.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "speech/locator.h"
#include "tests/support/mdb_file.h"
#include "tests/support/standin.h"
#include "tests/support/terminal_child.h"
#include "tests/support/x_session.h"

using namespace std::chrono_literals;

namespace {

// The display's clock starts at this moment, a Wednesday morning.
constexpr char kMoment[] = "2030-01-16 10:00:00";

// One show today and one tomorrow, one slot in force: every scene has its
// content, and the captions read the same, whatever the machine's clock says.
std::string Programme() {
  return std::string(kShowsColumns) +
         "row 1\tCarmen\t2030-01-16 14:00:00\tSalle A\t\\N\t\\N\tcarmen.jpg\t1\n"
         "row 2\tTosca\t2030-01-17 14:00:00\t\\N\t\\N\t\\N\ttosca.jpg\t1\n" +
         kAnnoncesColumns + "row annonce-bar\t2\t2030-01-16 09:00:00\t2030-01-17 10:00:00\n";
}

std::string Venue() {
  std::string dir = MakeTempDir();
  WriteMdbAt(dir + "/list.mdb", Programme());
  std::filesystem::copy_file(BILLORA_EXE, dir + "/billora");
  std::filesystem::create_directories(dir + "/medias");
  std::filesystem::create_directories(dir + "/templates");
  for (const char* poster : {"carmen.jpg", "tosca.jpg"})
    std::ofstream(dir + "/medias/" + poster) << "poster";
  return dir;
}

// The text the page was last asked to speak (its title, without the
// browser's suffix), once it is `expected` or after 5 s.
std::string SpokenText(const std::string& expected) {
  std::string spoken;
  for (int i = 0; i < 50 && spoken != expected; ++i) {
    std::this_thread::sleep_for(100ms);
    for (std::string title : WindowTitles()) {
      if (title.rfind("SPOKEN:", 0) != 0) continue;
      if (title.ends_with(" - Chromium")) title.resize(title.size() - 11);
      spoken = title.substr(7);
    }
  }
  return spoken;
}

bool WaitForPage() {
  for (auto end = std::chrono::steady_clock::now() + 60s; std::chrono::steady_clock::now() < end;) {
    int x = 0, y = 0;
    if (FindBitmapOnScreen(101, x, y) == 0) return true;
    std::this_thread::sleep_for(200ms);
  }
  return false;
}

TEST(Display, AFullPassReachesTheViewerThePageAndTheConsole) {
  VirtualScreen screen;
  ASSERT_TRUE(screen.Start());
  SpeechPageBrowser browser;
  ASSERT_TRUE(browser.Start(BILLORA_SOURCE_DIR));
  ASSERT_TRUE(WaitForPage());
  std::this_thread::sleep_for(1s);
  StandIn viewer = StartStandIn({"--run-time", "300"});
  std::string venue = Venue();

  std::vector<std::string> environment = ClockAt(kMoment);
  environment.push_back("KIVO_SOCKET=" + viewer.socket);  // DISPLAY names the Xvfb
  TerminalChild display((venue + "/billora").c_str(), environment);
  ASSERT_TRUE(display.WaitFor("BILLORA 1.5\r\n", 60)) << display.output;
  EXPECT_EQ(SpokenText("Coucou"), "Coucou");
  // A space now and then cuts every pause short, until the second pass begins.
  bool secondPass = false;
  for (int tick = 0; tick < 300 && !secondPass; ++tick) {
    display.Type(" ");
    secondPass = display.WaitFor("\r\nReading list...", 1, 2);
  }
  ASSERT_TRUE(secondPass) << display.output;
  std::string out = display.output;
  EXPECT_EQ(out.rfind("Speech pictures from " + venue +
                          "/speech: none; stored: 101 102 103 104 105\r\n"
                          "SPEAK(Coucou)OK\r\r\nBILLORA 1.5\r\n\r\nReading list...",
                      0),
            0u)
      << out;
  for (const char* step : {"\r\nreload...", "\r\nsetaffiche ", "\r\nsettitle ", "\r\nfadeout...",
                           "\r\nreload(2)...", "\r\nsettitle1 ", "\r\nsettitle2 Demain \xC3\xA0 14:00",
                           "\r\nannonce audio...SPEAK(Il est ", ")OK\r\r\n",
                           "\r\nreload(annonce-bar)...", "\r\nwait 2s..."})
    EXPECT_NE(out.find(step), std::string::npos) << step << "\n" << out;

  size_t spoken = out.find("annonce audio...SPEAK(") + 22;
  std::string announcement = out.substr(spoken, out.find(")OK", spoken) - spoken);
  EXPECT_EQ(SpokenText(announcement), announcement);
  EXPECT_NE(announcement.find(", Carmen, "), std::string::npos) << announcement;

  std::vector<std::string> messages = Messages(ReadLines(viewer.trace));
  int runs = 0, stops = 0;
  for (const std::string& line : messages) {
    runs += Field(line, "number") == "5691";
    stops += Field(line, "number") == "5692";
  }
  EXPECT_GE(runs, 4);
  EXPECT_GE(stops, 1);
  std::string trace;
  for (const std::string& line : ReadLines(viewer.trace)) trace += line + "\n";
  for (const char* scene : {"/templates/billorav.kivo", "/templates/billora3v.kivo",
                            "/templates/billora2v.kivo", "/templates/annonce-bar.kivo"})
    EXPECT_NE(trace.find(scene), std::string::npos) << scene;
  RemoveStandIn(viewer);
}

}  // namespace
