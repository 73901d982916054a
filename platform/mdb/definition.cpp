// Table definitions: a header, the column entries and the column names, on
// one page and any continuation pages it chains to (each continuation's data
// starts after its 8-byte page header).
#include <set>
#include <string>

#include "base/text.h"
#include "platform/mdb/mdb_internal.h"

// Where the parts of a definition lie in Jet 3 and Jet 4.
struct DefinitionLayout {
  size_t varColumns, columnCount, realIndexCount, usageMap, realIndexes;
  size_t realIndexSize, columnSize;
  // Offsets inside a column entry.
  size_t number, varIndex, precision, scale, flags, fixedOffset, length;
  size_t nameLengthSize;
};

constexpr DefinitionLayout kJet3 = {0x17, 0x19, 0x1F, 0x23, 0x2B, 8,  18, 1,
                                    3,    9,    10,   13,   14,   16, 1};
constexpr DefinitionLayout kJet4 = {0x2B, 0x2D, 0x33, 0x37, 0x3F, 12, 25, 5,
                                    7,    11,   12,   15,   21,   23, 2};
constexpr unsigned char kFixedColumn = 0x01;
// More pages than any definition Access writes (255 columns, 32 indexes).
constexpr int kMaxDefinitionPages = 64;

[[noreturn]] static void ThrowBad(uint32_t tdefPage, const char* what) {
  ThrowDatabaseError(std::string("damaged database: ") + what + " (definition on page " +
                     std::to_string(tdefPage) + ")");
}

// The definition's bytes, continuation pages appended.
static std::string DefinitionBytes(MdbConnection& c, uint32_t tdefPage) {
  const unsigned char* page = ReadAltPage(c, tdefPage);
  if (page[0] != kTablePage) ThrowBad(tdefPage, "no table definition");
  std::string bytes(reinterpret_cast<const char*>(page), c.pageSize);
  std::set<uint32_t> visited = {tdefPage};
  for (uint32_t next = Le32(page + 4); next != 0; next = Le32(page + 4)) {
    if (!visited.insert(next).second || visited.size() > kMaxDefinitionPages) {
      ThrowBad(tdefPage, "a broken chain of definition pages");
    }
    page = ReadAltPage(c, next);
    if (page[0] != kTablePage) ThrowBad(tdefPage, "a broken chain of definition pages");
    bytes.append(reinterpret_cast<const char*>(page) + 8, c.pageSize - 8);
  }
  return bytes;
}

static void ReadUsageMap(MdbConnection& c, uint32_t tdefPage, uint32_t pointer, JetTable* table) {
  RowSpan span = LocateRow(c, pointer, "a usage map");
  const unsigned char* row = c.altPage.bytes.data() + span.start;
  if (span.size < 5 || row[0] > 1) ThrowBad(tdefPage, "a bad usage map");
  table->usageMap.assign(reinterpret_cast<const char*>(row), span.size);
}

static JetColumn ColumnFrom(const DefinitionLayout& l, const unsigned char* entry) {
  JetColumn column;
  column.type = entry[0];
  column.number = Le16(entry + l.number);
  column.varIndex = Le16(entry + l.varIndex);
  column.precision = entry[l.precision];
  column.scale = entry[l.scale];
  column.fixed = (entry[l.flags] & kFixedColumn) != 0;
  column.fixedOffset = Le16(entry + l.fixedOffset);
  column.length = Le16(entry + l.length);
  return column;
}

// The columns' entries, then their names, each after its length.
static void ReadColumns(const MdbConnection& c, const std::string& bytes, uint32_t tdefPage,
                        JetTable* table) {
  const DefinitionLayout& l = c.jet3 ? kJet3 : kJet4;
  auto data = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t count = Le16(data + l.columnCount);
  uint64_t at = l.realIndexes + uint64_t{Le32(data + l.realIndexCount)} * l.realIndexSize;
  if (count == 0 || at + count * l.columnSize > bytes.size()) {
    ThrowBad(tdefPage, "a bad table definition");
  }
  for (size_t i = 0; i < count; ++i, at += l.columnSize) {
    table->columns.push_back(ColumnFrom(l, data + at));
  }
  for (JetColumn& column : table->columns) {
    if (at + l.nameLengthSize > bytes.size()) ThrowBad(tdefPage, "a column name is cut short");
    size_t length = c.jet3 ? data[at] : Le16(data + at);
    at += l.nameLengthSize;
    if (length == 0 || at + length > bytes.size()) ThrowBad(tdefPage, "a bad column name");
    column.name = ToUtf8(DecodeText(c, data + at, length));
    at += length;
  }
}

void ReadTableDefinition(MdbConnection& c, uint32_t tdefPage, JetTable* table) {
  const DefinitionLayout& l = c.jet3 ? kJet3 : kJet4;
  std::string bytes = DefinitionBytes(c, tdefPage);
  auto data = reinterpret_cast<const unsigned char*>(bytes.data());
  table->page = tdefPage;
  table->varColumns = Le16(data + l.varColumns);
  uint32_t usageMap = Le32(data + l.usageMap);
  ReadColumns(c, bytes, tdefPage, table);
  ReadUsageMap(c, tdefPage, usageMap, table);
}
