#include "showlist/datetime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>

#include "base/oledate.h"
#include "platform/platform.h"

static constexpr DateParts kNoParts{-1, -1, -1, -1, -1, -1, -1};

// The calendar day (days since 1899-12-30) and the second of that day; false
// outside the range, also when the rounding carries past 9999-12-31.
static bool SplitDate(double date, int64_t* day, int* second) {
  return SplitOleDate(date, day, second) && *day >= kOleFirstDay && *day <= kOleLastDay;
}

DateParts GetDateParts(const DateTime& when) {
  int64_t day = 0;
  int second = 0;
  if (when.status != DateStatus::Valid || !SplitDate(when.date, &day, &second)) return kNoParts;
  DateParts parts{};
  CivilFromOleDay(day, &parts.year, &parts.month, &parts.day);
  parts.hour = second / 3600;
  parts.minute = second / 60 % 60;
  parts.second = second % 60;
  parts.weekday = OleWeekday(day);
  return parts;
}

DateTime MakeDate(double oleDate) {
  int64_t day = 0;
  int second = 0;
  return {oleDate, SplitDate(oleDate, &day, &second) ? DateStatus::Valid : DateStatus::Invalid};
}

DateTime DateFromParts(int year, int month, int day, int hour, int minute, int second) {
  double date = 0;
  if (!OleDateFromParts(year, month, day, hour, minute, second, &date))
    return {0, DateStatus::Invalid};
  return {date, DateStatus::Valid};
}

DateTime CurrentDateTime() {
  std::tm local{};
  if (!PlatformLocalTime(PlatformTime(), &local)) return {0, DateStatus::Invalid};
  const int year = static_cast<int>(std::clamp(local.tm_year + 1900LL, 0LL, 10000LL));
  const DateTime now = DateFromParts(year, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                     local.tm_min, local.tm_sec);
  const DateParts back = GetDateParts(now);
  const bool same = back.year == year && back.month == local.tm_mon + 1 &&
                    back.day == local.tm_mday && back.hour == local.tm_hour &&
                    back.minute == local.tm_min && back.second == local.tm_sec;
  return same ? now : DateTime{now.date, DateStatus::Invalid};
}

DateTime AddDays(const DateTime& when, int days) {
  if (when.status != DateStatus::Valid) return when;
  return MakeDate(OleFromContinuousDays(OleContinuousDays(when.date) + days));
}

bool IsLater(const DateTime& a, const DateTime& b) {
  if (a.status != DateStatus::Valid || b.status != DateStatus::Valid) return false;
  constexpr double kMsPerDay = 86400000.0;
  return std::round(OleContinuousDays(a.date) * kMsPerDay) >
         std::round(OleContinuousDays(b.date) * kMsPerDay);
}

bool SameCalendarDay(const DateParts& a, const DateParts& b) {
  return a.day == b.day && a.month == b.month && a.year == b.year;
}
