// Where the viewer's socket lives, and who may speak on it.
#pragma once

#include <sys/un.h>

#include <string>

// The socket of the window class `className`:
//   $KIVO_SOCKET when set, else $XDG_RUNTIME_DIR/<class> when that is an
//   absolute path, else /tmp/kivo-<uid>/<class>, a folder that must be this
//   user's own with no access for others (made when `makeFolder`).
// Empty, with the reason in *problem, when no safe path can be had.
std::string ViewerSocketPath(const std::string& className, bool makeFolder, std::string* problem);
// False when `path` does not fit a socket address.
bool ViewerSocketAddress(const std::string& path, sockaddr_un* address);
// True when the process at the other end of `fd` runs as this user.
bool PeerIsSameUser(int fd);
