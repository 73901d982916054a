// The rows of one table, the requested columns decoded as each row is
// reached.
#include <string>
#include <vector>

#include "platform/mdb/mdb_internal.h"

struct Recordset::Impl {
  std::unique_ptr<TableScan> scan;
  std::vector<std::string> names;
  std::vector<int> columns;
  std::vector<Variant> values;
  bool eof = true;
};

static uint32_t FindTable(const MdbConnection& c, const std::string& name) {
  for (const auto& [tableName, page] : c.tables) {
    if (SameName(tableName, name)) return page;
  }
  ThrowDatabaseError("no table " + name + " in the database");
}

Recordset::Recordset(Database& database, const std::string& table,
                     const std::vector<std::string>& columns)
    : impl_(std::make_unique<Impl>()) {
  if (!database.IsOpen()) ThrowDatabaseError("the database is not open");
  const std::shared_ptr<MdbConnection>& c = database.impl_->connection;
  impl_->scan = OpenTableScan(c, FindTable(*c, table), table);
  for (const std::string& name : columns) {
    int index = FindColumn(impl_->scan->table, name);
    if (index < 0) ThrowDatabaseError("no column " + name + " in table " + table);
    impl_->columns.push_back(index);
  }
  impl_->names = columns;
  impl_->eof = !NextRow(*impl_->scan, impl_->columns, &impl_->values);
}

Recordset::~Recordset() = default;

bool Recordset::IsEOF() const { return impl_->eof; }

void Recordset::MoveNext() {
  if (impl_->eof) ThrowDatabaseError("no current row");
  impl_->eof = true;  // stays at the end when the next row is damaged
  impl_->eof = !NextRow(*impl_->scan, impl_->columns, &impl_->values);
}

Variant Recordset::GetFieldValue(const std::string& column) const {
  if (impl_->eof) ThrowDatabaseError("no current row");
  for (size_t i = 0; i < impl_->names.size(); ++i) {
    if (SameName(impl_->names[i], column)) return impl_->values[i];
  }
  ThrowDatabaseError("column " + column + " is not in the query");
}

void Recordset::Close() {
  impl_->eof = true;
  impl_->scan.reset();
}
