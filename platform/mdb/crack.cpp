// Splitting a row into fields with libmdb's mdb_crack_row, behind checks of
// the row's own layout. libmdb 1.0 reads a Jet 3 row's offset table at
// positions computed in unsigned arithmetic, which wrap below the page when
// the row is too short for the count it claims, and it lets a field's end
// come before its start.
#include <vector>

#include "platform/mdb/mdb_internal.h"

[[noreturn]] static void ThrowDamagedRow() { ThrowDatabaseError("damaged database: bad row"); }

// The column count, null mask and table of variable-column offsets must
// all lie inside the row.
static void CheckLayout(const MdbConnection& c, const MdbTableDef& table, const RowSpan& span) {
  const unsigned char* p = c.mdb->pg_buf;
  int start = span.start;
  int end = span.start + span.size - 1;
  int countSize = c.jet3 ? 1 : 2;
  if (span.size <= countSize) ThrowDamagedRow();
  int rowColumns = c.jet3 ? p[start] : Le16(p + start);
  int maskSize = (rowColumns + 7) / 8;
  if (countSize + maskSize > span.size) ThrowDamagedRow();
  if (table.num_var_cols == 0) return;
  int at = c.jet3 ? end - maskSize : end - maskSize - 1;  // count of variable columns
  if (at < start + countSize) ThrowDamagedRow();
  int varColumns = c.jet3 ? p[at] : Le16(p + at);
  // The lowest byte libmdb reads of the offsets (and, in Jet 3, jumps).
  int lowest = c.jet3 ? at - (span.size - 1) / 256 - 1 - varColumns : at - 2 - 2 * varColumns;
  if (varColumns > rowColumns || lowest < start + countSize) ThrowDamagedRow();
}

void CrackRow(const TableScan& scan, const RowSpan& span, std::vector<MdbField>* fields) {
  CheckLayout(*scan.connection, *scan.table, span);
  fields->assign(scan.table->num_cols, MdbField{});
  if (mdb_crack_row(scan.table, span.start, span.size, fields->data()) < 0) ThrowDamagedRow();
  for (unsigned i = 0; i < scan.table->num_cols; ++i) {
    const MdbField& f = (*fields)[i];
    if (f.is_null || ColumnAt(scan, i).col_type == MDB_BOOL) continue;
    if (f.start < span.start || f.siz < 0 || f.start + f.siz > span.start + span.size) {
      ThrowDamagedRow();
    }
  }
}
