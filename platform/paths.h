// Where the program finds its data: beside its own executable.
#pragma once

#include <string>

// The running executable's full path cut at its last separator ('/', or '\'
// on Windows), the separator removed; the whole path when it holds none.
std::wstring ExecutableDirectory();

// False for a file name from the database that would leave its folder or
// confuse a path: a ".." component (with either separator), a root or drive
// prefix, or a control character. Subfolders are fine.
bool NameStaysInFolder(const std::wstring& name);

// The path of `name` in `folder` of the executable's directory, or of `name`
// itself beside the executable when `folder` is empty.
std::wstring BesideExecutable(const std::wstring& folder, const std::wstring& name);
