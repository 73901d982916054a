// Pieces shared by the files of the database reader. The whole file is read
// into memory when it is opened, and nothing in it is trusted: every count,
// offset and page number is checked before it is followed, so a damaged file
// ends in a DatabaseError instead of a crash.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/database.h"

// The open file: a descriptor on POSIX systems, a HANDLE on Windows
// (file_posix.cpp, file_win32.cpp).
using FileHandle = intptr_t;
constexpr FileHandle kNoFile = -1;

// Opens a regular file for reading and gives its size; throws DatabaseError
// naming the path and the cause.
FileHandle OpenFileForReading(const std::string& path, uint64_t* size);
// Reads exactly `size` bytes at `offset`; false on an error or a short read.
bool ReadFileAt(FileHandle file, uint64_t offset, unsigned char* buffer, size_t size);
void CloseFile(FileHandle file);

// Page types.
constexpr unsigned char kDataPage = 0x01;
constexpr unsigned char kTablePage = 0x02;
constexpr unsigned char kMapPage = 0x05;

// Column types as a table definition stores them.
enum ColumnType : uint8_t {
  kBool = 0x01,
  kByte = 0x02,
  kInt = 0x03,
  kLong = 0x04,
  kMoney = 0x05,
  kFloat = 0x06,
  kDouble = 0x07,
  kDateTime = 0x08,
  kText = 0x0A,
  kOle = 0x0B,
  kMemo = 0x0C,
  kNumeric = 0x10,
};

// A page held in memory, and the number of the page it holds.
struct PageBuffer {
  std::vector<unsigned char> bytes;
  uint32_t number = 0;  // 0: none (page 0 is the header, never read through it)
};

// One open database file.
struct MdbConnection {
  std::string path;                  // the file, closed once read, opened again to compare
  std::vector<unsigned char> image;  // the whole file as it was read
  bool jet3 = false;
  uint32_t pageSize = 0;
  uint32_t pageCount = 0;
  bool closed = false;
  PageBuffer page;     // the data page being read
  PageBuffer altPage;  // maps, long values, rows that a pointer names
  // User tables from the catalog: name (UTF-8) and definition page.
  std::vector<std::pair<std::string, uint32_t>> tables;
  MdbConnection() = default;
  MdbConnection(const MdbConnection&) = delete;
  MdbConnection& operator=(const MdbConnection&) = delete;
};

struct Database::Impl {
  std::shared_ptr<MdbConnection> connection;
};

[[noreturn]] void ThrowDatabaseError(const std::string& message);

uint16_t Le16(const unsigned char* p);
uint32_t Le32(const unsigned char* p);
// ASCII letters compared without regard to case, as Jet compares names.
bool SameName(const std::string& a, const std::string& b);

// Reads all of the file into c.image, closes it again and checks its header;
// throws DatabaseError.
void LoadFile(MdbConnection& c, const std::string& path);
// Checks the header in c.image and sets jet3, pageSize and pageCount;
// throws for a file that is no Jet 3 or Jet 4 database, or that is
// encrypted or protected by a password.
void ReadHeader(MdbConnection& c, const std::string& path);

// Page copies from c.image into c.page or c.altPage; throw for a page
// outside the file.
const unsigned char* ReadPage(MdbConnection& c, uint32_t page);
const unsigned char* ReadAltPage(MdbConnection& c, uint32_t page);

// A row located on a page.
struct RowSpan {
  int start = 0;
  int size = 0;
  uint16_t flags = 0;  // kRowDeleted, kRowOverflow
};
constexpr uint16_t kRowDeleted = 0x8000;
constexpr uint16_t kRowOverflow = 0x4000;

// The number of rows on a data page, checked against the page size.
int PageRowCount(const MdbConnection& c, const unsigned char* page, uint32_t number);
// Entry `row` of a page's row table, unchecked.
RowSpan RowAt(const MdbConnection& c, const unsigned char* page, int row);
// Throws unless the row lies inside the page, after its row table.
void CheckRowSpan(const MdbConnection& c, const RowSpan& span, int rowCount, uint32_t page);
// The row a page-and-row pointer names, read into c.altPage and checked;
// `what` names it in the error.
RowSpan LocateRow(MdbConnection& c, uint32_t pointer, const char* what);

// One column of a table definition.
struct JetColumn {
  std::string name;  // UTF-8
  uint8_t type = 0;
  bool fixed = false;
  uint16_t number = 0;       // the column's bit in a row's null mask
  uint16_t varIndex = 0;     // variable columns: entry in a row's offset table
  uint16_t fixedOffset = 0;  // fixed columns: where in the fixed part
  uint16_t length = 0;
  uint8_t precision = 0;  // Decimal columns
  uint8_t scale = 0;
};

// A table definition: its columns and usage map.
struct JetTable {
  std::string name;
  uint32_t page = 0;  // of the definition
  // Variable columns a row of this table may hold: the highest number ever
  // given, which stays when a column is deleted.
  uint16_t varColumns = 0;
  std::vector<JetColumn> columns;
  std::string usageMap;  // the map row's bytes: type 0 inline, type 1 page list
};

// Reads the definition on `tdefPage`, with its continuation pages.
void ReadTableDefinition(MdbConnection& c, uint32_t tdefPage, JetTable* table);

// One table opened for a scan in file order.
struct TableScan {
  std::shared_ptr<MdbConnection> connection;
  JetTable table;
  uint32_t page = 0;  // the data page being read, 0 before the first
  int row = 0;        // next row on that page
  int rowCount = 0;
};

// Opens the table whose definition is on `tdefPage` and reads its columns.
std::unique_ptr<TableScan> OpenTableScan(std::shared_ptr<MdbConnection> connection,
                                         uint32_t tdefPage, const std::string& name);
// Index into table.columns of the column named `name`, or -1.
int FindColumn(const JetTable& table, const std::string& name);
// Moves to the next live row and decodes the given columns into `values`.
// False at the end of the table; throws on a damaged row.
bool NextRow(TableScan& scan, const std::vector<int>& columns, std::vector<Variant>* values);

// Where one column's value lies in the row in c.page.
struct JetField {
  bool isNull = true;  // for a yes/no column: the value is No
  int start = 0;
  int size = 0;
};

// Splits the row into one field per column of the table (the order of
// table.columns); throws for a row whose layout does not hold together.
void CrackRow(const MdbConnection& c, const JetTable& table, const RowSpan& span,
              std::vector<JetField>* fields);

// Decoding of one cracked field of the row in c.page.
Variant DecodeField(MdbConnection& c, const JetColumn& column, const JetField& field);
// Text as stored: Jet 4 UCS-2 (plain or compressed), Jet 3 code page 1252.
std::wstring DecodeText(const MdbConnection& c, const unsigned char* data, size_t size);

// Reads the catalog into c.tables.
void LoadCatalog(const std::shared_ptr<MdbConnection>& c);
