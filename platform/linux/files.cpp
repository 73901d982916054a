#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "base/text.h"
#include "platform/platform.h"

std::wstring PlatformExecutablePath() {
  std::string path(256, '\0');
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n < 0) return std::wstring();
    if (static_cast<size_t>(n) < path.size()) {
      path.resize(static_cast<size_t>(n));
      return FromUtf8(path);
    }
    path.resize(path.size() * 2);
  }
}

wchar_t PlatformPathSeparator() { return L'/'; }

bool PlatformFileExists(const std::wstring& path) {
  struct stat info {};
  return stat(ToUtf8(path).c_str(), &info) == 0;
}

static int ReadOpenFile(int fd, size_t maxBytes, std::string* bytes) {
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return -2;
  if (static_cast<uint64_t>(info.st_size) > maxBytes) return -3;
  std::string content(static_cast<size_t>(info.st_size), '\0');
  size_t done = 0;
  while (done < content.size()) {
    ssize_t n = read(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -2;  // an error, or the file shrank meanwhile
    done += static_cast<size_t>(n);
  }
  bytes->swap(content);
  return 0;
}

int PlatformReadFile(const std::wstring& path, size_t maxBytes, std::string* bytes) {
  // Non-blocking, so that a FIFO in the file's place cannot stop the program.
  int fd = open(ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? -1 : -2;
  int status = ReadOpenFile(fd, maxBytes, bytes);
  close(fd);
  return status;
}
