#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>

#include "base/text.h"
#include "platform/fake/fake_platform.h"
#include "tests/support/atom_texts.h"
#include "viewer/channel.h"
#include "viewer/setters.h"

using Log = std::vector<std::string>;

class Setters : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeReset();
    fake.viewer = [this](const FakeMessage& m) { return m.message == VM_SET_TEXT ? textReply : 1; };
    viewerWindow = PlatformFindWindow(kViewerClass);
  }
  void TearDown() override { EXPECT_TRUE(fake.atoms.empty()) << "atoms left registered"; }

  int32_t textReply = 4;
};

static const char kPoster[] = "/show/medias/a.jpg,SCALEX=0.085,SCALEY=0.083,POSY=-0.09";

static Log PictureLog(const std::string& object) {
  return {"add " + object, std::string("add ") + kPoster, "send 5688", "delete " + object,
          std::string("delete ") + kPoster};
}

static Log CaptionLog(const std::string& object, const std::string& text) {
  return {"add " + object, "send 5690", "delete " + object, "add " + text,
          "add Arial",     "send 5687", "delete " + text,   "delete Arial"};
}

TEST_F(Setters, PictureSettersSetThePosterPropertyOfTheirObject) {
  const std::pair<void (*)(const std::wstring&), std::string> setters[] = {
      {SetAffiche, "affiche"}, {SetAffiche1, "affiche1"}, {SetAffiche2, "affiche2"}};
  for (const auto& [setter, object] : setters) {
    SCOPED_TRACE(object);
    SetUp();
    setter(L"/show/medias/a.jpg");
    EXPECT_EQ(fake.channelLog, PictureLog(object));
    ASSERT_EQ(fake.messages.size(), 1u);
    const FakeMessage& m = fake.messages[0];
    EXPECT_EQ(m.wParam, (75u << 16) | 0xC000u);
    EXPECT_EQ(m.lParam, 0xC001);
    EXPECT_EQ(ToUtf8(m.lLow), kPoster);
  }
}

TEST_F(Setters, CaptionSettersSelectThenSetTextInArialWhateverTheReply) {
  const std::pair<void (*)(const std::wstring&), std::string> setters[] = {
      {SetTitle, "titre"}, {SetTitle1, "titre1"}, {SetTitle2, "titre2"}};
  for (const auto& [setter, object] : setters) {
    SCOPED_TRACE(object);
    SetUp();
    textReply = -1;
    setter(L"Demain à 20:30");
    EXPECT_EQ(fake.channelLog, CaptionLog(object, "Demain à 20:30"));
    ASSERT_EQ(fake.messages.size(), 2u);
    EXPECT_EQ(fake.messages[0].lParam, 0);
    const FakeMessage& text = fake.messages[1];
    EXPECT_EQ(text.wLow, L"Demain à 20:30");
    EXPECT_EQ(text.wHigh, L"Arial");
    EXPECT_EQ(text.lParam, 6554600);
    EXPECT_EQ(fake.nowMs, 0u);  // no pauses
  }
}

TEST_F(Setters, SlotObjectsRunFromAffiche1ToAffiche18) {
  SetListAffiche(0, L"/show/medias/a.jpg");
  SetListAffiche(17, L"/show/medias/a.jpg");
  SetListText(0, L"9:05");
  SetListText(17, L"21:30");
  EXPECT_EQ(fake.messages[0].wLow, L"\\affiche1\\affiche");
  EXPECT_EQ(fake.messages[1].wLow, L"\\affiche18\\affiche");
  EXPECT_EQ(fake.messages[2].wLow, L"\\affiche1\\text");
  EXPECT_EQ(fake.messages[4].wLow, L"\\affiche18\\text");
  Log firstPicture(fake.channelLog.begin(), fake.channelLog.begin() + 5);
  EXPECT_EQ(firstPicture, PictureLog("\\affiche1\\affiche"));
}

TEST_F(Setters, ListTextWithoutOffsetSendsTwoMessages) {
  SetListText(3, L"20:30");
  EXPECT_EQ(fake.channelLog, CaptionLog("\\affiche4\\text", "20:30"));
}

TEST_F(Setters, ListTextOffsetMovesTheObjectTheViewerNumbered) {
  textReply = 12;
  SetListText(3, L"", -0.8);
  ASSERT_EQ(fake.messages.size(), 3u);
  EXPECT_EQ(fake.messages[1].wLow, L"");  // an empty text travels as atom 0
  const FakeMessage& offset = fake.messages[2];
  EXPECT_EQ(offset.message, VM_SET_PROPERTY);
  EXPECT_EQ(offset.wParam >> 16, VP_OFFSET);
  EXPECT_EQ(offset.wLow, L"#12");
  EXPECT_EQ(offset.lLow, L"0;-0.8;0");
  Log tail(fake.channelLog.end() - 5, fake.channelLog.end());
  EXPECT_EQ(tail, (Log{"add #12", "add 0;-0.8;0", "send 5688", "delete #12", "delete 0;-0.8;0"}));
}

TEST_F(Setters, ListTextOffsetOnlyOnANonNegativeReply) {
  textReply = 0;
  SetListText(0, L"", -0.8);
  ASSERT_EQ(fake.messages.size(), 3u);
  EXPECT_EQ(fake.messages[2].wLow, L"#0");
  SetUp();
  textReply = -1;
  SetListText(0, L"", -0.8);
  EXPECT_EQ(fake.messages.size(), 2u);
  SetUp();
  textReply = INT32_MIN;
  SetListText(0, L"x", 1.5);
  EXPECT_EQ(fake.messages.size(), 2u);
}

TEST_F(Setters, OffsetValuesAreFormattedLikePercentG) {
  const std::pair<double, const wchar_t*> cases[] = {{-0.8, L"0;-0.8;0"},
                                                     {0.0, L"0;0;0"},
                                                     {0.5, L"0;0.5;0"},
                                                     {1e-5, L"0;1e-05;0"},
                                                     {1234567.0, L"0;1.23457e+06;0"},
                                                     {100000.0, L"0;100000;0"}};
  for (const auto& [offset, text] : cases) {
    SetUp();
    SetListText(0, L"", offset);
    ASSERT_EQ(fake.messages.size(), 3u);
    EXPECT_EQ(fake.messages[2].lLow, text);
  }
}

TEST_F(Setters, ValuesKeepTheirPointUnderACommaLocale) {
  if (std::setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr) GTEST_SKIP() << "no fr_FR.UTF-8 locale";
  SetListText(0, L"", -0.8);
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(fake.messages[2].lLow, L"0;-0.8;0");
}

TEST_F(Setters, TextsTooLongForAnAtomTravelAsAtomZeroNeverCut) {
  std::wstring longText(300, L'é');
  SetTitle(longText);
  EXPECT_EQ(fake.channelLog[3], "add " + ToUtf8(longText) + " -> 0");
  EXPECT_EQ(fake.messages[1].wParam & 0xFFFF, 0u);
  EXPECT_EQ(fake.messages[1].wHigh, L"Arial");
  SetUp();
  SetAffiche(L"/" + std::wstring(230, L'p') + L".jpg");  // fits, but not with the suffix
  EXPECT_EQ(fake.messages[0].lParam, 0);
  EXPECT_EQ(fake.messages[0].wLow, L"affiche");
}

// Every registration that can fail, failing in turn: the message that would
// carry it stays back with one line, the other messages go out, and nothing
// stays registered.
TEST_F(Setters, EachFailedRegistrationKeepsItsMessageBack) {
  const std::function<void()> operations[] = {
      [] { SetAffiche(L"/show/medias/a.jpg"); },
      [] { SetTitle2(L"Ce soir"); },
      [] { SetListAffiche(5, L"/show/medias/b.png"); },
      [] { SetListText(5, L"20:30", -0.8); },
  };
  for (const auto& operation : operations) {
    SetUp();
    operation();
    size_t messages = fake.messages.size();
    int calls = fake.atomCalls;
    for (int failing = 0; failing < calls; ++failing) {
      SCOPED_TRACE(failing);
      SetUp();
      FakeTakeConsole();
      fake.failAtomAt = failing;
      operation();
      EXPECT_LT(fake.messages.size(), messages);
      EXPECT_EQ(FakeTakeConsole(), "\nCan't add atom (table full), message not sent");
      EXPECT_TRUE(fake.atoms.empty());
      EXPECT_EQ(std::count(fake.channelLog.begin(), fake.channelLog.end(), "delete-unknown 0"), 1);
    }
  }
}

// A text the viewer cannot receive whole is named on the console, with its
// control characters shown as '?'; the empty text travels as atom 0 quietly.
TEST_F(Setters, TextsThatCannotTravelAreNamedOnTheConsole) {
  SetTitle(std::wstring(256, L'a'));
  EXPECT_EQ(FakeTakeConsole(), "\nCan't send to kivo: " + std::string(256, 'a'));
  SetTitle1(std::wstring(L"Carmen\0\x1B[2J", 11));
  EXPECT_EQ(FakeTakeConsole(), "\nCan't send to kivo: Carmen??[2J");
  SetListText(0, L"", -0.8);
  SetTitle(std::wstring(255, L'a'));
  EXPECT_EQ(FakeTakeConsole(), "");
}

// The same verdicts as the Linux and Windows channels give (tests/integration,
// tests/windows).
TEST_F(Setters, AnAtomCarriesUpTo255Utf16UnitsOfUnicodeText) {
  for (const AtomEdge& edge : AtomEdges()) {
    SCOPED_TRACE(edge.name);
    SetUp();
    SelectViewerObject(edge.text);
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].wLow, edge.carried ? edge.text : L"");
    bool named = FakeTakeConsole().starts_with("\nCan't send to kivo: ");
    EXPECT_EQ(named, !edge.carried && !edge.text.empty());
  }
}
