// The connection: the file opened read-only, its header checked and its
// catalog read.
#include <string>

#include "platform/mdb/mdb_internal.h"

MdbConnection::~MdbConnection() { CloseFile(file); }

static std::shared_ptr<MdbConnection> Connect(const std::string& path) {
  auto c = std::make_shared<MdbConnection>();
  uint64_t size = 0;
  c->file = OpenFileForReading(path, &size);
  ReadHeader(*c, path, size);
  return c;
}

Database::Database() : impl_(std::make_unique<Impl>()) {}

Database::~Database() { Close(); }

void Database::Open(const std::string& path) {
  Close();
  std::shared_ptr<MdbConnection> c = Connect(path);
  LoadCatalog(c);
  impl_->connection = std::move(c);
}

void Database::Close() {
  if (impl_->connection) impl_->connection->closed = true;
  impl_->connection.reset();
}

bool Database::IsOpen() const { return impl_->connection != nullptr; }
