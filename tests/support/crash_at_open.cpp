// Preloaded into the display program by the restart tests: every start fails
// with a fault right after its database open fails, the way a damaged
// installation would make it fail at each start.
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>

extern "C" ssize_t write(int fd, const void* data, size_t size) {
  using Write = ssize_t (*)(int, const void*, size_t);
  static auto real = reinterpret_cast<Write>(dlsym(RTLD_NEXT, "write"));
  static const char kOpenFailed[] = "can't open db";
  if (memmem(data, size, kOpenFailed, sizeof kOpenFailed - 1) != nullptr) raise(SIGSEGV);
  return real(fd, data, size);
}
