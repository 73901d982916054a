#include "tools/mdbwrite/definition.h"

#include <utility>

#include "tools/mdbwrite/pages.h"
#include "tools/mdbwrite/text.h"

namespace mdbwrite {

static const int kCodePage = 1252;
static const int kSortGeneral = 0x409;
static const int kFixedFlag = 0x01;
static const int kNullableFlag = 0x02;
static const int kCompressedFlag = 0x01;  // Jet 4 text stored compressed

static bool IsText(ColumnType type) { return type == ColumnType::Text || type == ColumnType::Memo; }

static std::string ColumnEntry(const Format& format, const Column& column, const Place& place,
                               int number) {
  std::string entry;
  entry += static_cast<char>(column.type);
  if (!format.jet3) Append(entry, 0, 4);
  Append(entry, number, 2);
  Append(entry, place.varIndex, 2);
  Append(entry, number, 2);
  // Jet 4 keeps a decimal's precision and scale where text keeps its sort order.
  const int misc = column.type == ColumnType::Decimal ? column.precision | column.scale << 8 : 0;
  Append(entry, IsText(column.type) ? kSortGeneral : misc, 2);
  Append(entry, format.jet3 && IsText(column.type) ? kCodePage : 0, 2);
  if (format.jet3) Append(entry, 0, 2);
  entry += static_cast<char>((place.fixed ? kFixedFlag : 0) | kNullableFlag);
  if (!format.jet3) {
    entry += static_cast<char>(column.compressed ? kCompressedFlag : 0);
    Append(entry, 0, 4);
  }
  Append(entry, place.offset, 2);
  Append(entry, place.size, 2);
  return entry;
}

static std::string Header(const Format& format, const Table& table,
                          const std::vector<Place>& places, bool system, uint32_t mapPage) {
  std::string header;
  Append(header, 0x0102, 2);
  Append(header, format.jet3 ? 0x4356 : 0, 2);  // "VC" in Jet 3, free space in Jet 4
  Append(header, 0, 4);                         // no continuation page
  Append(header, 0, format.jet3 ? 4 : 8);       // length, set when complete
  Append(header, table.rows.size(), 4);
  header.append(format.jet3 ? 4 : 20, '\0');  // autonumbers
  header += system ? 'S' : 'N';
  // Deleted columns still count in the highest column and variable-column
  // numbers, not in the count of columns.
  int varColumns = 0, liveColumns = 0;
  for (size_t i = 0; i < places.size(); ++i) {
    varColumns += places[i].fixed ? 0 : 1;
    liveColumns += table.columns[i].deleted ? 0 : 1;
  }
  Append(header, places.size(), 2);
  Append(header, varColumns, 2);
  Append(header, liveColumns, 2);
  Append(header, 0, 8);  // no indexes
  Append(header, PageRow(mapPage, 0), 4);
  Append(header, PageRow(mapPage, 1), 4);
  return header;
}

std::string Definition(const Format& format, const Table& table, const std::vector<Place>& places,
                       bool system, uint32_t mapPage) {
  std::string definition = Header(format, table, places, system, mapPage);
  for (size_t i = 0; i < places.size(); ++i) {
    if (table.columns[i].deleted) continue;
    definition += ColumnEntry(format, table.columns[i], places[i], static_cast<int>(i));
  }
  for (const Column& column : table.columns) {
    if (column.deleted) continue;
    const std::string name = EncodeText(format, column.name, table.line);
    Append(definition, name.size(), format.jet3 ? 1 : 2);
    definition += name;
  }
  Put(definition, 8, definition.size(), 4);
  return definition;
}

static std::string DefinitionPage(const Format& format, std::string bytes) {
  if (!format.jet3) Put(bytes, 2, format.pageSize - bytes.size(), 2);
  bytes.resize(format.pageSize, '\0');
  return bytes;
}

std::vector<std::string> DefinitionPages(const Format& format, const std::string& definition,
                                         uint32_t firstNewPage) {
  std::vector<std::string> pages = {DefinitionPage(format, definition.substr(0, format.pageSize))};
  const size_t room = format.pageSize - 8;
  for (size_t at = format.pageSize; at < definition.size(); at += room) {
    Put(pages.back(), 4, firstNewPage + pages.size() - 1, 4);
    std::string page;
    Append(page, 0x0102, 2);
    Append(page, format.jet3 ? 0x4356 : 0, 2);
    Append(page, 0, 4);
    pages.push_back(DefinitionPage(format, page + definition.substr(at, room)));
  }
  return pages;
}

// XORs `data` with the RC4 key stream of the fixed key 0x6B39DAC7.
static void MaskWithRc4(char* data, int length) {
  const unsigned char key[4] = {0xC7, 0xDA, 0x39, 0x6B};
  unsigned char state[256];
  for (int i = 0; i < 256; ++i) state[i] = static_cast<unsigned char>(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + state[i] + key[i % 4]) & 0xFF;
    std::swap(state[i], state[j]);
  }
  for (int n = 0, i = 0, j = 0; n < length; ++n) {
    i = (i + 1) & 0xFF;
    j = (j + state[i]) & 0xFF;
    std::swap(state[i], state[j]);
    data[n] = static_cast<char>(data[n] ^ state[(state[i] + state[j]) & 0xFF]);
  }
}

std::string HeaderPage(const Format& format) {
  std::string page(format.pageSize, '\0');
  Put(page, 0, 0x100, 4);
  page.replace(4, 15, "Standard Jet DB");
  Put(page, 0x14, format.jet3 ? 0 : 1, 4);
  Put(page, format.jet3 ? 0x3A : 0x6E, kSortGeneral, 2);
  Put(page, 0x3C, kCodePage, 2);
  MaskWithRc4(&page[0x18], format.jet3 ? 126 : 128);
  return page;
}

}  // namespace mdbwrite
