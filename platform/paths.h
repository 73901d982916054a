// Where the program finds its data: beside its own executable.
#pragma once

#include <string>

// The running executable's full path cut at its last '/', the '/' removed;
// the whole path when it holds none.
std::wstring ExecutableDirectory();
