// Splitting a row into fields. A row is laid out as: its column count, the
// fixed part, the variable values; then, read from the row's end, the null
// mask (one bit a column, set when the value is there), the count of
// variable columns, in Jet 3 a jump table, and the offsets of the variable
// values (one more than the count: the last gives the end of the data).
// Jet 3 offsets have one byte; each jump entry names the first offset that
// lies past the next 256-byte boundary.
#include <string>
#include <vector>

#include "platform/mdb/mdb_internal.h"

// The parts of one row, as offsets from its start.
struct RowLayout {
  int columnCount = 0;
  int fixedStart = 0;
  int fixedEnd = 0;          // where the variable values start
  std::vector<int> offsets;  // of each variable value, and the end of the last
};

[[noreturn]] static void ThrowBadRow(uint32_t page) {
  ThrowDatabaseError("damaged database: a bad row on page " + std::to_string(page));
}

// Jet 3: one-byte offsets, raised by 256 for each jump entry at or below
// them. Returns where the offsets start.
static int ReadOffsets3(const unsigned char* row, int countAt, int size, int count,
                        std::vector<int>* offsets) {
  int jumps = (size - 1) / 256;
  int table = countAt - jumps - count - 1;
  if (table < 1) return -1;
  for (int i = 0; i <= count; ++i) {
    int offset = row[countAt - jumps - 1 - i];
    // A boundary above the offsets themselves cannot be crossed: the entry
    // of a last, unused boundary is filler.
    for (int j = 0; j < jumps && (j + 1) * 256 <= table; ++j) {
      if (row[countAt - 1 - j] <= i) offset += 256;
    }
    offsets->push_back(offset);
  }
  return table;
}

// Jet 4: two-byte offsets.
static int ReadOffsets4(const unsigned char* row, int countAt, int count,
                        std::vector<int>* offsets) {
  int table = countAt - 2 * (count + 1);
  if (table < 2) return -1;
  for (int i = 0; i <= count; ++i) offsets->push_back(Le16(row + countAt - 2 * (i + 1)));
  return table;
}

static RowLayout Layout(const MdbConnection& c, const JetTable& table, const unsigned char* row,
                        int size, uint32_t page) {
  RowLayout layout;
  int countSize = c.jet3 ? 1 : 2;
  if (size <= countSize) ThrowBadRow(page);
  layout.columnCount = c.jet3 ? row[0] : Le16(row);
  layout.fixedStart = countSize;
  int maskAt = size - (layout.columnCount + 7) / 8;
  if (maskAt < countSize) ThrowBadRow(page);
  layout.fixedEnd = maskAt;
  if (table.varColumns == 0) return layout;
  int countAt = maskAt - countSize;
  if (countAt < countSize) ThrowBadRow(page);
  int count = c.jet3 ? row[countAt] : Le16(row + countAt);
  int tableAt = c.jet3 ? ReadOffsets3(row, countAt, size, count, &layout.offsets)
                       : ReadOffsets4(row, countAt, count, &layout.offsets);
  if (tableAt < countSize) ThrowBadRow(page);
  // The values lie in order between the fixed part and the offsets.
  int previous = countSize;
  for (int offset : layout.offsets) {
    if (offset < previous || offset > tableAt) ThrowBadRow(page);
    previous = offset;
  }
  layout.fixedEnd = layout.offsets.front();
  return layout;
}

void CrackRow(const MdbConnection& c, const JetTable& table, const RowSpan& span,
              std::vector<JetField>* fields) {
  const unsigned char* row = c.page.bytes.data() + span.start;
  RowLayout layout = Layout(c, table, row, span.size, c.page.number);
  const unsigned char* mask = row + span.size - (layout.columnCount + 7) / 8;
  int varCount = static_cast<int>(layout.offsets.size()) - 1;
  fields->assign(table.columns.size(), JetField{});
  for (size_t i = 0; i < table.columns.size(); ++i) {
    const JetColumn& column = table.columns[i];
    JetField& f = (*fields)[i];
    f.isNull = column.number >= layout.columnCount ||
               !(mask[column.number / 8] & (1 << (column.number % 8)));
    if (f.isNull || column.type == kBool) continue;
    if (column.fixed) {
      f.start = layout.fixedStart + column.fixedOffset;
      f.size = column.length;
      if (f.start + f.size > layout.fixedEnd) ThrowBadRow(c.page.number);
    } else if (column.varIndex < varCount) {
      f.start = layout.offsets[column.varIndex];
      f.size = layout.offsets[column.varIndex + 1] - f.start;
    } else {
      f.isNull = true;  // a column added after the row was written
    }
    f.start += span.start;
  }
}
