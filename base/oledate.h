// OLE Automation dates: days since 1899-12-30 00:00, the fraction being the
// time of day. Before 1899-12-30 the integer part counts days backwards while
// the fraction still counts the time of day forwards: -1.25 is 1899-12-29
// 06:00. Dates run from 0100-01-01 to 9999-12-31; days are those of the
// proleptic Gregorian calendar.
#pragma once

#include <cmath>
#include <cstdint>

constexpr int64_t kOleFirstDay = -657434;  // 0100-01-01
constexpr int64_t kOleLastDay = 2958465;   // 9999-12-31

// Days since 1970-01-01 of a calendar date, and back.
int64_t DaysFromCivil(int64_t year, int month, int day);
void CivilFromDays(int64_t days, int* year, int* month, int* day);

// True when the calendar has this day: month 1-12, day within its month.
bool IsCalendarDay(int year, int month, int day);

// True when value lies before the end of 9999-12-31 and after the start of
// 0100-01-01 read backwards (its last instant, -657434.99...).
inline bool InOleDateRange(double value) {
  return value > kOleFirstDay - 1.0 && value < kOleLastDay + 1.0;
}

// The calendar day (days since 1899-12-30) and the second of that day, the
// time of day rounded to the nearest second: 23:59:59.5 is the next day at
// 0:00:00, which may lie past 9999-12-31. False when value is not in range.
bool SplitOleDate(double value, int64_t* day, int* second);

// The calendar date of a day since 1899-12-30, and its weekday (0 = Sunday;
// day 0 was a Saturday).
void CivilFromOleDay(int64_t oleDay, int* year, int* month, int* day);
inline int OleWeekday(int64_t oleDay) { return static_cast<int>(((oleDay % 7) + 13) % 7); }

// The value of a calendar time in years 100 to 9999; false, leaving *value
// alone, when a field is out of its range (no rolling over).
bool OleDateFromParts(int year, int month, int day, int hour, int minute, int second,
                      double* value);

// Values onto a scale where a larger number is always a later time, and back.
// Inline, as sorting a year of shows compares dates millions of times.
inline double OleContinuousDays(double value) {
  return value < 0 ? 2 * std::ceil(value) - value : value;
}
inline double OleFromContinuousDays(double days) {
  return days < 0 ? 2 * std::floor(days) - days : days;
}
