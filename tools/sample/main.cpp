// billora-sample [--at "YYYY-MM-DD HH:MM[:SS]"] [FOLDER]: lays out the sample
// venue (sample.h) in FOLDER, by default the folder of this program, which is
// the display's. A file already there is the venue's own and stays as it is.
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "base/oledate.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/print.h"
#include "tools/arguments.h"
#include "tools/mdbwrite/jet.h"
#include "tools/sample/sample.h"

namespace fs = std::filesystem;

static const char kUsage[] =
    "usage: billora-sample [--at \"YYYY-MM-DD HH:MM[:SS]\"] [FOLDER]\n"
    "Lays out a sample venue in FOLDER (by default the folder of this program,\n"
    "where billora finds its files): list.mdb with shows dated from now (or\n"
    "from the moment --at gives, in local time), posters in medias/ and the\n"
    "scene files of every scene in templates/. A file that is already there is\n"
    "left alone and named. Exit status: 0 laid out, 1 a file could not be\n"
    "written, 2 a wrong argument.\n"
    "  --at MOMENT  date the sample from MOMENT instead of now\n"
    "  --help       this text\n";

static constexpr int kOk = 0, kWriteFailed = 1, kBadArguments = 2;

static fs::path Utf8Path(const std::string& path) {
  return fs::path(std::u8string(path.begin(), path.end()));
}

static LocalSeconds Now() {
  std::tm t{};
  if (!PlatformLocalTime(PlatformTime(), &t)) return 0;
  return DaysFromCivil(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday) * 86400 + t.tm_hour * 3600 +
         t.tm_min * 60 + t.tm_sec;
}

// Writes beside the target and renames, so that no half file is left.
static bool WriteNew(const fs::path& path, const std::string& bytes) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  fs::path temporary = path;
  temporary += ".new";
  {
    std::ofstream out(temporary, std::ios::binary);
    if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) || !out.flush())
      return false;
  }
  fs::rename(temporary, path, error);
  if (error) fs::remove(temporary, error);
  return !error;
}

static int LayOut(const std::string& folder, LocalSeconds moment) {
  int written = 0, kept = 0;
  const std::string separator(1, static_cast<char>(PlatformPathSeparator()));
  for (SampleFile& file : SampleFiles(moment)) {
    std::string path = folder;
    for (char c : separator + file.path) path += c == '/' ? separator[0] : c;
    std::error_code error;
    if (fs::exists(Utf8Path(path), error) || error) {
      PrintNarrow("left alone %s: the venue's own\n", path.c_str());
      ++kept;
    } else if (WriteNew(Utf8Path(path), file.bytes)) {
      PrintNarrow("wrote %s\n", path.c_str());
      ++written;
    } else {
      std::fprintf(stderr, "billora-sample: cannot write %s\n", path.c_str());
      return kWriteFailed;
    }
  }
  PrintNarrow("Sample venue ready in %s: %d files written, %d left alone\n", folder.c_str(),
              written, kept);
  return kOk;
}

int main(int argc, char** argv) {
  std::vector<std::string> args = Utf8Arguments(argc, argv);
  std::string folder, at;
  for (size_t k = 0; k < args.size(); ++k) {
    const std::string& a = args[k];
    if (a == "--help") {
      std::fputs(kUsage, stdout);
      return kOk;
    } else if (a == "--at" && k + 1 < args.size()) {
      at = args[++k];
    } else if (a.starts_with("--at=")) {
      at = a.substr(5);
    } else if (a.starts_with("-") || !folder.empty()) {
      std::fprintf(stderr, "billora-sample: unexpected %s\n%s", a.c_str(), kUsage);
      return kBadArguments;
    } else {
      folder = a;
    }
  }
  LocalSeconds moment = Now();
  if (!at.empty() && !ParseMoment(at, &moment)) {
    std::fprintf(stderr, "billora-sample: --at %s is no moment (YYYY-MM-DD HH:MM[:SS])\n",
                 at.c_str());
    return kBadArguments;
  }
  if (folder.empty()) folder = ToUtf8(ExecutableDirectory());
  try {
    return LayOut(folder, moment);
  } catch (const mdbwrite::InputError& error) {
    std::fprintf(stderr, "billora-sample: %s\n", error.what());
    return kWriteFailed;
  }
}
