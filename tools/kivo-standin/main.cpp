// kivo-standin: a stand-in for the kivo viewer. See --help and
// docs/viewer-protocol.md.
#include <getopt.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <list>
#include <vector>

#include "platform/linux/viewer_socket.h"
#include "tools/kivo-standin/draw.h"
#include "tools/kivo-standin/standin.h"

Options options;

static volatile sig_atomic_t stopping = 0;
static std::list<Client> clients;
static int lastClient = 0;

static const char kUsage[] =
    "usage: kivo-standin [options]\n"
    "  --socket PATH         serve on PATH (default: $KIVO_SOCKET, else\n"
    "                        $XDG_RUNTIME_DIR/kivo_communication, else\n"
    "                        /tmp/kivo-<uid>/kivo_communication)\n"
    "  --trace FILE          write one JSON object per line for every request\n"
    "  --not-ready N         answer VM_QUERY_DEVICE with 0 the first N times\n"
    "  --run-time MS         a scene finishes MS ms after VM_RUN (default 0)\n"
    "  --never-finish        VM_QUERY_FINISHED always answers 0\n"
    "  --slow MS             wait MS ms before answering each message\n"
    "  --vanish-after N      end abruptly after answering N messages\n"
    "  --set-text-result N   answer every VM_SET_TEXT with N (e.g. -1)\n"
    "  --quiet               no console lines\n"
    "  --window[=WxH]        draw the display in a window on $DISPLAY, the whole\n"
    "                        screen or W x H pixels\n"
    "  --screens DIR         with --window: DIR/<scene>.png after each scene\n";

[[noreturn]] static void Fail(const std::string& text) {
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
  char* end = nullptr;
  long w = std::strtol(text, &end, 10), h = *end == 'x' ? std::strtol(end + 1, &end, 10) : 0;
  if (*end != '\0' || w < 16 || h < 16 || w > 16384 || h > 16384)
    Fail(std::string("not a window size (WxH, 16 to 16384): ") + text);
  options.windowWidth = static_cast<int>(w);
  options.windowHeight = static_cast<int>(h);
}

static void ParseOptions(int argc, char** argv) {
  static const option longOptions[] = {{"socket", required_argument, nullptr, 's'},
                                       {"trace", required_argument, nullptr, 't'},
                                       {"not-ready", required_argument, nullptr, 'n'},
                                       {"run-time", required_argument, nullptr, 'r'},
                                       {"never-finish", no_argument, nullptr, 'f'},
                                       {"slow", required_argument, nullptr, 'w'},
                                       {"vanish-after", required_argument, nullptr, 'v'},
                                       {"set-text-result", required_argument, nullptr, 'x'},
                                       {"quiet", no_argument, nullptr, 'q'},
                                       {"window", optional_argument, nullptr, 'W'},
                                       {"screens", required_argument, nullptr, 'S'},
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

// A socket file that nobody serves any more, left by a viewer that crashed.
static bool Abandoned(const std::string& path, const sockaddr_un& address) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) return false;
  int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  bool refused = connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
                 errno == ECONNREFUSED;
  close(probe);
  return refused;
}

static int Listen(const std::string& path) {
  sockaddr_un address;
  if (!ViewerSocketAddress(path, &address)) Fail(path + ": too long for a socket name");
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  auto bindIt = [&] { return bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address); };
  mode_t previous = umask(077);  // the socket is for this user only
  int rc = bindIt();
  if (rc != 0 && errno == EADDRINUSE && Abandoned(path, address) && unlink(path.c_str()) == 0)
    rc = bindIt();
  int error = errno;
  umask(previous);
  if (rc != 0 && error == EADDRINUSE) Fail(path + ": another viewer serves it");
  if (rc != 0 || listen(fd, 16) != 0) Fail(path + ": " + std::strerror(error));
  return fd;
}

static void Accept(int listener) {
  int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0) return;
  if (!PeerIsSameUser(fd)) {
    close(fd);
    Say("refused a connection from another user");
    return;
  }
  clients.push_back(Client{++lastClient, fd, {}, {}, {}});
  Trace("\"client\":" + std::to_string(lastClient) + ",\"event\":\"connect\"");
  Say("program connected (client %d)", lastClient);
}

static void Disconnect(Client& client) {
  EndOfClient();
  close(client.fd);
  Trace("\"client\":" + std::to_string(client.id) +
        ",\"event\":\"disconnect\",\"atoms\":" + AtomsJson(client.atoms));
  Say("program gone (client %d, %zu atoms left registered)", client.id, client.atoms.size());
}

// Reads what arrived, answers it, sends what is pending; false when the
// client is gone or broke the protocol.
static bool Exchange(Client& client, short events) {
  if (events & (POLLIN | POLLHUP | POLLERR)) {
    char buffer[4096];
    ssize_t n = recv(client.fd, buffer, sizeof buffer, 0);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) return false;
    if (n > 0) client.in.append(buffer, static_cast<size_t>(n));
    if (!ServeRequests(client)) {
      Trace("\"client\":" + std::to_string(client.id) + ",\"event\":\"protocol_error\"");
      return false;
    }
  }
  while (!client.out.empty()) {
    ssize_t n = send(client.fd, client.out.data(), client.out.size(), MSG_NOSIGNAL);
    if (n < 0) return errno == EAGAIN || errno == EINTR;
    client.out.erase(0, static_cast<size_t>(n));
  }
  return true;
}

static void OnStop(int) { stopping = 1; }

// Stop signals stay blocked except inside ppoll, so none slips in between.
static sigset_t CatchStopSignals() {
  sigset_t stops, open;
  sigemptyset(&stops);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    sigaddset(&stops, signal);
    struct sigaction action {};
    action.sa_handler = OnStop;
    sigaction(signal, &action, nullptr);
  }
  std::signal(SIGPIPE, SIG_IGN);
  sigprocmask(SIG_BLOCK, &stops, &open);
  sigdelset(&open, SIGINT);
  sigdelset(&open, SIGTERM);
  sigdelset(&open, SIGHUP);
  return open;
}

static sigset_t openMask;  // the mask that lets stop signals in

void PauseMs(int64_t ms) {
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  ppoll(nullptr, 0, &left, &openMask);
}

static void Serve(int listener) {
  std::vector<pollfd> watched;
  while (!stopping) {
    watched.assign(1, pollfd{listener, POLLIN, 0});
    for (const Client& client : clients)
      watched.push_back(
          pollfd{client.fd, static_cast<short>(POLLIN | (client.out.empty() ? 0 : POLLOUT)), 0});
    if (WindowConnection() >= 0) watched.push_back(pollfd{WindowConnection(), POLLIN, 0});
    if (!WindowEvents()) break;
    if (ppoll(watched.data(), watched.size(), nullptr, &openMask) < 0) continue;
    size_t i = 1;
    for (auto it = clients.begin(); it != clients.end(); ++i) {
      if (watched[i].revents == 0 || Exchange(*it, watched[i].revents)) {
        ++it;
      } else {
        Disconnect(*it);
        it = clients.erase(it);
      }
    }
    if (watched[0].revents & POLLIN) Accept(listener);
  }
}

int main(int argc, char** argv) {
  ParseOptions(argc, argv);
  std::string problem;
  std::string path = !options.socketPath.empty()
                         ? options.socketPath
                         : ViewerSocketPath("kivo_communication", true, &problem);
  if (path.empty()) Fail(problem);
  if (!options.tracePath.empty()) OpenTrace(options.tracePath);
  openMask = CatchStopSignals();
  int listener = Listen(path);
  NowMs();
  if (options.window &&
      !OpenWindow(options.windowWidth, options.windowHeight, options.screensFolder, &problem)) {
    unlink(path.c_str());
    Fail(problem);
  }
  Say("serving %s", path.c_str());
  Serve(listener);
  std::string atoms = "[";
  for (const Client& client : clients) {
    atoms += (atoms.size() > 1 ? "," : "") + std::string("{\"client\":") +
             std::to_string(client.id) + ",\"atoms\":" + AtomsJson(client.atoms) + "}";
    close(client.fd);
  }
  Trace("\"event\":\"exit\",\"clients\":" + atoms + "]");
  CloseWindow();
  unlink(path.c_str());
  Say("stopped\n");
  return 0;
}
