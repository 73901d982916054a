// exclusive-open.exe FILE: opens FILE for reading and writing with no
// sharing at all, as Access does to compact a database, and closes it again.
// Exit code 0 when the open succeeded.
#include <windows.h>

int main(int argc, char** argv) {
  HANDLE file = argc != 2 ? INVALID_HANDLE_VALUE
                          : CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(file);
  return 0;
}
