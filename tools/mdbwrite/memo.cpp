// Memo values: short ones inline in the row, longer ones on long-value pages,
// in one row when they fit a page and as a chain of page-sized rows otherwise.
#include "tools/mdbwrite/rows.h"

namespace mdbwrite {

static const size_t kMaxInlineMemo = 64;
static const size_t kMaxMemo = 0xFFFFFF;  // the length field has 24 bits
static const uint32_t kInline = 0x80000000;
static const uint32_t kSingleRow = 0x40000000;

static bool IsLongValuePage(const std::string& page) {
  return page[0] == 0x01 && page.compare(4, 4, "LVAL") == 0;
}

static uint32_t StoreSingleRow(const Format& format, const std::string& text, Pages& file) {
  if (IsLongValuePage(file.back())) {
    const int row = AddRow(format, file.back(), text);
    if (row >= 0) return PageRow(file.size() - 1, row);
  }
  file.push_back(NewRowPage(format, kLongValueOwner));
  return PageRow(file.size() - 1, AddRow(format, file.back(), text));
}

// Each row of the chain starts with the page pointer of the next one (0 at the end).
static uint32_t StoreChain(const Format& format, const std::string& text, Pages& file) {
  const size_t chunk = MaxRowSize(format) - 4;
  const uint32_t first = file.size();
  for (size_t start = 0; start < text.size(); start += chunk) {
    const bool last = start + chunk >= text.size();
    std::string row;
    Append(row, last ? 0 : PageRow(file.size() + 1, 0), 4);
    file.push_back(NewRowPage(format, kLongValueOwner));
    AddRow(format, file.back(), row + text.substr(start, chunk));
  }
  return PageRow(first, 0);
}

static std::string MemoHeader(const Format& format, const std::string& text, Pages& file,
                              int line) {
  if (text.size() > kMaxMemo) Fail(line, "a memo longer than 16 MB");
  std::string header;
  if (text.size() <= kMaxInlineMemo) {
    Append(header, text.size() | kInline, 4);
    Append(header, 0, 8);
    return header + text;
  }
  if (text.size() <= MaxRowSize(format)) {
    Append(header, text.size() | kSingleRow, 4);
    Append(header, StoreSingleRow(format, text, file), 4);
  } else {
    Append(header, text.size(), 4);
    Append(header, StoreChain(format, text, file), 4);
  }
  Append(header, 0, 4);
  return header;
}

std::vector<Field> StoreMemos(const Format& format, const Table& table, const Row& row,
                              Pages& file) {
  std::vector<Field> fields = row.fields;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (table.columns[i].type == ColumnType::Memo && !fields[i].null) {
      fields[i].bytes = MemoHeader(format, fields[i].bytes, file, row.line);
    }
  }
  return fields;
}

}  // namespace mdbwrite
