// speech-page.exe: a Win32 stand-in of the speech web page for the tests of
// Speak under Wine. One window at the top-left of the screen shows bitmaps
// 101-105 where the test page has them, and a text field below them; it
// writes every click, key and character it receives to a log, and the field's
// text when a play button is clicked. A venue's own page (--venue-page) shows
// the pictures with their colours inverted, so that only pictures cut from
// it find them. --slow-input MS makes it take that long over each key and
// character, as a busy browser does; --steal-focus puts another window in
// front 300 ms after the first click, as a pop-up would, and logs what that
// window receives as "pop-up ...":
//   speech-page.exe LOG [--no-icons] [--no-play] [--venue-page] [--slow-input MS]
//                       [--steal-focus]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/text.h"

struct Picture {
  int id, x, y;
  bool icon;
};
// As in tests/speechpage/index.html.
static const Picture kPictures[] = {{101, 60, 40, true},
                                    {103, 60, 100, true},
                                    {104, 440, 186, false},
                                    {105, 490, 186, false},
                                    {102, 60, 450, false}};
static const RECT kField = {60, 232, 1260, 432};

static FILE* logFile = nullptr;
static bool showIcons = true, showPlay = true, venuePage = false;
static DWORD inputMs = 0;
static HWND thief = nullptr;  // with --steal-focus
static bool stolen = false;
static std::wstring field;
static size_t caret = 0;
static bool fieldFocused = false;

static void Log(const std::string& line) {
  std::fprintf(logFile, "%s\n", line.c_str());
  std::fflush(logFile);
}

static bool Shown(const Picture& p) { return p.icon ? showIcons : showPlay; }

static void Paint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT all;
  GetClientRect(window, &all);
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  FrameRect(dc, &kField, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  HDC source = CreateCompatibleDC(dc);
  for (const Picture& p : kPictures) {
    if (!Shown(p)) continue;
    auto bitmap = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(p.id),
                                                  IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP size;
    GetObjectW(bitmap, sizeof size, &size);
    HGDIOBJ old = SelectObject(source, bitmap);
    BitBlt(dc, p.x, p.y, size.bmWidth, size.bmHeight, source, 0, 0,
           venuePage ? NOTSRCCOPY : SRCCOPY);
    SelectObject(source, old);
    DeleteObject(bitmap);
  }
  DeleteDC(source);
  EndPaint(window, &paint);
}

// The pop-up comes in front a moment after the first click.
static void CALLBACK Steal(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  ShowWindow(thief, SW_SHOW);
  SetForegroundWindow(thief);
}

static void Click(int x, int y) {
  Log("click " + std::to_string(x) + "," + std::to_string(y));
  POINT at{x, y};
  fieldFocused = PtInRect(&kField, at);
  if (thief != nullptr && !stolen) stolen = SetTimer(nullptr, 0, 300, Steal) != 0;
  for (const Picture& p : kPictures) {
    RECT button{p.x, p.y, p.x + 37, p.y + 27};
    if (!p.icon && Shown(p) && PtInRect(&button, at)) Log("play " + ToUtf8(field));
  }
}

static void Key(WPARAM key, LPARAM flags) {
  Sleep(inputMs);
  bool extended = (flags >> 24) & 1;
  Log("key " + std::to_string(key) + (extended ? " extended" : ""));
  if (!fieldFocused) return;
  if (key == VK_LEFT && caret > 0) --caret;
  if (key == VK_HOME) caret = 0;
  if (key == VK_DELETE && caret < field.size()) field.erase(caret, 1);
}

static void Char(WPARAM code) {
  Sleep(inputMs);
  Log("char " + std::to_string(code));
  if (fieldFocused) field.insert(caret++, 1, static_cast<wchar_t>(code));
}

static LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_LBUTTONDOWN:
      Click(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
      return 0;
    case WM_KEYDOWN:
      Key(wParam, lParam);
      return 0;
    case WM_CHAR:
      Char(wParam);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

static LRESULT CALLBACK PopUpProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN || message == WM_CHAR || message == WM_LBUTTONDOWN)
    Log("pop-up " + std::to_string(message) + " " + std::to_string(wParam));
  return DefWindowProcW(window, message, wParam, lParam);
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  logFile = std::fopen(argv[1], "w");
  if (!logFile) return 2;
  for (int i = 2; i < argc; ++i) {
    showIcons &= std::string(argv[i]) != "--no-icons";
    showPlay &= std::string(argv[i]) != "--no-play";
    venuePage |= std::string(argv[i]) == "--venue-page";
    if (std::string(argv[i]) == "--slow-input" && i + 1 < argc) inputMs = std::atoi(argv[++i]);
    if (std::string(argv[i]) == "--steal-focus") {
      WNDCLASSW popUp{0, PopUpProc, 0, 0, GetModuleHandleW(nullptr), {}, {}, {}, {}, L"pop_up"};
      RegisterClassW(&popUp);
      thief = CreateWindowExW(WS_EX_TOPMOST, popUp.lpszClassName, L"pop-up", WS_POPUP | WS_BORDER,
                              1500, 700, 200, 100, nullptr, nullptr, popUp.hInstance, nullptr);
    }
  }
  WNDCLASSW page{};
  page.lpfnWndProc = PageProc;
  page.hInstance = GetModuleHandleW(nullptr);
  page.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  page.lpszClassName = L"billora_speech_page";
  RegisterClassW(&page);
  HWND window = CreateWindowExW(WS_EX_TOPMOST, page.lpszClassName, L"speech page", WS_POPUP, 0, 0,
                                1320, 520, nullptr, nullptr, page.hInstance, nullptr);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  SetForegroundWindow(window);
  Log("ready");
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
