// Calendar dates as OLE Automation dates: days since 1899-12-30 with the time
// of day as the fraction. Before 1899-12-30 the integer part counts days back
// while the fraction still counts the time of day forward (1899-12-29 06:00
// is -1.25).
#pragma once

#include <string_view>

namespace mdbwrite {

// Parses "YYYY-MM-DD HH:MM:SS" or "YYYY-MM-DD", years 100 to 9999; false when
// the text is malformed or names no real date or time.
bool ParseOleDate(std::string_view text, double* value);

}  // namespace mdbwrite
