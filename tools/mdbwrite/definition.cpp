#include "tools/mdbwrite/definition.h"

#include <utility>

#include "tools/mdbwrite/pages.h"
#include "tools/mdbwrite/text.h"

namespace mdbwrite {

static const int kCodePage = 1252;
static const int kSortGeneral = 0x409;
static const int kFixedFlag = 0x01;
static const int kNullableFlag = 0x02;

static bool IsText(ColumnType type) { return type == ColumnType::Text || type == ColumnType::Memo; }

static std::string ColumnEntry(const Format& format, const Column& column, const Place& place,
                               int number) {
  std::string entry;
  entry += static_cast<char>(column.type);
  if (!format.jet3) Append(entry, 0, 4);
  Append(entry, number, 2);
  Append(entry, place.varIndex, 2);
  Append(entry, number, 2);
  Append(entry, IsText(column.type) ? kSortGeneral : 0, 2);
  Append(entry, format.jet3 && IsText(column.type) ? kCodePage : 0, 2);
  if (format.jet3) Append(entry, 0, 2);
  entry += static_cast<char>((place.fixed ? kFixedFlag : 0) | kNullableFlag);
  if (!format.jet3) Append(entry, 0, 5);
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
  int varColumns = 0;
  for (const Place& place : places) varColumns += place.fixed ? 0 : 1;
  Append(header, places.size(), 2);
  Append(header, varColumns, 2);
  Append(header, places.size(), 2);
  Append(header, 0, 8);  // no indexes
  Append(header, PageRow(mapPage, 0), 4);
  Append(header, PageRow(mapPage, 1), 4);
  return header;
}

std::string DefinitionPage(const Format& format, const Table& table,
                           const std::vector<Place>& places, bool system, uint32_t mapPage) {
  std::string page = Header(format, table, places, system, mapPage);
  for (size_t i = 0; i < places.size(); ++i) {
    page += ColumnEntry(format, table.columns[i], places[i], static_cast<int>(i));
  }
  for (const Column& column : table.columns) {
    const std::string name = EncodeText(format, column.name, table.line);
    Append(page, name.size(), format.jet3 ? 1 : 2);
    page += name;
  }
  if (page.size() > static_cast<size_t>(format.pageSize)) {
    Fail(table.line, "the definition of table \"" + table.name + "\" does not fit a page");
  }
  Put(page, 8, page.size(), 4);
  if (!format.jet3) Put(page, 2, format.pageSize - page.size(), 2);
  page.resize(format.pageSize, '\0');
  return page;
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
