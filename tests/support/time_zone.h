// Runs a test in a given time zone and restores the previous one after it.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#ifdef _WIN32
// The C runtime's names; only plain zones such as "UTC" mean anything to it.
inline void setenv(const char* name, const char* value, int) { _putenv_s(name, value); }
inline void unsetenv(const char* name) { _putenv_s(name, ""); }
inline void tzset() { _tzset(); }
#endif

class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (old_)
      setenv("TZ", old_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  std::optional<std::string> old_;
};
