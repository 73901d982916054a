#include "platform/wire/socket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

static bool FolderIsPrivate(const std::string& folder, std::string* problem) {
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0) {
    *problem = folder + ": " + std::strerror(errno);
    return false;
  }
  bool ok = S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 077) == 0;
  if (!ok) *problem = folder + " is not a folder of this user closed to others";
  return ok;
}

static std::string PrivateTmpFolder(bool makeFolder, std::string* problem) {
  std::string folder = "/tmp/kivo-" + std::to_string(geteuid());
  if (makeFolder && mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    *problem = folder + ": " + std::strerror(errno);
    return std::string();
  }
  return FolderIsPrivate(folder, problem) ? folder : std::string();
}

std::string ViewerSocketPath(const std::string& className, bool makeFolder, std::string* problem) {
  std::string ignored;
  if (problem == nullptr) problem = &ignored;
  if (className.empty() || className.find('/') != std::string::npos) {
    *problem = "bad window class name";
    return std::string();
  }
  std::string path;
  const char* fixed = std::getenv("KIVO_SOCKET");
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (fixed != nullptr && *fixed != '\0') {
    path = fixed;
  } else if (runtime != nullptr && runtime[0] == '/') {
    path = std::string(runtime) + "/" + className;
  } else {
    std::string folder = PrivateTmpFolder(makeFolder, problem);
    if (folder.empty()) return std::string();
    path = folder + "/" + className;
  }
  sockaddr_un address;
  if (!ViewerSocketAddress(path, &address)) {
    *problem = path + ": too long for a socket name";
    return std::string();
  }
  return path;
}

bool ViewerSocketAddress(const std::string& path, sockaddr_un* address) {
  *address = sockaddr_un{};
  address->sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address->sun_path) return false;
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool PeerIsSameUser(int fd) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == geteuid();
}
