#include "showlist/loader.h"

#include <cmath>
#include <string>
#include <vector>

#include "platform/database.h"
#include "showlist/store.h"

// A numeric column as a number; not a number for NULL, text and the rest.
static double NumberOf(const Variant& value) {
  switch (value.type) {
    case VariantType::Bool:
    case VariantType::Byte:
    case VariantType::Int16:
    case VariantType::Int32:
      return static_cast<double>(value.integer);
    case VariantType::Float:
    case VariantType::Double:
    case VariantType::Currency:
    case VariantType::Decimal:
      return value.number;
    default:
      return NAN;
  }
}

// Days on which a show is given: none stated or 0 gives 1, a negative count
// or one above 365 gives 365.
static int DayCount(const Variant& ndays) {
  const double count = std::trunc(NumberOf(ndays));
  if (std::isnan(count) || count == 0) return 1;
  if (count < 0 || count > 365) return 365;
  return static_cast<int>(count);
}

static DateTime DateOf(const Variant& value) {
  double date = 0;
  return VariantToDate(value, &date) ? MakeDate(date) : DateTime{0, DateStatus::Invalid};
}

static std::wstring TextOrEmpty(const Variant& value) {
  std::wstring text;
  return VariantToText(value, &text) ? text : std::wstring();
}

static std::wstring PlaceText(const Variant& where) {
  std::wstring text;
  if (where.type != VariantType::Null && !VariantToText(where, &text))
    throw DatabaseError("a place that is not text");
  return text;
}

static void AppendShows(const Recordset& row, const std::vector<DateTime>& dates,
                        const DateTime& loadNow) {
  const std::wstring name = TextOrEmpty(row.GetFieldValue("name"));
  const std::wstring place = PlaceText(row.GetFieldValue("where"));
  const std::wstring visual = TextOrEmpty(row.GetFieldValue("visual"));
  for (const DateTime& date : dates) {
    showList.names.Append(name);
    showList.dates.Append(date);
    showList.places.Append(place);
    showList.captions.Append(FormatDateCaption(date, place, loadNow));
    showList.visuals.Append(visual);
  }
}

static void LoadShows() {
  // id, text1 and text2 are not used, but a table without them is refused.
  Recordset rows(showDatabase, "shows",
                 {"id", "name", "date", "where", "text1", "text2", "visual", "ndays"});
  const DateTime loadNow = CurrentDateTime();
  std::vector<DateTime> upcoming;
  for (; !rows.IsEOF(); rows.MoveNext()) {
    const DateTime first = DateOf(rows.GetFieldValue("date"));
    const int count = DayCount(rows.GetFieldValue("ndays"));
    upcoming.clear();
    for (int i = 0; i < count; ++i) {
      const DateTime date = AddDays(first, i);  // invalid after 9999-12-31
      if (IsLater(date, loadNow)) upcoming.push_back(date);
    }
    if (!upcoming.empty()) AppendShows(rows, upcoming, loadNow);
  }
  rows.Close();
}

static bool InForce(const DateTime& starting, const DateTime& ending, const DateTime& now) {
  const bool valid = starting.status == DateStatus::Valid && ending.status == DateStatus::Valid &&
                     now.status == DateStatus::Valid;
  return valid && !IsLater(starting, now) && !IsLater(now, ending);
}

// Seconds of a slot: NULL or a value that is no finite number gives 0.
static double Seconds(const Variant& duration) {
  const double seconds = NumberOf(duration);
  return std::isfinite(seconds) ? seconds : 0;
}

static void LoadAnnouncements() {
  Recordset rows(showDatabase, "annonces", {"template", "duration", "starting", "ending"});
  const DateTime now = CurrentDateTime();
  for (; !rows.IsEOF(); rows.MoveNext()) {
    const DateTime starting = DateOf(rows.GetFieldValue("starting"));
    const DateTime ending = DateOf(rows.GetFieldValue("ending"));
    if (!InForce(starting, ending, now)) continue;
    showList.templates.Append(TextOrEmpty(rows.GetFieldValue("template")));
    showList.durations.Append(Seconds(rows.GetFieldValue("duration")));
  }
  rows.Close();
}

int LoadShowList() {
  showList = ShowList();  // releases every entry of the previous load
  try {
    LoadShows();
    LoadAnnouncements();
    return 0;
  } catch (...) {
    return -1;
  }
}
