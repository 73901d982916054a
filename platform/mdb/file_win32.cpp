// The database file on Windows: read-only, read with ReadFile at an offset.
// Access may keep the file open, so every kind of sharing is allowed.
#include <windows.h>

#include <string>

#include "base/text.h"
#include "platform/mdb/mdb_internal.h"

// The causes a venue meets most in fixed words, the others in the system's.
static std::string OpenFailure(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return kNoSuchFile;
    case ERROR_ACCESS_DENIED:
      return kPermissionDenied;
    case ERROR_SHARING_VIOLATION:  // opened by a program that shares no reading
    case ERROR_LOCK_VIOLATION:
      return kInUse;
    default:
      break;
  }
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message =
      n > 0 ? ToUtf8(std::wstring(text, n)) : "Windows error " + std::to_string(error);
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
    message.pop_back();
  }
  return message;
}

FileHandle OpenFileForReading(const std::string& path, uint64_t* size) {
  std::wstring wide = FromUtf8(path);
  HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    // CreateFileW opens a folder only with FILE_FLAG_BACKUP_SEMANTICS; without
    // it the folder is refused with ERROR_ACCESS_DENIED, which is no right
    // missing.
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
      ThrowDatabaseError(path + ": " + kAFolder);
    ThrowDatabaseError(path + ": " + OpenFailure(error));
  }
  LARGE_INTEGER length;
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &length)) {
    CloseHandle(h);
    ThrowDatabaseError(path + ": not a regular file");
  }
  *size = static_cast<uint64_t>(length.QuadPart);
  return reinterpret_cast<FileHandle>(h);
}

bool ReadFileAt(FileHandle file, uint64_t offset, unsigned char* buffer, size_t size) {
  while (size > 0) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD n = 0;
    DWORD wanted = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!ReadFile(reinterpret_cast<HANDLE>(file), buffer, wanted, &n, &at) || n == 0) return false;
    buffer += n;
    offset += n;
    size -= n;
  }
  return true;
}

void CloseFile(FileHandle file) {
  if (file != kNoFile) CloseHandle(reinterpret_cast<HANDLE>(file));
}
