#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "showlist/prepare.h"
#include "showlist/store.h"

namespace {

class Prepare : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeReset();
    showList = ShowList();
  }
  void TearDown() override { showList = ShowList(); }

  // One occurrence, every list carrying the key so that moves can be followed.
  static void Add(const std::wstring& key, DateTime date) {
    showList.names.Append(key);
    showList.captions.Append(L"caption " + key);
    showList.visuals.Append(key + L".jpg");
    showList.dates.Append(date);
    showList.places.Append(L"place " + key);
  }
  static void Add(const std::wstring& key, int day, int hour, int minute = 0) {
    Add(key, DateFromParts(2021, 8, day, hour, minute, 0));
  }

  // The names in list order, after checking that the five lists moved as one.
  static std::wstring Order() {
    std::wstring keys;
    for (int k = 0; k < showList.names.Size(); ++k) {
      const std::wstring& key = showList.names.At(k);
      EXPECT_EQ(L"caption " + key, showList.captions.At(k));
      EXPECT_EQ(key + L".jpg", showList.visuals.At(k));
      EXPECT_EQ(L"place " + key, showList.places.At(k));
      if (k > 0) {
        EXPECT_FALSE(IsLater(showList.dates.At(k - 1), showList.dates.At(k)));
      }
      keys += key;
    }
    return keys;
  }
};

TEST_F(Prepare, SortsByDateMovingAllFiveLists) {
  Add(L"M", 16, 20);
  Add(L"K", 14, 20);
  Add(L"L", 15, 20);
  EXPECT_EQ(0, SortShowList());
  EXPECT_EQ(L"KLM", Order());
  EXPECT_EQ(DateFromParts(2021, 8, 14, 20, 0, 0).date, showList.dates.At(0).date);
}

TEST_F(Prepare, EqualDatesKeepTheirLoadOrder) {
  Add(L"A", 14, 20, 30);
  Add(L"B", 14, 20, 30);
  Add(L"C", 14, 10);
  const DateTime sameSecond{std::nextafter(DateFromParts(2021, 8, 14, 20, 30, 0).date, 0.0),
                            DateStatus::Valid};
  Add(L"D", sameSecond);  // the same second, written with other last bits
  EXPECT_EQ(0, SortShowList());
  EXPECT_EQ(L"CABD", Order());
}

TEST_F(Prepare, OccurrencesOfOneRowInterleaveWithAnother) {
  Add(L"X", 14, 20, 30);
  Add(L"Y", 15, 20, 30);
  Add(L"Z", 16, 20, 30);
  Add(L"W", 15, 12);  // a second row, between the first and second day
  EXPECT_EQ(0, SortShowList());
  EXPECT_EQ(L"XWYZ", Order());
}

TEST_F(Prepare, DatesBeforeTheEpochSortByTime) {
  Add(L"A", DateTime{0.25, DateStatus::Valid});   // 1899-12-30 06:00
  Add(L"B", DateTime{-1.5, DateStatus::Valid});   // 1899-12-29 12:00
  Add(L"C", DateTime{-1.25, DateStatus::Valid});  // 1899-12-29 06:00
  EXPECT_EQ(0, SortShowList());
  EXPECT_EQ(L"CBA", Order());
}

TEST_F(Prepare, NoShowGivesMinusOneAndLeavesTheListsAlone) {
  showList.templates.Append(L"promo");
  showList.durations.Append(30);
  EXPECT_EQ(-1, SortShowList());
  EXPECT_EQ(1, showList.templates.Size());
  EXPECT_EQ("", FakeTakeConsole());
  Add(L"A", 14, 20);
  EXPECT_EQ(0, SortShowList());
  EXPECT_EQ(L"A", Order());
  EXPECT_EQ(L"promo", showList.templates.At(0));
}

TEST_F(Prepare, AShortListIsRefused) {
  Add(L"A", 15, 20);
  Add(L"B", 14, 20);
  showList.places = CheckedList<std::wstring>();
  showList.places.Append(L"place A");
  EXPECT_THROW(SortShowList(), std::invalid_argument);
}

// Many occurrences, many of them at equal dates: the same order as a stable
// sort of (date, load position).
TEST_F(Prepare, MatchesAStableSortOnALargeList) {
  std::mt19937 random(7);
  std::vector<std::pair<int, int>> expected;  // (minute of the month, load position)
  for (int k = 0; k < 20000; ++k) {
    const int minute = static_cast<int>(random() % 2000);
    expected.emplace_back(minute, k);
    Add(std::to_wstring(k) + L";",
        DateFromParts(2021, 8, 1 + minute / 1440, minute / 60 % 24, minute % 60, 0));
  }
  std::stable_sort(expected.begin(), expected.end(),
                   [](auto& a, auto& b) { return a.first < b.first; });
  std::wstring keys;
  for (auto& entry : expected) keys += std::to_wstring(entry.second) + L";";
  EXPECT_EQ(0, SortShowList());
  EXPECT_EQ(keys, Order());
}

TEST_F(Prepare, CheckMediaWarnsOfEachMissingPoster) {
  fake.exePath = L"/venue/billora";
  fake.files.insert(L"/venue/medias/here.jpg");
  Add(L"poster", 14, 20);
  Add(L"here", 15, 20);
  Add(L"affiche \u00e9t\u00e9", 16, 20);
  CheckMedia();
  EXPECT_EQ(
      "\nWarning: /venue/medias/poster.jpg cannot be found"
      "\nWarning: /venue/medias/affiche \xc3\xa9t\xc3\xa9.jpg cannot be found",
      FakeTakeConsole());
  EXPECT_EQ(3, showList.names.Size());
  EXPECT_EQ(L"poster.jpg", showList.visuals.At(0));
}

TEST_F(Prepare, MediaPathsHaveNoLengthLimit) {
  const std::wstring folder = L"/" + std::wstring(300, L'd');
  fake.exePath = folder + L"/billora";
  const std::wstring file = std::wstring(300, L'f') + L".jpg";
  EXPECT_EQ(folder + L"/medias/" + file, MediaPath(file));
  Add(std::wstring(300, L'f'), 14, 20);
  CheckMedia();
  EXPECT_EQ("\nWarning: " + std::string(folder.begin(), folder.end()) + "/medias/" +
                std::string(300, 'f') + ".jpg cannot be found",
            FakeTakeConsole());
  fake.files.insert(folder + L"/medias/" + file);
  CheckMedia();
  EXPECT_EQ("", FakeTakeConsole());
}

TEST_F(Prepare, CheckMediaOnAnEmptyListPrintsNothing) {
  CheckMedia();
  EXPECT_EQ("", FakeTakeConsole());
}

}  // namespace
