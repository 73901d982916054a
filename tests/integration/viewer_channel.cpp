// The scene operations against the real stand-in viewer over the real socket.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/text.h"
#include "tests/support/atom_texts.h"
#include "tests/support/standin.h"
#include "viewer/channel.h"
#include "viewer/setters.h"
#include "viewer/transitions.h"

using Strings = std::vector<std::string>;

static std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

static int64_t Milliseconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               since)
      .count();
}

class ViewerChannel : public ::testing::Test {
 protected:
  void SetUp() override { unsetenv("KIVO_REPLY_TIMEOUT_MS"); }
  void TearDown() override { RemoveStandIn(viewer); }

  void Start(Strings options = {}) {
    viewer = StartStandIn(std::move(options));
    viewerWindow = FindViewer();
    ASSERT_NE(viewerWindow, 0u);
  }
  Strings Trace() {
    StopStandIn(viewer);
    return ReadLines(viewer.trace);
  }

  StandIn viewer;
};

// Atom events and messages in order, as "+text", "-text" and message names.
static Strings Sequence(const Strings& trace) {
  Strings sequence;
  for (const std::string& line : trace) {
    std::string event = Field(line, "event");
    if (event == "\"add_atom\"") sequence.push_back("+" + Field(line, "text"));
    if (event == "\"delete_atom\"") sequence.push_back("-" + Field(line, "text"));
    if (!Field(line, "number").empty()) sequence.push_back(Field(line, "name"));
  }
  return sequence;
}

TEST_F(ViewerChannel, FadeInReachesTheViewerStepByStep) {
  Start();
  auto start = std::chrono::steady_clock::now();
  FadeIn();
  EXPECT_GE(Milliseconds(start), 2000);
  Strings trace = Trace();
  Strings messages = Messages(trace);
  ASSERT_EQ(messages.size(), 100u);
  EXPECT_EQ(Field(messages[0], "value"), "\"1.00\"");
  EXPECT_EQ(Field(messages[50], "value"), "\"0.50\"");
  EXPECT_EQ(Field(messages[99], "value"), "\"0.01\"");
  for (const std::string& m : messages) {
    EXPECT_EQ(Field(m, "name"), "\"VM_SET_PROPERTY\"");
    EXPECT_EQ(Field(m, "object"), "\"cache\"");
    EXPECT_EQ(Field(m, "property"), "102");
  }
  Strings sequence = Sequence(trace);
  EXPECT_EQ(Strings(sequence.begin(), sequence.begin() + 5),
            (Strings{"+\"cache\"", "+\"1.00\"", "\"VM_SET_PROPERTY\"", "-\"cache\"", "-\"1.00\""}));
  EXPECT_EQ(sequence.size(), 500u);
  int64_t spread = std::stoll(Field(messages[99], "t_ms")) - std::stoll(Field(messages[0], "t_ms"));
  EXPECT_GE(spread, 99 * 20 - 1);
  EXPECT_NE(trace.back().find("\"event\":\"exit\",\"clients\":[{\"client\":1,\"atoms\":[]}]"),
            std::string::npos)
      << trace.back();
}

TEST_F(ViewerChannel, SettersFillTheSceneTheViewerLoaded) {
  Start();
  ReloadScene(L"billorav");
  SetAffiche(L"/show/medias/Les Misérables.jpg");
  SetTitle(L"Théâtre – 東京 🎭");
  SetListAffiche(17, L"/show/medias/b.png");
  SetListText(3, L"", -0.8);
  SetListText(4, L"20:30", 0.25);
  Strings messages = Messages(Trace());
  ASSERT_EQ(messages.size(), 11u);
  std::string dir = ToUtf8(PlatformExecutablePath());
  dir.resize(dir.rfind('/'));
  EXPECT_EQ(Field(messages[0], "path"), Quoted(dir + "/templates/billorav.kivo"));
  EXPECT_EQ(Field(messages[1], "object"), "\"affiche\"");
  EXPECT_EQ(Field(messages[1], "property"), "75");
  EXPECT_EQ(Field(messages[1], "value"),
            "\"/show/medias/Les Misérables.jpg,SCALEX=0.085,SCALEY=0.083,POSY=-0.09\"");
  EXPECT_EQ(Field(messages[2], "name"), "\"VM_SELECT_OBJECT\"");
  EXPECT_EQ(Field(messages[3], "text"), "\"Théâtre – 東京 🎭\"");
  EXPECT_EQ(Field(messages[3], "font"), "\"Arial\"");
  EXPECT_EQ(Field(messages[3], "lParam"), "6554600");
  EXPECT_EQ(Field(messages[4], "object"), "\"\\\\affiche18\\\\affiche\"");
  EXPECT_EQ(Field(messages[5], "object"), "\"\\\\affiche4\\\\text\"");
  EXPECT_EQ(Field(messages[6], "text"), "null");  // the empty text is atom 0
  EXPECT_EQ(Field(messages[6], "result"), "1");   // numbered after "titre"
  EXPECT_EQ(Field(messages[7], "object"), "\"#1\"");
  EXPECT_EQ(Field(messages[7], "property"), "79");
  EXPECT_EQ(Field(messages[7], "value"), "\"0;-0.8;0\"");
  EXPECT_EQ(Field(messages[9], "text"), "\"20:30\"");
  EXPECT_EQ(Field(messages[10], "object"), "\"#2\"");
  EXPECT_EQ(Field(messages[10], "value"), "\"0;0.25;0\"");
  std::string console;
  for (const std::string& line : ReadLines(viewer.console)) console += line + "\n";
  EXPECT_NE(console.find("text titre: \"Théâtre – 東京 🎭\""), std::string::npos) << console;
  EXPECT_NE(console.find("offset #1 (\\affiche4\\text): 0;-0.8;0"), std::string::npos) << console;
}

TEST_F(ViewerChannel, ANegativeTextReplySkipsTheOffset) {
  Start({"--set-text-result", "-1"});
  SetListText(0, L"9:05", -0.8);
  SetTitle1(L"Demain");
  Strings messages = Messages(Trace());
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_EQ(Field(messages[1], "result"), "-1");
}

// The same verdicts as the fake's and the Windows channel's: a text arrives
// whole or as atom 0, and the connection lives on.
TEST_F(ViewerChannel, AnAtomCarriesUpTo255Utf16UnitsOfUnicodeText) {
  Start();
  std::vector<AtomEdge> edges = AtomEdges();
  for (const AtomEdge& edge : edges) SelectViewerObject(edge.text);
  Strings messages = Messages(Trace());
  ASSERT_EQ(messages.size(), edges.size());
  for (size_t i = 0; i < edges.size(); ++i)
    EXPECT_EQ(Field(messages[i], "object"),
              edges[i].carried ? Quoted(ToUtf8(edges[i].text)) : "null")
        << edges[i].name;
}

TEST_F(ViewerChannel, WaitSceneEndWaitsForTheRunTime) {
  Start({"--run-time", "400"});
  PlatformSendMessage(viewerWindow, VM_RUN, 1, 0);
  auto start = std::chrono::steady_clock::now();
  WaitSceneEnd();
  EXPECT_GE(Milliseconds(start), 400);
  EXPECT_LT(Milliseconds(start), 3000);
  Strings messages = Messages(Trace());
  EXPECT_EQ(Field(messages.back(), "name"), "\"VM_QUERY_FINISHED\"");
  EXPECT_EQ(Field(messages.back(), "result"), "1");
  EXPECT_GE(messages.size(), 1u + 4u);
}

TEST_F(ViewerChannel, AViewerNotReadyAnswersZeroUntilItIs) {
  Start({"--not-ready", "2"});
  int32_t answers[3];
  for (int32_t& answer : answers) answer = PlatformSendMessage(viewerWindow, VM_QUERY_DEVICE, 0, 0);
  EXPECT_EQ(answers[0], 0);
  EXPECT_EQ(answers[1], 0);
  EXPECT_NE(answers[2], 0);
}

TEST_F(ViewerChannel, AViewerThatVanishesEndsTheWaitForItsScene) {
  Start({"--never-finish", "--vanish-after", "4"});
  PlatformSendMessage(viewerWindow, VM_RUN, 1, 0);
  auto start = std::chrono::steady_clock::now();
  WaitSceneEnd();
  EXPECT_LT(Milliseconds(start), 3000);
  EXPECT_EQ(WaitStandIn(viewer), 0);
  EXPECT_FALSE(PlatformIsWindow(viewerWindow));
  EXPECT_EQ(PlatformSendMessage(viewerWindow, VM_QUERY_DEVICE, 0, 0), 0);
  EXPECT_EQ(PlatformAddAtom(L"cache"), 0);
  EXPECT_EQ(PlatformFindWindow(kViewerClass), 0u);  // its socket file is left, unanswered
  FadeOut();                                        // no viewer: nothing blocks, nothing breaks
  Strings trace = ReadLines(viewer.trace);
  EXPECT_EQ(Field(trace.back(), "event"), "\"vanish\"");

  LaunchStandIn(viewer, {});  // a new viewer takes over the abandoned socket
  WindowHandle again = FindViewer();
  EXPECT_NE(again, 0u);
  EXPECT_NE(again, viewerWindow);
}

TEST_F(ViewerChannel, AViewerStartedLaterIsFound) {
  viewer = PrivateStandIn();
  EXPECT_EQ(PlatformFindWindow(kViewerClass), 0u);
  EXPECT_FALSE(PlatformIsWindow(1));
  LaunchStandIn(viewer, {});
  viewerWindow = FindViewer();
  ASSERT_NE(viewerWindow, 0u);
  EXPECT_EQ(PlatformFindWindow(kViewerClass), viewerWindow);  // the same, while it lives
  EXPECT_TRUE(PlatformIsWindow(viewerWindow));
}

TEST_F(ViewerChannel, AHungViewerCountsAsGoneAfterTheAnswerTimeout) {
  setenv("KIVO_REPLY_TIMEOUT_MS", "200", 1);
  Start({"--slow", "60000"});
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(PlatformSendMessage(viewerWindow, VM_QUERY_DEVICE, 0, 0), 0);
  EXPECT_LT(Milliseconds(start), 5000);
  EXPECT_FALSE(PlatformIsWindow(viewerWindow));
}

TEST_F(ViewerChannel, SuccessiveProgramsAreServedAndTheirLeftAtomsReported) {
  viewer = StartStandIn();
  pid_t crashed = fork();
  if (crashed == 0) {  // a program that ends between a send and its deletions
    WindowHandle window = FindViewer();
    PlatformSendMessage(window, VM_SELECT_OBJECT, PlatformAddAtom(L"cache"), 0);
    _exit(0);
  }
  int status = 0;
  waitpid(crashed, &status, 0);
  viewerWindow = FindViewer();
  SetTitle(L"encore");
  Strings trace = Trace();
  std::string all;
  for (const std::string& line : trace) all += line + "\n";
  EXPECT_NE(all.find("\"client\":1,\"event\":\"disconnect\",\"atoms\":[{\"atom\":49152,"
                     "\"text\":\"cache\"}]"),
            std::string::npos)
      << all;
  EXPECT_EQ(Field(Messages(trace).back(), "client"), "2");
  EXPECT_EQ(Field(Messages(trace).back(), "text"), "\"encore\"");
}

TEST_F(ViewerChannel, TheSocketIsForItsUserOnly) {
  Start();
  struct stat info {};
  ASSERT_EQ(stat(viewer.socket.c_str(), &info), 0);
  EXPECT_TRUE(S_ISSOCK(info.st_mode));
  EXPECT_EQ(info.st_mode & 077, 0u);
}

TEST(ViewerWindow, NoViewerNoWindowAndNothingBlocks) {
  setenv("KIVO_SOCKET", "/nonexistent/kivo_communication", 1);
  EXPECT_EQ(PlatformFindWindow(kViewerClass), 0u);
  EXPECT_EQ(PlatformAddAtom(L"cache"), 0);
  PlatformDeleteAtom(0xC000);
  EXPECT_EQ(PlatformSendMessage(1, VM_QUERY_DEVICE, 0, 0), 0);
  EXPECT_FALSE(PlatformIsWindow(1));
  setenv("KIVO_SOCKET", std::string(200, 'x').c_str(), 1);
  EXPECT_EQ(PlatformFindWindow(kViewerClass), 0u);
  unsetenv("KIVO_SOCKET");
}
