#include "showlist/datetime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>

#include "platform/platform.h"

namespace {
constexpr int64_t kFirstDay = -657434;  // 0100-01-01
constexpr int64_t kLastDay = 2958465;   // 9999-12-31
constexpr int64_t kOleDayOfUnixEpoch = 25569;
constexpr int kSecondsPerDay = 86400;
constexpr DateParts kNoParts{-1, -1, -1, -1, -1, -1, -1};
}  // namespace

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
static int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

static void CivilFromDays(int64_t z, int* year, int* month, int* day) {
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

// The calendar day (days since 1899-12-30) and the second of that day, the
// time of day rounded to the nearest second. False outside the range.
static bool SplitDate(double date, int64_t* day, int* second) {
  if (!(date > kFirstDay - 1.0 && date < kLastDay + 1.0)) return false;
  const double whole = std::trunc(date);
  const auto seconds =
      static_cast<int64_t>(std::floor(std::fabs(date - whole) * kSecondsPerDay + 0.5));
  *day = static_cast<int64_t>(whole) + seconds / kSecondsPerDay;
  *second = static_cast<int>(seconds % kSecondsPerDay);
  return *day >= kFirstDay && *day <= kLastDay;
}

// Negative dates onto a scale where a larger number is always a later time.
static double ContinuousDays(double date) { return date < 0 ? 2 * std::ceil(date) - date : date; }

static double FromContinuousDays(double days) {
  return days < 0 ? 2 * std::floor(days) - days : days;
}

DateParts GetDateParts(const DateTime& when) {
  int64_t day = 0;
  int second = 0;
  if (when.status != DateStatus::Valid || !SplitDate(when.date, &day, &second)) return kNoParts;
  DateParts parts{};
  CivilFromDays(day - kOleDayOfUnixEpoch, &parts.year, &parts.month, &parts.day);
  parts.hour = second / 3600;
  parts.minute = second / 60 % 60;
  parts.second = second % 60;
  parts.weekday = static_cast<int>(((day % 7) + 13) % 7);  // day 0 was a Saturday
  return parts;
}

DateTime MakeDate(double oleDate) {
  int64_t day = 0;
  int second = 0;
  return {oleDate, SplitDate(oleDate, &day, &second) ? DateStatus::Valid : DateStatus::Invalid};
}

static int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return kDays[month - 1] + (month == 2 && leap);
}

DateTime DateFromParts(int year, int month, int day, int hour, int minute, int second) {
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
      second < 0 || second > 59)
    return {0, DateStatus::Invalid};
  const int64_t days = DaysFromCivil(year, month, day) + kOleDayOfUnixEpoch;
  const double time = (hour * 3600 + minute * 60 + second) / double{kSecondsPerDay};
  return {days >= 0 ? days + time : days - time, DateStatus::Valid};
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
  return MakeDate(FromContinuousDays(ContinuousDays(when.date) + days));
}

bool IsLater(const DateTime& a, const DateTime& b) {
  if (a.status != DateStatus::Valid || b.status != DateStatus::Valid) return false;
  constexpr double kMsPerDay = 86400000.0;
  return std::round(ContinuousDays(a.date) * kMsPerDay) >
         std::round(ContinuousDays(b.date) * kMsPerDay);
}

bool SameCalendarDay(const DateParts& a, const DateParts& b) {
  return a.day == b.day && a.month == b.month && a.year == b.year;
}
