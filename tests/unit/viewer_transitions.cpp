#include <gtest/gtest.h>

#include <clocale>

#include "base/text.h"
#include "platform/fake/fake_platform.h"
#include "viewer/channel.h"
#include "viewer/transitions.h"

using Log = std::vector<std::string>;

class Transitions : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeReset();
    fake.viewer = [this](const FakeMessage& m) { return answer ? answer(m) : 0; };
    viewerWindow = PlatformFindWindow(kViewerClass);
  }
  void TearDown() override { EXPECT_TRUE(fake.atoms.empty()) << "atoms left registered"; }

  std::function<int32_t(const FakeMessage&)> answer;
};

// "1.00", "0.99", ... from whole hundredths, free of floating point.
static std::string Hundredths(int n) {
  return std::to_string(n / 100) + "." + std::to_string(n % 100 / 10) + std::to_string(n % 10);
}

static void ExpectFade(int firstHundredths, int step) {
  ASSERT_EQ(fake.messages.size(), 100u);
  for (int i = 0; i < 100; ++i) {
    const FakeMessage& m = fake.messages[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(m.message, VM_SET_PROPERTY);
    EXPECT_EQ(m.wParam >> 16, VP_FADE);
    EXPECT_EQ(m.wLow, L"cache");
    EXPECT_EQ(m.wHigh, L"");  // the property code, not an atom
    EXPECT_EQ(ToUtf8(m.lLow), Hundredths(firstHundredths + step * i));
    EXPECT_EQ(m.atMs, 20u * i);
  }
  EXPECT_EQ(fake.nowMs, 2000u);
}

TEST_F(Transitions, FadeInSteps100LevelsFromOneDownTo001) {
  FadeIn();
  ExpectFade(100, -1);
  EXPECT_EQ(ToUtf8(fake.messages.front().lLow), "1.00");
  EXPECT_EQ(ToUtf8(fake.messages.back().lLow), "0.01");
  Log firstStep(fake.channelLog.begin(), fake.channelLog.begin() + 5);
  EXPECT_EQ(firstStep, (Log{"add cache", "add 1.00", "send 5688", "delete cache", "delete 1.00"}));
  EXPECT_EQ(fake.channelLog.size(), 500u);
  EXPECT_EQ(fake.events[0], "send 5688 cache 1.00");
  EXPECT_EQ(fake.events[1], "sleep 20");
  EXPECT_EQ(fake.events.size(), 200u);
}

TEST_F(Transitions, FadeOutSteps100LevelsFromZeroUpTo099) {
  FadeOut();
  ExpectFade(0, 1);
  EXPECT_EQ(ToUtf8(fake.messages.front().lLow), "0.00");
  EXPECT_EQ(ToUtf8(fake.messages.back().lLow), "0.99");
  EXPECT_EQ(fake.events.back(), "sleep 20");
}

TEST_F(Transitions, FadeLevelsKeepTheirPointUnderACommaLocale) {
  if (std::setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr) GTEST_SKIP() << "no fr_FR.UTF-8 locale";
  FadeOut();
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(ToUtf8(fake.messages[37].lLow), "0.37");
}

TEST_F(Transitions, WaitSceneEndReturnsAtOnceWhenAlreadyFinished) {
  answer = [](const FakeMessage&) { return 1; };
  WaitSceneEnd();
  EXPECT_EQ(fake.events, (Log{"send 5689"}));
  EXPECT_EQ(fake.messages[0].wParam, 0u);
  EXPECT_EQ(fake.messages[0].lParam, 0);
}

TEST_F(Transitions, WaitSceneEndPollsEvery100MsUntilFinished) {
  answer = [](const FakeMessage&) { return fake.nowMs >= 300 ? -7 : 0; };
  WaitSceneEnd();
  EXPECT_EQ(fake.events, (Log{"send 5689", "sleep 100", "send 5689", "sleep 100", "send 5689",
                              "sleep 100", "send 5689"}));
}

TEST_F(Transitions, WaitSceneEndWaitsForALiveViewerHoweverLong) {
  answer = [](const FakeMessage&) { return fake.nowMs >= 3600000 ? 1 : 0; };
  WaitSceneEnd();
  EXPECT_EQ(fake.nowMs, 3600000u);
  EXPECT_EQ(fake.messages.size(), 36001u);
}

TEST_F(Transitions, WaitSceneEndEndsOnTheSpaceBar) {
  fake.keys.push_back({250, 'a'});
  fake.keys.push_back({250, ' '});
  WaitSceneEnd();
  EXPECT_EQ(fake.nowMs, 400u);  // one key per poll, as in the pauses
  EXPECT_EQ(FakeTakeConsole(), "");
}

// A template that never ends holds the display one hour at most.
TEST_F(Transitions, WaitSceneEndGivesUpAfterOneHour) {
  fake.tickBase = 0xFFFFFFFFu - 1000;  // across a wrap of the tick counter
  WaitSceneEnd();
  EXPECT_EQ(fake.nowMs, 3600000u);
  EXPECT_EQ(FakeTakeConsole(), "\nScene still running after 1 hour, going on");
}

TEST_F(Transitions, WaitSceneEndStopsWhenTheViewerHasGone) {
  fake.onSleep = [] {
    if (fake.nowMs == 500) fake.viewer = nullptr;
  };
  WaitSceneEnd();
  EXPECT_EQ(fake.nowMs, 500u);
  EXPECT_EQ(fake.messages.size(), 6u);  // the last one found nobody
}

TEST_F(Transitions, WaitSceneEndWithoutAViewerDoesNotWait) {
  viewerWindow = 0;
  WaitSceneEnd();
  EXPECT_EQ(fake.nowMs, 0u);
}

TEST_F(Transitions, ReloadSceneLoadsTheTemplateBesideTheExecutable) {
  fake.exePath = L"/show/run";
  ReloadScene(L"billorav");
  EXPECT_EQ(fake.channelLog, (Log{"add /show/templates/billorav.kivo", "send 5685",
                                  "delete /show/templates/billorav.kivo"}));
  EXPECT_EQ(fake.events.back(), "sleep 100");
  EXPECT_EQ(fake.messages[0].wParam, 0xC000u);
  EXPECT_EQ(fake.messages[0].lParam, 0);
}

TEST_F(Transitions, ReloadScenePathEdgeCases) {
  fake.exePath = L"/show/run";
  ReloadScene(L"");
  EXPECT_EQ(fake.messages[0].wLow, L"/show/templates/.kivo");
  fake.exePath = L"billora";  // no folder at all
  ReloadScene(L"billora3v");
  EXPECT_EQ(fake.messages[1].wLow, L"billora/templates/billora3v.kivo");
  fake.exePath = L"/venue/Théâtre des Lilas/billora";
  ReloadScene(L"affiche d'été");
  EXPECT_EQ(fake.messages[2].wLow, L"/venue/Théâtre des Lilas/templates/affiche d'été.kivo");
}

TEST_F(Transitions, ReloadSceneWithAPathTooLongForAnAtomSendsAtomZero) {
  fake.exePath = L"/" + std::wstring(240, L'd') + L"/billora";
  ReloadScene(L"billora3v");
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].wParam, 0u);  // never a path cut short
  EXPECT_EQ(fake.events.back(), "sleep 100");
}
