#include "tools/mdbwrite/oledate.h"

#include <cstdint>

// Written apart from the program's base/oledate on purpose (main.cpp says why).

namespace mdbwrite {

// Days from 1970-01-01 in the proleptic Gregorian calendar.
static int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yearOfEra = y - era * 400;
  const int64_t dayOfYear = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

static int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// Reads minDigits to maxDigits decimal digits at `pos`.
static bool Number(std::string_view text, size_t* pos, size_t minDigits, size_t maxDigits,
                   int* value) {
  size_t count = 0;
  *value = 0;
  while (*pos < text.size() && count < maxDigits && text[*pos] >= '0' && text[*pos] <= '9') {
    *value = *value * 10 + (text[(*pos)++] - '0');
    ++count;
  }
  return count >= minDigits;
}

static bool Separator(std::string_view text, size_t* pos, char expected) {
  if (*pos >= text.size() || text[*pos] != expected) return false;
  ++*pos;
  return true;
}

static bool ParseTime(std::string_view text, size_t* pos, int* seconds) {
  int hour = 0, minute = 0, second = 0;
  if (!Separator(text, pos, ' ') || !Number(text, pos, 2, 2, &hour) || !Separator(text, pos, ':') ||
      !Number(text, pos, 2, 2, &minute) || !Separator(text, pos, ':') ||
      !Number(text, pos, 2, 2, &second)) {
    return false;
  }
  *seconds = hour * 3600 + minute * 60 + second;
  return hour < 24 && minute < 60 && second < 60;
}

bool ParseOleDate(std::string_view text, double* value) {
  size_t pos = 0;
  int year = 0, month = 0, day = 0, seconds = 0;
  if (!Number(text, &pos, 3, 4, &year) || !Separator(text, &pos, '-') ||
      !Number(text, &pos, 2, 2, &month) || !Separator(text, &pos, '-') ||
      !Number(text, &pos, 2, 2, &day)) {
    return false;
  }
  if (pos < text.size() && !ParseTime(text, &pos, &seconds)) return false;
  if (pos != text.size() || year < 100 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month)) {
    return false;
  }
  const int64_t days = DaysFromCivil(year, month, day) - DaysFromCivil(1899, 12, 30);
  // One division of exact integers, so the result is the double nearest the date.
  const int64_t magnitude = (days < 0 ? -days : days) * 86400 + seconds;
  *value = (days < 0 ? -1.0 : 1.0) * static_cast<double>(magnitude) / 86400.0;
  return true;
}

}  // namespace mdbwrite
