// billora-preview: see preview.h and docs/preview.md.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "tools/preview/preview.h"

namespace fs = std::filesystem;

// The folder of this executable: where the display beside it finds list.mdb.
static std::string OwnFolder(const char* argv0) {
  std::error_code error;
  fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) self = fs::weakly_canonical(fs::path(argv0 ? argv0 : ""), error);
  std::u8string folder = self.parent_path().u8string();
  return std::string(folder.begin(), folder.end());
}

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::ios::sync_with_stdio(false);
  int status = RunPreview(args, OwnFolder(argc > 0 ? argv[0] : nullptr), std::cout, std::cerr);
  std::cout.flush();
  return status;
}
