// Conversions of column values to a date or to text, after the rules of
// VariantChangeType. Where that depends on the system locale, these use the
// French date order of the venue's machines and a point as decimal sign:
// - to a date: a date stays itself; Bool, Byte, Int16, Int32, Float, Double,
//   Currency and Decimal are day counts (True is -1) and must lie in the
//   range of dates, 0100-01-01 to 9999-12-31; text must be a date written
//   YYYY-MM-DD or DD/MM/YYYY, optionally followed by HH:MM or HH:MM:SS;
//   Empty, NULL and binary values fail.
// - to text: text stays itself, Empty gives "", integers their decimal form,
//   Bool "-1" or "0" (VariantChangeType without VARIANT_ALPHABOOL), Float
//   up to 7 and Double and Currency up to 15 significant digits ("%g"),
//   dates "DD/MM/YYYY HH:MM:SS", the date alone at midnight and the time
//   alone on day 0 (1899-12-30), Decimal its exact value without trailing
//   zeros; NULL, binary values and dates outside the range fail.
#include <cmath>
#include <cstdint>
#include <cwchar>
#include <string>

#include "platform/database.h"

static bool InDateRange(double value) { return value > -657435.0 && value < 2958466.0; }

static int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

static void CivilFromDays(int64_t z, int* year, int* month, int* day) {
  z += 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = static_cast<int>(yoe + era * 400 + (*month <= 2));
}

static const int64_t kOleEpoch = DaysFromCivil(1899, 12, 30);

static int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// Reads between minDigits and maxDigits digits at text[*i].
static bool ReadNumber(const std::wstring& text, size_t* i, int minDigits, int maxDigits,
                       int* value) {
  int n = 0;
  *value = 0;
  while (*i < text.size() && n < maxDigits && text[*i] >= L'0' && text[*i] <= L'9') {
    *value = *value * 10 + (text[(*i)++] - L'0');
    ++n;
  }
  return n >= minDigits;
}

static bool ReadChar(const std::wstring& text, size_t* i, wchar_t c) {
  if (*i >= text.size() || text[*i] != c) return false;
  ++*i;
  return true;
}

static bool ReadDay(const std::wstring& text, size_t* i, int* y, int* m, int* d) {
  size_t start = *i;
  if (ReadNumber(text, i, 4, 4, y) && ReadChar(text, i, L'-')) {
    return ReadNumber(text, i, 1, 2, m) && ReadChar(text, i, L'-') && ReadNumber(text, i, 1, 2, d);
  }
  *i = start;
  return ReadNumber(text, i, 1, 2, d) && ReadChar(text, i, L'/') && ReadNumber(text, i, 1, 2, m) &&
         ReadChar(text, i, L'/') && ReadNumber(text, i, 4, 4, y);
}

static bool ReadTime(const std::wstring& text, size_t* i, int* h, int* mi, int* s) {
  *s = 0;
  if (!ReadNumber(text, i, 1, 2, h) || !ReadChar(text, i, L':') || !ReadNumber(text, i, 2, 2, mi)) {
    return false;
  }
  return !ReadChar(text, i, L':') || ReadNumber(text, i, 2, 2, s);
}

static bool ParseDate(const std::wstring& text, double* oleDate) {
  size_t first = text.find_first_not_of(L" \t");
  size_t last = text.find_last_not_of(L" \t");
  if (first == std::wstring::npos) return false;
  std::wstring t = text.substr(first, last - first + 1);
  size_t i = 0;
  int y, m, d, h = 0, mi = 0, s = 0;
  if (!ReadDay(t, &i, &y, &m, &d)) return false;
  if (i < t.size()) {
    size_t blanks = t.find_first_not_of(L' ', i);
    if (blanks == i || blanks == std::wstring::npos) return false;
    i = blanks;
    if (!ReadTime(t, &i, &h, &mi, &s)) return false;
  }
  if (i != t.size() || y < 100 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m) || h > 23 ||
      mi > 59 || s > 59) {
    return false;
  }
  int64_t days = DaysFromCivil(y, m, d) - kOleEpoch;
  double fraction = (h * 3600 + mi * 60 + s) / 86400.0;
  *oleDate = days >= 0 ? days + fraction : days - fraction;
  return true;
}

bool VariantToDate(const Variant& value, double* oleDate) {
  double number;
  switch (value.type) {
    case VariantType::Date:
      *oleDate = value.number;
      return true;
    case VariantType::Text:
      return ParseDate(value.text, oleDate);
    case VariantType::Bool:
    case VariantType::Byte:
    case VariantType::Int16:
    case VariantType::Int32:
      number = static_cast<double>(value.integer);
      break;
    case VariantType::Float:
    case VariantType::Double:
    case VariantType::Currency:
    case VariantType::Decimal:
      number = value.number;
      break;
    default:
      return false;
  }
  if (!InDateRange(number)) return false;
  *oleDate = number;
  return true;
}

// The calendar day is the integer part, the time of day the fraction's size,
// rounded to the second.
static bool FormatDate(double value, std::wstring* text) {
  if (!InDateRange(value)) return false;
  double whole = std::trunc(value);
  auto day = static_cast<int64_t>(whole);
  int64_t seconds = std::llround(std::fabs(value - whole) * 86400.0);
  if (seconds == 86400) {
    seconds = 0;
    ++day;
  }
  int y, m, d;
  CivilFromDays(day + kOleEpoch, &y, &m, &d);
  wchar_t buffer[40];
  int n = 0;
  if (day != 0) n = swprintf(buffer, 40, L"%02d/%02d/%04d", d, m, y);
  if (seconds != 0 || day == 0) {
    swprintf(buffer + n, 40 - n, L"%ls%02d:%02d:%02d", n ? L" " : L"", int(seconds / 3600),
             int(seconds / 60 % 60), int(seconds % 60));
  }
  *text = buffer;
  return true;
}

static std::wstring FormatNumber(const wchar_t* format, double number) {
  wchar_t buffer[64];
  swprintf(buffer, 64, format, number);
  return buffer;
}

bool VariantToText(const Variant& value, std::wstring* text) {
  switch (value.type) {
    case VariantType::Empty:
      text->clear();
      return true;
    case VariantType::Text:
    case VariantType::Decimal:
      *text = value.text;
      return true;
    case VariantType::Bool:
    case VariantType::Byte:
    case VariantType::Int16:
    case VariantType::Int32:
      *text = std::to_wstring(value.integer);
      return true;
    case VariantType::Float:
      *text = FormatNumber(L"%.7g", value.number);
      return true;
    case VariantType::Double:
    case VariantType::Currency:
      *text = FormatNumber(L"%.15g", value.number);
      return true;
    case VariantType::Date:
      return FormatDate(value.number, text);
    default:
      return false;
  }
}
