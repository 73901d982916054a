// The in-memory model of a database to write, and the constants that differ
// between the Jet 3 (Access 97) and Jet 4 (Access 2000) file formats.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace mdbwrite {

// Column type codes as they are stored in a table definition.
enum class ColumnType : uint8_t {
  Bool = 0x01,
  Byte = 0x02,
  Int = 0x03,
  Long = 0x04,
  Double = 0x07,
  DateTime = 0x08,
  Text = 0x0A,
  Ole = 0x0B,
  Memo = 0x0C,
  Decimal = 0x10,
};

// One value, already encoded for the file. A bool lives in the row's null
// mask only: `null` false means true.
struct Field {
  bool null = true;
  std::string bytes;
};

struct Column {
  std::string name;
  ColumnType type;
  // Deleted in design view: the column keeps its number and its place in the
  // rows, but the definition no longer lists it.
  bool deleted = false;
  bool compressed = false;  // Jet 4 text stored one byte a character
  int precision = 0;        // of a decimal
  int scale = 0;
};

struct Row {
  int line;  // of the description, for messages
  std::vector<Field> fields;
  // Moved to another page after it grew: its place holds a pointer there.
  bool moved = false;
};

struct Table {
  std::string name;
  int line;
  std::vector<Column> columns;
  std::vector<Row> rows;
};

struct Format {
  bool jet3;
  int pageSize;        // 2048 (Jet 3) or 4096 (Jet 4)
  int rowCountOffset;  // where a row page counts its rows; the row offsets follow
};

inline Format JetFormat(bool jet3) {
  return jet3 ? Format{true, 2048, 8} : Format{false, 4096, 12};
}

// A fault of the description; the message names its line.
struct InputError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] inline void Fail(int line, const std::string& message) {
  throw InputError("line " + std::to_string(line) + ": " + message);
}

// Little-endian integers of up to 8 bytes.
inline void Append(std::string& out, uint64_t value, int size) {
  for (int i = 0; i < size; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline void Put(std::string& out, size_t offset, uint64_t value, int size) {
  for (int i = 0; i < size; ++i) out[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline uint32_t Get16(const std::string& in, size_t offset) {
  return static_cast<uint8_t>(in[offset]) | static_cast<uint8_t>(in[offset + 1]) << 8;
}

}  // namespace mdbwrite
