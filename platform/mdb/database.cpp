// The connection: checks a file before libmdb sees it, opens it read-only
// and reads its catalog.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/mdb/mdb_internal.h"

// A file smaller than this cannot hold the catalog's definition (page 2),
// its usage map and one data page.
constexpr uint32_t kMinPages = 4;

MdbConnection::~MdbConnection() {
  LibmdbQuiet quiet;
  if (mdb != nullptr) mdb_close(mdb);
}

static FILE* NullStream() {
  static FILE* stream = fopen("/dev/null", "w");
  return stream;
}

// Runs `open` with the variables libmdb reads at open time unset: MDBPATH
// (another folder to search), MDBICONV (the charset of names) and MDBOPTS
// (debug output, some of it on stdout; libmdb reads it once per thread).
template <typename F>
static void WithoutLibmdbEnvironment(F open) {
  static const char* const kNames[] = {"MDBPATH", "MDBICONV", "MDBOPTS"};
  std::string saved[3];
  bool present[3];
  for (int i = 0; i < 3; ++i) {
    const char* value = getenv(kNames[i]);
    present[i] = value != nullptr;
    if (present[i]) saved[i] = value;
    unsetenv(kNames[i]);
  }
  open();
  for (int i = 0; i < 3; ++i) {
    if (present[i]) setenv(kNames[i], saved[i].c_str(), 1);
  }
}

LibmdbQuiet::LibmdbQuiet() : saved_(stderr) {
  static thread_local bool optionsLoaded = false;
  if (!optionsLoaded) {
    optionsLoaded = true;
    WithoutLibmdbEnvironment([] { mdb_get_option(MDB_DEBUG_ROW); });
  }
  if (NullStream() != nullptr) stderr = NullStream();
}

LibmdbQuiet::~LibmdbQuiet() { stderr = saved_; }

// Page size of a Jet file from its header, or 0 when it is not one.
static uint32_t PageSizeFromHeader(const unsigned char* header) {
  static const char kSignature[] = "Standard Jet DB";
  if (header[0] != 0 || memcmp(header + 4, kSignature, sizeof kSignature - 1) != 0) return 0;
  if (header[0x14] == MDB_VER_JET3) return 2048;
  if (header[0x14] == MDB_VER_JET4) return 4096;
  return 0;
}

static uint32_t CheckedPageCount(const std::string& path, off_t size, uint32_t pageSize) {
  if (size % pageSize != 0 || size / pageSize < kMinPages) {
    ThrowDatabaseError(path + ": damaged database (the file is cut short)");
  }
  if (size / pageSize > 0xFFFFFF) ThrowDatabaseError(path + ": the database file is too large");
  return static_cast<uint32_t>(size / pageSize);
}

// Reads the header with plain system calls and returns the page size.
static uint32_t CheckFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a FIFO must not block
  if (fd < 0) ThrowDatabaseError(path + ": " + strerror(errno));
  struct stat st;
  unsigned char header[0x18];
  bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  bool read = regular && pread(fd, header, sizeof header, 0) == sizeof header;
  close(fd);
  if (!regular) ThrowDatabaseError(path + ": not a regular file");
  uint32_t pageSize = read ? PageSizeFromHeader(header) : 0;
  if (pageSize == 0) ThrowDatabaseError(path + ": not an Access (Jet 3 or Jet 4) database");
  CheckedPageCount(path, st.st_size, pageSize);
  return pageSize;
}

static std::shared_ptr<MdbConnection> Connect(const std::string& path) {
  uint32_t pageSize = CheckFile(path);
  auto c = std::make_shared<MdbConnection>();
  WithoutLibmdbEnvironment([&] { c->mdb = mdb_open(path.c_str(), MDB_NOFLAGS); });
  if (c->mdb == nullptr) ThrowDatabaseError(path + ": cannot open the database");
  // The file may have changed since it was checked: check what libmdb holds.
  struct stat st;
  if (fstat(fileno(c->mdb->f->stream), &st) != 0 || c->mdb->fmt->pg_size != pageSize ||
      PageSizeFromHeader(c->mdb->pg_buf) != pageSize) {
    ThrowDatabaseError(path + ": the database changed while it was opened");
  }
  c->jet3 = pageSize == 2048;
  c->pageSize = pageSize;
  c->pageCount = CheckedPageCount(path, st.st_size, pageSize);
  return c;
}

Database::Database() : impl_(std::make_unique<Impl>()) {}

Database::~Database() { Close(); }

void Database::Open(const std::string& path) {
  Close();
  LibmdbQuiet quiet;
  std::shared_ptr<MdbConnection> c = Connect(path);
  LoadCatalog(c);
  impl_->connection = std::move(c);
}

void Database::Close() {
  if (impl_->connection) impl_->connection->closed = true;
  impl_->connection.reset();
}

bool Database::IsOpen() const { return impl_->connection != nullptr; }
