// Saves a database file the way Access does, in place and page after page,
// until it is stopped: it turns the file into the second version, rests,
// turns it back into the first, rests, and so on. Only the pages that differ
// are written, in file order, GAP_MS apart, so the file holds a mix of the
// two versions for most of each save.
// usage: page_writer FILE FIRST SECOND PAGE_BYTES GAP_MS REST_MS
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

static std::string Bytes(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

static void Save(int fd, const std::string& from, const std::string& to, size_t page,
                 std::chrono::milliseconds gap) {
  for (size_t at = 0; at < to.size(); at += page) {
    if (to.compare(at, page, from, at, page) == 0) continue;
    if (pwrite(fd, to.data() + at, page, static_cast<off_t>(at)) != static_cast<ssize_t>(page))
      std::exit(1);
    std::this_thread::sleep_for(gap);
  }
}

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fputs("usage: page_writer FILE FIRST SECOND PAGE_BYTES GAP_MS REST_MS\n", stderr);
    return 2;
  }
  std::string versions[2] = {Bytes(argv[2]), Bytes(argv[3])};
  size_t page = std::strtoul(argv[4], nullptr, 10);
  std::chrono::milliseconds gap(std::atoi(argv[5])), rest(std::atoi(argv[6]));
  if (versions[0].size() != versions[1].size() || page == 0 || versions[0].size() % page != 0) {
    std::fputs("page_writer: the versions must be whole pages of the same size\n", stderr);
    return 2;
  }
  int fd = open(argv[1], O_WRONLY);
  if (fd < 0) return 1;
  for (int next = 1;; next ^= 1) {
    Save(fd, versions[next ^ 1], versions[next], page, gap);
    std::this_thread::sleep_for(rest);
  }
}
