// The stand-in viewer's side of the wire format, spoken byte by byte.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include "platform/linux/viewer_socket.h"
#include "platform/linux/viewer_wire.h"
#include "tests/support/standin.h"

class RawClient : public ::testing::Test {
 protected:
  void SetUp() override {
    viewer = StartStandIn({"--quiet"});
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
  void TearDown() override {
    if (fd >= 0) close(fd);
    RemoveStandIn(viewer);
  }

  void Write(const std::string& bytes) {
    ASSERT_EQ(send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
  }
  void Request(uint8_t op, const std::string& payload) {
    Write(WireFrame(static_cast<char>(op) + payload));
  }
  // One answer frame's body; "<closed>" when the viewer closed instead.
  std::string Answer() {
    unsigned char length[4];
    if (recv(fd, length, 4, MSG_WAITALL) != 4) return "<closed>";
    std::string body(GetU32(length), '\0');
    if (!body.empty() && recv(fd, body.data(), body.size(), MSG_WAITALL) != static_cast<ssize_t>(body.size()))
      return "<closed>";
    return body;
  }
  int32_t Value() {
    std::string body = Answer();
    EXPECT_EQ(body.size(), 4u);
    return body.size() == 4 ? static_cast<int32_t>(GetU32(reinterpret_cast<const unsigned char*>(body.data()))) : -999;
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

TEST_F(RawClient, AtomsAreCountedAndNamed) {
  Request(kOpAddAtom, "cache");
  Request(kOpAddAtom, "Arial");
  Request(kOpAddAtom, "cache");  // the same text: the same atom, counted twice
  EXPECT_EQ(Value(), 0xC000);
  EXPECT_EQ(Value(), 0xC001);
  EXPECT_EQ(Value(), 0xC000);
  Request(kOpDeleteAtom, U16(0xC000));
  Request(kOpGetAtomName, U16(0xC000));
  EXPECT_EQ(Answer(), "cache");
  Request(kOpDeleteAtom, U16(0xC000));
  Request(kOpGetAtomName, U16(0xC000));
  EXPECT_EQ(Answer(), "");
  Request(kOpAddAtom, "Cache");  // texts are told apart by case
  EXPECT_EQ(Value(), 0xC000);
}

TEST_F(RawClient, AtomTextsAreRefusedWholeBeyond255Characters) {
  std::string longest;
  for (int i = 0; i < 255; ++i) longest += "\xF0\x9F\x8E\xAD";  // 4 bytes each
  Request(kOpAddAtom, longest);
  EXPECT_EQ(Value(), 0xC000);
  Request(kOpGetAtomName, U16(0xC000));
  EXPECT_EQ(Answer(), longest);
  Request(kOpAddAtom, std::string(256, 'a'));
  EXPECT_EQ(Value(), 0);
  for (std::string bad : {std::string("a\0b", 3), std::string("\xC3"), std::string("\xED\xA0\x80")}) {
    Request(kOpAddAtom, bad);
    EXPECT_EQ(Value(), 0);
  }
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
  Write(burst);
  EXPECT_EQ(Value(), 1);  // device ready
  EXPECT_EQ(Value(), 1);  // nothing runs: finished
  EXPECT_EQ(Value(), 1);  // runs
}

TEST_F(RawClient, ABrokenFrameClosesTheConnectionAndTheViewerCarriesOn) {
  Write(std::string("\0\0\0\0", 4));  // an empty body
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
