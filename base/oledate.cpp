#include "base/oledate.h"

int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

bool IsCalendarDay(int year, int month, int day) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap);
}

bool OleDateFromParts(int year, int month, int day, int hour, int minute, int second,
                      double* value) {
  if (year < 100 || year > 9999 || !IsCalendarDay(year, month, day) || hour < 0 || hour > 23 ||
      minute < 0 || minute > 59 || second < 0 || second > 59)
    return false;
  const int64_t days = DaysFromCivil(year, month, day) + kOleDayOfUnixEpoch;
  const double time = (hour * 3600 + minute * 60 + second) / 86400.0;
  *value = days >= 0 ? days + time : days - time;
  return true;
}
