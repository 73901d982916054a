// Reading an Access (Jet 3 / Jet 4) database file: a connection, a row
// source over one table, and values that carry their type.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

enum class VariantType {
  Empty,
  Null,
  Bool,
  Byte,
  Int16,
  Int32,
  Float,
  Double,
  Currency,
  Date,
  Text,
  Binary,
  Decimal
};

// A column value as the engine gives it.
struct Variant {
  VariantType type = VariantType::Empty;
  int64_t integer = 0;  // Bool (0 or -1), Byte, Int16, Int32
  double number = 0;    // Float, Double, Currency, Date (OLE Automation date), Decimal
  std::wstring text;    // Text and Memo; a Decimal's exact value, as VariantToText gives it
  std::string bytes;    // Binary, OLE and any other raw column
};

// Conversions with the rules of VariantChangeType: false when the value cannot
// be converted (NULL, a text that is no date, ...), never an exception.
bool VariantToDate(const Variant& value, double* oleDate);
bool VariantToText(const Variant& value, std::wstring* text);

struct DatabaseError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The connection to one database file, opened read-only and shared.
class Database {
 public:
  Database();
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Reads the whole file into memory, so that every table of one connection
  // comes from the same reading of it, and closes the file again: it is open
  // only while it is read, for reading only and shared with writers. Throws
  // DatabaseError.
  void Open(const std::string& path);
  void Close();  // closing a closed connection does nothing
  bool IsOpen() const;
  // True when the file under the same name still holds, byte for byte, what
  // Open read.
  bool FileUnchanged() const;

 private:
  friend class Recordset;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The rows of "SELECT <columns> FROM <table>" in file order. The names are
// taken as names, never parsed as SQL, and matched without regard to case.
class Recordset {
 public:
  // Throws DatabaseError when the table or one of the columns is missing.
  Recordset(Database& database, const std::string& table, const std::vector<std::string>& columns);
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  bool IsEOF() const;
  void MoveNext();  // throws DatabaseError on a damaged row
  // A column of the current row; throws DatabaseError for a name the query
  // does not hold or when the recordset is at its end.
  Variant GetFieldValue(const std::string& column) const;
  void Close();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
