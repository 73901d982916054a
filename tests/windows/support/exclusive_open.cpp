// exclusive-open.exe FILE: opens FILE for reading and writing with no
// sharing at all, as Access does to compact a database, and closes it again.
// Exit code 0 when the open succeeded, else 1 with the system's error code.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  HANDLE file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::printf("%s: error %lu\n", argv[1], GetLastError());
    return 1;
  }
  CloseHandle(file);
  return 0;
}
