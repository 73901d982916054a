// Opening a table definition for a scan.
#include <string>

#include "platform/mdb/mdb_internal.h"

// Limits far above what Access writes (255 columns, 32 indexes) that keep a
// damaged definition from sending libmdb through huge loops.
constexpr unsigned kMaxColumns = 256;
constexpr unsigned kMaxIndexes = 1000;
constexpr int kMaxDefinitionPages = 64;

TableScan::~TableScan() {
  LibmdbQuiet quiet;
  if (table != nullptr) mdb_free_tabledef(table);
}

static void CheckMapPointer(MdbConnection& c, uint32_t pointer) {
  RowSpan span = LocateRow(c, pointer, "a usage map");
  unsigned char type = c.mdb->alt_pg_buf[span.start];
  if (span.size < 5 || type > 1) ThrowDatabaseError("damaged database: bad usage map");
}

// libmdb follows the definition's maps and its chain of continuation pages
// without checks; check them first.
static void CheckDefinition(MdbConnection& c, uint32_t tdefPage) {
  const unsigned char* page = ReadPage(c, tdefPage);
  if (page[0] != MDB_PAGE_TABLE) ThrowDatabaseError("damaged database: no table definition");
  uint32_t usageMap = Le32(page + c.mdb->fmt->tab_usage_map_offset);
  uint32_t freeMap = Le32(page + c.mdb->fmt->tab_free_map_offset);
  uint32_t next = Le32(page + 4);
  CheckMapPointer(c, usageMap);
  CheckMapPointer(c, freeMap);
  for (int hops = 0; next != 0; ++hops) {
    const unsigned char* more = ReadAltPage(c, next);
    if (more[0] != MDB_PAGE_TABLE || hops == kMaxDefinitionPages || next == tdefPage) {
      ThrowDatabaseError("damaged database: broken table definition");
    }
    next = Le32(more + 4);
  }
  ReadPage(c, tdefPage);  // libmdb reads the definition from the page buffer
}

static void CheckCounts(const MdbTableDef& table) {
  if (table.num_cols == 0 || table.num_cols > kMaxColumns || table.num_var_cols > table.num_cols ||
      table.num_real_idxs > kMaxIndexes || table.usage_map == nullptr || table.map_sz < 5) {
    ThrowDatabaseError("damaged database: bad table definition");
  }
}

std::unique_ptr<TableScan> OpenTableScan(std::shared_ptr<MdbConnection> connection,
                                         uint32_t tdefPage, const std::string& name) {
  auto scan = std::make_unique<TableScan>();
  scan->connection = std::move(connection);
  MdbConnection& c = *scan->connection;
  scan->entry.mdb = c.mdb;
  scan->entry.object_type = MDB_TABLE;
  scan->entry.table_pg = tdefPage;
  snprintf(scan->entry.object_name, sizeof scan->entry.object_name, "%s", name.c_str());
  CheckDefinition(c, tdefPage);
  scan->table = mdb_read_table(&scan->entry);
  if (scan->table == nullptr) ThrowDatabaseError("damaged database: bad table definition");
  CheckCounts(*scan->table);
  // On a definition cut short libmdb 1.0 frees the columns and leaves NULL.
  if (mdb_read_columns(scan->table) == nullptr || scan->table->columns == nullptr ||
      scan->table->columns->len != scan->table->num_cols) {
    ThrowDatabaseError("damaged database: bad column definitions");
  }
  return scan;
}

const MdbColumn& ColumnAt(const TableScan& scan, int index) {
  return *static_cast<const MdbColumn*>(g_ptr_array_index(scan.table->columns, index));
}

int FindColumn(const TableScan& scan, const std::string& name) {
  for (unsigned i = 0; i < scan.table->num_cols; ++i) {
    if (g_ascii_strcasecmp(ColumnAt(scan, i).name, name.c_str()) == 0) return static_cast<int>(i);
  }
  return -1;
}
