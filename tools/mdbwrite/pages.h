// Pages that hold rows: data pages of a table and long-value (LVAL) pages,
// and the usage maps that list a table's data pages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mdbwrite/jet.h"

namespace mdbwrite {

using Pages = std::vector<std::string>;

// The owner of a long-value page, in place of a table definition page.
const uint32_t kLongValueOwner = 0x4C41564C;  // "LVAL"

// An empty row page owned by the table definition at `owner`.
std::string NewRowPage(const Format& format, uint32_t owner);

// The largest row an empty row page holds.
size_t MaxRowSize(const Format& format);

// Stores a row on the page; its row number, or -1 when the page is full.
int AddRow(const Format& format, std::string& page, const std::string& row);

// Where row `row` of the page starts, and the flags kept beside it.
size_t RowOffset(const Format& format, const std::string& page, int row);
void SetRowFlags(const Format& format, std::string& page, int row, uint16_t flags);
const uint16_t kPointerRow = 0x4000;  // the row holds a pointer to where it moved
const uint16_t kDeletedRow = 0x8000;  // also marks a moved row in its new place

// A page pointer to one row: page number in the upper 24 bits.
inline uint32_t PageRow(uint32_t page, int row) { return page << 8 | static_cast<uint32_t>(row); }

// A row page holding the usage map of `dataPages` (row 0) and an empty map
// of pages with free space (row 1). Fails naming `line` when too many pages.
std::string UsageMapPage(const Format& format, const std::vector<uint32_t>& dataPages, int line);

}  // namespace mdbwrite
