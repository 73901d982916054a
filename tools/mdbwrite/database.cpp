// Layout: page 0 the header, page 1 the catalog's usage maps, page 2 the
// catalog's definition (where readers look for it), then each table's
// definition, usage maps, data and long-value pages, and last the catalog's
// data pages, which name the definition page of every table.
#include "tools/mdbwrite/database.h"

#include "tools/mdbwrite/definition.h"
#include "tools/mdbwrite/fields.h"
#include "tools/mdbwrite/rows.h"
#include "tools/mdbwrite/text.h"

namespace mdbwrite {

static const uint32_t kCatalogMapPage = 1;
static const uint32_t kCatalogPage = 2;
static const int kTableObject = 1;
static const uint32_t kSystemObject = 0x80000002;

// Stores the row on the table's last data page, or a new one; its pointer.
static uint32_t AddToDataPage(const Format& format, const std::string& row, uint32_t owner,
                              std::vector<uint32_t>& dataPages, Pages& file) {
  if (!dataPages.empty()) {
    const int at = AddRow(format, file[dataPages.back()], row);
    if (at >= 0) return PageRow(dataPages.back(), at);
  }
  dataPages.push_back(file.size());
  file.push_back(NewRowPage(format, owner));
  return PageRow(dataPages.back(), AddRow(format, file.back(), row));
}

// Moved rows go to a page of their own after the table's other rows. Their
// old places hold a pointer to them; in the new place the row is marked
// deleted, so a scan in file order meets it only through the pointer.
static void StoreMovedRows(const Format& format, const std::vector<std::string>& rows,
                           const std::vector<uint32_t>& pointers, uint32_t owner,
                           std::vector<uint32_t>& dataPages, Pages& file) {
  if (!rows.empty()) {
    dataPages.push_back(file.size());
    file.push_back(NewRowPage(format, owner));
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    const uint32_t target = AddToDataPage(format, rows[i], owner, dataPages, file);
    SetRowFlags(format, file[target >> 8], target & 0xFF, kDeletedRow);
    std::string& page = file[pointers[i] >> 8];
    const int row = pointers[i] & 0xFF;
    Put(page, RowOffset(format, page, row), target, 4);
    SetRowFlags(format, page, row, kPointerRow);
  }
}

// The definition on `tdefPage`, continued on new pages when it is long.
static void StoreDefinition(const Format& format, const std::string& definition, uint32_t tdefPage,
                            Pages& file) {
  std::vector<std::string> pages = DefinitionPages(format, definition, file.size());
  file[tdefPage] = pages[0];
  file.insert(file.end(), pages.begin() + 1, pages.end());
}

static void CheckRowSize(const Format& format, const std::string& row, int line) {
  if (row.empty()) Fail(line, "a Jet 3 row cannot hold this many text and memo values");
  if (row.size() > MaxRowSize(format)) {
    Fail(line, "the row needs " + std::to_string(row.size()) + " bytes, a page holds " +
                   std::to_string(MaxRowSize(format)) + " (use shorter texts or memo columns)");
  }
}

static void WriteTable(const Format& format, const Table& table, bool system, uint32_t tdefPage,
                       uint32_t mapPage, Pages& file) {
  const std::vector<Place> places = PlaceColumns(format, table.columns);
  std::vector<uint32_t> dataPages, pointers;
  std::vector<std::string> moved;
  for (const Row& row : table.rows) {
    const std::string bytes = PackRow(format, places, StoreMemos(format, table, row, file));
    CheckRowSize(format, bytes, row.line);
    if (row.moved) moved.push_back(bytes);
    const uint32_t at =
        AddToDataPage(format, row.moved ? std::string(4, '\0') : bytes, tdefPage, dataPages, file);
    if (row.moved) pointers.push_back(at);
  }
  StoreMovedRows(format, moved, pointers, tdefPage, dataPages, file);
  file[mapPage] = UsageMapPage(format, dataPages, table.line);
  StoreDefinition(format, Definition(format, table, places, system, mapPage), tdefPage, file);
}

static Row CatalogRow(const Format& format, uint32_t tdefPage, const std::string& name,
                      uint32_t flags) {
  return Row{0,
             {IntegerField(tdefPage, 4), Field{false, EncodeText(format, name, 0)},
              IntegerField(kTableObject, 2), IntegerField(flags, 4), Field{}}};
}

// The catalog lists itself and every table: the name, the object type and
// flags, and as identifier the page of the table's definition.
static Table Catalog(const Format& format, const std::vector<Table>& tables,
                     const std::vector<uint32_t>& tdefPages) {
  Table catalog{"MSysObjects",
                0,
                {{"Id", ColumnType::Long},
                 {"Name", ColumnType::Text},
                 {"Type", ColumnType::Int},
                 {"Flags", ColumnType::Long},
                 {"LvProp", ColumnType::Ole}},
                {CatalogRow(format, kCatalogPage, "MSysObjects", kSystemObject)}};
  for (size_t i = 0; i < tables.size(); ++i) {
    catalog.rows.push_back(CatalogRow(format, tdefPages[i], tables[i].name, 0));
  }
  return catalog;
}

Pages BuildDatabase(const Format& format, const std::vector<Table>& tables) {
  Pages file(3);
  file[0] = HeaderPage(format);
  std::vector<uint32_t> tdefPages;
  for (const Table& table : tables) {
    tdefPages.push_back(file.size());
    file.resize(file.size() + 2);
    WriteTable(format, table, false, tdefPages.back(), tdefPages.back() + 1, file);
  }
  WriteTable(format, Catalog(format, tables, tdefPages), true, kCatalogPage, kCatalogMapPage, file);
  return file;
}

}  // namespace mdbwrite
