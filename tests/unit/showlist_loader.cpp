// LoadShowList on list.mdb files written by the mdbwrite tool, in both Jet
// versions, against the fake clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/fake/fake_platform.h"
#include "showlist/database.h"
#include "showlist/loader.h"
#include "showlist/prepare.h"
#include "showlist/store.h"
#include "tests/support/mdb_file.h"
#include "tests/support/time_zone.h"

namespace {

const char kShowColumns[] =
    "table shows\ncolumn id long\ncolumn name text\ncolumn date datetime\ncolumn where text\n"
    "column text1 memo\ncolumn text2 text\ncolumn visual text\ncolumn ndays int\n";
const char kSlotColumns[] =
    "table annonces\ncolumn template text\ncolumn duration int\ncolumn starting datetime\n"
    "column ending datetime\n";

std::string Rows(const std::vector<std::string>& rows) {
  std::string text;
  for (const std::string& row : rows) text += "row " + row + "\n";
  return text;
}

// A row of shows; "\\N" is NULL.
std::string Show(const std::string& name, const std::string& date, const std::string& ndays = "\\N",
                 const std::string& where = "Salle A", const std::string& visual = "poster.jpg") {
  return "7\t" + name + "\t" + date + "\t" + where + "\tnotes\tmore\t" + visual + "\t" + ndays;
}

std::string Slot(const std::string& name, const std::string& duration, const std::string& starting,
                 const std::string& ending) {
  return name + "\t" + duration + "\t" + starting + "\t" + ending;
}

std::string Database(const std::vector<std::string>& shows,
                     const std::vector<std::string>& slots = {}) {
  return kShowColumns + Rows(shows) + kSlotColumns + Rows(slots);
}

template <class T>
std::vector<T> All(const CheckedList<T>& list) {
  std::vector<T> items;
  for (int k = 0; k < list.Size(); ++k) items.push_back(list.At(k));
  return items;
}

class Loader : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    FakeReset();
    showList = ShowList();
    posterIndex = announcementIndex = 0;
    fake.exePath = FromUtf8(dir_) + L"/billora";
    SetNow(2021, 8, 14, 10, 0, 0);
  }
  void TearDown() override {
    CloseShowDatabase();
    showList = ShowList();
    EXPECT_EQ("", FakeTakeConsole());  // the show list prints nothing
  }

  static void SetNow(int year, int month, int day, int hour, int minute, int second) {
    std::tm when{};
    when.tm_year = year - 1900;
    when.tm_mon = month - 1;
    when.tm_mday = day;
    when.tm_hour = hour;
    when.tm_min = minute;
    when.tm_sec = second;
    fake.epochBase = timegm(&when);
    fake.nowMs = 0;
  }

  void Write(const std::string& description) {
    WriteMdbAt(dir_ + "/list.mdb", description, GetParam());
  }
  void WriteFile(const std::string& bytes) {
    std::ofstream(dir_ + "/list.mdb", std::ios::binary | std::ios::trunc) << bytes;
  }
  // What a reload of the display cycle does; -2 when the file does not open.
  static int Reload() {
    CloseShowDatabase();
    if (OpenShowDatabase() != 0) return -2;
    return LoadShowList();
  }
  int Load(const std::string& description) {
    Write(description);
    return Reload();
  }
  static void ExpectParallel() {
    const int n = showList.names.Size();
    EXPECT_EQ(n, showList.captions.Size());
    EXPECT_EQ(n, showList.visuals.Size());
    EXPECT_EQ(n, showList.dates.Size());
    EXPECT_EQ(n, showList.places.Size());
    EXPECT_EQ(showList.templates.Size(), showList.durations.Size());
  }

  ScopedTimeZone zone_{"UTC"};
  const std::string dir_ = MakeTempDir();
};

INSTANTIATE_TEST_SUITE_P(Jet, Loader, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Jet3" : "Jet4"; });

DateParts PartsAt(int k) { return GetDateParts(showList.dates.At(k)); }

TEST_P(Loader, DayCountFromNdays) {
  const std::string date = "2021-08-20 20:30:00";
  ASSERT_EQ(0, Load(Database({Show("null", date), Show("zero", date, "0"), Show("one", date, "1"),
                              Show("three", date, "3"), Show("many", date, "400"),
                              Show("minus", date, "-1")})));
  ExpectParallel();
  const auto names = All(showList.names);
  for (const char* name : {"null", "zero", "one"})
    EXPECT_EQ(1, std::count(names.begin(), names.end(), FromUtf8(name))) << name;
  EXPECT_EQ(3, std::count(names.begin(), names.end(), L"three"));
  EXPECT_EQ(365, std::count(names.begin(), names.end(), L"many"));
  EXPECT_EQ(365, std::count(names.begin(), names.end(), L"minus"));
  for (int k = 3; k < 6; ++k) {  // the three days, in order, at the same time
    EXPECT_EQ(20 + k - 3, PartsAt(k).day);
    EXPECT_EQ(20, PartsAt(k).hour);
    EXPECT_EQ(30, PartsAt(k).minute);
  }
  EXPECT_EQ(AddDays(DateFromParts(2021, 8, 20, 20, 30, 0), 364).date, showList.dates.At(370).date);
}

TEST_P(Loader, KeepsOnlyOccurrencesStrictlyLaterThanNow) {
  SetNow(2021, 8, 14, 21, 0, 0);
  ASSERT_EQ(
      0, Load(Database({Show("yesterday", "2021-08-13 20:30:00", "3"),
                        Show("now", "2021-08-14 21:00:00"),
                        Show("next second", "2021-08-14 21:00:01"), Show("no date", "\\N", "3")})));
  ExpectParallel();
  EXPECT_EQ((std::vector<std::wstring>{L"yesterday", L"next second"}), All(showList.names));
  EXPECT_EQ((std::vector<std::wstring>{L"Demain \u00e0 20:30-Salle A",
                                       L"Aujourd'hui \u00e0 21:00-Salle A"}),
            All(showList.captions));
}

TEST_P(Loader, TextsOfARow) {
  ASSERT_EQ(0, Load(Database({
                   Show(GetParam() ? "Th\xc3\xa9\xc3\xa2tre" : "Th\xc3\xa9\xc3\xa2tre \xe5\x8a\x87",
                        "2021-08-15 09:05:00", "1", "\\N", "affiche \xc3\xa9t\xc3\xa9.jpg"),
                   Show("\\N", "2021-08-16 20:30:00", "1", "  ", "\\N"),
                   Show("Concert", "2021-08-14 20:30:00", "1", "Caf\xc3\xa9", "c.png"),
               })));
  ExpectParallel();
  EXPECT_EQ((std::vector<std::wstring>{
                GetParam() ? L"Th\u00e9\u00e2tre" : L"Th\u00e9\u00e2tre \u5287", L"", L"Concert"}),
            All(showList.names));
  EXPECT_EQ((std::vector<std::wstring>{L"", L"  ", L"Caf\u00e9"}), All(showList.places));
  EXPECT_EQ((std::vector<std::wstring>{L"affiche \u00e9t\u00e9.jpg", L"", L"c.png"}),
            All(showList.visuals));
  EXPECT_EQ((std::vector<std::wstring>{L"Demain \u00e0 9:05", L"Lundi 16 Ao\u00fbt 20:30-  ",
                                       L"Aujourd'hui \u00e0 20:30-Caf\u00e9"}),
            All(showList.captions));
}

TEST_P(Loader, AnnouncementWindowIsInclusiveToTheSecond) {
  Write(Database({}, {Slot("day", "30", "2021-08-14 10:00:00", "2021-08-14 18:00:00"),
                      Slot("reversed", "30", "2021-08-14 18:00:00", "2021-08-14 10:00:00"),
                      Slot("instant", "30", "2021-08-14 10:00:00", "2021-08-14 10:00:00"),
                      Slot("open end", "30", "2021-08-14 09:00:00", "\\N"),
                      Slot("open start", "30", "\\N", "2021-08-14 19:00:00")}));
  const std::vector<std::pair<int, std::vector<std::wstring>>> cases = {
      {9 * 3600 + 59 * 60 + 59, {}},
      {10 * 3600, {L"day", L"instant"}},
      {18 * 3600, {L"day"}},
      {18 * 3600 + 1, {}}};
  for (const auto& [second, expected] : cases) {
    SetNow(2021, 8, 14, 0, 0, second);
    ASSERT_EQ(0, Reload());
    EXPECT_EQ(expected, All(showList.templates)) << second;
    ExpectParallel();
  }
}

TEST_P(Loader, AnnouncementValuesInRowOrder) {
  const std::string from = "2021-08-14 09:00:00", to = "2021-08-14 11:00:00";
  ASSERT_EQ(0, Load(Database({}, {Slot("first", "30", from, to), Slot("late", "10", to, to),
                                  Slot("second", "-5", from, to), Slot("\\N", "\\N", from, to)})));
  EXPECT_EQ((std::vector<std::wstring>{L"first", L"second", L""}), All(showList.templates));
  EXPECT_EQ((std::vector<double>{30.0, -5.0, 0.0}), All(showList.durations));
  EXPECT_EQ(0, showList.names.Size());
}

TEST_P(Loader, ReloadStartsFromEmptyListsAndKeepsTheIndices) {
  const std::string from = "2021-08-14 09:00:00", to = "2021-08-14 11:00:00";
  const std::string big =
      Database({Show("a", "2021-08-15 20:30:00", "3"), Show("b", "2021-08-16 20:30:00")},
               {Slot("one", "30", from, to), Slot("two", "20", from, to)});
  ASSERT_EQ(0, Load(big));
  const auto captions = All(showList.captions);
  ASSERT_EQ(0, Reload());  // twice at the same moment: the same lists
  EXPECT_EQ(captions, All(showList.captions));
  EXPECT_EQ(4, showList.names.Size());
  EXPECT_EQ(2, showList.templates.Size());
  posterIndex = 3;
  announcementIndex = 1;
  ASSERT_EQ(0, Load(Database({Show("c", "2021-08-15 20:30:00")})));
  ExpectParallel();
  EXPECT_EQ(std::vector<std::wstring>{L"c"}, All(showList.names));
  EXPECT_EQ(0, showList.templates.Size());
  EXPECT_EQ(3, posterIndex);
  EXPECT_EQ(1, announcementIndex);
  EXPECT_THROW(showList.templates.At(0), std::invalid_argument);
}

// list.mdb saved while it is read: a reading the file no longer holds 200 ms
// later is made again; a file that never settles fails the open.
TEST_P(Loader, AFileChangingWhileReadIsReadAgainUntilItSettles) {
  const std::string from = "2021-08-14 09:00:00", to = "2021-08-14 11:00:00";
  Write(Database({Show("b", "2021-08-15 20:30:00")}, {Slot("two", "20", from, to)}));
  const std::string b = Slurp(dir_ + "/list.mdb");
  Write(Database({Show("a", "2021-08-15 20:30:00")}, {Slot("one", "20", from, to)}));
  const std::string a = Slurp(dir_ + "/list.mdb");
  int sleeps = 0;
  fake.onSleep = [&] {
    if (++sleeps == 1) WriteFile(b);
  };
  ASSERT_EQ(0, Reload());
  EXPECT_EQ(std::vector<std::wstring>{L"b"}, All(showList.names));
  EXPECT_EQ(std::vector<std::wstring>{L"two"}, All(showList.templates));
  EXPECT_EQ(400u, fake.nowMs);

  fake.onSleep = [&] { WriteFile(++sleeps % 2 ? a : b); };
  fake.nowMs = 0;
  EXPECT_EQ(-2, Reload());
  EXPECT_EQ(1000u, fake.nowMs);
  fake.onSleep = nullptr;
}

TEST_P(Loader, MidnightInParis) {
  ScopedTimeZone paris("Europe/Paris");
  fake.epochBase = 1628978399;  // 2021-08-14 23:59:59 in Paris
  Write(Database({Show("same second", "2021-08-14 23:59:59"),
                  Show("midnight", "2021-08-15 00:00:00"), Show("monday", "2021-08-16 00:30:00")}));
  ASSERT_EQ(0, Reload());
  EXPECT_EQ((std::vector<std::wstring>{L"Demain \u00e0 0:00-Salle A",
                                       L"Lundi 16 Ao\u00fbt 0:30-Salle A"}),
            All(showList.captions));
  fake.nowMs = 1000;
  ASSERT_EQ(0, Reload());
  EXPECT_EQ(std::vector<std::wstring>{L"Demain \u00e0 0:30-Salle A"}, All(showList.captions));
}

TEST_P(Loader, DaylightSavingChangesInParis) {
  ScopedTimeZone paris("Europe/Paris");
  Write(Database({Show("autumn", "2021-10-31 02:45:00"), Show("spring", "2021-03-28 02:30:00")},
                 {Slot("night", "30", "2021-10-31 02:00:00", "2021-10-31 03:00:00")}));
  fake.epochBase = 1616893199;  // 2021-03-28 01:59:59, one second before 03:00:00
  ASSERT_EQ(0, Reload());
  EXPECT_EQ((std::vector<std::wstring>{L"autumn", L"spring"}), All(showList.names));
  EXPECT_EQ(L"Aujourd'hui \u00e0 2:30-Salle A", showList.captions.At(1));
  fake.nowMs = 1000;
  ASSERT_EQ(0, Reload());
  EXPECT_EQ(std::vector<std::wstring>{L"autumn"}, All(showList.names));
  // 02:30 in summer time, then 02:30 again an hour later in winter time.
  for (int64_t epoch : {1635640200, 1635643800}) {
    fake.epochBase = epoch;
    fake.nowMs = 0;
    ASSERT_EQ(0, Reload());
    EXPECT_EQ(std::vector<std::wstring>{L"Aujourd'hui \u00e0 2:45-Salle A"},
              All(showList.captions));
    EXPECT_EQ(std::vector<std::wstring>{L"night"}, All(showList.templates));
  }
  fake.epochBase = 1635644700;  // 02:45 winter time
  ASSERT_EQ(0, Reload());
  EXPECT_EQ(0, showList.names.Size());
}

TEST_P(Loader, EndOfTheCalendar) {
  ASSERT_EQ(
      0, Load(Database({Show("last", "9999-12-30 20:00:00", "5"), Show("beyond", "ole:2958466.5"),
                        Show("nan", "ole:nan")},
                       {Slot("forever", "30", "2021-01-01 00:00:00", "9999-12-31 23:59:59")})));
  ExpectParallel();
  EXPECT_EQ((std::vector<std::wstring>{L"Jeudi 30 D\u00e9cembre 20:00-Salle A",
                                       L"Vendredi 31 D\u00e9cembre 20:00-Salle A"}),
            All(showList.captions));
  EXPECT_EQ(std::vector<std::wstring>{L"forever"}, All(showList.templates));
}

TEST_P(Loader, DatesBeforeTheEpoch) {
  SetNow(1899, 12, 28, 22, 0, 0);
  ASSERT_EQ(0, Load(Database({Show("old", "ole:-1.25", "3"), Show("older", "1899-12-28 23:00:00")},
                             {Slot("evening", "30", "ole:-2.5", "1899-12-28 23:00:00")})));
  ExpectParallel();
  EXPECT_EQ((std::vector<std::wstring>{
                L"Demain \u00e0 6:00-Salle A", L"Samedi 30 D\u00e9cembre 6:00-Salle A",
                L"Dimanche 31 D\u00e9cembre 6:00-Salle A", L"Aujourd'hui \u00e0 23:00-Salle A"}),
            All(showList.captions));
  EXPECT_EQ(-1.25, showList.dates.At(0).date);
  EXPECT_EQ(DateFromParts(1899, 12, 28, 23, 0, 0).date, showList.dates.At(3).date);
  EXPECT_EQ(std::vector<std::wstring>{L"evening"}, All(showList.templates));
  ASSERT_EQ(0, SortShowList());
  EXPECT_EQ(L"older", showList.names.At(0));
}

TEST_P(Loader, LoadThenSort) {
  ASSERT_EQ(0,
            Load(Database({Show("M", "2021-08-16 20:30:00"), Show("X", "2021-08-14 20:30:00", "3"),
                           Show("K", "2021-08-14 20:30:00"), Show("W", "2021-08-15 12:00:00")})));
  ASSERT_EQ(0, SortShowList());
  EXPECT_EQ((std::vector<std::wstring>{L"X", L"K", L"W", L"X", L"M", L"X"}), All(showList.names));
  EXPECT_EQ(L"Aujourd'hui \u00e0 20:30-Salle A", showList.captions.At(1));
  ExpectParallel();
}

// Columns made with other types than the usual ones.
TEST_P(Loader, OtherColumnTypes) {
  std::string columns = kShowColumns;
  columns.replace(columns.find("ndays int"), 9, "ndays double");
  columns.replace(columns.find("name text"), 9, "name long");
  std::string slots = kSlotColumns;
  slots.replace(slots.find("duration int"), 12, "duration double");
  const std::string from = "2021-08-14 09:00:00", to = "2021-08-14 11:00:00";
  ASSERT_EQ(0, Load(columns +
                    Rows({Show("42", "2021-08-15 20:30:00", "2.7"),
                          Show("43", "2021-08-15 20:30:00", "1e9")}) +
                    slots + Rows({Slot("half", "12.5", from, to), Slot("nan", "nan", from, to)})));
  const auto names = All(showList.names);
  EXPECT_EQ(2, std::count(names.begin(), names.end(), L"42"));
  EXPECT_EQ(365, std::count(names.begin(), names.end(), L"43"));
  EXPECT_EQ((std::vector<double>{12.5, 0.0}), All(showList.durations));
}

TEST_P(Loader, APlaceThatIsNoTextFailsTheLoad) {
  std::string columns = kShowColumns;
  columns.replace(columns.find("where text"), 10, "where datetime");
  const std::string tail = kSlotColumns;
  ASSERT_EQ(0, Load(columns +
                    Rows({Show("dated", "2021-08-15 20:30:00", "1", "2021-08-14 12:00:00"),
                          Show("past", "2021-08-13 20:30:00", "1", "ole:3000000")}) +
                    tail));
  EXPECT_EQ(1, showList.names.Size());
  EXPECT_NE(L"", showList.places.At(0));
  ASSERT_EQ(-1,
            Load(columns + Rows({Show("odd", "2021-08-15 20:30:00", "1", "ole:3000000")}) + tail));
  ExpectParallel();
  EXPECT_EQ(0, showList.names.Size());
}

// ---- Bad input ------------------------------------------------------------

TEST_P(Loader, MissingDatabase) {
  EXPECT_EQ(-1, OpenShowDatabase());
  EXPECT_EQ(-1, LoadShowList());  // nothing is open
  EXPECT_EQ(0, CloseShowDatabase());
  EXPECT_EQ(0, CloseShowDatabase());
}

TEST_P(Loader, OpensBesideTheExecutableWhateverTheWorkingDirectory) {
  Write(Database({Show("a", "2021-08-15 20:30:00")}));
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path("/");
  EXPECT_EQ(0, OpenShowDatabase());
  std::filesystem::current_path(cwd);
  EXPECT_EQ(0, LoadShowList());
  EXPECT_EQ(0, CloseShowDatabase());
  EXPECT_EQ(0, CloseShowDatabase());  // harmless, and the next open works
  EXPECT_EQ(0, OpenShowDatabase());
  EXPECT_EQ(0, OpenShowDatabase());  // reopening replaces the connection
  EXPECT_EQ(0, LoadShowList());
  EXPECT_EQ(1, showList.names.Size());
}

TEST_P(Loader, NotADatabase) {
  WriteFile("This is a text file, not a database.\n");
  EXPECT_NE(0, Reload());
  WriteFile("");
  EXPECT_NE(0, Reload());
  WriteFile(std::string(8192, '\0'));
  EXPECT_NE(0, Reload());
}

TEST_P(Loader, MissingTableOrColumnFailsAndTheNextLoadStartsAfresh) {
  const std::string shows = Rows({Show("a", "2021-08-15 20:30:00", "2")});
  ASSERT_EQ(-1, Load(kShowColumns + shows));  // no annonces table
  EXPECT_EQ(2, showList.names.Size());
  ExpectParallel();
  std::string noNdays = kShowColumns;
  noNdays.erase(noNdays.find("column ndays int\n"));
  ASSERT_EQ(-1, Load(noNdays + Rows({"1\tb\t2021-08-15 20:30:00\tx\tn\tm\tv.jpg"}) + kSlotColumns));
  EXPECT_EQ(0, showList.names.Size());
  ASSERT_EQ(-1, Load(kSlotColumns));  // no shows table
  ASSERT_EQ(0, Load(kShowColumns + Rows({Show("c", "2021-08-15 20:30:00")}) + kSlotColumns));
  EXPECT_EQ(std::vector<std::wstring>{L"c"}, All(showList.names));
}

// Cut and damaged copies of a valid file either load or fail; none crashes.
TEST_P(Loader, DamagedFilesNeverCrash) {
  Write(Database({Show("a", "2021-08-15 20:30:00", "3"), Show("b", "2021-08-16 20:30:00")},
                 {Slot("one", "30", "2021-08-14 09:00:00", "2021-08-14 11:00:00")}));
  const std::string good = Slurp(dir_ + "/list.mdb");
  ASSERT_GT(good.size(), 4096u);
  for (size_t size : {size_t{0}, size_t{100}, size_t{2047}, size_t{4096}, size_t{4097},
                      good.size() / 2, good.size() - 1}) {
    WriteFile(good.substr(0, size));
    const int result = Reload();
    EXPECT_TRUE(result == 0 || result == -1 || result == -2) << size;
  }
  for (size_t at = 0; at < good.size(); at += 97) {
    std::string damaged = good;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
    WriteFile(damaged);
    const int result = Reload();
    EXPECT_TRUE(result == 0 || result == -1 || result == -2) << at;
    ExpectParallel();
  }
}

}  // namespace
