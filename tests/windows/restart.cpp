// Restart on Windows: a new process of the same executable after an exception
// and after each kind of fatal fault, writing to the same output; and the real
// billora.exe from a folder whose path has spaces and accents.
#include <gtest/gtest.h>

#include <set>

#include "tests/windows/processes.h"
// After windows.h, which it needs.
#include <tlhelp32.h>

static int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The output file's text once it holds `until` `times` times, or after 60 s.
static std::string WaitForOutput(const std::wstring& path, const std::string& until,
                                 int times = 1) {
  std::string text;
  for (int i = 0; i < 600; ++i, Sleep(100)) {
    text.clear();
    for (const std::string& line : ReadLines(ToUtf8(path))) text += line + "\n";
    if (Count(text, until) >= times) break;
  }
  return text;
}

TEST(Restart, EveryFaultStartsANewInstance) {
  std::wstring folder = NewFolder(), output = folder + L"\\output.txt";
  _putenv_s("RESTART_PLAN", "xvsdta");
  _putenv_s("RESTART_GENERATION", "");
  HANDLE first = StartProgram(BuildPath(L"tests\\windows\\restart-child.exe"), L"", output);
  ASSERT_NE(first, nullptr);
  std::string text = WaitForOutput(output, "done\n");
  CloseHandle(first);
  std::set<std::string> pids;
  for (int generation = 0; generation <= 6; ++generation) {
    std::string head = "generation " + std::to_string(generation) + " pid ";
    size_t at = text.find(head);
    ASSERT_NE(at, std::string::npos) << text;
    pids.insert(text.substr(at + head.size(), text.find('\n', at) - at - head.size()));
  }
  EXPECT_EQ(pids.size(), 7u) << text;  // a new process each time
  EXPECT_NE(text.find("done\n"), std::string::npos) << text;
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

// Ends the instances that `parent` started.
static void EndChildren(DWORD parent) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ParentProcessID != parent) continue;
    if (HANDLE child = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID)) {
      TerminateProcess(child, 0);
      CloseHandle(child);
    }
  }
  CloseHandle(snapshot);
}

TEST(Restart, TheDisplayProgramComesBackFromAFolderWithSpacesAndAccents) {
  std::wstring folder = NewFolder() + L"\\Program Files\\billora été";
  std::filesystem::create_directories(folder);
  std::wstring exe = folder + L"\\billora.exe", output = folder + L"\\..\\console.txt";
  ASSERT_TRUE(CopyFileW(BuildPath(L"cycle\\billora.exe").c_str(), exe.c_str(), FALSE));
  HANDLE first = StartProgram(exe, L"", output);
  ASSERT_NE(first, nullptr);
  std::string database = ToUtf8(folder) + "\\list.mdb: ";
  std::string text = WaitForOutput(output, database + "no such file");
  EXPECT_EQ(
      text.rfind("Speech pictures from " + ToUtf8(folder) +
                     "\\speech: none; stored: 101 102 103 104 105\n"
                     "SPEAK(Coucou)err1\nBILLORA 1.5\n\nReading list...\nFatal, can't open db\n" +
                     database + "no such file\n",
                 0),
      0u)
      << text;
  // The reason once, and again only when it changes: a program that opened
  // list.mdb sharing nothing.
  HANDLE held = CreateFileW((folder + L"\\list.mdb").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  text = WaitForOutput(output, database + "in use by another program", 1);
  CloseHandle(held);
  EXPECT_EQ(Count(text, "no such file"), 1) << text;
  EXPECT_GE(Count(text, "can't open db"), 2) << text;
  // A thread that starts at address 0: an access violation in the program.
  HANDLE thread = CreateRemoteThread(first, nullptr, 0, nullptr, nullptr, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  CloseHandle(thread);
  EXPECT_EQ(WaitProgram(first, 20000), 3);
  text = WaitForOutput(output, "BILLORA 1.5\n", 2);
  EXPECT_EQ(Count(text, "BILLORA 1.5\n"), 2) << text;
  // The first instance lived a moment only: the count travels in the environment.
  EXPECT_NE(text.find("\nrestarting in 1 s after 1 quick failure\n"), std::string::npos) << text;
  EndChildren(GetProcessId(first));
  CloseHandle(first);
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(folder).parent_path().parent_path(), ignored);
}

// One display program per venue, whatever the spelling of its folder; the
// restarts above are never refused by it.
TEST(Restart, ASecondDisplayProgramForTheSameVenueEndsAtOnce) {
  std::wstring folder = NewFolder(), exe = folder + L"\\billora.exe";
  ASSERT_TRUE(CopyFileW(BuildPath(L"cycle\\billora.exe").c_str(), exe.c_str(), FALSE));
  HANDLE first = StartProgram(exe, L"", folder + L"\\first.txt");
  ASSERT_NE(first, nullptr);
  WaitForOutput(folder + L"\\first.txt", "can't open db");
  std::wstring upper = exe;
  CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  HANDLE second = StartProgram(upper, L"", folder + L"\\second.txt");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(WaitProgram(second, 20000), 1);
  EXPECT_EQ(WaitForOutput(folder + L"\\second.txt", "already"),
            "\nbillora already runs for this venue\n");
  CloseHandle(second);
  TerminateProcess(first, 0);
  WaitForSingleObject(first, 5000);
  CloseHandle(first);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}
