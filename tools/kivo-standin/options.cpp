// The options of the stand-in viewer, the same for both of its transports.
#include <getopt.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/kivo-standin/standin.h"

Options options;

// Each build lists only what it does: the Windows one serves a window class
// and draws nothing, so it has neither a socket nor a window to offer.
static const char kUsage[] =
    "usage: kivo-standin [options]\n"
#ifndef _WIN32
    "  --socket PATH         serve on PATH (default: $KIVO_SOCKET, else\n"
    "                        $XDG_RUNTIME_DIR/kivo_communication, else\n"
    "                        /tmp/kivo-<uid>/kivo_communication)\n"
#endif
    "  --trace FILE          write one JSON object per line for every request\n"
    "  --not-ready N         answer VM_QUERY_DEVICE with 0 the first N times\n"
    "  --run-time MS         every scene finishes MS ms after VM_RUN (default: the\n"
    "                        run-time of its scene file, else 8000)\n"
    "  --never-finish        VM_QUERY_FINISHED always answers 0\n"
    "  --slow MS             wait MS ms before answering each message\n"
    "  --vanish-after N      end abruptly after answering N messages\n"
#ifdef _WIN32
    "  --stall-after-run MS  after answering VM_RUN, take no message for MS ms,\n"
    "                        as a viewer loading a heavy scene\n"
#endif
    "  --set-text-result N   answer every VM_SET_TEXT with N (e.g. -1)\n"
    "  --quiet               no console lines\n"
#ifndef _WIN32
    "  --window[=WxH|full]   draw the display in a window on $DISPLAY, W x H\n"
    "                        pixels or (the default) the whole screen; a full\n"
    "                        screen window stays below every other window and\n"
    "                        never takes the keyboard\n"
    "  --monitor NAME|N      draw on that monitor (implies --window): its RandR\n"
    "                        name (HDMI-1), its number as --monitors gives it,\n"
    "                        or secondary: the first that is not the primary\n"
    "                        one, else the only one\n"
    "  --monitors            list the monitors of $DISPLAY and end\n"
    "  --screens DIR         with --window: DIR/<scene>.png after each scene\n"
#endif
    ;

[[noreturn]] void Fail(const std::string& text) {
  std::fprintf(stderr, "kivo-standin: %s\n", text.c_str());
  std::exit(2);
}

static int64_t Number(const char* text) {
  char* end = nullptr;
  errno = 0;
  long long value = std::strtoll(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || value < INT32_MIN || value > INT32_MAX)
    Fail(std::string("not a number: ") + text);
  return value;
}

static void WindowSize(const char* text) {
  if (std::string(text) == "full") return;  // 0 x 0: the whole screen
  char* end = nullptr;
  long w = std::strtol(text, &end, 10), h = *end == 'x' ? std::strtol(end + 1, &end, 10) : 0;
  if (*end != '\0' || w < 16 || h < 16 || w > 16384 || h > 16384)
    Fail(std::string("not a window size (WxH, 16 to 16384): ") + text);
  options.windowWidth = static_cast<int>(w);
  options.windowHeight = static_cast<int>(h);
}

void ParseOptions(int argc, char** argv) {
  static const option longOptions[] = {
#ifdef _WIN32
      {"stall-after-run", required_argument, nullptr, 'R'},
#else
      {"socket", required_argument, nullptr, 's'},
      {"window", optional_argument, nullptr, 'W'},
      {"monitor", required_argument, nullptr, 'm'},
      {"monitors", no_argument, nullptr, 'M'},
      {"screens", required_argument, nullptr, 'S'},
#endif
      {"trace", required_argument, nullptr, 't'},
      {"not-ready", required_argument, nullptr, 'n'},
      {"run-time", required_argument, nullptr, 'r'},
      {"never-finish", no_argument, nullptr, 'f'},
      {"slow", required_argument, nullptr, 'w'},
      {"vanish-after", required_argument, nullptr, 'v'},
      {"set-text-result", required_argument, nullptr, 'x'},
      {"quiet", no_argument, nullptr, 'q'},
      {"help", no_argument, nullptr, 'h'},
      {nullptr, 0, nullptr, 0}};
  for (int c; (c = getopt_long(argc, argv, "", longOptions, nullptr)) != -1;) {
    switch (c) {
      case 's':
        options.socketPath = optarg;
        break;
      case 't':
        options.tracePath = optarg;
        break;
      case 'n':
        options.notReady = static_cast<int>(Number(optarg));
        break;
      case 'r':
        options.runTimeMs = Number(optarg);
        break;
      case 'f':
        options.neverFinish = true;
        break;
      case 'w':
        options.slowMs = Number(optarg);
        break;
      case 'v':
        options.vanishAfter = Number(optarg);
        break;
      case 'R':
        options.stallAfterRunMs = Number(optarg);
        break;
      case 'x':
        options.setTextResult = static_cast<int32_t>(Number(optarg));
        break;
      case 'q':
        options.quiet = true;
        break;
      case 'W':
        options.window = true;
        if (optarg) WindowSize(optarg);
        break;
      case 'm':
        options.window = true;
        options.monitor = optarg;
        break;
      case 'M':
        options.listMonitors = true;
        break;
      case 'S':
        options.screensFolder = optarg;
        break;
      case 'h':
        std::fputs(kUsage, stdout);
        std::exit(0);
      default:
        std::fputs(kUsage, stderr);
        std::exit(2);
    }
  }
  if (optind < argc) Fail(std::string("unexpected argument: ") + argv[optind]);
  if (!options.screensFolder.empty() && !options.window) Fail("--screens needs --window");
}
