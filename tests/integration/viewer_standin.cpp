// The stand-in viewer's side of the wire format, spoken byte by byte.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include "platform/wire/frames.h"
#include "platform/wire/socket.h"
#include "tests/support/standin.h"

class RawClient : public ::testing::Test {
 protected:
  void SetUp() override {
    viewer = StartStandIn({"--quiet"});
    Connect();
  }
  void TearDown() override {
    if (fd >= 0) close(fd);
    RemoveStandIn(viewer);
  }

  void Connect() {
    if (fd >= 0) close(fd);
    sockaddr_un address;
    ASSERT_TRUE(ViewerSocketAddress(viewer.socket, &address));
    for (int tries = 0; tries < 1000; ++tries) {
      fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
      if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) break;
      close(fd);
      fd = -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_GE(fd, 0);
    timeval limit{2, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  }
  void Request(uint8_t op, const std::string& payload) {
    std::string bytes = WireFrame(static_cast<char>(op) + payload);
    send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  }
  void AddAtom(uint16_t atom, const std::string& text) { Request(kOpAddAtom, U16(atom) + text); }
  std::string AtomName(uint16_t atom) {
    Request(kOpGetAtomName, U16(atom));
    return Answer();
  }
  // One answer frame's body; "<closed>" when the viewer closed instead.
  std::string Answer() {
    unsigned char length[4];
    if (recv(fd, length, 4, MSG_WAITALL) != 4) return "<closed>";
    std::string body(GetU32(length), '\0');
    ssize_t got = body.empty() ? 0 : recv(fd, body.data(), body.size(), MSG_WAITALL);
    return got == static_cast<ssize_t>(body.size()) ? body : "<closed>";
  }
  int32_t Value() {
    std::string body = Answer();
    if (body.size() != 4) return -999;
    return static_cast<int32_t>(GetU32(reinterpret_cast<const unsigned char*>(body.data())));
  }
  static std::string U16(uint16_t v) {
    std::string out;
    PutU16(out, v);
    return out;
  }

  StandIn viewer;
  int fd = -1;
};

TEST_F(RawClient, HelloAnswersTheVersionOrZero) {
  std::string hello, wrong;
  PutU32(hello, kWireMagic);
  PutU32(hello, kWireVersion);
  PutU32(wrong, kWireMagic);
  PutU32(wrong, 99);
  Request(kOpHello, hello);
  EXPECT_EQ(Value(), 1);
  Request(kOpHello, wrong);
  EXPECT_EQ(Value(), 0);
}

TEST_F(RawClient, AtomsAreNumberedByTheProgramAndNamedByTheViewer) {
  AddAtom(0xC000, "cache");
  AddAtom(0xFFFF, "Arial");
  EXPECT_EQ(AtomName(0xC000), "cache");
  EXPECT_EQ(AtomName(0xFFFF), "Arial");
  Request(kOpDeleteAtom, U16(0xC000));
  Request(kOpDeleteAtom, U16(0xC000));  // no longer registered: ignored
  EXPECT_EQ(AtomName(0xC000), "");
  AddAtom(0xC000, "0.99");  // free again
  EXPECT_EQ(AtomName(0xC000), "0.99");
}

static std::string Repeated(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// 255 UTF-16 units: the most bytes (3 each), and pairs (4 bytes, 2 units).
TEST_F(RawClient, TheLongestTextIsKeptWhole) {
  std::string longest = Repeated("\xE6\x9D\xB1", 255);
  std::string pairs = "a" + Repeated("\xF0\x9F\x8E\xAD", 127);
  AddAtom(0xC000, longest);
  AddAtom(0xC001, pairs);
  EXPECT_EQ(AtomName(0xC000), longest);
  EXPECT_EQ(AtomName(0xC001), pairs);
}

// A registration the viewer cannot honour as given closes the connection:
// the program's side then counts the window as gone.
TEST_F(RawClient, AnImpossibleRegistrationClosesTheConnection) {
  const std::pair<uint16_t, std::string> impossible[] = {
      {0xC000, std::string(256, 'a')},
      {0xC000, "ab" + Repeated("\xF0\x9F\x8E\xAD", 127)},  // 256 UTF-16 units
      {0xC000, std::string("a\0b", 3)}, {0xC000, "\xC3"}, {0xC000, "\xED\xA0\x80"},
      {0x1234, "below the atom range"}, {0xC000, ""}};
  for (const auto& [atom, text] : impossible) {
    SCOPED_TRACE(atom);
    Connect();
    AddAtom(atom, text);
    EXPECT_EQ(AtomName(0xC000), "<closed>");
  }
  Connect();
  AddAtom(0xC000, "cache");
  AddAtom(0xC000, "taken");
  EXPECT_EQ(AtomName(0xC000), "<closed>");
}

TEST_F(RawClient, PipelinedRequestsAreAnsweredInOrder) {
  std::string burst;
  for (uint32_t number : {5686u, 5689u, 5691u}) {
    std::string payload;
    PutU32(payload, number);
    PutU64(payload, number == 5691u ? 1 : 0);
    PutU64(payload, 0);
    burst += WireFrame(static_cast<char>(kOpSend) + payload);
  }
  ASSERT_EQ(send(fd, burst.data(), burst.size(), MSG_NOSIGNAL), static_cast<ssize_t>(burst.size()));
  EXPECT_EQ(Value(), 1);  // device ready
  EXPECT_EQ(Value(), 1);  // nothing runs: finished
  EXPECT_EQ(Value(), 1);  // runs
}

TEST_F(RawClient, ABrokenFrameClosesOnlyItsConnection) {
  Request(kOpSend, "short");
  EXPECT_EQ(Answer(), "<closed>");
  send(fd, "\0\0\0\0", 4, MSG_NOSIGNAL);  // an empty body
  Connect();
  send(fd, "\0\0\0\0", 4, MSG_NOSIGNAL);
  EXPECT_EQ(Answer(), "<closed>");
  close(fd);
  fd = -1;
  WindowHandle window = FindViewer();
  EXPECT_NE(window, 0u);
  EXPECT_EQ(PlatformSendMessage(window, 5686, 0, 0), 1);
  StopStandIn(viewer);
  std::string all;
  for (const std::string& line : ReadLines(viewer.trace)) all += line + "\n";
  EXPECT_NE(all.find("\"event\":\"protocol_error\""), std::string::npos) << all;
}
