// The programme the benchmarks load: 1,000 shows that each run 365 days
// (365,000 occurrences) and one announcement slot, as an mdbwrite description.
#pragma once

#include <cstdio>
#include <random>
#include <string>

inline std::string YearOfShows() {
  std::string text =
      "table shows\ncolumn id long\ncolumn name text\ncolumn date datetime\ncolumn where text\n"
      "column text1 memo\ncolumn text2 text\ncolumn visual text\ncolumn ndays int\n";
  std::mt19937 random(1);
  for (int id = 1; id <= 1000; ++id) {
    char date[32];
    std::snprintf(date, sizeof date, "2021-%02d-%02d %02d:%02d:00",
                  9 + static_cast<int>(random() % 4), 1 + static_cast<int>(random() % 28),
                  10 + static_cast<int>(random() % 12), static_cast<int>(random() % 4) * 15);
    const std::string n = std::to_string(id);
    text += "row " + n + "\tSpectacle " + n + "\t" + date + "\tSalle " + n +
            "\tnotes\tmore\taffiche" + n + ".jpg\t365\n";
  }
  return text +
         "table annonces\ncolumn template text\ncolumn duration int\ncolumn starting datetime\n"
         "column ending datetime\nrow promo\t30\t2021-01-01 00:00:00\t2022-01-01 00:00:00\n";
}
