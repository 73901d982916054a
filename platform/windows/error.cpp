#include "platform/windows/error.h"

#include "base/text.h"

std::string ErrorText(DWORD error) {
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                           nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring reason(text != nullptr ? text : L"", n);
  LocalFree(text);
  while (!reason.empty() && (reason.back() == L' ' || reason.back() == L'.')) reason.pop_back();
  return reason.empty() ? "error " + std::to_string(error) : ToUtf8(reason);
}
