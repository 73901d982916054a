// Whole passes of the display cycle on the fake platform in virtual time.
#include "cycle/cycle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/fake/fake_platform.h"
#include "showlist/store.h"
#include "tests/support/mdb_file.h"
#include "viewer/channel.h"

namespace {

std::string Show(int id, const std::string& name, const std::string& date, const std::string& where,
                 const std::string& visual, const std::string& ndays = "1") {
  return "row " + std::to_string(id) + "\t" + name + "\t" + date + "\t" + where + "\t\\N\t\\N\t" +
         visual + "\t" + ndays + "\n";
}

std::string Slot(const std::string& name, int seconds, const std::string& from,
                 const std::string& to) {
  return "row " + name + "\t" + std::to_string(seconds) + "\t" + from + "\t" + to + "\n";
}

// Collapses each fade of 100 steps into one line, so a pass reads as the
// scenes it shows.
std::vector<std::string> ViewerTrace() {
  std::vector<std::string> lines;
  int fadeSteps = 0;
  for (const FakeMessage& m : fake.messages) {
    bool fade = m.message == VM_SET_PROPERTY && (m.wParam >> 16) == VP_FADE;
    if (fade && fadeSteps > 0 && fadeSteps < 100) {
      lines.back() = lines.back().substr(0, 9) + ".." + ToUtf8(m.lLow);
      ++fadeSteps;
      continue;
    }
    fadeSteps = fade ? 1 : 0;
    std::string line = fade ? "fade " + ToUtf8(m.lLow) : std::to_string(m.message);
    for (const std::wstring* text : {&m.wLow, &m.wHigh, &m.lLow})
      if (!fade && !text->empty()) line += " " + ToUtf8(*text);
    lines.push_back(line);
  }
  return lines;
}

class CycleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "Europe/Paris", 1);
    tzset();
    FakeReset();
    fake.epochBase = 1628928000;  // Saturday 2021-08-14 10:00:00 in Paris
    fake.viewer = [this](const FakeMessage& m) -> int32_t {
      if (m.message == VM_QUERY_DEVICE) return deviceReady;
      if (m.message == VM_SET_TEXT) return 7;
      return 1;
    };
    showList = ShowList();
    posterIndex = announcementIndex = 0;
    viewerWindow = 1;  // as Reload finds it, for scenes played on their own
    cycle = Cycle();
  }

  // Writes list.mdb beside a fake executable; every poster exists unless named.
  void Venue(const std::string& shows, const std::string& slots,
             const std::vector<std::string>& missing = {}) {
    std::string path = WriteMdb(std::string(kShowsColumns) + shows + kAnnoncesColumns + slots);
    dir = std::filesystem::path(path).parent_path().string();
    fake.exePath = FromUtf8(dir + "/billora");
    for (const char* poster : {"aida.jpg", "carmen.jpg", "tosca.jpg", "p0.jpg", "p1.jpg", "p2.jpg"})
      if (std::find(missing.begin(), missing.end(), poster) == missing.end())
        fake.files.insert(FromUtf8(dir + "/medias/" + poster));
  }

  // One pass, from Reload to the Stop that ends it.
  std::string Pass() {
    do StepCycle(cycle);
    while (cycle.state != Stop);
    StepCycle(cycle);
    return FakeTakeConsole();
  }

  std::string Media(const std::string& file) { return dir + "/medias/" + file; }

  Cycle cycle;
  std::string dir;
  int32_t deviceReady = 1;
};

const std::string kTwoToday =
    Show(1, "Carmen", "2021-08-14 20:30:00", "Salle A", "carmen.jpg") +
    Show(2, "Tosca", "2021-08-15 15:00:00", "", "tosca.jpg") +
    Show(3, "Aida", "2021-08-14 18:00:00", "", "aida.jpg");
const std::string kPromo = Slot("promo", 5, "2021-08-01 00:00:00", "2021-08-31 00:00:00");

TEST_F(CycleTest, APassShowsEveryScene) {
  Venue(kTwoToday, kPromo);
  std::string out = Pass();
  std::string expected = "\nReading list...\nfadin...\nreload...\nsetaffiche " + Media("aida.jpg") +
                         "...\nsettitle Aujourd'hui \xC3\xA0 18:00...\nrun...\nfadeout...\nwait..."
                         "\nfadin...\nreload(3)...";
  for (int slot = 0; slot < 18; ++slot)
    expected += "\nsetaffiche " + Media(slot % 2 ? "carmen.jpg" : "aida.jpg") + "...\nsettitle...";
  expected += "\nrun...\nwait...\nfadin...\nreload(2)...\nsetaffiche1 " + Media("aida.jpg") +
              "...\nsettitle1 Aujourd'hui \xC3\xA0 18:00...\nsetaffiche2 " + Media("carmen.jpg") +
              "...\nsettitle2 Aujourd'hui \xC3\xA0 20:30-Salle A...\nrun...\nannonce audio..."
              "SPEAK(Il est 10H, prochains spectacles, Aujourd'hui \xC3\xA0 18H, Aida, "
              "Aujourd'hui \xC3\xA0 20:30-Salle A, Carmen)err1\r\n\nwait..."
              "\nfadin...\nreload(promo)...\nwait 5s...\nrun...\nwait...";
  EXPECT_EQ(out, expected);

  std::vector<std::string> trace = ViewerTrace();
  std::vector<std::string> head(trace.begin(), trace.begin() + 12);
  std::string scene = dir + "/templates/billorav.kivo";
  std::vector<std::string> expectedHead = {
      "5686", "fade 1.00..0.01", "5685 " + scene,
      "5688 affiche " + Media("aida.jpg") + ",SCALEX=0.085,SCALEY=0.083,POSY=-0.09",
      "5690 titre", "5687 Aujourd'hui \xC3\xA0 18:00 Arial", "5691", "5689",
      "fade 0.00..0.99", "fade 1.00..0.01", "5685 " + dir + "/templates/billora3v.kivo",
      "5688 \\affiche1\\affiche " + Media("aida.jpg") + ",SCALEX=0.085,SCALEY=0.083,POSY=-0.09"};
  EXPECT_EQ(head, expectedHead);
  EXPECT_EQ(trace.back(), "5692");
  EXPECT_TRUE(fake.atoms.empty());
}

TEST_F(CycleTest, ProgrammeShiftsTimesAndOffsetsPlaces) {
  Venue(kTwoToday, kPromo);
  Pass();
  std::vector<std::string> texts;
  for (const std::string& line : ViewerTrace())
    if (line.rfind("5690 \\affiche", 0) == 0 || line.rfind("5687 ", 0) == 0 ||
        line.rfind("5688 #", 0) == 0)
      texts.push_back(line);
  // Slot 0 (Aida 18:00) writes text 18, slot 1 (Carmen at Salle A) text 1 plus its offset.
  EXPECT_EQ(texts[1], "5690 \\affiche18\\text");
  EXPECT_EQ(texts[2], "5687 18:00 Arial");
  EXPECT_EQ(texts[3], "5690 \\affiche1\\text");
  EXPECT_EQ(texts[4], "5687 20:30 Arial");
  EXPECT_EQ(texts[5], "5690 \\affiche1\\text");
  EXPECT_EQ(texts[6], "5687 Arial");  // the empty text fails its atom
  EXPECT_EQ(texts[7], "5688 #7 0;-0.8;0");
}

TEST_F(CycleTest, NoShowTodayAndASingleShowSkipTheirScenes) {
  Venue(Show(1, "Tosca", "2021-08-16 15:00:00", "", "tosca.jpg"), "");
  std::string out = Pass();
  EXPECT_EQ(out, "\nReading list...\nfadin...\nreload...\nsetaffiche " + Media("tosca.jpg") +
                     "...\nsettitle Lundi 16 Ao\xC3\xBBt 15:00...\nrun...\nfadeout...\nwait...");
  EXPECT_EQ(ViewerTrace().back(), "5692");
}

TEST_F(CycleTest, PostersRotateOverTheFirstEightAtMost) {
  for (auto [count, expected] : {std::pair{3, std::vector<int>{0, 1, 2, 0, 1}},
                                 std::pair{20, std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 0}}}) {
    SetUp();
    std::string shows;
    for (int k = 0; k < count; ++k)
      shows += Show(k, "S" + std::to_string(k), "2021-08-2" + std::to_string(k / 10) + " 1" +
                    std::to_string(k % 10) + ":00:00", "", "p0.jpg");
    Venue(shows, "");
    std::vector<int> seen;
    for (size_t pass = 0; pass < expected.size(); ++pass) {
      seen.push_back(posterIndex);
      Pass();
    }
    EXPECT_EQ(seen, expected) << count << " shows";
  }
}

TEST_F(CycleTest, AnnouncementsRotateWithTheirPauses) {
  showList.templates.Append(L"a");
  showList.durations.Append(5);
  showList.templates.Append(L"b");
  showList.durations.Append(12.5);
  for (double expectedMs : {5000.0, 12500.0, 5000.0}) {
    uint64_t before = fake.nowMs;
    PlayAnnouncementScene();
    std::string out = FakeTakeConsole();
    EXPECT_NE(out.find(expectedMs == 5000 ? "\nwait 5s..." : "\nwait 12.5s..."), std::string::npos);
    // fade in, load, fade out, then the pause itself
    EXPECT_EQ(fake.nowMs - before, 2000 + 100 + 2000 + static_cast<uint64_t>(expectedMs));
  }
}

TEST_F(CycleTest, SpaceBarCutsThePause) {
  showList.templates.Append(L"a");
  showList.durations.Append(300);
  fake.keys.push_back({4500 + 2000, ' '});
  PlayAnnouncementScene();
  EXPECT_LT(fake.nowMs, 8000u);
}

TEST_F(CycleTest, DurationsOutsideTheRangeAreClamped) {
  EXPECT_EQ(DurationToMs(0.0004), 0u);
  EXPECT_EQ(DurationToMs(-3), 0u);
  EXPECT_EQ(DurationToMs(std::nan("")), 0u);
  EXPECT_EQ(DurationToMs(12.5), 12500u);
  EXPECT_EQ(DurationToMs(1e12), UINT32_MAX);
}

TEST_F(CycleTest, MissingDatabaseRetriesEverySecondAndSaysWhyOncePerReason) {
  std::string dir = MakeTempDir();
  fake.exePath = FromUtf8(dir + "/billora");
  const std::string tries = "\nReading list...\nFatal, can't open db";
  StepCycle(cycle);
  StepCycle(cycle);
  EXPECT_EQ(FakeTakeConsole(), tries + "\n" + dir + "/list.mdb: no such file" + tries);
  EXPECT_EQ(fake.nowMs, 2000u);
  EXPECT_EQ(cycle.state, Reload);
  std::filesystem::create_directory(dir + "/list.mdb");
  StepCycle(cycle);
  StepCycle(cycle);
  EXPECT_EQ(FakeTakeConsole(), tries + "\n" + dir + "/list.mdb: a folder, not a file" + tries);
  std::filesystem::remove(dir + "/list.mdb");
  FILE* notes = fopen((dir + "/list.mdb").c_str(), "w");
  fputs("shows and places, typed by hand\n", notes);
  fclose(notes);
  StepCycle(cycle);
  EXPECT_EQ(FakeTakeConsole(),
            tries + "\n" + dir + "/list.mdb: not an Access (Jet 3 or Jet 4) database");
  std::filesystem::remove(dir + "/list.mdb");
  WriteMdbAt(dir + "/list.mdb", std::string(kShowsColumns) + kAnnoncesColumns);
  StepCycle(cycle);  // the reason is forgotten once the file opens
  std::filesystem::remove(dir + "/list.mdb");
  StepCycle(cycle);
  EXPECT_EQ(FakeTakeConsole(),
            "\nReading list...\nNo show" + tries + "\n" + dir + "/list.mdb: no such file");
}

TEST_F(CycleTest, EmptyProgrammeSaysNoShowAndNeverLooksForTheViewer) {
  Venue(Show(1, "Old", "2021-08-01 20:00:00", "", "p0.jpg"), kPromo);
  StepCycle(cycle);
  StepCycle(cycle);
  EXPECT_EQ(FakeTakeConsole(), "\nReading list...\nNo show\nReading list...\nNo show");
  EXPECT_TRUE(fake.messages.empty());
  EXPECT_TRUE(cycle.databaseOpened);
}

TEST_F(CycleTest, MissingOrUnreadyViewerIsSoughtEveryTenSeconds) {
  Venue(kTwoToday, kPromo);
  auto viewer = fake.viewer;
  fake.viewer = nullptr;
  int sleeps = 0;  // the first one lets the list show that it is not being saved
  fake.onSleep = [&] {
    if (++sleeps == 3) fake.viewer = viewer;
    if (sleeps == 3) deviceReady = 0;
    if (sleeps == 4) deviceReady = 1;
  };
  StepCycle(cycle);
  EXPECT_EQ(FakeTakeConsole(),
            "\nReading list...\nCan't find kivo, retry in 10 sec\nCan't find kivo, retry in 10 sec"
            "\nCan't find hdev, retry in 10 sec");
  EXPECT_EQ(cycle.state, Poster);
  EXPECT_EQ(fake.nowMs, 30200u);
}

TEST_F(CycleTest, AViewerWithHigherRightsIsNamedAndSoughtEveryTenSeconds) {
  Venue(kTwoToday, kPromo);
  fake.viewerDenied = true;
  fake.onSleep = [&] { fake.viewerDenied = fake.nowMs < 20000; };
  StepCycle(cycle);
  EXPECT_EQ(FakeTakeConsole(),
            "\nReading list...\nkivo runs as administrator: start billora the same way"
            "\nkivo runs as administrator: start billora the same way");
  EXPECT_EQ(cycle.state, Poster);
  EXPECT_EQ(fake.nowMs, 20200u);
}

TEST_F(CycleTest, ShrunkenListsBringTheIndicesBack) {
  Venue(Show(1, "Tosca", "2021-08-16 15:00:00", "", "tosca.jpg"), "");
  posterIndex = 5;
  announcementIndex = 3;
  Pass();
  EXPECT_EQ(posterIndex, 0);
  EXPECT_EQ(announcementIndex, 3);  // no slot in force: nothing played, nothing read
}

TEST_F(CycleTest, MissingPosterIsSkippedAndTheCycleMovesOn) {
  Venue(kTwoToday, kPromo, {"aida.jpg"});
  std::string out = Pass();
  std::string warning = "\nWarning: " + Media("aida.jpg") + " cannot be found";
  EXPECT_EQ(out.rfind("\nReading list..." + warning + "\nfadin...\nreload...\rCan't find " +
                      Media("aida.jpg") + ", skipped\nfadin...\nreload(3)...", 0), 0u);
  EXPECT_EQ(posterIndex, 1);
}

TEST_F(CycleTest, SpokenTimeFollowsTheClock) {
  Venue(kTwoToday, kPromo);
  // The time spoken is the one after the scene, 4.1 s into the state.
  for (auto [start, spoken] : {std::pair{1628924820, "Il est 9:07,"},
                               std::pair{1628942700, "Il est 14:05,"},
                               std::pair{1628967600, "Il est 21H,"}}) {
    FakeReset();
    fake.viewer = [](const FakeMessage& m) -> int32_t { return m.message == VM_SET_TEXT ? 0 : 1; };
    fake.exePath = FromUtf8(dir + "/billora");
    fake.epochBase = start;
    showList = ShowList();
    showList.names.Append(L"A");
    showList.names.Append(L"B");
    for (int k = 0; k < 2; ++k) {
      showList.captions.Append(L"Demain \u00e0 20:00");
      showList.visuals.Append(L"p0.jpg");
    }
    PlayNextShowsScene();
    std::string out = FakeTakeConsole();
    EXPECT_NE(out.find(std::string("SPEAK(") + spoken + " prochains spectacles, Demain \xC3\xA0 20H, A, "
                       "Demain \xC3\xA0 20H, B)"), std::string::npos) << out;
  }
}

}  // namespace

// The viewer ends during the poster: no fade-out, no pause, straight back to
// Reload, which finds it again.
TEST_F(CycleTest, AViewerGoneDuringASceneSendsTheCycleBackToReload) {
  Venue(kTwoToday, kPromo);
  auto viewer = fake.viewer;
  fake.viewer = [&](const FakeMessage& m) -> int32_t {
    if (m.message != VM_RUN) return viewer(m);
    fake.viewer = nullptr;
    return 0;
  };
  StepCycle(cycle);
  uint64_t start = fake.nowMs;
  StepCycle(cycle);
  EXPECT_EQ(cycle.state, Reload);
  EXPECT_LT(fake.nowMs - start, 2500u);  // the fade-in and the scene load only
  EXPECT_EQ(posterIndex, 0);             // the poster comes again
  std::string out = FakeTakeConsole();
  EXPECT_EQ(out.substr(out.size() - 17), "\nrun...\nkivo gone");
}

// The viewer ends 3 s into the programme's pause of 30 s: the pause ends
// within a second and the next messages are those of Reload.
TEST_F(CycleTest, AViewerGoneDuringAPauseEndsItWithinASecond) {
  Venue(kTwoToday, kPromo);
  StepCycle(cycle);
  StepCycle(cycle);
  auto viewer = fake.viewer;
  uint64_t pauseStart = 0, goneAt = 0;
  fake.onSleep = [&] {
    if (!fake.console.ends_with("\nwait...")) return;
    if (pauseStart == 0) pauseStart = fake.nowMs - 100;
    if (goneAt == 0 && fake.nowMs - pauseStart >= 3000) {
      fake.viewer = nullptr;
      goneAt = fake.nowMs;
    }
  };
  StepCycle(cycle);
  EXPECT_EQ(cycle.state, Reload);
  ASSERT_GT(goneAt, 0u);
  EXPECT_LE(fake.nowMs - goneAt, 1000u);
  std::string out = FakeTakeConsole();
  EXPECT_TRUE(out.ends_with("\nrun...\nwait...\nkivo gone")) << out;
  fake.onSleep = nullptr;
  fake.viewer = viewer;
  size_t sent = fake.messages.size();
  StepCycle(cycle);
  EXPECT_EQ(FakeTakeConsole(), "\nReading list...");
  ASSERT_EQ(fake.messages.size(), sent + 1);
  EXPECT_EQ(fake.messages.back().message, VM_QUERY_DEVICE);
}

TEST_F(CycleTest, PosterNamesThatLeaveTheMediaFolderAreSkippedAsMissing) {
  Venue(Show(1, "A", "2021-08-14 20:30:00", "", "../../../../etc/passwd") +
            Show(2, "B", "2021-08-14 21:30:00", "", "sub/../../b.jpg"),
        "");
  fake.files.insert(FromUtf8(dir + "/medias/../../../../etc/passwd"));
  std::string out = Pass();
  std::string first = Media("../../../../etc/passwd"), second = Media("sub/../../b.jpg");
  EXPECT_EQ(out.substr(0, out.find("\nfadin...")), "\nReading list...\nWarning: " + first +
                                                       " cannot be found\nWarning: " + second +
                                                       " cannot be found");
  EXPECT_NE(out.find("\nreload...\rCan't find " + first + ", skipped"), std::string::npos);
  EXPECT_NE(out.find("\nreload(2)...\rCan't find " + first + ", skipped\nsettitle1 "),
            std::string::npos);
  EXPECT_EQ(out.find("setaffiche"), std::string::npos);
  for (const std::string& line : ViewerTrace()) EXPECT_EQ(line.find("passwd"), std::string::npos);
}

TEST_F(CycleTest, TemplatesThatCannotBeLoadedAreLeftOut) {
  fake.exePath = L"/venue/billora";
  for (const std::wstring& name :
       std::vector<std::wstring>{L"../../etc/hostname", L"C:\\x", std::wstring(240, L't'), L"ok"}) {
    showList.templates.Append(name);
    showList.durations.Append(5);
  }
  for (const char* expected : {"\nCan't load /venue/templates/../../etc/hostname.kivo, skipped",
                               "\nCan't load /venue/templates/C:\\x.kivo, skipped",
                               "\nCan't load /venue/templates/tttt", "\nfadin...\nreload(ok)..."}) {
    fake.messages.clear();
    PlayAnnouncementScene();
    std::string out = FakeTakeConsole();
    EXPECT_EQ(out.substr(0, strlen(expected)), expected);
    EXPECT_EQ(fake.messages.empty(), expected[1] == 'C');
  }
  EXPECT_EQ(announcementIndex, 0);
}

TEST_F(CycleTest, StoredTextsCannotSteerTheTerminal) {
  Venue(Show(1, "Carmen", "2021-08-14 20:30:00",
             "\x1B[2J\x1B"
             "c\x1B[8m",
             "carmen.jpg"),
        "");
  std::string out = Pass();
  EXPECT_EQ(out.find('\x1B'), std::string::npos);
  EXPECT_NE(out.find("\nsettitle Aujourd'hui \xC3\xA0 20:30-?[2J?c?[8m...\nrun..."),
            std::string::npos);
}
