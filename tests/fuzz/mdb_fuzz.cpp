// libFuzzer target: a file of any content, opened as a database and every
// table of its catalog read through a Recordset, every column of every row
// converted to text and to a date. Anything but a DatabaseError, a crash, a
// hang or a large allocation is a fault (tools/run-fuzz.sh runs it).
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/database.h"
#include "platform/mdb/mdb_internal.h"

static std::string InputPath() {
  static const std::string path = [] {
    const char* base = getenv("TMPDIR");
    std::string dir = std::string(base != nullptr && *base ? base : "/tmp") + "/mdb-fuzz-XXXXXX";
    if (mkdtemp(dir.data()) == nullptr) abort();
    static const std::string file = dir + "/input.mdb";
    atexit([] {
      unlink(file.c_str());
      rmdir(file.substr(0, file.rfind('/')).c_str());
    });
    return file;
  }();
  return path;
}

// The user tables and their column names, as the catalog and definitions give them.
static std::vector<std::pair<std::string, std::vector<std::string>>> Tables(
    const std::string& path) {
  auto c = std::make_shared<MdbConnection>();
  LoadFile(*c, path);
  LoadCatalog(c);
  std::vector<std::pair<std::string, std::vector<std::string>>> tables;
  for (const auto& [name, page] : c->tables) {
    std::vector<std::string> columns;
    try {
      std::unique_ptr<TableScan> scan = OpenTableScan(c, page, name);
      for (const JetColumn& column : scan->table.columns) columns.push_back(column.name);
    } catch (const DatabaseError&) {
    }
    tables.emplace_back(name, columns);
  }
  return tables;
}

static void ReadTable(Database& db, const std::string& table,
                      const std::vector<std::string>& columns) {
  try {
    for (Recordset rs(db, table, columns); !rs.IsEOF(); rs.MoveNext()) {
      for (const std::string& column : columns) {
        Variant value = rs.GetFieldValue(column);
        std::wstring text;
        double date;
        VariantToText(value, &text);
        VariantToDate(value, &date);
      }
    }
  } catch (const DatabaseError&) {
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = InputPath();
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr || fwrite(data, 1, size, file) != size || fclose(file) != 0) abort();
  try {
    Database db;
    db.Open(path);
    for (const auto& [table, columns] : Tables(path)) ReadTable(db, table, columns);
  } catch (const DatabaseError&) {
  }
  return 0;
}
