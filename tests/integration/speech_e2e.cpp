// Speak against the real speech page: a private Xvfb, Chromium showing
// tests/speechpage, XTest input and a capture of the real screen.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "base/text.h"
#include "speech/locator.h"
#include "speech/speak.h"
#include "tests/support/x_session.h"

using namespace std::chrono_literals;

// Runs Speak with standard output caught; returns its result and output.
static int SpeakCaught(const std::string& text, std::string* console) {
  std::fflush(stdout);
  FILE* file = std::tmpfile();
  int saved = dup(STDOUT_FILENO);
  dup2(fileno(file), STDOUT_FILENO);
  int result = Speak(text);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  console->clear();
  std::rewind(file);
  for (int c; (c = std::fgetc(file)) != EOF;) console->push_back(static_cast<char>(c));
  std::fclose(file);
  return result;
}

// Waits until the stored bitmap id shows on the screen.
static bool WaitForBitmap(uint16_t id) {
  for (auto end = std::chrono::steady_clock::now() + 60s; std::chrono::steady_clock::now() < end;) {
    int x = 0, y = 0;
    if (FindBitmapOnScreen(id, x, y) == 0) return true;
    std::this_thread::sleep_for(200ms);
  }
  return false;
}

// The text the page was last asked to speak, from its window title, once it
// is `expected` or after 5 s.
static std::string SpokenText(const std::string& expected) {
  std::string spoken = "(nothing spoken)";
  for (int i = 0; i < 50 && spoken != expected; ++i) {
    std::this_thread::sleep_for(100ms);
    for (std::string title : WindowTitles()) {
      if (title.rfind("SPOKEN:", 0) != 0) continue;
      const std::string suffix = " - Chromium";
      if (title.ends_with(suffix)) title.resize(title.size() - suffix.size());
      spoken = title.substr(7);
    }
  }
  return spoken;
}

class SpeechPage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(screen_.Start()) << "Xvfb did not start"; }
  static void TearDownTestSuite() { screen_.Stop(); }
  void TearDown() override { browser_.Stop(); }

  void ShowPage(const std::string& query, uint16_t visibleBitmap) {
    ASSERT_TRUE(browser_.Start(BILLORA_SOURCE_DIR, query));
    ASSERT_TRUE(WaitForBitmap(visibleBitmap)) << "the page did not show";
    std::this_thread::sleep_for(1s);  // let the page settle after its first paint
  }

  static VirtualScreen screen_;
  SpeechPageBrowser browser_;
};

VirtualScreen SpeechPage::screen_;

TEST_F(SpeechPage, AbsentPageGivesErr1) {
  std::string console;
  EXPECT_EQ(SpeakCaught("Coucou", &console), -1);
  EXPECT_EQ(console, "SPEAK(Coucou)err1\r\n");
}

TEST_F(SpeechPage, TypesAFrenchAnnouncementAndPressesPlay) {
  ShowPage("", 101);
  std::string console;
  ASSERT_EQ(SpeakCaught("Coucou", &console), 0) << console;
  EXPECT_EQ(console, "SPEAK(Coucou)OK\r\n");
  EXPECT_EQ(SpokenText("Coucou"), "Coucou");

  // The field still holds the greeting: the next text must replace it.
  const std::wstring text =
      L"Il est 9H, prochains spectacles, Le Bûcheron à l'Opéra, Demain à 20H, "
      L"Ça tourne, Élève-toi, frère ! Hôtel Dieu, Samedi 12 août à 21H30.";
  ASSERT_EQ(SpeakCaught(ToLatin1(text), &console), 0) << console;
  EXPECT_EQ(console, "SPEAK(" + ToUtf8(text) + ")OK\r\n");
  EXPECT_EQ(SpokenText(ToUtf8(text)), ToUtf8(text));
}

TEST_F(SpeechPage, HiddenIconsGiveErr1) {
  ShowPage("?hide=icons", 102);
  std::string console;
  EXPECT_EQ(SpeakCaught("Coucou", &console), -1);
  EXPECT_EQ(console, "SPEAK(Coucou)err1\r\n");
}

TEST_F(SpeechPage, HiddenPlayButtonsGiveErr2) {
  ShowPage("?hide=play", 101);
  std::string console;
  EXPECT_EQ(SpeakCaught("Coucou", &console), -2);
  EXPECT_EQ(console, "SPEAK(Coucou)err2\r\n");
  EXPECT_EQ(SpokenText("Coucou"), "(nothing spoken)");
}
