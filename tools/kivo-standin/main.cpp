// kivo-standin: a stand-in for the kivo viewer. See --help and
// docs/viewer-protocol.md.
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

#include "platform/wire/socket.h"
#include "tools/kivo-standin/draw.h"
#include "tools/kivo-standin/standin.h"

static volatile sig_atomic_t stopping = 0;
static std::list<Client> clients;
static int lastClient = 0;

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
  if (options.listMonitors) return PrintMonitors();
  std::string problem;
  std::string path = !options.socketPath.empty()
                         ? options.socketPath
                         : ViewerSocketPath("kivo_communication", true, &problem);
  if (path.empty()) Fail(problem);
  if (!options.tracePath.empty()) OpenTrace(options.tracePath);
  openMask = CatchStopSignals();
  int listener = Listen(path);
  NowMs();
  if (options.window && !OpenWindow(options.windowWidth, options.windowHeight, options.monitor,
                                    options.screensFolder, &problem)) {
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
