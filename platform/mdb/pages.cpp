// Page reads and row location, with every offset checked before use.
#include <string>

#include "platform/mdb/mdb_internal.h"

void ThrowDatabaseError(const std::string& message) { throw DatabaseError(message); }

uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t Le32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

static void CheckReadable(const MdbConnection& c, uint32_t page) {
  if (c.closed || c.mdb == nullptr) ThrowDatabaseError("the database is closed");
  if (page >= c.pageCount) {
    ThrowDatabaseError("damaged database: page " + std::to_string(page) +
                       " lies past the end of the file");
  }
}

const unsigned char* ReadPage(MdbConnection& c, uint32_t page) {
  CheckReadable(c, page);
  if (mdb_read_pg(c.mdb, page) != static_cast<ssize_t>(c.pageSize)) {
    c.mdb->cur_pg = 0;  // the buffer no longer holds the page it names
    ThrowDatabaseError("cannot read page " + std::to_string(page) + " of the database");
  }
  return c.mdb->pg_buf;
}

const unsigned char* ReadAltPage(MdbConnection& c, uint32_t page) {
  CheckReadable(c, page);
  if (mdb_read_alt_pg(c.mdb, page) != static_cast<ssize_t>(c.pageSize)) {
    ThrowDatabaseError("cannot read page " + std::to_string(page) + " of the database");
  }
  return c.mdb->alt_pg_buf;
}

int PageRowCount(const MdbConnection& c, const unsigned char* page) {
  int offset = c.mdb->fmt->row_count_offset;
  int count = Le16(page + offset);
  if (offset + 2 + 2 * count > static_cast<int>(c.pageSize)) {
    ThrowDatabaseError("damaged database: a data page claims " + std::to_string(count) + " rows");
  }
  return count;
}

RowSpan RowAt(const MdbConnection& c, const unsigned char* page, int row) {
  int offset = c.mdb->fmt->row_count_offset;
  uint16_t entry = Le16(page + offset + 2 + 2 * row);
  int end = row == 0 ? static_cast<int>(c.pageSize) : Le16(page + offset + 2 * row) & 0x1FFF;
  RowSpan span;
  span.flags = entry & (kRowDeleted | kRowOverflow);
  span.start = entry & 0x1FFF;
  span.size = end - span.start;
  return span;
}

void CheckRowSpan(const MdbConnection& c, const RowSpan& span, int rowCount) {
  int tableEnd = c.mdb->fmt->row_count_offset + 2 + 2 * rowCount;
  if (span.start < tableEnd || span.size <= 0 ||
      span.start + span.size > static_cast<int>(c.pageSize)) {
    ThrowDatabaseError("damaged database: a row lies outside its page");
  }
}

RowSpan LocateRow(MdbConnection& c, uint32_t pointer, const char* what) {
  uint32_t pageNumber = pointer >> 8;
  int row = static_cast<int>(pointer & 0xFF);
  const unsigned char* page = ReadAltPage(c, pageNumber);
  int count = page[0] == MDB_PAGE_DATA ? PageRowCount(c, page) : 0;
  if (row >= count) ThrowDatabaseError(std::string("damaged database: ") + what + " is missing");
  RowSpan span = RowAt(c, page, row);
  CheckRowSpan(c, span, count);
  return span;
}
