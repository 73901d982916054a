// Row images: the bytes of one table row as a data page stores them.
#pragma once

#include <string>
#include <vector>

#include "tools/mdbwrite/jet.h"
#include "tools/mdbwrite/pages.h"

namespace mdbwrite {

// Where a column's value lies in a row: in the fixed part at `offset`, or
// in the variable part as its `varIndex`-th entry.
struct Place {
  bool fixed;
  int size;  // of a fixed value; the declared length of a variable one
  int offset;
  int varIndex;
};

std::vector<Place> PlaceColumns(const Format& format, const std::vector<Column>& columns);

// Replaces each memo value by its 12-byte memo header, with the text inline or
// on long-value pages appended to `file`.
std::vector<Field> StoreMemos(const Format& format, const Table& table, const Row& row,
                              Pages& file);

// The row image of encoded fields; empty when the layout cannot express it.
std::string PackRow(const Format& format, const std::vector<Place>& places,
                    const std::vector<Field>& fields);

}  // namespace mdbwrite
