// Table definition (TDEF) pages and the database header page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mdbwrite/jet.h"
#include "tools/mdbwrite/rows.h"

namespace mdbwrite {

// The definition of `table`, without indexes, whose usage maps are rows 0
// and 1 of `mapPage`: its bytes, which may need more than one page.
std::string Definition(const Format& format, const Table& table, const std::vector<Place>& places,
                       bool system, uint32_t mapPage);

// The pages of a definition: the first, then continuation pages that each
// start with an 8-byte header and will be stored from `firstNewPage` on.
std::vector<std::string> DefinitionPages(const Format& format, const std::string& definition,
                                         uint32_t firstNewPage);

// Page 0: format signature, version, and the masked block with the code page.
std::string HeaderPage(const Format& format);

}  // namespace mdbwrite
