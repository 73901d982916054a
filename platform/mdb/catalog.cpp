// The catalog: the system table MSysObjects, whose definition is always on
// page 2, read with the same checked scan as any table. Only the names and
// definition pages of tables are kept.
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/mdb/mdb_internal.h"

constexpr uint32_t kCatalogPage = 2;
constexpr int64_t kTableObject = 1;

static bool IsWhole(const Variant& v) {
  return v.type == VariantType::Byte || v.type == VariantType::Int16 ||
         v.type == VariantType::Int32;
}

void LoadCatalog(const std::shared_ptr<MdbConnection>& c) {
  std::unique_ptr<TableScan> scan = OpenTableScan(c, kCatalogPage, "MSysObjects");
  std::vector<int> columns = {FindColumn(scan->table, "Id"), FindColumn(scan->table, "Name"),
                              FindColumn(scan->table, "Type")};
  for (int column : columns) {
    if (column < 0) ThrowDatabaseError("damaged database: bad catalog");
  }
  std::vector<Variant> v;
  while (NextRow(*scan, columns, &v)) {
    if (IsWhole(v[0]) && v[1].type == VariantType::Text && IsWhole(v[2]) &&
        (v[2].integer & 0x7F) == kTableObject) {
      c->tables.emplace_back(ToUtf8(v[1].text), static_cast<uint32_t>(v[0].integer) & 0xFFFFFF);
    }
  }
}
