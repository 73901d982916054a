#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "showlist/datetime.h"
#include "tests/support/time_zone.h"

namespace {

DateTime Valid(double date) { return {date, DateStatus::Valid}; }

// Seconds into a day as a day fraction.
double At(int hour, int minute, double second) {
  return (hour * 3600 + minute * 60 + second) / 86400.0;
}

void ExpectParts(double date, int year, int month, int day, int hour, int minute, int second,
                 int weekday) {
  const DateParts p = GetDateParts(Valid(date));
  EXPECT_EQ(year, p.year) << date;
  EXPECT_EQ(month, p.month) << date;
  EXPECT_EQ(day, p.day) << date;
  EXPECT_EQ(hour, p.hour) << date;
  EXPECT_EQ(minute, p.minute) << date;
  EXPECT_EQ(second, p.second) << date;
  EXPECT_EQ(weekday, p.weekday) << date;
}

void ExpectNoParts(const DateTime& when) {
  const DateParts p = GetDateParts(when);
  for (int part : {p.year, p.month, p.day, p.hour, p.minute, p.second, p.weekday})
    EXPECT_EQ(-1, part) << when.date;
}

TEST(DateParts, AroundTheEpochAndBeforeIt) {
  ExpectParts(0.0, 1899, 12, 30, 0, 0, 0, 6);
  ExpectParts(1.0, 1899, 12, 31, 0, 0, 0, 0);
  ExpectParts(2.0, 1900, 1, 1, 0, 0, 0, 1);
  ExpectParts(61.0, 1900, 3, 1, 0, 0, 0, 4);
  ExpectParts(-1.0, 1899, 12, 29, 0, 0, 0, 5);
  // The fraction is the time of day forwards, also before 1899-12-30.
  ExpectParts(-1.25, 1899, 12, 29, 6, 0, 0, 5);
  ExpectParts(-0.5, 1899, 12, 30, 12, 0, 0, 6);
  ExpectParts(-109512 - At(20, 30, 0), 1600, 2, 29, 20, 30, 0, 2);
  ExpectParts(44422 + At(20, 30, 0), 2021, 8, 14, 20, 30, 0, 6);
  ExpectParts(36585.0, 2000, 2, 29, 0, 0, 0, 2);
}

TEST(DateParts, RoundsTheTimeOfDayToTheSecond) {
  ExpectParts(44422 + At(20, 30, 29.4), 2021, 8, 14, 20, 30, 29, 6);
  ExpectParts(44422 + At(20, 30, 29.6), 2021, 8, 14, 20, 30, 30, 6);
  ExpectParts(44422 + At(23, 59, 59.6), 2021, 8, 15, 0, 0, 0, 0);
  // Before the epoch the carry also goes forwards in time.
  ExpectParts(-1 - At(23, 59, 59.6), 1899, 12, 30, 0, 0, 0, 6);
  ExpectParts(-2 - At(23, 59, 59.4), 1899, 12, 28, 23, 59, 59, 4);
}

TEST(DateParts, EndsOfTheRange) {
  ExpectParts(-657434.0, 100, 1, 1, 0, 0, 0, 5);
  ExpectParts(-657434 - At(23, 59, 59), 100, 1, 1, 23, 59, 59, 5);
  ExpectParts(2958465.0, 9999, 12, 31, 0, 0, 0, 5);
  ExpectParts(2958465 + At(23, 59, 59), 9999, 12, 31, 23, 59, 59, 5);
  ExpectParts(2958465 + At(23, 59, 59.4), 9999, 12, 31, 23, 59, 59, 5);
  ExpectNoParts(Valid(2958465 + At(23, 59, 59.6)));  // rounds into year 10000
  ExpectNoParts(Valid(2958466.0));
  ExpectNoParts(Valid(-657435.0));
  ExpectNoParts(Valid(1e300));
  ExpectNoParts(Valid(NAN));
  ExpectNoParts(Valid(INFINITY));
  ExpectNoParts({44422, DateStatus::Invalid});
  ExpectNoParts({44422, DateStatus::Null});
  EXPECT_EQ(DateStatus::Valid, MakeDate(2958465.5).status);
  EXPECT_EQ(DateStatus::Invalid, MakeDate(2958466.0).status);
  EXPECT_EQ(DateStatus::Invalid, MakeDate(NAN).status);
}

// Every day of the range comes back from its parts, one weekday after the
// one before.
TEST(DateParts, EveryDayRoundTrips) {
  DateTime first = DateFromParts(100, 1, 1, 23, 59, 59);
  int weekday = GetDateParts(first).weekday;
  int checked = 0;
  for (int year = 100; year <= 9999; ++year) {
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= 31; ++day) {
        const DateTime when = DateFromParts(year, month, day, 23, 59, 59);
        if (when.status != DateStatus::Valid) continue;
        const DateParts p = GetDateParts(when);
        ASSERT_EQ(year, p.year);
        ASSERT_EQ(month, p.month);
        ASSERT_EQ(day, p.day);
        ASSERT_EQ(23, p.hour);
        ASSERT_EQ(59, p.minute);
        ASSERT_EQ(59, p.second);
        ASSERT_EQ(weekday, p.weekday) << year << "-" << month << "-" << day;
        weekday = (weekday + 1) % 7;
        ++checked;
      }
    }
  }
  EXPECT_EQ(2958465 + 657434 + 1, checked);
}

TEST(DateFromParts, BuildsTheOleValue) {
  EXPECT_EQ(0.0, DateFromParts(1899, 12, 30, 0, 0, 0).date);
  EXPECT_EQ(-1.25, DateFromParts(1899, 12, 29, 6, 0, 0).date);
  EXPECT_EQ(0.75, DateFromParts(1899, 12, 30, 18, 0, 0).date);
  EXPECT_DOUBLE_EQ(44422 + At(20, 30, 0), DateFromParts(2021, 8, 14, 20, 30, 0).date);
  EXPECT_EQ(-657434.0, DateFromParts(100, 1, 1, 0, 0, 0).date);
  EXPECT_EQ(DateStatus::Valid, DateFromParts(2020, 2, 29, 0, 0, 0).status);
}

TEST(DateFromParts, RefusesFieldsOutOfRange) {
  for (const auto& f : std::vector<std::array<int, 6>>{{2021, 2, 29, 0, 0, 0},
                                                       {1900, 2, 29, 0, 0, 0},
                                                       {2021, 4, 31, 0, 0, 0},
                                                       {2021, 13, 1, 0, 0, 0},
                                                       {2021, 0, 1, 0, 0, 0},
                                                       {2021, 1, 0, 0, 0, 0},
                                                       {2021, 1, 1, 24, 0, 0},
                                                       {2021, 1, 1, 0, 60, 0},
                                                       {2021, 1, 1, 0, 0, 60},
                                                       {2021, 1, 1, -1, 0, 0},
                                                       {99, 12, 31, 23, 59, 59},
                                                       {10000, 1, 1, 0, 0, 0}})
    EXPECT_EQ(DateStatus::Invalid, DateFromParts(f[0], f[1], f[2], f[3], f[4], f[5]).status)
        << f[0] << "-" << f[1] << "-" << f[2] << " " << f[3] << ":" << f[4] << ":" << f[5];
}

TEST(AddDays, KeepsTheTimeOfDayAcrossTheEpoch) {
  EXPECT_EQ(-1.0, AddDays(Valid(0), -1).date);
  EXPECT_EQ(0.25, AddDays(Valid(-1.25), 1).date);   // 12-29 06:00 -> 12-30 06:00
  EXPECT_EQ(-1.25, AddDays(Valid(0.25), -1).date);  // and back
  EXPECT_EQ(-1.5, AddDays(Valid(-2.5), 1).date);
  EXPECT_EQ(-3.75, AddDays(Valid(1.75), -4).date);
  EXPECT_EQ(44425.5, AddDays(Valid(44422.5), 3).date);
  const DateTime late = DateFromParts(9999, 12, 29, 20, 30, 0);
  EXPECT_EQ(DateStatus::Valid, AddDays(late, 2).status);
  EXPECT_EQ(DateStatus::Invalid, AddDays(late, 3).status);
  EXPECT_EQ(DateStatus::Invalid, AddDays(DateFromParts(100, 1, 1, 0, 0, 0), -1).status);
  EXPECT_EQ(DateStatus::Null, AddDays(DateTime{}, 1).status);
}

TEST(IsLater, OrdersNegativeDatesByTheirTime) {
  EXPECT_TRUE(IsLater(Valid(-1.5), Valid(-1.25)));  // 12-29 12:00 after 12-29 06:00
  EXPECT_FALSE(IsLater(Valid(-1.25), Valid(-1.5)));
  EXPECT_TRUE(IsLater(Valid(-1.25), Valid(-2.75)));
  EXPECT_TRUE(IsLater(Valid(0.25), Valid(-1.75)));
  EXPECT_FALSE(IsLater(Valid(-0.5), Valid(0.5)));  // one moment, written twice
  EXPECT_FALSE(IsLater(Valid(0.5), Valid(-0.5)));
}

TEST(IsLater, IsStrictToTheSecond) {
  const DateTime now = DateFromParts(2021, 8, 14, 10, 0, 0);
  EXPECT_FALSE(IsLater(now, now));
  EXPECT_TRUE(IsLater(DateFromParts(2021, 8, 14, 10, 0, 1), now));
  EXPECT_FALSE(IsLater(DateFromParts(2021, 8, 14, 9, 59, 59), now));
  // The same second computed another way may differ in its last bits.
  for (double direction : {-1e9, 1e9}) {
    const DateTime other = Valid(std::nextafter(std::nextafter(now.date, direction), direction));
    EXPECT_FALSE(IsLater(other, now));
    EXPECT_FALSE(IsLater(now, other));
  }
  EXPECT_FALSE(IsLater(DateTime{}, now));
  EXPECT_FALSE(IsLater(now, DateTime{44000, DateStatus::Invalid}));
}

class Now : public ::testing::Test {
 protected:
  void SetUp() override { FakeReset(); }
};

TEST_F(Now, IsTheLocalTimeInWholeSeconds) {
  ScopedTimeZone zone("Europe/Paris");
  fake.epochBase = 1628935200;  // 2021-08-14 10:00:00 UTC, 12:00 in Paris
  fake.nowMs = 999;
  const DateTime now = CurrentDateTime();
  EXPECT_EQ(DateStatus::Valid, now.status);
  EXPECT_EQ(DateFromParts(2021, 8, 14, 12, 0, 0).date, now.date);
}

TEST_F(Now, StaysValidAcrossDaylightSavingChanges) {
  ScopedTimeZone zone("Europe/Paris");
  fake.epochBase = 1616893199;  // 2021-03-28 00:59:59 UTC: 01:59:59, then 03:00:00
  EXPECT_EQ(DateFromParts(2021, 3, 28, 1, 59, 59).date, CurrentDateTime().date);
  fake.nowMs = 1000;
  EXPECT_EQ(DateFromParts(2021, 3, 28, 3, 0, 0).date, CurrentDateTime().date);
  // 02:30 comes twice in the night of 2021-10-31, once in summer time, once not.
  fake.epochBase = 1635640200;
  fake.nowMs = 0;
  const DateTime summer = CurrentDateTime();
  fake.nowMs = 3600 * 1000;
  const DateTime winter = CurrentDateTime();
  EXPECT_EQ(DateStatus::Valid, summer.status);
  EXPECT_EQ(DateStatus::Valid, winter.status);
  EXPECT_EQ(DateFromParts(2021, 10, 31, 2, 30, 0).date, summer.date);
  EXPECT_EQ(summer.date, winter.date);
}

TEST_F(Now, IsInvalidOutsideTheCalendarRange) {
  ScopedTimeZone zone("UTC");
  fake.epochBase = 253402300800;  // 10000-01-01
  EXPECT_EQ(DateStatus::Invalid, CurrentDateTime().status);
  fake.epochBase = 253402300799;  // 9999-12-31 23:59:59
  EXPECT_EQ(DateStatus::Valid, CurrentDateTime().status);
  fake.epochBase = -59011459201;  // 0099-12-31 23:59:59
  EXPECT_EQ(DateStatus::Invalid, CurrentDateTime().status);
  fake.epochBase = INT64_MAX / 2;  // no local time at all
  EXPECT_EQ(DateStatus::Invalid, CurrentDateTime().status);
}

// A leap second (23:59:60) has no date value that gives it back.
TEST_F(Now, IsInvalidOnALeapSecond) {
  ScopedTimeZone zone("right/UTC");
  for (int64_t t = 1483228800; t < 1483228800 + 60; ++t) {
    std::tm local{};
    if (!PlatformLocalTime(t, &local) || local.tm_sec != 60) continue;
    fake.epochBase = t;
    EXPECT_EQ(DateStatus::Invalid, CurrentDateTime().status);
    fake.epochBase = t + 1;
    EXPECT_EQ(DateStatus::Valid, CurrentDateTime().status);
    return;
  }
  GTEST_SKIP() << "no leap-second time zone data";
}

}  // namespace
