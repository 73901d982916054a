#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/terminal.h"
#include "platform/platform.h"

void PlatformConsoleWrite(std::string_view utf8, ConsoleKind) {
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

std::string PlatformHowToStop() {
  return "Ctrl-C in its terminal, or systemctl --user stop billora when systemd started it.";
}

void PlatformPrepareConsole() {
  // open() takes the lowest free descriptor: the closed one, in order.
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
    if (fcntl(fd, F_GETFD) < 0 && errno == EBADF && open("/dev/null", O_RDWR) < 0) break;
  signal(SIGPIPE, SIG_IGN);  // a write to a closed pipe then fails with EPIPE
  SetKeyMode();
}
