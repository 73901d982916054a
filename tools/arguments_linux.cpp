#include "tools/arguments.h"

// The terminal hands them over in UTF-8 already.
std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}
