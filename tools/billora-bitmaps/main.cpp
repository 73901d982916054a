// billora-bitmaps: makes the pictures of a venue's own speech page for the
// display program. With the page open on the display, it captures the screen
// once (after --delay seconds) or reads a saved screenshot, writes the
// regions it is given as 101.bmp ... 105.bmp into speech/ beside the program,
// and searches for each on that same screen as the program will.
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "platform/print.h"
#include "speech/page_pictures.h"
#include "tools/arguments.h"
#include "tools/billora-bitmaps/check.h"
#include "tools/billora-bitmaps/options.h"
#include "tools/billora-bitmaps/screenshot.h"
#include "tools/billora-bitmaps/system.h"

// Exit codes: the pictures were written and the program will find them; they
// were written but the check failed; nothing was written.
static constexpr int kOk = 0, kCheckFailed = 1, kNothingWritten = 2;

static int Fail(const std::string& message) {
  std::fprintf(stderr, "billora-bitmaps: %s\n", message.c_str());
  return kNothingWritten;
}

// Every region must lie on the screen before any file is written.
static std::string RegionsProblem(const Options& o, const Bitmap& screen) {
  for (const auto& [id, r] : o.regions) {
    std::string problem = RegionProblem(r, screen.width, screen.height);
    if (!problem.empty())
      return FormatText("--%s %d,%d,%d,%d: ", PictureOption(id), r.x, r.y, r.w, r.h) + problem;
  }
  return {};
}

static std::string WritePictures(const Options& o, const Bitmap& screen, const std::string& out) {
  std::error_code error;
  std::filesystem::create_directories(Utf8Path(out), error);
  if (error) return "cannot make the folder " + out + ": " + error.message();
  for (const auto& [id, r] : o.regions) {
    std::string path =
        out + static_cast<char>(PlatformPathSeparator()) + std::to_string(id) + ".bmp";
    if (!WriteBitmapFile(Utf8Path(path), CutRegion(screen.View(), r).View()))
      return "cannot write " + path;
    PrintNarrow("wrote %s: %s, %dx%d from %d,%d\n", path.c_str(), PictureOption(id), r.w, r.h, r.x,
                r.y);
  }
  return {};
}

int main(int argc, char** argv) {
  Options o;
  std::string problem = ParseOptions(Utf8Arguments(argc, argv), &o);
  if (o.help) {
    std::fputs(kUsage, stdout);
    return kOk;
  }
  if (!problem.empty()) return Fail(problem + "\n" + kUsage);
  PlatformUsePhysicalPixels();
  if (o.delay > 0) {
    PrintNarrow("Capturing the screen in %u s: bring the speech page to the front.\n", o.delay);
    PlatformSleep(o.delay * 1000);
  }
  Bitmap screen;
  problem = o.from.empty() ? CaptureWholeScreen(&screen) : ReadScreenshot(o.from, &screen);
  if (problem.empty()) problem = RegionsProblem(o, screen);
  if (!problem.empty()) return Fail(problem);
  PrintNarrow("%s: %ux%u\n", o.from.empty() ? "screen" : o.from.c_str(), screen.width,
              screen.height);
  std::string out = o.out.empty() ? ToUtf8(SpeechPictureFolder()) : o.out;
  problem = WritePictures(o, screen, out);
  if (!problem.empty()) return Fail(problem);
  return CheckPictures(FromUtf8(out), screen.View(), o.regions) ? kOk : kCheckFailed;
}
