#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "speech/speak.h"
#include "tests/support/screen_image.h"

class Speaking : public ::testing::Test {
 protected:
  void SetUp() override { FakeReset(); }

  // A page with the icon (101) at (300, 120) and the play button (102) at (340, 400).
  void ShowPage() {
    page_.Paint(StoredPicture(101).View(), 300, 120);
    page_.Paint(StoredPicture(102).View(), 340, 400);
    ShowOnFakeScreen(page_);
  }

  TestImage page_{800, 600};
};

static std::vector<std::string> Repeat(const std::vector<std::string>& events, int times) {
  std::vector<std::string> all;
  for (int i = 0; i < times; ++i) all.insert(all.end(), events.begin(), events.end());
  return all;
}

// Everything Speak sends for an anchor at (ax, ay) and a play button at (px, py).
static std::vector<std::string> FullSequence(const std::string& chars, const std::string& anchor,
                                             const std::string& field, const std::string& play) {
  std::vector<std::string> e = {
      "cursor " + anchor, "button down", "button up", "key 36 1",   "key 36 3", "sleep 1000",
      "key 69 0",         "sleep 1000",  "key 69 2",  "sleep 1000", "key 69 0", "sleep 1000",
      "key 69 2",         "sleep 1000",  "key 27 1",  "sleep 1000", "key 27 3", "sleep 1000",
      "cursor " + field,  "button down", "button up", "sleep 200"};
  for (const auto& part :
       {Repeat({"key 37 1", "key 37 3"}, 200), std::vector<std::string>{"sleep 200"},
        Repeat({"key 46 1", "key 46 3"}, 200), std::vector<std::string>{"sleep 200"}})
    e.insert(e.end(), part.begin(), part.end());
  if (!chars.empty()) e.push_back("chars " + chars);
  for (const char* end : {"cursor ", "button down", "button up"}) e.push_back(end);
  e[e.size() - 3] += play;
  return e;
}

TEST_F(Speaking, SendsTheWholeSequenceAndTakesSevenPointSixSeconds) {
  ShowPage();
  EXPECT_EQ(Speak("Coucou"), 0);
  EXPECT_EQ(FakeTakeConsole(), "SPEAK(Coucou)OK\r\n");
  EXPECT_EQ(fake.events, FullSequence("Coucou", "305,220", "305,320", "345,405"));
  EXPECT_EQ(fake.nowMs, 7600u);
  EXPECT_EQ(fake.captures, 2);  // 101 and 102 found at once: 103, 104, 105 never searched
}

TEST_F(Speaking, TypesEachByteAsItsCodeAndEchoesItAsUtf8) {
  ShowPage();
  const std::string text = "Demain \xE0 20H, \xE9t\xE9";
  EXPECT_EQ(Speak(text), 0);
  EXPECT_EQ(FakeTakeConsole(), "SPEAK(Demain \xC3\xA0 20H, \xC3\xA9t\xC3\xA9)OK\r\n");
  auto chars = std::find_if(fake.events.begin(), fake.events.end(),
                            [](const std::string& e) { return e.rfind("chars ", 0) == 0; });
  ASSERT_NE(chars, fake.events.end());
  EXPECT_EQ(static_cast<unsigned char>((*chars)[6 + text.find('\xE9')]), 233u);
  EXPECT_EQ(*chars, "chars Demain \xE0 20H, \xE9t\xE9");
}

TEST_F(Speaking, EmptyTextStillClearsTheFieldAndPressesPlay) {
  ShowPage();
  EXPECT_EQ(Speak(""), 0);
  EXPECT_EQ(FakeTakeConsole(), "SPEAK()OK\r\n");
  EXPECT_EQ(fake.events, FullSequence("", "305,220", "305,320", "345,405"));
}

TEST_F(Speaking, ControlCodesShowAsQuestionMarksAndNulEndsTheText) {
  ShowPage();
  EXPECT_EQ(Speak(std::string("a\x1B[2Jb\x85\0hidden", 13)), 0);
  EXPECT_EQ(FakeTakeConsole(), "SPEAK(a?[2Jb?)OK\r\n");
  EXPECT_NE(std::find(fake.events.begin(), fake.events.end(), "chars a\x1B[2Jb\x85"),
            fake.events.end());
}

TEST_F(Speaking, NoIconMeansErr1AndNoInputAtAll) {
  page_.Paint(StoredPicture(102).View(), 340, 400);
  ShowOnFakeScreen(page_);
  EXPECT_EQ(Speak("Coucou"), -1);
  EXPECT_EQ(FakeTakeConsole(), "SPEAK(Coucou)err1\r\n");
  EXPECT_TRUE(fake.events.empty());
  EXPECT_EQ(fake.captures, 2);  // 101, then 103
  FakeReset();                  // no display at all
  EXPECT_EQ(Speak("Coucou"), -1);
  EXPECT_EQ(FakeTakeConsole(), "SPEAK(Coucou)err1\r\n");
  EXPECT_TRUE(fake.events.empty());
}

TEST_F(Speaking, NoPlayButtonMeansErr2AfterTheWholeInput) {
  page_.Paint(StoredPicture(101).View(), 300, 120);
  page_.Paint(StoredPicture(102).View(), 299, 400);  // left of the anchor: not searched
  page_.Paint(StoredPicture(104).View(), 400, 119);  // above it
  ShowOnFakeScreen(page_);
  EXPECT_EQ(Speak("Coucou"), -2);
  EXPECT_EQ(FakeTakeConsole(), "SPEAK(Coucou)err2\r\n");
  std::vector<std::string> expected = FullSequence("Coucou", "305,220", "305,320", "");
  expected.resize(expected.size() - 3);  // all but the last click
  EXPECT_EQ(fake.events, expected);
  EXPECT_EQ(fake.nowMs, 7600u);
  EXPECT_EQ(fake.captures, 4);  // 101, 102, 104, 105
}

TEST_F(Speaking, TheHeadingStandsInForTheIconWithTheSameOffsets) {
  page_.Paint(StoredPicture(103).View(), 50, 60);
  page_.Paint(StoredPicture(102).View(), 50, 200);  // in the anchor's column: found
  ShowOnFakeScreen(page_);
  EXPECT_EQ(Speak("x"), 0);
  EXPECT_EQ(fake.events, FullSequence("x", "55,160", "55,260", "55,205"));
}

TEST_F(Speaking, TheIconWinsOverTheHeadingAndPlayButtonsAreTriedInOrder) {
  page_.Paint(StoredPicture(103).View(), 10, 10);
  page_.Paint(StoredPicture(101).View(), 300, 120);
  // 104 and 105 are the same picture; a distinct 105 shows the third search.
  TestImage third(37, 27, 0x123456);
  fake.bitmaps[105] = EncodeBitmapFile(third.View());
  page_.Paint(third.View(), 360, 170);
  page_.Paint(StoredPicture(104).View(), 500, 500);
  ShowOnFakeScreen(page_);
  EXPECT_EQ(Speak("x"), 0);
  EXPECT_EQ(fake.events, FullSequence("x", "305,220", "305,320", "505,505"));
  EXPECT_EQ(fake.captures, 3);                      // 101, 102, 104
  page_.Paint(TestImage(37, 27).View(), 500, 500);  // without 104, 105 is clicked
  ShowOnFakeScreen(page_);
  fake.events.clear();
  EXPECT_EQ(Speak("x"), 0);
  EXPECT_EQ(fake.events.back(), "button up");
  EXPECT_EQ(fake.events[fake.events.size() - 3], "cursor 365,175");
}

// The text goes only to the page under the field's click. Without it Play
// would speak the previous text: it is not pressed.
TEST_F(Speaking, TextIsTypedOnlyIntoThePageInFrontAndBlockedInputIsSaid) {
  ShowPage();
  fake.typeResult = -1;
  EXPECT_EQ(Speak("Coucou"), -2);
  EXPECT_EQ(fake.typedAt, "305,320");
  EXPECT_EQ(FakeTakeConsole(), "SPEAK(Coucou)\nspeech page not in front, text not typed\nerr2\r\n");
  std::vector<std::string> expected = FullSequence("", "305,220", "305,320", "");
  expected.resize(expected.size() - 3);  // no click on Play
  EXPECT_EQ(fake.events, expected);
  fake.typeResult = -2;
  EXPECT_EQ(Speak("Coucou"), -2);
  EXPECT_EQ(FakeTakeConsole(),
            "SPEAK(Coucou)\ntyping blocked by a window with higher rights\nerr2\r\n");
}

// A window that takes the foreground during the input gets nothing more: no
// key, no click, no Play. The sleeps that follow the last input still pass.
TEST_F(Speaking, InputStopsOnceAnotherWindowTakesTheForeground) {
  ShowPage();
  const std::vector<std::string> full = FullSequence("Coucou", "305,220", "305,320", "345,405");
  for (const char* lostAfter : {"button up", "key 69 2", "chars Coucou"}) {
    size_t at = std::find(full.begin(), full.end(), lostAfter) - full.begin(), end = at + 1;
    while (full[end].starts_with("sleep")) ++end;
    fake.events.clear();
    fake.inFront = true;
    fake.observer = [&](const FakeEvent&) { fake.inFront &= fake.events.size() <= at; };
    EXPECT_EQ(Speak("Coucou"), -2) << lostAfter;
    EXPECT_EQ(FakeTakeConsole(),
              "SPEAK(Coucou)\nspeech page not in front, input stopped\nerr2\r\n");
    EXPECT_EQ(fake.events, std::vector<std::string>(full.begin(), full.begin() + end)) << lostAfter;
  }
}

// A screen that cannot be captured says why once, and again only when the
// reason changes (a capture that works is a change too).
TEST_F(Speaking, AnUncapturedScreenSaysWhyOnceForEachReason) {
  const std::string locked = "the session is locked", away = "the remote session is disconnected";
  const std::string lockedLine = "SPEAK(x)\nscreen not captured: " + locked + "\nerr1\r\n";
  std::vector<std::string> consoles;
  for (const std::string& why : {locked, locked, away, std::string(), locked}) {
    fake.screenWidth = 0;
    fake.captureError = why;
    if (why.empty()) ShowPage();
    Speak("x");
    consoles.push_back(FakeTakeConsole());
  }
  EXPECT_EQ(consoles,
            (std::vector<std::string>{lockedLine, "SPEAK(x)err1\r\n",
                                      "SPEAK(x)\nscreen not captured: " + away + "\nerr1\r\n",
                                      "SPEAK(x)OK\r\n", lockedLine}));
}
