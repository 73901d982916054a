#include "base/oledate.h"

#include <cmath>

namespace {
constexpr int64_t kOleDayOfUnixEpoch = 25569;
constexpr int kSecondsPerDay = 86400;
}  // namespace

int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int* year, int* month, int* day) {
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

bool IsCalendarDay(int year, int month, int day) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap);
}

bool SplitOleDate(double value, int64_t* day, int* second) {
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

void CivilFromOleDay(int64_t oleDay, int* year, int* month, int* day) {
  CivilFromDays(oleDay - kOleDayOfUnixEpoch, year, month, day);
}

bool OleDateFromParts(int year, int month, int day, int hour, int minute, int second,
                      double* value) {
  if (year < 100 || year > 9999 || !IsCalendarDay(year, month, day) || hour < 0 || hour > 23 ||
      minute < 0 || minute > 59 || second < 0 || second > 59)
    return false;
  const int64_t days = DaysFromCivil(year, month, day) + kOleDayOfUnixEpoch;
  const double time = (hour * 3600 + minute * 60 + second) / double{kSecondsPerDay};
  *value = days >= 0 ? days + time : days - time;
  return true;
}
