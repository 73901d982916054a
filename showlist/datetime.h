// The program's date-time value: an OLE Automation date in local time
// (base/oledate.h: days since 1899-12-30, the fraction being the time of day)
// with its status.
#pragma once

enum class DateStatus { Valid, Invalid, Null };

struct DateTime {
  double date = 0;
  DateStatus status = DateStatus::Null;
};

// Calendar parts; month 1-12, weekday 0 = Sunday. Each is -1 when the value
// has no calendar parts (not valid, or outside 0100-01-01 .. 9999-12-31).
struct DateParts {
  int year, month, day, hour, minute, second, weekday;
};

// The parts of the time rounded to the nearest second (23:59:59.5 is the
// next day at 0:00:00), as the operating system's variant-time conversion
// gives them.
DateParts GetDateParts(const DateTime& when);

// A valid value when oleDate has calendar parts, an invalid one otherwise
// (not a number, before 0100-01-01, after 9999-12-31).
DateTime MakeDate(double oleDate);

// True when both fall on the same day of the same month of the same year.
bool SameCalendarDay(const DateParts& a, const DateParts& b);

// Now, from the system clock in whole seconds converted to local time. Invalid
// when the local time cannot be had or its fields do not come back unchanged
// from the date value (a leap second, a year out of range).
DateTime CurrentDateTime();

// The date of a calendar time; invalid when a field is out of its range (no
// rolling over: February 30 is invalid, so is second 60).
DateTime DateFromParts(int year, int month, int day, int hour, int minute, int second);

// The same time of day, days later (or earlier). A result outside the calendar
// range is invalid; a value that is not valid comes back unchanged.
DateTime AddDays(const DateTime& when, int days);

// True when both are valid and a is strictly later than b. The comparison is
// made to the millisecond, so two writings of one second whose last bits
// differ compare equal.
bool IsLater(const DateTime& a, const DateTime& b);
