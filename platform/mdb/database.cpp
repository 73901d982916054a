// The connection: the file opened read-only and read whole, its header
// checked and its catalog read.
#include <string>
#include <vector>

#include "platform/mdb/mdb_internal.h"

// A file is held in memory whole; a venue's list is a small fraction of this.
constexpr uint64_t kMaxFileBytes = uint64_t{256} << 20;

// The file is open only while it is read: between two readings Access may
// open it exclusively, to compact it for instance.
struct OpenedFile {
  FileHandle handle;
  explicit OpenedFile(const std::string& path, uint64_t* size)
      : handle(OpenFileForReading(path, size)) {}
  ~OpenedFile() { CloseFile(handle); }
  OpenedFile(const OpenedFile&) = delete;
  OpenedFile& operator=(const OpenedFile&) = delete;
};

void LoadFile(MdbConnection& c, const std::string& path) {
  uint64_t size = 0;
  {
    OpenedFile file(path, &size);
    if (size > kMaxFileBytes) ThrowDatabaseError(path + ": the database file is too large");
    c.image.resize(size);
    if (!ReadFileAt(file.handle, 0, c.image.data(), c.image.size()))
      ThrowDatabaseError(path + ": cannot read the file (it was changed or cut short)");
  }
  c.path = path;
  ReadHeader(c, path);
}

static std::shared_ptr<MdbConnection> Connect(const std::string& path) {
  auto c = std::make_shared<MdbConnection>();
  LoadFile(*c, path);
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

// The file under the same name, which a save that replaced it changes too.
bool Database::FileUnchanged() const {
  const MdbConnection* c = impl_->connection.get();
  if (c == nullptr) return false;
  try {
    uint64_t size = 0;
    OpenedFile file(c->path, &size);
    std::vector<unsigned char> now(c->image.size());
    unsigned char more;
    return size == now.size() && ReadFileAt(file.handle, 0, now.data(), now.size()) &&
           now == c->image && !ReadFileAt(file.handle, now.size(), &more, 1);  // nor grew
  } catch (const DatabaseError&) {
    return false;
  }
}
