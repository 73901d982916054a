// Pieces shared by the files of the libmdb-based database layer. libmdb trusts
// the file it reads; everything it is asked to follow here (page numbers, row
// offsets, counts) has been checked first, so a damaged file ends in a
// DatabaseError instead of a crash.
#pragma once

// The 1.0 header wraps glib in extern "C", so glib comes first.
#include <glib.h>
#include <mdbtools.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/database.h"

// One open database file.
struct MdbConnection {
  MdbHandle* mdb = nullptr;
  bool jet3 = false;
  uint32_t pageSize = 0;
  uint32_t pageCount = 0;
  bool closed = false;
  // User tables from the catalog: name (UTF-8) and definition page.
  std::vector<std::pair<std::string, uint32_t>> tables;
  ~MdbConnection();
};

struct Database::Impl {
  std::shared_ptr<MdbConnection> connection;
};

[[noreturn]] void ThrowDatabaseError(const std::string& message);

// Keeps libmdb's diagnostics off the console while it works: its debug
// options are loaded with MDBOPTS cleared, and stderr points at /dev/null
// for the guard's lifetime.
class LibmdbQuiet {
 public:
  LibmdbQuiet();
  ~LibmdbQuiet();
  LibmdbQuiet(const LibmdbQuiet&) = delete;
  LibmdbQuiet& operator=(const LibmdbQuiet&) = delete;

 private:
  FILE* saved_;
};

uint16_t Le16(const unsigned char* p);
uint32_t Le32(const unsigned char* p);

// Page reads into mdb->pg_buf or mdb->alt_pg_buf; throw for a page outside
// the file.
const unsigned char* ReadPage(MdbConnection& c, uint32_t page);
const unsigned char* ReadAltPage(MdbConnection& c, uint32_t page);

// A row located on the page in mdb->pg_buf.
struct RowSpan {
  int start = 0;
  int size = 0;
  uint16_t flags = 0;  // kRowDeleted, kRowOverflow
};
constexpr uint16_t kRowDeleted = 0x8000;
constexpr uint16_t kRowOverflow = 0x4000;

// The number of rows on a data page, checked against the page size.
int PageRowCount(const MdbConnection& c, const unsigned char* page);
// Entry `row` of a page's row table, unchecked.
RowSpan RowAt(const MdbConnection& c, const unsigned char* page, int row);
// Throws unless the row lies inside the page, after its row table.
void CheckRowSpan(const MdbConnection& c, const RowSpan& span, int rowCount);
// The row a page-and-row pointer names, read into mdb->alt_pg_buf and
// checked; `what` names it in the error.
RowSpan LocateRow(MdbConnection& c, uint32_t pointer, const char* what);

// One table opened for a scan in file order.
struct TableScan {
  std::shared_ptr<MdbConnection> connection;
  MdbCatalogEntry entry{};
  MdbTableDef* table = nullptr;
  uint32_t page = 0;  // the data page being read, 0 before the first
  int row = 0;        // next row on that page
  int rowCount = 0;
  ~TableScan();
};

// Opens the table whose definition is on `tdefPage` and reads its columns.
std::unique_ptr<TableScan> OpenTableScan(std::shared_ptr<MdbConnection> connection,
                                         uint32_t tdefPage, const std::string& name);
const MdbColumn& ColumnAt(const TableScan& scan, int index);
// Index into table->columns of the column named `name` (ASCII case
// ignored), or -1.
int FindColumn(const TableScan& scan, const std::string& name);
// Moves to the next live row and decodes the given columns into `values`.
// False at the end of the table; throws on a damaged row.
bool NextRow(TableScan& scan, const std::vector<int>& columns, std::vector<Variant>* values);

// Splits the row into one field per column of the table (the order of
// table->columns); throws for a row whose layout does not hold together.
void CrackRow(const TableScan& scan, const RowSpan& span, std::vector<MdbField>* fields);

// Decoding of one cracked field of the row in mdb->pg_buf.
Variant DecodeField(MdbConnection& c, const MdbColumn& column, const MdbField& field);
// Text as stored: Jet 4 UCS-2 (plain or compressed), Jet 3 code page 1252.
std::wstring DecodeText(const MdbConnection& c, const unsigned char* data, size_t size);

// Reads the catalog into c.tables.
void LoadCatalog(const std::shared_ptr<MdbConnection>& c);
