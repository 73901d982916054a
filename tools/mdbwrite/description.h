// The plain-text description of a database:
//
//   # comment
//   table NAME
//   column NAME TYPE      (bool, byte, int, long, double, datetime, text, memo)
//   row VALUE<TAB>VALUE...
#pragma once

#include <string_view>
#include <vector>

#include "tools/mdbwrite/jet.h"

namespace mdbwrite {

// The tables of a description, values encoded for the format. Throws
// InputError naming the line of the first fault.
std::vector<Table> ParseDescription(std::string_view text, const Format& format);

}  // namespace mdbwrite
