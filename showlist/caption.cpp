#include <string>

#include "showlist/loader.h"

static const wchar_t* const kDayNames[] = {L"Dimanche", L"Lundi",    L"Mardi", L"Mercredi",
                                           L"Jeudi",    L"Vendredi", L"Samedi"};
static const wchar_t* const kMonthNames[] = {
    L"Janvier", L"F\u00e9vrier", L"Mars",      L"Avril",   L"Mai",      L"Juin",
    L"Juillet", L"Ao\u00fbt",    L"Septembre", L"Octobre", L"Novembre", L"D\u00e9cembre"};

static std::wstring HourMinute(const DateParts& when) {
  return std::to_wstring(when.hour) + (when.minute < 10 ? L":0" : L":") +
         std::to_wstring(when.minute);
}

static std::wstring DateText(const DateParts& when, const DateTime& loadNow) {
  if (when.year < 0) return std::wstring();  // no calendar parts: the place alone
  if (SameCalendarDay(when, GetDateParts(loadNow)))
    return L"Aujourd'hui \u00e0 " + HourMinute(when);
  if (SameCalendarDay(when, GetDateParts(AddDays(loadNow, 1))))
    return L"Demain \u00e0 " + HourMinute(when);
  return kDayNames[when.weekday] + (L' ' + std::to_wstring(when.day)) + L' ' +
         kMonthNames[when.month - 1] + L' ' + HourMinute(when);
}

std::wstring FormatDateCaption(const DateTime& occurrence, const std::wstring& place,
                               const DateTime& loadNow) {
  std::wstring caption = DateText(GetDateParts(occurrence), loadNow);
  if (!place.empty()) caption += L'-' + place;
  return caption;
}
