// Time, paths and the console of platform/windows. The test runs with
// TZ=Europe/Paris, which Wine turns into the system's time zone.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/paths.h"
#include "platform/print.h"
#include "platform/windows/console.h"
#include "tests/windows/processes.h"

static std::string LocalText(int64_t t) {
  std::tm local{};
  if (!PlatformLocalTime(t, &local)) return "invalid";
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

TEST(WindowsTime, LocalTimeFollowsTheZoneOnBothClockChangeNights) {
  EXPECT_EQ(LocalText(1628935200), "2021-08-14 12:00:00");
  EXPECT_EQ(LocalText(1616893199), "2021-03-28 01:59:59");  // spring forward
  EXPECT_EQ(LocalText(1616893200), "2021-03-28 03:00:00");
  EXPECT_EQ(LocalText(1635640200), "2021-10-31 02:30:00");  // 02:30 twice in the autumn
  EXPECT_EQ(LocalText(1635640200 + 3600), "2021-10-31 02:30:00");
  EXPECT_EQ(LocalText(1609459200), "2021-01-01 01:00:00");
  std::tm local{};
  ASSERT_TRUE(PlatformLocalTime(1616893200, &local));
  EXPECT_EQ(local.tm_yday, 86);
  EXPECT_EQ(local.tm_wday, 0);
  EXPECT_TRUE(PlatformLocalTime(253402300799, &local));  // past the C runtime's year 3000
  EXPECT_EQ(local.tm_year, 10000 - 1900);
}

TEST(WindowsTime, CalendarTimeAndTicksMove) {
  int64_t now = PlatformTime();
  EXPECT_GT(now, 1700000000);
  uint32_t before = PlatformTicks();
  PlatformSleep(100);
  // The tick counter moves in steps of up to about 16 ms.
  EXPECT_GE(static_cast<uint32_t>(PlatformTicks() - before), 80u);
}

TEST(WindowsPaths, TheExecutableAndItsFolderUseBackslashes) {
  std::wstring exe = PlatformExecutablePath();
  EXPECT_TRUE(exe.ends_with(L"\\windows_platform.exe")) << ToUtf8(exe);
  EXPECT_TRUE(PlatformFileExists(exe));
  EXPECT_TRUE(PlatformFileExists(ExecutableDirectory()));
  EXPECT_FALSE(PlatformFileExists(ExecutableDirectory() + L"\\no such file.jpg"));
  EXPECT_EQ(BesideExecutable(L"medias", L"été.jpg"), ExecutableDirectory() + L"\\medias\\été.jpg");
}

TEST(WindowsConsole, RedirectedOutputIsUtf8ByteForByte) {
  std::wstring folder = NewFolder(), path = folder + L"\\out.txt";
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, file);
  PlatformConsoleWrite("Théâtre – 東京 🎭\r\n");
  PrintWide(L"%ls\n", L"Cœur d’été");
  SetStdHandle(STD_OUTPUT_HANDLE, saved);
  CloseHandle(file);
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  in.close();
  EXPECT_EQ(bytes.str(), "Théâtre – 東京 🎭\r\nCœur d’été\n");
  EXPECT_EQ(PlatformReadKey(), -1);  // no console input here: no key, no wait
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

// A console of its own, as billora has at a venue: once prepared, a click or a
// key starts no selection there (QuickEdit and insert mode off), its other
// modes stay, and text still reaches it, through the writer thread.
TEST(WindowsConsole, PreparingTheConsoleSwitchesQuickEditOffAndKeepsTheOtherModes) {
  FreeConsole();
  ASSERT_TRUE(AllocConsole());
  HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  const DWORD kept = ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT;
  ASSERT_TRUE(SetConsoleMode(
      in, kept | ENABLE_QUICK_EDIT_MODE | ENABLE_INSERT_MODE | ENABLE_EXTENDED_FLAGS));
  HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, out);
  PlatformPrepareConsole();
  DWORD mode = 0;
  ASSERT_TRUE(GetConsoleMode(in, &mode));
  EXPECT_EQ(mode & (ENABLE_QUICK_EDIT_MODE | ENABLE_INSERT_MODE), 0u) << mode;
  EXPECT_EQ(mode & (kept | ENABLE_EXTENDED_FLAGS), kept | ENABLE_EXTENDED_FLAGS) << mode;
  COORD home{0, 0};
  FillConsoleOutputCharacterW(out, L' ', 200, home, &mode);
  SetConsoleCursorPosition(out, home);
  PlatformConsoleWrite("billora été");
  ConsoleDrain(5000);
  wchar_t shown[11] = {};
  DWORD read = 0;
  ReadConsoleOutputCharacterW(out, shown, 11, home, &read);
  EXPECT_EQ(std::wstring(shown, read), L"billora été");
  SetStdHandle(STD_OUTPUT_HANDLE, saved);
  CloseHandle(in);
  FreeConsole();
}

// A thread left unaware of the screen's scale (a shortcut's override does
// that to the process) is made per-monitor aware again.
TEST(WindowsScreen, DpiAwarenessIsMadePerMonitorAtStart) {
  ASSERT_NE(SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_UNAWARE), nullptr);
  PlatformUsePhysicalPixels();
  EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetThreadDpiAwarenessContext()),
            DPI_AWARENESS_PER_MONITOR_AWARE);
}
