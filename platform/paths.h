// Where the program finds its data: beside its own executable.
#pragma once

#include <string>

#include "base/paths.h"

// The running executable's full path cut at its last separator ('/', or '\'
// on Windows), the separator removed; the whole path when it holds none.
std::wstring ExecutableDirectory();

// The path of `name` in `folder` of the executable's directory, or of `name`
// itself beside the executable when `folder` is empty.
std::wstring BesideExecutable(const std::wstring& folder, const std::wstring& name);
