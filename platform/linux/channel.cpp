// The program's side of the viewer channel: one stream socket connection to
// the viewer, which answers each request in order (docs/viewer-protocol.md).
//
// The atom table of a connection is the viewer's, but the numbers are chosen
// here, from the connection's own range: a registration then needs no answer
// and travels in the same write as the message that carries it, so a send
// with its atoms costs one round trip instead of three.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <vector>

#include "base/text.h"
#include "platform/answer_timeout.h"
#include "platform/platform.h"
#include "platform/wire/frames.h"
#include "platform/wire/socket.h"

// The viewer must take the connection and answer the greeting within this.
constexpr int kConnectTimeoutMs = 1000;
// Registrations wait for the next write up to this size.
constexpr size_t kMaxPending = 4096;
// Most answers come within tens of microseconds. Looking for one that long
// before sleeping on it spares the wake-up of a blocked process, which costs
// as much again as the round trip itself.
constexpr int64_t kAnswerSpinNs = 80000;

static int channelFd = -1;
static std::string channelPath;
static WindowHandle channelWindow = 0;  // handle of the live connection, 0 without
static WindowHandle lastWindow = 0;
static std::vector<bool> liveAtoms;  // by atom - kFirstAtom
static std::string pending;          // registrations not yet written
static const char* atomError = "";   // why the last registration failed

static void Drop() {
  if (channelFd >= 0) close(channelFd);
  channelFd = -1;
  channelWindow = 0;
  liveAtoms.assign(kAtomCount, false);
  pending.clear();
}

// The viewer never writes unasked: a readable socket between requests means
// it closed or broke the protocol.
static bool Alive() {
  pollfd p{channelFd, POLLIN, 0};
  if (channelFd >= 0 && poll(&p, 1, 0) > 0) Drop();
  return channelFd >= 0;
}

static void SetTimeout(int ms) {
  timeval limit{ms / 1000, (ms % 1000) * 1000};
  setsockopt(channelFd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  setsockopt(channelFd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

// Writes the pending registrations, then `frame`; a viewer that takes
// neither counts as gone.
static bool Write(const std::string& frame) {
  std::string bytes = pending + frame;
  pending.clear();
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = send(channelFd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Drop();
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

static int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

static ssize_t ReceiveAnswer(unsigned char* buffer, size_t size) {
  int64_t start = MonotonicNs();
  for (;;) {
    ssize_t n = recv(channelFd, buffer, size, MSG_DONTWAIT);
    if (n >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return n;
    if (MonotonicNs() - start > kAnswerSpinNs) return recv(channelFd, buffer, size, 0);
  }
}

// An answer of one signed 32-bit value: 8 bytes with the length 4.
static bool ReadValue(int32_t* value) {
  unsigned char answer[8];
  size_t got = 0;
  while (got < sizeof answer) {
    ssize_t n = ReceiveAnswer(answer + got, sizeof answer - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // closed, or no answer in time
    got += static_cast<size_t>(n);
  }
  *value = static_cast<int32_t>(GetU32(answer + 4));
  if (got == sizeof answer && GetU32(answer) == 4) return true;
  Drop();
  return false;
}

static std::string Request(uint8_t op, const std::string& payload) {
  return WireFrame(static_cast<char>(op) + payload);
}

static bool Greet() {
  std::string hello;
  PutU32(hello, kWireMagic);
  PutU32(hello, kWireVersion);
  int32_t version = 0;
  return Write(Request(kOpHello, hello)) && ReadValue(&version) &&
         version == static_cast<int32_t>(kWireVersion);
}

static bool Connect(const std::string& path) {
  sockaddr_un address;
  if (!ViewerSocketAddress(path, &address)) return false;
  // Non-blocking, so that a viewer whose queue of connections is full
  // refuses at once instead of holding the program.
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      !PeerIsSameUser(fd) || fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    close(fd);
    return false;
  }
  Drop();
  channelFd = fd;
  SetTimeout(kConnectTimeoutMs);
  if (!Greet()) {
    Drop();
    return false;
  }
  SetTimeout(ViewerAnswerTimeoutMs());
  channelPath = path;
  channelWindow = ++lastWindow;
  return true;
}

WindowHandle PlatformFindWindow(const std::wstring& className) {
  std::string path = ViewerSocketPath(ToUtf8(className), false, nullptr);
  if (path.empty()) return 0;
  if (Alive() && path == channelPath) return channelWindow;
  Drop();
  return Connect(path) ? channelWindow : 0;
}

std::string PlatformViewerPlace(const std::wstring& className) {
  std::string problem;
  std::string path = ViewerSocketPath(ToUtf8(className), false, &problem);
  if (path.empty()) {
    return "its socket, $KIVO_SOCKET, else $XDG_RUNTIME_DIR/" + ToUtf8(className) +
           ", else /tmp/kivo-<uid>/" + ToUtf8(className) + " (none now: " + problem + ")";
  }
  return "the socket " + path + " ($KIVO_SOCKET names another)";
}

bool PlatformIsWindow(WindowHandle window) {
  return window != 0 && window == channelWindow && Alive();
}

int32_t PlatformSendMessage(WindowHandle window, uint32_t message, uint64_t wParam,
                            int64_t lParam) {
  if (window == 0 || window != channelWindow) return 0;
  std::string payload;
  PutU32(payload, message);
  PutU64(payload, wParam);
  PutU64(payload, static_cast<uint64_t>(lParam));
  int32_t result = 0;
  return Write(Request(kOpSend, payload)) && ReadValue(&result) ? result : 0;
}

// A viewer that went away is no reason to report: no message reaches it.
uint16_t PlatformAddAtom(const std::wstring& text) {
  atomError = "";
  if (channelFd < 0 || !AtomCanCarry(text)) return 0;
  uint32_t free = 0;  // the lowest free atom
  while (free < kAtomCount && liveAtoms[free]) ++free;
  if (free == kAtomCount) {
    atomError = "atom table full";
    return 0;
  }
  if (pending.size() > kMaxPending && !Write(std::string())) return 0;
  auto atom = static_cast<uint16_t>(kFirstAtom + free);
  std::string payload;
  PutU16(payload, atom);
  pending += Request(kOpAddAtom, payload + ToUtf8(text));
  liveAtoms[free] = true;
  return atom;
}

std::string PlatformAtomError() { return atomError; }

// The viewer's socket is reachable by its own user only: there is no viewer
// with other rights that could refuse a message.
bool PlatformViewerDenied() { return false; }

// A connection that timed out is closed, and the viewer drops its atoms with
// it after the message it was handling: none is held here.
void PlatformDeleteAtom(uint16_t atom) {
  if (channelFd < 0 || atom < kFirstAtom || !liveAtoms[atom - kFirstAtom]) return;
  liveAtoms[atom - kFirstAtom] = false;
  std::string payload;
  PutU16(payload, atom);
  Write(Request(kOpDeleteAtom, payload));
}
