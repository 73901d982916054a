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
#include <cstdint>
#include <cwchar>
#include <string>

#include "base/oledate.h"
#include "platform/database.h"

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
  return i == t.size() && OleDateFromParts(y, m, d, h, mi, s, oleDate);
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
  if (!InOleDateRange(number)) return false;
  *oleDate = number;
  return true;
}

static bool FormatDate(double value, std::wstring* text) {
  int64_t day = 0;
  int seconds = 0;
  if (!SplitOleDate(value, &day, &seconds)) return false;
  int y, m, d;
  CivilFromOleDay(day, &y, &m, &d);
  wchar_t buffer[40];
  int n = 0;
  if (day != 0) n = swprintf(buffer, 40, L"%02d/%02d/%04d", d, m, y);
  if (seconds != 0 || day == 0) {
    swprintf(buffer + n, 40 - n, L"%ls%02d:%02d:%02d", n ? L" " : L"", seconds / 3600,
             seconds / 60 % 60, seconds % 60);
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
