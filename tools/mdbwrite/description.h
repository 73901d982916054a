// The plain-text description of a database (UTF-8):
//
//   # comment lines and blank lines are ignored
//   table NAME
//   column NAME TYPE      (bool, byte, int, long, double, datetime, text, memo)
//   column NAME text compressed    (also memo; Jet 4: one byte a character
//                                   where the text allows it)
//   column NAME decimal PRECISION SCALE   (Jet 4; 1 <= PRECISION <= 28)
//   deleted TYPE          (a column deleted in design view: it keeps its
//                          number and place, the definition drops it)
//   row VALUE<TAB>VALUE...  (one value per column that is not deleted)
//   moved VALUE<TAB>...   (a row that grew and was moved: its place holds a
//                          pointer to the row on a later page)
//
// Values: \N is NULL (not for bool: 0, 1, false, true); an empty value is the
// empty text in text and memo columns; text takes the escapes \t \n \\ and
// holds up to 255 characters; datetime is YYYY-MM-DD HH:MM:SS, YYYY-MM-DD
// (years 100 to 9999) or ole:<number>, the raw OLE Automation date; decimal
// is [-]DIGITS[.DIGITS] with no more fraction digits than its scale.
#pragma once

#include <string_view>
#include <vector>

#include "tools/mdbwrite/jet.h"

namespace mdbwrite {

// The tables of a description, values encoded for the format. Throws
// InputError naming the line of the first fault.
std::vector<Table> ParseDescription(std::string_view text, const Format& format);

}  // namespace mdbwrite
