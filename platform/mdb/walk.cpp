// Walking a table's rows in file order: the data pages its usage map lists,
// in page order, and the rows of each page in row order.
#include <string>
#include <vector>

#include "platform/mdb/mdb_internal.h"

// Runs `body`; a DatabaseError from it names the table as well.
template <typename F>
static auto InTable(const std::string& name, F body) {
  try {
    return body();
  } catch (const DatabaseError& e) {
    ThrowDatabaseError(std::string(e.what()) + " (table " + name + ")");
  }
}

std::unique_ptr<TableScan> OpenTableScan(std::shared_ptr<MdbConnection> connection,
                                         uint32_t tdefPage, const std::string& name) {
  auto scan = std::make_unique<TableScan>();
  scan->connection = std::move(connection);
  scan->table.name = name;
  InTable(name, [&] { ReadTableDefinition(*scan->connection, tdefPage, &scan->table); });
  return scan;
}

int FindColumn(const JetTable& table, const std::string& name) {
  for (size_t i = 0; i < table.columns.size(); ++i) {
    if (SameName(table.columns[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

static uint32_t CheckedPage(const MdbConnection& c, uint64_t page) {
  if (page >= c.pageCount) ThrowDatabaseError("damaged database: usage map past the end");
  return static_cast<uint32_t>(page);
}

// Map type 0: a first page number and a bitmap that follows it.
static uint32_t NextInInlineMap(const MdbConnection& c, const unsigned char* map, size_t size,
                                uint32_t after) {
  uint32_t base = Le32(map + 1);
  uint64_t bits = (size - 5) * 8;
  for (uint64_t i = after >= base ? uint64_t{after} - base + 1 : 0; i < bits; ++i) {
    if (map[5 + i / 8] & (1 << (i % 8))) return CheckedPage(c, base + i);
  }
  return 0;
}

// Map type 1: pointers to bitmap pages, each covering a fixed range.
static uint32_t NextInMapPages(MdbConnection& c, const unsigned char* map, size_t size,
                               uint32_t after) {
  uint64_t bitsPerPage = (c.pageSize - 4) * 8;
  uint64_t first = uint64_t{after} + 1;
  for (uint64_t k = first / bitsPerPage; k < (size - 1) / 4; ++k) {
    uint32_t mapPage = Le32(map + 1 + 4 * k);
    if (mapPage == 0) continue;
    const unsigned char* bitmap = ReadAltPage(c, mapPage);
    if (bitmap[0] != kMapPage) {
      ThrowDatabaseError("damaged database: bad usage map page " + std::to_string(mapPage));
    }
    for (uint64_t i = k == first / bitsPerPage ? first % bitsPerPage : 0; i < bitsPerPage; ++i) {
      if (bitmap[4 + i / 8] & (1 << (i % 8))) return CheckedPage(c, k * bitsPerPage + i);
    }
  }
  return 0;
}

// Moves to the next data page of the table; false after the last.
static bool AdvancePage(TableScan& scan) {
  MdbConnection& c = *scan.connection;
  auto map = reinterpret_cast<const unsigned char*>(scan.table.usageMap.data());
  size_t size = scan.table.usageMap.size();
  for (;;) {
    uint32_t next = map[0] == 0 ? NextInInlineMap(c, map, size, scan.page)
                                : NextInMapPages(c, map, size, scan.page);
    if (next == 0) return false;
    scan.page = next;
    scan.row = 0;
    scan.rowCount = 0;
    const unsigned char* page = ReadPage(c, next);
    // A listed page that belongs to another table is passed over.
    if (page[0] == kDataPage && Le32(page + 4) == scan.table.page) {
      scan.rowCount = PageRowCount(c, page, next);
      return true;
    }
  }
}

// An overflow row holds a pointer to the row's real place, which is marked
// deleted so that a scan meets it only through the pointer.
static RowSpan FollowOverflow(TableScan& scan, const RowSpan& span) {
  MdbConnection& c = *scan.connection;
  if (span.size < 4)
    ThrowDatabaseError("damaged database: bad overflow row on page " + std::to_string(scan.page));
  uint32_t pointer = Le32(c.page.bytes.data() + span.start);
  RowSpan target = LocateRow(c, pointer, "an overflow row");
  const unsigned char* page = ReadPage(c, pointer >> 8);
  if (Le32(page + 4) != scan.table.page || (target.flags & kRowOverflow)) {
    ThrowDatabaseError("damaged database: bad overflow row on page " + std::to_string(scan.page));
  }
  return target;
}

static bool Next(TableScan& scan, const std::vector<int>& columns, std::vector<Variant>* values) {
  MdbConnection& c = *scan.connection;
  for (;;) {
    if (scan.row >= scan.rowCount) {
      if (!AdvancePage(scan)) return false;
      continue;
    }
    const unsigned char* page = ReadPage(c, scan.page);
    RowSpan span = RowAt(c, page, scan.row++);
    if (span.flags & kRowDeleted) continue;
    CheckRowSpan(c, span, scan.rowCount, scan.page);
    if (span.flags & kRowOverflow) span = FollowOverflow(scan, span);
    std::vector<JetField> fields;
    CrackRow(c, scan.table, span, &fields);
    values->clear();
    for (int k : columns) values->push_back(DecodeField(c, scan.table.columns[k], fields[k]));
    return true;
  }
}

bool NextRow(TableScan& scan, const std::vector<int>& columns, std::vector<Variant>* values) {
  if (scan.connection->closed) ThrowDatabaseError("the database is closed");
  return InTable(scan.table.name, [&] { return Next(scan, columns, values); });
}
