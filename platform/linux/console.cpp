#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"

void PlatformConsoleWrite(std::string_view utf8) {
  const char* data = utf8.data();
  size_t left = utf8.size();
  while (left > 0) {
    ssize_t n = write(STDOUT_FILENO, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // a closed console loses the text, nothing more
    data += n;
    left -= static_cast<size_t>(n);
  }
}
