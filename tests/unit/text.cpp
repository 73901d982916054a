#include "platform/print.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "platform/paths.h"

TEST(Text, Utf8RoundTripKeepsFrenchAndOtherScripts) {
  std::wstring text = L"Août à l'Opéra – 東京 🎭";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(L"é"), "\xC3\xA9");
}

TEST(Text, BrokenUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(FromUtf8("a\xC3"), L"a\uFFFD");
  EXPECT_EQ(FromUtf8("\xFF" "b"), L"\uFFFD" L"b");
  EXPECT_EQ(FromUtf8("\xE0\x80\x80"), L"\uFFFD");  // overlong
}

TEST(Text, Latin1KeepsFrenchAndReplacesTheRest) {
  EXPECT_EQ(ToLatin1(L"Cœur d’été à 20:30"), "Coeur d'\xE9t\xE9 \xE0 20:30");
  EXPECT_EQ(ToLatin1(L"東\x01\x85"), "???");
  EXPECT_EQ(ToLatin1(L"a\tb"), "a b");
  EXPECT_EQ(ToLatin1(L"a🎭b"), "a?b");  // one character, also where it takes two UTF-16 units
}

TEST(Text, PrintsNarrowAndWideToOneConsole) {
  FakeReset();
  PrintNarrow("\nfadin...");
  PrintWide(L"\nsettitle %ls...", L"Demain à 9:05");
  PrintWide(L"%ls", std::wstring(5000, L'x').c_str());
  std::string out = FakeTakeConsole();
  EXPECT_EQ(out.substr(0, 36), "\nfadin...\nsettitle Demain \xC3\xA0 9:05...");
  EXPECT_EQ(out.size(), 36u + 5000u);
}

TEST(Paths, ExecutableDirectoryIsCutAtTheLastSlash) {
  FakeReset();
  fake.exePath = L"/opt/signage/run";
  EXPECT_EQ(ExecutableDirectory(), L"/opt/signage");
  fake.exePath = L"billora";
  EXPECT_EQ(ExecutableDirectory(), L"billora");
  fake.exePath = L"/opt/signage/run";
  EXPECT_EQ(BesideExecutable(L"medias", L"a.jpg"), L"/opt/signage/medias/a.jpg");
  EXPECT_EQ(BesideExecutable(L"", L"list.mdb"), L"/opt/signage/list.mdb");
}

TEST(Text, FormatsTextOfAnyLength) {
  EXPECT_EQ(FormatText("%u:%2.2u", 9u, 5u), "9:05");
  FakeReset();
  PrintWide(L"%u:%2.2u %ls!", 21u, 0u, std::wstring(3000, L'é'));
  EXPECT_EQ(FromUtf8(FakeTakeConsole()), L"21:00 " + std::wstring(3000, L'é') + L"!");
  EXPECT_EQ(FormatText("%s", std::string(70000, 'a').c_str()).size(), 70000u);
}

TEST(Text, ConsoleShowsStoredControlCharactersAsQuestionMarks) {
  EXPECT_EQ(ConsoleText(L"a\x1B[2J\x1B"
                        L"c\t\n\r\x7F\x9B"
                        L"31m\xA0\u00e9"),
            L"a?[2J?c?????31m\xA0\u00e9");
  FakeReset();
  std::wstring place = L"Salle\x1B[8m A";
  PrintWide(L"\r\nsettitle %ls...%d", place.c_str(), 7);
  EXPECT_EQ(FakeTakeConsole(), "\r\nsettitle Salle?[8m A...7");  // the format keeps its own
}

TEST(Paths, NamesThatLeaveTheirFolderAreRefused) {
  for (const wchar_t* name :
       {L"a.jpg", L"sub/a.jpg", L"sub\\a.jpg", L"..a.jpg", L"a..", L"", L"caf\u00e9 .jpg"})
    EXPECT_TRUE(NameStaysInFolder(name)) << ToUtf8(name);
  for (const wchar_t* name :
       {L"../../../../etc/passwd", L"..", L"a/../b", L"a\\..\\b", L"a/..", L"/etc/hostname",
        L"\\\\server\\share", L"C:pic.jpg", L"c:\\x", L"a\x1B[2J.jpg", L"a\x85.jpg"})
    EXPECT_FALSE(NameStaysInFolder(name)) << ToUtf8(name);
}
