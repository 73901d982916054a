// Windows programs for the tests under Wine: folders of their own, child
// processes, and the stand-in viewer kivo-standin.exe with its trace.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/text.h"
#include "platform/platform.h"
#include "tests/support/trace_lines.h"

// A path in the build folder: the nearest folder above this program that
// holds CMakeCache.txt.
inline std::wstring BuildPath(const std::wstring& relative) {
  std::filesystem::path folder = std::filesystem::path(PlatformExecutablePath()).parent_path();
  while (!std::filesystem::exists(folder / "CMakeCache.txt") && folder != folder.parent_path())
    folder = folder.parent_path();
  return (folder / relative).wstring();
}

// A fresh folder under the temporary folder, removed by its owner.
inline std::wstring NewFolder() {
  wchar_t base[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, base);
  static int count = 0;
  for (;;) {
    std::wstring folder = std::wstring(base) + L"billora-test-" +
                          std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count);
    if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return std::wstring();
  }
}

inline std::wstring Quote(const std::wstring& word) { return L"\"" + word + L"\""; }

// Starts `exe` with the command line `arguments`; its output goes to
// `output` (a file it creates) when one is named. Returns the process.
inline HANDLE StartProgram(const std::wstring& exe, const std::wstring& arguments,
                           const std::wstring& output = std::wstring()) {
  std::wstring commandLine = Quote(exe) + L" " + arguments;
  STARTUPINFOW start{};
  start.cb = sizeof start;
  HANDLE file = INVALID_HANDLE_VALUE;
  if (!output.empty()) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    file = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       CREATE_ALWAYS, 0, nullptr);
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = nullptr;
    start.hStdOutput = start.hStdError = file;
  }
  PROCESS_INFORMATION process{};
  BOOL started =
      CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr,
                     file != INVALID_HANDLE_VALUE, 0, nullptr, nullptr, &start, &process);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (!started) return nullptr;
  CloseHandle(process.hThread);
  return process.hProcess;
}

// The exit code once the process ends within `ms`, else -1.
inline int WaitProgram(HANDLE process, DWORD ms) {
  DWORD code = 0;
  if (WaitForSingleObject(process, ms) != WAIT_OBJECT_0 || !GetExitCodeProcess(process, &code))
    return -1;
  return static_cast<int>(code);
}

struct StandIn {
  std::wstring folder;  // private, removed by RemoveStandIn
  std::string trace;    // UTF-8 path of its trace
  HANDLE process = nullptr;
};

// The stand-in viewer with `options`, tracing into a folder of its own.
inline StandIn StartStandIn(std::vector<std::string> options = {}) {
  StandIn viewer;
  viewer.folder = NewFolder();
  std::wstring trace = viewer.folder + L"\\trace.jsonl";
  viewer.trace = ToUtf8(trace);
  // Scenes end at once unless `options` give a --run-time of their own.
  std::wstring arguments = L"--quiet --run-time 0 --trace " + Quote(trace);
  for (const std::string& option : options) arguments += L" " + FromUtf8(option);
  viewer.process = StartProgram(BuildPath(L"tools\\kivo-standin.exe"), arguments,
                                viewer.folder + L"\\console.txt");
  return viewer;
}

// The viewer's window once it is there, trying for up to 20 s (Wine starts a
// program slowly the first time).
inline WindowHandle FindViewer() {
  for (int i = 0; i < 2000; ++i) {
    if (WindowHandle window = PlatformFindWindow(L"kivo_communication")) return window;
    Sleep(10);
  }
  return 0;
}

// Closes its window as an operator would, so that it writes its exit line.
inline void StopStandIn(StandIn& viewer) {
  if (!viewer.process) return;
  if (HWND window = FindWindowW(L"kivo_communication", nullptr))
    PostMessageW(window, WM_CLOSE, 0, 0);
  if (WaitProgram(viewer.process, 10000) < 0) TerminateProcess(viewer.process, 1);
  WaitForSingleObject(viewer.process, 5000);
  CloseHandle(viewer.process);
  viewer.process = nullptr;
}

inline void RemoveStandIn(StandIn& viewer) {
  if (viewer.process) {
    TerminateProcess(viewer.process, 1);
    WaitForSingleObject(viewer.process, 5000);
    CloseHandle(viewer.process);
    viewer.process = nullptr;
  }
  std::error_code ignored;
  if (!viewer.folder.empty()) std::filesystem::remove_all(viewer.folder, ignored);
}
