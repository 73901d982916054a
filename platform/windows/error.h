// The system's words for a Win32 error code.
#pragma once

#include <windows.h>

#include <string>

// One line, without the final full stop; "error <n>" when the system has none.
std::string ErrorText(DWORD error);
