// The viewer channel of platform/windows against the Win32 stand-in viewer:
// window messages, global atoms, and viewers that end, hang or are not ready.
#include <gtest/gtest.h>

#include "base/text.h"
#include "tests/support/atom_texts.h"
#include "tests/windows/processes.h"
#include "viewer/channel.h"
#include "viewer/setters.h"
#include "viewer/transitions.h"

using Strings = std::vector<std::string>;

// A Windows path as the trace writes it, backslashes escaped.
static std::string Escaped(const std::string& path) {
  std::string out;
  for (char c : path) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return out;
}

static int64_t Milliseconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               since)
      .count();
}

class ViewerChannel : public ::testing::Test {
 protected:
  void SetUp() override { _putenv_s("KIVO_REPLY_TIMEOUT_MS", ""); }
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

TEST_F(ViewerChannel, SettersArriveWithTheirTextsAndWindowsPaths) {
  Start();
  ReloadScene(L"billorav");
  SetAffiche(L"C:\\show\\medias\\Les Misérables.jpg");
  SetTitle(L"Théâtre – 東京 🎭");
  SetListText(3, L"", -0.8);
  SetListText(4, L"20:30", 0.25);
  Strings messages = Messages(Trace());
  ASSERT_EQ(messages.size(), 10u);
  std::string dir = ToUtf8(PlatformExecutablePath());
  dir.resize(dir.rfind('\\'));
  EXPECT_EQ(Field(messages[0], "path"), "\"" + Escaped(dir) + "\\\\templates\\\\billorav.kivo\"");
  EXPECT_EQ(Field(messages[1], "value"),
            "\"C:\\\\show\\\\medias\\\\Les Misérables.jpg,SCALEX=0.085,SCALEY=0.083,POSY=-0.09\"");
  EXPECT_EQ(Field(messages[3], "text"), "\"Théâtre – 東京 🎭\"");
  EXPECT_EQ(Field(messages[3], "font"), "\"Arial\"");
  EXPECT_EQ(Field(messages[3], "lParam"), "6554600");
  EXPECT_EQ(Field(messages[4], "object"), "\"\\\\affiche4\\\\text\"");
  EXPECT_EQ(Field(messages[5], "text"), "null");  // the empty text is atom 0
  EXPECT_EQ(Field(messages[6], "object"), "\"#1\"");
  EXPECT_EQ(Field(messages[6], "value"), "\"0;-0.8;0\"");
  EXPECT_EQ(Field(messages[9], "object"), "\"#2\"");
}

// The system's table holds 255 UTF-16 units: a character outside the BMP
// takes two. The verdicts are the fake's and the Linux channel's, a lone
// surrogate included, which the table itself would take.
TEST_F(ViewerChannel, AnAtomCarriesUpTo255Utf16UnitsOfUnicodeText) {
  Start();
  std::vector<AtomEdge> edges = AtomEdges();
  for (const AtomEdge& edge : edges) SelectViewerObject(edge.text);
  Strings messages = Messages(Trace());
  ASSERT_EQ(messages.size(), edges.size());
  for (size_t i = 0; i < edges.size(); ++i)
    EXPECT_EQ(Field(messages[i], "object"),
              edges[i].carried ? "\"" + ToUtf8(edges[i].text) + "\"" : "null")
        << edges[i].name;
}

TEST_F(ViewerChannel, AThousandSendsLeaveNoAtomInTheTable) {
  Start();
  for (int i = 0; i < 1000; ++i) SetListText(i % 20, L"texte " + std::to_wstring(i), 0.5);
  EXPECT_EQ(Messages(Trace()).size(), 3000u);
  for (int i = 0; i < 1000; ++i)
    ASSERT_EQ(GlobalFindAtomW((L"texte " + std::to_wstring(i)).c_str()), 0) << i;
  // "#1" and the like are integer atoms, which take no place in the table.
  for (const wchar_t* text : {L"Arial", L"\\affiche1\\text", L"0;0.5;0"})
    EXPECT_EQ(GlobalFindAtomW(text), 0) << ToUtf8(text);
}

TEST_F(ViewerChannel, AViewerNotReadyAnswersZeroUntilItIs) {
  Start({"--not-ready", "2"});
  int32_t answers[3];
  for (int32_t& answer : answers) answer = PlatformSendMessage(viewerWindow, VM_QUERY_DEVICE, 0, 0);
  EXPECT_EQ(answers[0], 0);
  EXPECT_EQ(answers[1], 0);
  EXPECT_NE(answers[2], 0);
}

TEST_F(ViewerChannel, AViewerThatEndsEndsTheWaitForItsScene) {
  Start({"--never-finish", "--vanish-after", "4"});
  PlatformSendMessage(viewerWindow, VM_RUN, 1, 0);
  auto start = std::chrono::steady_clock::now();
  WaitSceneEnd();
  EXPECT_LT(Milliseconds(start), 3000);
  EXPECT_EQ(WaitProgram(viewer.process, 5000), 0);
  EXPECT_FALSE(PlatformIsWindow(viewerWindow));
  EXPECT_EQ(PlatformSendMessage(viewerWindow, VM_QUERY_DEVICE, 0, 0), 0);
  EXPECT_EQ(PlatformFindWindow(kViewerClass), 0u);
  FadeOut();  // no viewer: nothing blocks, nothing breaks
  EXPECT_EQ(Field(ReadLines(viewer.trace).back(), "event"), "\"vanish\"");
}

TEST_F(ViewerChannel, AViewerStartedLaterIsFound) {
  EXPECT_EQ(PlatformFindWindow(kViewerClass), 0u);
  EXPECT_FALSE(PlatformIsWindow(0));
  Start();
  EXPECT_EQ(PlatformFindWindow(kViewerClass), viewerWindow);  // the same, while it lives
  EXPECT_TRUE(PlatformIsWindow(viewerWindow));
  // A live window of another class, as a recycled handle would be, is no viewer.
  HWND other =
      CreateWindowExW(0, L"STATIC", L"other", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_FALSE(PlatformIsWindow(reinterpret_cast<WindowHandle>(other)));
  DestroyWindow(other);
}

TEST_F(ViewerChannel, AHungViewerCountsAsGoneAfterTheAnswerTimeout) {
  _putenv_s("KIVO_REPLY_TIMEOUT_MS", "300");
  Start({"--slow", "3000"});
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(PlatformSendMessage(viewerWindow, VM_QUERY_DEVICE, 0, 0), 0);
  EXPECT_LT(Milliseconds(start), 2500);
  EXPECT_FALSE(PlatformIsWindow(viewerWindow));
  EXPECT_EQ(PlatformSendMessage(viewerWindow, VM_QUERY_DEVICE, 0, 0), 0);  // at once, no wait
  Sleep(3000);  // it answers again once the slow message is done
  EXPECT_EQ(PlatformFindWindow(kViewerClass), viewerWindow);
  EXPECT_TRUE(PlatformIsWindow(viewerWindow));
}

// Windows counts a window as hung after 5 s without taking a message; a send
// must still wait for its answer up to the limit. (Wine may not mark it.)
TEST_F(ViewerChannel, AViewerThatTakesNoMessageFor6sIsWaitedFor) {
  Start({"--stall-after-run", "6000"});
  PlatformSendMessage(viewerWindow, VM_RUN, 1, 0);
  Sleep(5500);  // hung by now, as far as the system is concerned
  EXPECT_NE(PlatformSendMessage(viewerWindow, VM_QUERY_FINISHED, 0, 0), 0);
  EXPECT_TRUE(PlatformIsWindow(viewerWindow));
}

// The message that timed out may be handled later, and its atoms must still
// be there when the viewer reads them.
TEST_F(ViewerChannel, AtomsOfAnUnansweredMessageLiveUntilTheViewerAnswers) {
  _putenv_s("KIVO_REPLY_TIMEOUT_MS", "1000");
  Start({"--stall-after-run", "3000"});
  PlatformSendMessage(viewerWindow, VM_RUN, 1, 0);
  SelectViewerObject(L"objet retenu");
  EXPECT_FALSE(PlatformIsWindow(viewerWindow));
  EXPECT_NE(GlobalFindAtomW(L"objet retenu"), 0);
  Sleep(2500);
  EXPECT_EQ(PlatformFindWindow(kViewerClass), viewerWindow);
  EXPECT_NE(GlobalFindAtomW(L"objet retenu"), 0);  // found again, but not answered yet
  EXPECT_NE(PlatformSendMessage(viewerWindow, VM_QUERY_DEVICE, 0, 0), 0);
  EXPECT_EQ(GlobalFindAtomW(L"objet retenu"), 0);
  // Wine withdraws a sent message that timed out before its window took it;
  // Windows delivers it late, and then its atom must still name the object.
  for (const std::string& message : Messages(Trace())) {
    if (Field(message, "number") == std::to_string(VM_SELECT_OBJECT)) {
      EXPECT_EQ(Field(message, "object"), "\"objet retenu\"");
    }
  }
}

// The system's table is shared by every program; once it is full, a message
// whose text gets no atom stays back with a line instead of going with atom 0.
TEST_F(ViewerChannel, AFullAtomTableKeepsTheMessageBackWithALine) {
  Start();
  std::vector<ATOM> filling;
  for (int i = 0; i < 20000; ++i) {
    ATOM atom = GlobalAddAtomW((L"remplissage " + std::to_wstring(i)).c_str());
    if (atom == 0) break;
    filling.push_back(atom);
  }
  std::wstring output = viewer.folder + L"\\billora.txt";
  HANDLE file = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            0, nullptr);
  HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, file);
  SetTitle(L"Carmen");
  SetStdHandle(STD_OUTPUT_HANDLE, saved);
  CloseHandle(file);
  for (ATOM atom : filling) GlobalDeleteAtom(atom);
  EXPECT_LT(filling.size(), 20000u);
  // VM_SELECT_OBJECT and VM_SET_TEXT: one line each, with the system's reason.
  Strings lines = ReadLines(ToUtf8(output));
  ASSERT_EQ(lines.size(), 3u);
  for (size_t i : {1u, 2u}) {
    EXPECT_TRUE(lines[i].starts_with("Can't add atom (") && lines[i].size() > 40) << lines[i];
    EXPECT_TRUE(lines[i].ends_with("), message not sent")) << lines[i];
  }
  EXPECT_TRUE(Messages(Trace()).empty());
}
