// The database file on POSIX systems: read-only, read with pread.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/mdb/mdb_internal.h"

static std::string OpenFailure(int error) {
  if (error == ENOENT || error == ENOTDIR) return kNoSuchFile;
  if (error == EACCES || error == EPERM) return kPermissionDenied;
  return strerror(error);
}

FileHandle OpenFileForReading(const std::string& path, uint64_t* size) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) ThrowDatabaseError(path + ": " + OpenFailure(errno));
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    bool folder = S_ISDIR(st.st_mode);
    close(fd);
    ThrowDatabaseError(path + ": " + (folder ? kAFolder : "not a regular file"));
  }
  *size = static_cast<uint64_t>(st.st_size);
  return fd;
}

bool ReadFileAt(FileHandle file, uint64_t offset, unsigned char* buffer, size_t size) {
  while (size > 0) {
    ssize_t n = pread(static_cast<int>(file), buffer, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    buffer += n;
    offset += static_cast<uint64_t>(n);
    size -= static_cast<size_t>(n);
  }
  return true;
}

void CloseFile(FileHandle file) {
  if (file != kNoFile) close(static_cast<int>(file));
}
