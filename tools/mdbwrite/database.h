// A whole database file from its tables.
#pragma once

#include <vector>

#include "tools/mdbwrite/jet.h"
#include "tools/mdbwrite/pages.h"

namespace mdbwrite {

// The pages of a database holding `tables` and their catalog. Throws
// InputError naming the line of a table or row that does not fit the format.
Pages BuildDatabase(const Format& format, const std::vector<Table>& tables);

}  // namespace mdbwrite
