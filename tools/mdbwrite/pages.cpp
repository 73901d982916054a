#include "tools/mdbwrite/pages.h"

namespace mdbwrite {

// Row numbers travel in one byte of a page pointer.
static const int kMaxRowsPerPage = 255;

static size_t RowTableStart(const Format& format) { return format.rowCountOffset + 2; }

std::string NewRowPage(const Format& format, uint32_t owner) {
  std::string page(format.pageSize, '\0');
  Put(page, 0, 0x0101, 2);
  Put(page, 2, format.pageSize - RowTableStart(format), 2);  // free space
  Put(page, 4, owner, 4);
  return page;
}

size_t MaxRowSize(const Format& format) { return format.pageSize - RowTableStart(format) - 2; }

int AddRow(const Format& format, std::string& page, const std::string& row) {
  const int rows = static_cast<int>(Get16(page, format.rowCountOffset));
  const size_t tableEnd = RowTableStart(format) + 2 * (rows + 1);
  const size_t previousStart = rows == 0 ? page.size() : Get16(page, tableEnd - 4) & 0x1FFF;
  if (rows == kMaxRowsPerPage || previousStart < tableEnd + row.size()) return -1;
  const size_t start = previousStart - row.size();
  page.replace(start, row.size(), row);
  Put(page, tableEnd - 2, start, 2);
  Put(page, format.rowCountOffset, rows + 1, 2);
  Put(page, 2, start - tableEnd, 2);
  return rows;
}

size_t RowOffset(const Format& format, const std::string& page, int row) {
  return Get16(page, RowTableStart(format) + 2 * row) & 0x1FFF;
}

void SetRowFlags(const Format& format, std::string& page, int row, uint16_t flags) {
  const size_t entry = RowTableStart(format) + 2 * row;
  Put(page, entry, Get16(page, entry) | flags, 2);
}

std::string UsageMapPage(const Format& format, const std::vector<uint32_t>& dataPages, int line) {
  const uint32_t first = dataPages.empty() ? 0 : dataPages.front();
  std::string map(1, '\0');  // map type 0: a bitmap of pages from `first` on
  Append(map, first, 4);
  const std::string freeMap = map;
  for (uint32_t page : dataPages) {
    const size_t bit = page - first;
    if (map.size() <= 5 + bit / 8) map.resize(6 + bit / 8, '\0');
    map[5 + bit / 8] = static_cast<char>(map[5 + bit / 8] | (1 << (bit % 8)));
  }
  std::string page = NewRowPage(format, 0);
  if (AddRow(format, page, map) < 0 || AddRow(format, page, freeMap) < 0) {
    Fail(line, "the table needs more data pages than one usage map can list");
  }
  return page;
}

}  // namespace mdbwrite
