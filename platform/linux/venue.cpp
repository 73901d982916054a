// One display program per venue: a socket bound to an abstract name, which
// the kernel frees with the process (and at the restart's exec, which closes
// every descriptor), so nothing is ever left in the venue folder.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "base/text.h"
#include "platform/paths.h"
#include "platform/platform.h"

static int venueSocket = -1;

// "billora-venue-<16 hex digits>" for the venue folder's real path.
static std::string VenueName() {
  std::string folder = ToUtf8(ExecutableDirectory());
  char real[PATH_MAX];
  if (realpath(folder.c_str(), real) != nullptr) folder = real;
  return "billora-venue-" + HashText(folder);
}

// Any failure other than a name in use leaves the venue to this instance.
bool PlatformClaimVenue() {
  if (venueSocket >= 0) return true;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return true;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::string name = VenueName();
  std::memcpy(address.sun_path + 1, name.data(), name.size());  // sun_path[0] = 0: abstract
  socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0) {
    venueSocket = fd;
    return true;
  }
  int error = errno;
  close(fd);
  return error != EADDRINUSE;
}
