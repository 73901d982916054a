// Table definition (TDEF) pages and the database header page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mdbwrite/jet.h"
#include "tools/mdbwrite/rows.h"

namespace mdbwrite {

// The definition of `table`, without indexes, whose usage maps are rows 0
// and 1 of `mapPage`. Fails naming the table's line when it overflows a page.
std::string DefinitionPage(const Format& format, const Table& table,
                           const std::vector<Place>& places, bool system, uint32_t mapPage);

// Page 0: format signature, version, and the masked block with the code page.
std::string HeaderPage(const Format& format);

}  // namespace mdbwrite
