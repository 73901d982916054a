#include "tools/mdbwrite/rows.h"

namespace mdbwrite {

static int FixedSize(ColumnType type) {
  switch (type) {
    case ColumnType::Bool:
      return 0;
    case ColumnType::Byte:
      return 1;
    case ColumnType::Int:
      return 2;
    case ColumnType::Long:
      return 4;
    case ColumnType::Double:
    case ColumnType::DateTime:
      return 8;
    case ColumnType::Decimal:
      return 17;
    default:
      return -1;
  }
}

std::vector<Place> PlaceColumns(const Format& format, const std::vector<Column>& columns) {
  std::vector<Place> places;
  int offset = 0, varIndex = 0;
  for (const Column& column : columns) {
    const int size = FixedSize(column.type);
    if (size >= 0) {
      places.push_back(Place{true, size, offset, 0});
      offset += size;
    } else {
      const int length = column.type == ColumnType::Text ? (format.jet3 ? 255 : 510) : 0;
      places.push_back(Place{false, length, 0, varIndex++});
    }
  }
  return places;
}

static std::string NullMask(const std::vector<Field>& fields) {
  std::string mask((fields.size() + 7) / 8, '\0');
  for (size_t i = 0; i < fields.size(); ++i) {
    if (!fields[i].null) mask[i / 8] = static_cast<char>(mask[i / 8] | (1 << (i % 8)));
  }
  return mask;
}

// The column count and the fixed part; then the variable values, with the
// offset of each in `offsets` and the end of the last one after them.
static std::string PackValues(const Format& format, const std::vector<Place>& places,
                              const std::vector<Field>& fields, std::vector<size_t>& offsets) {
  std::string row;
  Append(row, fields.size(), format.jet3 ? 1 : 2);
  for (size_t i = 0; i < fields.size(); ++i) {
    if (places[i].fixed) {
      row += fields[i].null ? std::string(places[i].size, '\0') : fields[i].bytes;
    }
  }
  for (size_t i = 0; i < fields.size(); ++i) {
    if (places[i].fixed) continue;
    offsets.push_back(row.size());
    if (!fields[i].null) row += fields[i].bytes;
  }
  offsets.push_back(row.size());
  return row;
}

// Jet 4: two-byte offsets, last first, then the number of variable columns.
static void AppendOffsets4(std::string& row, const std::vector<size_t>& offsets) {
  for (size_t i = offsets.size(); i-- > 0;) Append(row, offsets[i], 2);
  Append(row, offsets.size() - 1, 2);
}

// Jet 3: one-byte offsets, last first, then a jump table naming for each
// 256-byte boundary the first offset past it (nearest boundary last, so it
// ends up next to the count), padded with 0xFF when the row's length asks
// for one entry more than there are boundaries.
static bool AppendOffsets3(std::string& row, const std::vector<size_t>& offsets, size_t maskSize) {
  const size_t boundaries = offsets.back() / 256;
  const size_t tail = offsets.size() + 1 + maskSize;
  size_t jumps = boundaries;
  if ((row.size() + tail + jumps - 1) / 256 != jumps) ++jumps;
  if ((row.size() + tail + jumps - 1) / 256 != jumps) return false;
  for (size_t i = offsets.size(); i-- > 0;) row += static_cast<char>(offsets[i] & 0xFF);
  if (jumps > boundaries) row += '\xFF';
  for (size_t boundary = boundaries; boundary > 0; --boundary) {
    size_t first = 0;
    while (offsets[first] < 256 * boundary) ++first;
    row += static_cast<char>(first);
  }
  row += static_cast<char>(offsets.size() - 1);
  return true;
}

std::string PackRow(const Format& format, const std::vector<Place>& places,
                    const std::vector<Field>& fields) {
  std::vector<size_t> offsets;
  std::string row = PackValues(format, places, fields, offsets);
  const std::string mask = NullMask(fields);
  if (offsets.size() > 1) {
    if (format.jet3 && !AppendOffsets3(row, offsets, mask.size())) return "";
    if (!format.jet3) AppendOffsets4(row, offsets);
  }
  return row + mask;
}

}  // namespace mdbwrite
