// Page reads and row location, with every offset checked before use.
#include <cstddef>
#include <string>

#include "platform/mdb/mdb_internal.h"

void ThrowDatabaseError(const std::string& message) { throw DatabaseError(message); }

uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t Le32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
    char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] + 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

// The row offsets of a data page start after its row count.
static int RowCountOffset(const MdbConnection& c) { return c.jet3 ? 8 : 12; }

static const unsigned char* Fill(MdbConnection& c, PageBuffer& buffer, uint32_t page) {
  if (c.closed || c.image.empty()) ThrowDatabaseError("the database is closed");
  if (page == 0 || page >= c.pageCount) {
    ThrowDatabaseError("damaged database: a pointer to page " + std::to_string(page) +
                       (page == 0 ? ", the header" : ", past the end of the file"));
  }
  if (buffer.number == page) return buffer.bytes.data();
  const unsigned char* at = c.image.data() + size_t{page} * c.pageSize;
  buffer.bytes.assign(at, at + c.pageSize);
  buffer.number = page;
  return buffer.bytes.data();
}

const unsigned char* ReadPage(MdbConnection& c, uint32_t page) { return Fill(c, c.page, page); }

const unsigned char* ReadAltPage(MdbConnection& c, uint32_t page) {
  return Fill(c, c.altPage, page);
}

int PageRowCount(const MdbConnection& c, const unsigned char* page, uint32_t number) {
  int offset = RowCountOffset(c);
  int count = Le16(page + offset);
  if (offset + 2 + 2 * count > static_cast<int>(c.pageSize)) {
    ThrowDatabaseError("damaged database: data page " + std::to_string(number) + " claims " +
                       std::to_string(count) + " rows");
  }
  return count;
}

RowSpan RowAt(const MdbConnection& c, const unsigned char* page, int row) {
  int offset = RowCountOffset(c);
  uint16_t entry = Le16(page + offset + 2 + 2 * row);
  int end = row == 0 ? static_cast<int>(c.pageSize) : Le16(page + offset + 2 * row) & 0x1FFF;
  RowSpan span;
  span.flags = entry & (kRowDeleted | kRowOverflow);
  span.start = entry & 0x1FFF;
  span.size = end - span.start;
  return span;
}

void CheckRowSpan(const MdbConnection& c, const RowSpan& span, int rowCount, uint32_t page) {
  int tableEnd = RowCountOffset(c) + 2 + 2 * rowCount;
  if (span.start < tableEnd || span.size <= 0 ||
      span.start + span.size > static_cast<int>(c.pageSize)) {
    ThrowDatabaseError("damaged database: a row lies outside page " + std::to_string(page));
  }
}

RowSpan LocateRow(MdbConnection& c, uint32_t pointer, const char* what) {
  uint32_t pageNumber = pointer >> 8;
  int row = static_cast<int>(pointer & 0xFF);
  const unsigned char* page = ReadAltPage(c, pageNumber);
  int count = page[0] == kDataPage ? PageRowCount(c, page, pageNumber) : 0;
  if (row >= count) {
    ThrowDatabaseError(std::string("damaged database: ") + what + " is missing (page " +
                       std::to_string(pageNumber) + ", row " + std::to_string(row) + ")");
  }
  RowSpan span = RowAt(c, page, row);
  CheckRowSpan(c, span, count, pageNumber);
  return span;
}
