// Rules for the file names that the database supplies.
#pragma once

#include <string>

// False for a file name from the database that would leave its folder or
// confuse a path: a ".." component (with either separator), a root or drive
// prefix, or a control character. Subfolders are fine.
bool NameStaysInFolder(const std::wstring& name);
