// OLE Automation dates: days since 1899-12-30 00:00, the fraction being the
// time of day. Before 1899-12-30 the integer part counts days backwards while
// the fraction still counts the time of day forwards: -1.25 is 1899-12-29
// 06:00. Dates run from 0100-01-01 to 9999-12-31; days are those of the
// proleptic Gregorian calendar.
//
// What reading a date needs is defined inline here: the show list reads the
// calendar parts of every occurrence and compares dates millions of times
// while it sorts a year of shows. Making dates is in oledate.cpp.
#pragma once

#include <cmath>
#include <cstdint>

constexpr int64_t kOleFirstDay = -657434;  // 0100-01-01
constexpr int64_t kOleLastDay = 2958465;   // 9999-12-31
constexpr int64_t kOleDayOfUnixEpoch = 25569;

// Days since 1970-01-01 of a calendar date.
int64_t DaysFromCivil(int64_t year, int month, int day);

// True when the calendar has this day: month 1-12, day within its month.
bool IsCalendarDay(int year, int month, int day);

// The value of a calendar time in years 100 to 9999; false, leaving *value
// alone, when a field is out of its range (no rolling over).
bool OleDateFromParts(int year, int month, int day, int hour, int minute, int second,
                      double* value);

// The calendar date of a day since 1970-01-01.
inline void CivilFromDays(int64_t z, int* year, int* month, int* day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = static_cast<int>(yoe + era * 400 + (*month <= 2));
}

// The calendar date of a day since 1899-12-30, and its weekday (0 = Sunday;
// day 0 was a Saturday).
inline void CivilFromOleDay(int64_t oleDay, int* year, int* month, int* day) {
  CivilFromDays(oleDay - kOleDayOfUnixEpoch, year, month, day);
}
inline int OleWeekday(int64_t oleDay) { return static_cast<int>(((oleDay % 7) + 13) % 7); }

// True when value lies before the end of 9999-12-31 and after the start of
// 0100-01-01 read backwards (its last instant, -657434.99...).
inline bool InOleDateRange(double value) {
  return value > kOleFirstDay - 1.0 && value < kOleLastDay + 1.0;
}

// The calendar day (days since 1899-12-30) and the second of that day, the
// time of day rounded to the nearest second: 23:59:59.5 is the next day at
// 0:00:00, which may lie past 9999-12-31. False when value is not in range.
inline bool SplitOleDate(double value, int64_t* day, int* second) {
  constexpr int kSecondsPerDay = 86400;
  if (!InOleDateRange(value)) return false;
  const double whole = std::trunc(value);
  // Rounded half up without a call to the maths library: the scaled fraction
  // minus its integer part is exact.
  const double scaled = std::fabs(value - whole) * kSecondsPerDay;
  auto seconds = static_cast<int64_t>(scaled);
  if (scaled - static_cast<double>(seconds) >= 0.5) ++seconds;
  *day = static_cast<int64_t>(whole) + seconds / kSecondsPerDay;
  *second = static_cast<int>(seconds % kSecondsPerDay);
  return true;
}

// Values onto a scale where a larger number is always a later time, and back.
inline double OleContinuousDays(double value) {
  return value < 0 ? 2 * std::ceil(value) - value : value;
}
inline double OleFromContinuousDays(double days) {
  return days < 0 ? 2 * std::floor(days) - days : days;
}
