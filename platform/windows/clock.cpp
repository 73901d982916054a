#include <windows.h>

#include "base/oledate.h"
#include "platform/platform.h"
#include "platform/windows/venue.h"

// A long pause (a back-off of minutes) beats at least this often.
constexpr uint32_t kLongestStepMs = 10000;

uint32_t PlatformTicks() { return GetTickCount(); }

void PlatformSleep(uint32_t ms) {
  do {
    VenueHeartbeat();
    uint32_t step = ms < kLongestStepMs ? ms : kLongestStepMs;
    Sleep(step);
    ms -= step;
  } while (ms > 0);
}

// 100 ns intervals between 1601-01-01 and 1970-01-01.
constexpr int64_t kUnixEpochIn100ns = 116444736000000000;

int64_t PlatformTime() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  int64_t value = (static_cast<int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return (value - kUnixEpochIn100ns) / 10000000;
}

// Through the system's zone rules, not the C runtime: the runtime reads TZ in
// its own way and ignores the zone set in Windows.
bool PlatformLocalTime(int64_t t, std::tm* out) {
  if (t < -11644473600 || t > 910692730085) return false;  // years 1601 to 30827
  int64_t value = t * 10000000 + kUnixEpochIn100ns;
  FILETIME utc{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
  SYSTEMTIME universal, local;
  if (!FileTimeToSystemTime(&utc, &universal) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
    return false;
  int year = local.wYear;
  *out = std::tm{};
  out->tm_year = year - 1900;
  out->tm_mon = local.wMonth - 1;
  out->tm_mday = local.wDay;
  out->tm_hour = local.wHour;
  out->tm_min = local.wMinute;
  out->tm_sec = local.wSecond;
  out->tm_wday = local.wDayOfWeek;
  out->tm_yday = static_cast<int>(DaysFromCivil(year, local.wMonth, local.wDay) -
                                  DaysFromCivil(year, 1, 1));
  out->tm_isdst = -1;  // the zone rules are applied above; no one asks which
  return true;
}
