// mdbwrite [--jet3] DESCRIPTION OUTPUT
//
// Writes an Access database (Jet 4, or Jet 3 with --jet3) from a plain text
// description ("-" reads it from standard input). Exit status 0 on success,
// 2 on a faulty description or command line (with a one-line message naming
// the line), 1 when the output cannot be written. OUTPUT is replaced only
// by a complete file.
//
// The tests' oracle for the database reader: it shares no code with the
// program on purpose. Its page masking, text encodings and OLE dates are
// written apart from the reader's, so a test never checks the reader against
// itself.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/mdbwrite/database.h"
#include "tools/mdbwrite/description.h"

using namespace mdbwrite;

static const int kBadInput = 2;
static const int kWriteFailed = 1;

static int Complain(int status, const std::string& message) {
  std::fprintf(stderr, "mdbwrite: %s\n", message.c_str());
  return status;
}

static bool ReadDescription(const std::string& path, std::string* text) {
  std::ostringstream content;
  if (path == "-") {
    content << std::cin.rdbuf();
    *text = content.str();
    return !std::cin.bad();
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  content << file.rdbuf();
  *text = content.str();
  return !file.bad();
}

static bool WriteAll(int fd, const Pages& pages) {
  for (const std::string& page : pages) {
    for (size_t done = 0; done < page.size();) {
      const ssize_t written = write(fd, page.data() + done, page.size() - done);
      if (written < 0 && errno != EINTR) return false;
      if (written > 0) done += static_cast<size_t>(written);
    }
  }
  return true;
}

// Writes beside the target and renames, so OUTPUT is never left half written.
static bool WriteFile(const std::string& path, const Pages& pages) {
  std::string temporary = path + ".XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return false;
  const mode_t mask = umask(0);
  umask(mask);
  bool ok = fchmod(fd, 0666 & ~mask) == 0 && WriteAll(fd, pages);
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) {
    const int error = errno;
    unlink(temporary.c_str());
    errno = error;
  }
  return ok;
}

int main(int argc, char** argv) {
  const bool jet3 = argc > 1 && std::strcmp(argv[1], "--jet3") == 0;
  if (argc != (jet3 ? 4 : 3)) {
    return Complain(kBadInput, "usage: mdbwrite [--jet3] DESCRIPTION OUTPUT");
  }
  const std::string input = argv[jet3 ? 2 : 1], output = argv[jet3 ? 3 : 2];
  std::string text;
  if (!ReadDescription(input, &text)) {
    return Complain(kBadInput, "cannot read " + input + ": " + std::strerror(errno));
  }
  const Format format = JetFormat(jet3);
  Pages pages;
  try {
    pages = BuildDatabase(format, ParseDescription(text, format));
  } catch (const InputError& error) {
    return Complain(kBadInput, (input == "-" ? "stdin" : input) + ": " + error.what());
  }
  if (!WriteFile(output, pages)) {
    return Complain(kWriteFailed, "cannot write " + output + ": " + std::strerror(errno));
  }
  return 0;
}
