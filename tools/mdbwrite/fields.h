// The values of a description row, encoded as their columns store them.
#pragma once

#include <string_view>

#include "tools/mdbwrite/jet.h"

namespace mdbwrite {

// Encodes the text of one value: "\N" is NULL, an empty text column holds the
// empty text, text takes the escapes \t \n \\. Fails naming the line and column.
Field EncodeField(const Format& format, const Column& column, std::string_view text, int line);

// A fixed-size value from a number, little-endian.
Field IntegerField(int64_t value, int size);

}  // namespace mdbwrite
