// The arguments of a tool after its name, in UTF-8 (arguments_linux.cpp,
// arguments_windows.cpp).
#pragma once

#include <string>
#include <vector>

std::vector<std::string> Utf8Arguments(int argc, char** argv);
