// Local moments: the writing "YYYY-MM-DD HH:MM[:SS][+HH:MM]", or a day in
// words ("today", "tomorrow", a weekday in English or French) before the
// time, turned into a calendar time through the platform's local time, so
// that the time zone rules (TZ, daylight saving) are those the display itself
// follows.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sstream>
#include <vector>

#include "base/oledate.h"
#include "platform/platform.h"
#include "tools/preview/preview.h"

namespace {

struct Fields {
  int year, month, day, hour, minute, second;
  bool operator==(const Fields&) const = default;
};

// The fields read as a time of UTC.
int64_t AsUtc(const Fields& f) {
  return DaysFromCivil(f.year, f.month, f.day) * 86400 + f.hour * 3600 + f.minute * 60 + f.second;
}

bool LocalFields(int64_t epoch, Fields* out) {
  std::tm t{};
  if (!PlatformLocalTime(epoch, &t)) return false;
  *out = {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
  return true;
}

// Local time minus UTC at `epoch`, in seconds.
bool OffsetAt(int64_t epoch, int64_t* offset) {
  Fields f{};
  if (!LocalFields(epoch, &f)) return false;
  *offset = AsUtc(f) - epoch;
  return true;
}

std::string OffsetText(int64_t seconds) {
  char text[16];
  int64_t minutes = (seconds < 0 ? -seconds : seconds) / 60;
  std::snprintf(text, sizeof text, "%c%02d:%02d", seconds < 0 ? '-' : '+',
                static_cast<int>(minutes / 60), static_cast<int>(minutes % 60));
  return text;
}

std::string FieldsText(const Fields& f) {
  char text[72];  // room for any six int fields
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour,
                f.minute, f.second);
  return text;
}

// Reads `count` digits at `at`; false when they are not all digits.
bool Digits(const std::string& s, size_t& at, int count, int* value) {
  *value = 0;
  for (int k = 0; k < count; ++k, ++at) {
    if (at >= s.size() || s[at] < '0' || s[at] > '9') return false;
    *value = *value * 10 + (s[at] - '0');
  }
  return true;
}

bool Expect(const std::string& s, size_t& at, char c) {
  if (at >= s.size() || s[at] != c) return false;
  ++at;
  return true;
}

bool ValidFields(const Fields& f) {
  return f.year >= 1 && IsCalendarDay(f.year, f.month, f.day) && f.hour < 24 && f.minute < 60 &&
         f.second < 60;
}

// The time of day and an optional UTC offset in seconds from `at` to the end:
// "HH:MM[:SS][ ][+HH:MM|-HH:MM|Z]"; false when the text is not of that form.
bool ParseClock(const std::string& s, size_t at, Fields* f, std::optional<int64_t>* offset) {
  if (!Digits(s, at, 2, &f->hour) || !Expect(s, at, ':') || !Digits(s, at, 2, &f->minute))
    return false;
  if (Expect(s, at, ':') && !Digits(s, at, 2, &f->second)) return false;
  Expect(s, at, ' ');
  if (at == s.size()) return true;
  if (s[at] == 'Z' && at + 1 == s.size()) {
    *offset = 0;
    return true;
  }
  int sign = s[at] == '+' ? 1 : s[at] == '-' ? -1 : 0;
  int hours = 0, minutes = 0;
  ++at;
  if (sign == 0 || !Digits(s, at, 2, &hours) || !Expect(s, at, ':') ||
      !Digits(s, at, 2, &minutes) || at != s.size() || hours > 23 || minutes > 59)
    return false;
  *offset = sign * (hours * 3600 + minutes * 60);
  return true;
}

const char* const kWeekdays[2][7] = {
    {"sunday", "monday", "tuesday", "wednesday", "thursday", "friday", "saturday"},
    {"dimanche", "lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi"}};

int WeekdayNamed(const std::string& word) {
  for (const auto& names : kWeekdays)
    for (int d = 0; d < 7; ++d)
      if (word == names[d]) return d;
  return -1;
}

// The day that the words before the time name, in days since 1970-01-01,
// from `today`: "today" / "aujourd'hui", "tomorrow" / "demain", a weekday
// ("saturday", "samedi": the next such day, today included) or a weekday after
// "next" or before "prochain" ("next saturday", "samedi prochain": the next
// such day after today). False for other words.
bool DayInWords(const std::string& text, int64_t today, int64_t* day) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) {
    for (char& c : word) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    words.push_back(word);
  }
  if (words.size() == 1 && (words[0] == "today" || words[0] == "aujourd'hui")) {
    *day = today;
    return true;
  }
  if (words.size() == 1 && (words[0] == "tomorrow" || words[0] == "demain")) {
    *day = today + 1;
    return true;
  }
  bool next = words.size() == 2 && (words[0] == "next" || words[1] == "prochain");
  if (words.size() != 1 && !next) return false;
  int wanted = WeekdayNamed(words[next && words[0] == "next" ? 1 : 0]);
  if (wanted < 0) return false;
  int ahead = (wanted - OleWeekday(today + kOleDayOfUnixEpoch) + 7) % 7;
  *day = today + (next && ahead == 0 ? 7 : ahead);
  return true;
}

// Fields and an optional UTC offset in seconds; false when the text is not
// of the form "YYYY-MM-DD HH:MM[:SS][ ][+HH:MM|-HH:MM|Z]", or a day in words
// (DayInWords) and the time.
bool ParseText(const std::string& s, int64_t now, Fields* f, std::optional<int64_t>* offset) {
  size_t at = 0;
  *f = Fields{};
  if (Digits(s, at, 4, &f->year)) {
    if (!Expect(s, at, '-') || !Digits(s, at, 2, &f->month) || !Expect(s, at, '-') ||
        !Digits(s, at, 2, &f->day))
      return false;
    if (!Expect(s, at, ' ') && !Expect(s, at, 'T')) return false;
    return ParseClock(s, at, f, offset);
  }
  size_t clock = s.find_first_of("0123456789");
  Fields local{};
  int64_t day = 0;
  if (clock == std::string::npos || !LocalFields(now, &local) ||
      !DayInWords(s.substr(0, clock), DaysFromCivil(local.year, local.month, local.day), &day))
    return false;
  CivilFromDays(day, &f->year, &f->month, &f->day);
  return ParseClock(s, clock, f, offset);
}

// The moments whose local time shows `f`: none in a gap, two in a repeated hour.
std::vector<int64_t> Candidates(const Fields& f) {
  int64_t asUtc = AsUtc(f);
  std::vector<int64_t> found;
  // Clock changes are months apart, so the offsets two days around cover both sides.
  for (int64_t probe : {asUtc - 172800, asUtc, asUtc + 172800}) {
    int64_t offset = 0;
    Fields back{};
    if (!OffsetAt(probe, &offset) || !LocalFields(asUtc - offset, &back) || !(back == f)) continue;
    if (std::find(found.begin(), found.end(), asUtc - offset) == found.end())
      found.push_back(asUtc - offset);
  }
  std::sort(found.begin(), found.end());
  return found;
}

Moment Refused(std::string why, bool badText) {
  Moment m;
  m.error = std::move(why);
  m.badText = badText;
  return m;
}

}  // namespace

std::string LocalText(int64_t epoch) {
  Fields f{};
  int64_t offset = 0;
  if (!LocalFields(epoch, &f) || !OffsetAt(epoch, &offset)) return "?";
  return FieldsText(f) + OffsetText(offset);
}

Moment ResolveMoment(const std::string& text, int64_t now) {
  Fields f{};
  std::optional<int64_t> offset;
  if (!ParseText(text, now, &f, &offset))
    return Refused(
        "--at wants \"YYYY-MM-DD HH:MM[:SS]\", or today, tomorrow or a weekday and "
        "the time (\"tomorrow 15:00\", \"saturday 20:30\", \"next saturday 20:30\", "
        "\"samedi 20:30\"), optionally followed by +HH:MM, not \"" +
            text + "\"",
        true);
  if (!ValidFields(f)) return Refused("--at: \"" + text + "\" is no date and time", true);
  std::string shown = FieldsText(f);
  if (offset) {
    Fields back{};
    int64_t epoch = AsUtc(f) - *offset;
    if (!LocalFields(epoch, &back)) return Refused(shown + " is out of the clock's range", false);
    if (!(back == f))
      return Refused(shown + OffsetText(*offset) +
                         " is not a local time of this time zone: here "
                         "that moment reads " +
                         LocalText(epoch),
                     false);
    return Moment{epoch, "", false, ""};
  }
  std::vector<int64_t> found = Candidates(f);
  if (found.empty()) {
    int64_t before = 0, after = 0;
    int64_t asUtc = AsUtc(f);
    if (OffsetAt(asUtc - 172800, &before) && OffsetAt(asUtc + 172800, &after) && before < after)
      return Refused(shown + " does not exist in this time zone: the clocks go forward from " +
                         OffsetText(before) + " to " + OffsetText(after) + " over it",
                     false);
    return Refused(shown + " does not exist in this time zone", false);
  }
  Moment m{found.front(), "", false, ""};
  if (found.size() > 1) {
    int64_t first = 0, second = 0;
    OffsetAt(found.front(), &first);
    OffsetAt(found.back(), &second);
    m.note = shown + " occurs twice in this time zone; previewed the first, " + shown +
             OffsetText(first) + "; for the second give --at \"" + shown + OffsetText(second) +
             "\"";
  }
  return m;
}
