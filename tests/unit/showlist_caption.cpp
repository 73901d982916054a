#include <gtest/gtest.h>

#include <string>

#include "showlist/loader.h"

namespace {

DateTime On(int year, int month, int day, int hour, int minute, int second = 0) {
  return DateFromParts(year, month, day, hour, minute, second);
}

const DateTime kSaturdayEvening = On(2021, 8, 14, 20, 30);

TEST(DateCaption, TodayTomorrowAndWeekdayForms) {
  EXPECT_EQ(L"Aujourd'hui \u00e0 20:30-Salle A",
            FormatDateCaption(kSaturdayEvening, L"Salle A", On(2021, 8, 14, 10, 0)));
  EXPECT_EQ(L"Demain \u00e0 20:30-Salle A",
            FormatDateCaption(kSaturdayEvening, L"Salle A", On(2021, 8, 13, 23, 59)));
  EXPECT_EQ(L"Samedi 14 Ao\u00fbt 20:30-Salle A",
            FormatDateCaption(kSaturdayEvening, L"Salle A", On(2021, 8, 11, 9, 0)));
  EXPECT_EQ(L"Demain \u00e0 9:05",
            FormatDateCaption(On(2021, 8, 15, 9, 5), L"", On(2021, 8, 14, 10, 0)));
}

TEST(DateCaption, PlaceSuffix) {
  const DateTime now = On(2021, 8, 14, 10, 0);
  EXPECT_EQ(L"Aujourd'hui \u00e0 20:30", FormatDateCaption(kSaturdayEvening, L"", now));
  EXPECT_EQ(L"Aujourd'hui \u00e0 20:30-  ", FormatDateCaption(kSaturdayEvening, L"  ", now));
  EXPECT_EQ(L"Aujourd'hui \u00e0 20:30-Th\u00e9\u00e2tre \u5287\u5834",
            FormatDateCaption(kSaturdayEvening, L"Th\u00e9\u00e2tre \u5287\u5834", now));
}

TEST(DateCaption, EveryMonthAndWeekdayName) {
  const wchar_t* expected[] = {L"Vendredi 15 Janvier 0:00",   L"Lundi 15 F\u00e9vrier 0:00",
                               L"Lundi 15 Mars 0:00",         L"Jeudi 15 Avril 0:00",
                               L"Samedi 15 Mai 0:00",         L"Mardi 15 Juin 0:00",
                               L"Jeudi 15 Juillet 0:00",      L"Dimanche 15 Ao\u00fbt 0:00",
                               L"Mercredi 15 Septembre 0:00", L"Vendredi 15 Octobre 0:00",
                               L"Lundi 15 Novembre 0:00",     L"Mercredi 15 D\u00e9cembre 0:00"};
  for (int month = 1; month <= 12; ++month)
    EXPECT_EQ(expected[month - 1],
              FormatDateCaption(On(2021, month, 15, 0, 0), L"", On(2021, 1, 1, 12, 0)));
}

TEST(DateCaption, MidnightDecidesTheDay) {
  const DateTime now = On(2021, 8, 14, 23, 59, 59);
  EXPECT_EQ(L"Demain \u00e0 0:00", FormatDateCaption(On(2021, 8, 15, 0, 0), L"", now));
  EXPECT_EQ(L"Lundi 16 Ao\u00fbt 0:30", FormatDateCaption(On(2021, 8, 16, 0, 30), L"", now));
  EXPECT_EQ(L"Demain \u00e0 0:30",
            FormatDateCaption(On(2021, 8, 16, 0, 30), L"", On(2021, 8, 15, 0, 0)));
  EXPECT_EQ(L"Demain \u00e0 8:00",
            FormatDateCaption(On(2022, 1, 1, 8, 0), L"", On(2021, 12, 31, 22, 0)));
}

TEST(DateCaption, DaysBeforeTheEpoch) {
  const DateTime occurrence{-1.25, DateStatus::Valid};  // 1899-12-29 06:00
  EXPECT_EQ(L"Demain \u00e0 6:00", FormatDateCaption(occurrence, L"", On(1899, 12, 28, 22, 0)));
  EXPECT_EQ(L"Aujourd'hui \u00e0 6:00", FormatDateCaption(occurrence, L"", On(1899, 12, 29, 1, 0)));
  EXPECT_EQ(L"Vendredi 29 D\u00e9cembre 6:00",
            FormatDateCaption(occurrence, L"", On(1899, 12, 27, 1, 0)));
}

TEST(DateCaption, EndOfTheCalendarAndInvalidValues) {
  const DateTime last = On(9999, 12, 31, 20, 0);
  EXPECT_EQ(L"Aujourd'hui \u00e0 20:00", FormatDateCaption(last, L"", On(9999, 12, 31, 8, 0)));
  EXPECT_EQ(L"Demain \u00e0 20:00", FormatDateCaption(last, L"", On(9999, 12, 30, 8, 0)));
  // Without a valid now there is no today nor tomorrow.
  EXPECT_EQ(L"Samedi 14 Ao\u00fbt 20:30",
            FormatDateCaption(kSaturdayEvening, L"", DateTime{0, DateStatus::Invalid}));
  // A value without calendar parts gives no date text.
  EXPECT_EQ(L"-Salle A", FormatDateCaption(DateTime{2958466.5, DateStatus::Valid}, L"Salle A",
                                           On(2021, 8, 14, 10, 0)));
}

}  // namespace
