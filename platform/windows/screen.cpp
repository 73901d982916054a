// Capture of the primary screen into a 32-bit top-down DIB section, kept from
// one capture to the next and made again when the screen size changes. The
// process is DPI-aware through its manifest, so the sizes and pixels are the
// screen's physical ones.
#include <windows.h>
#include <wtsapi32.h>

#include <map>
#include <string>
#include <utility>

#include "platform/platform.h"
#include "platform/windows/error.h"

static HDC memoryDc = nullptr;
static HBITMAP section = nullptr;
static HGDIOBJ originalBitmap = nullptr;
static void* sectionBits = nullptr;
static int sectionWidth = 0, sectionHeight = 0;

static void DropSection() {
  if (memoryDc) {
    SelectObject(memoryDc, originalBitmap);
    DeleteDC(memoryDc);
  }
  if (section) DeleteObject(section);
  memoryDc = nullptr;
  section = nullptr;
  sectionBits = nullptr;
  sectionWidth = sectionHeight = 0;
}

static bool MakeSection(HDC screen, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  memoryDc = CreateCompatibleDC(screen);
  section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &sectionBits, nullptr, 0);
  if (!memoryDc || !section) {
    DropSection();
    return false;
  }
  originalBitmap = SelectObject(memoryDc, section);
  sectionWidth = width;
  sectionHeight = height;
  return true;
}

static std::string captureError;

static int Fail(int status, std::string reason) {
  captureError = std::move(reason);
  return status;
}

// A disconnected remote session has no screen, and a locked one shows the
// secure desktop (Winlogon), which a user's program may not open: capture
// then fails or gives a black picture, so both are asked first (Microsoft's
// documentation of WTSQuerySessionInformationW and OpenInputDesktop). A
// question that cannot be answered counts as no objection. Wine has neither
// locked nor disconnected sessions to show this.
static std::string ScreenUnavailable() {
  WTS_CONNECTSTATE_CLASS* state = nullptr;
  DWORD bytes = 0;
  if (WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, WTSConnectState,
                                  reinterpret_cast<LPWSTR*>(&state), &bytes)) {
    bool disconnected = bytes >= sizeof *state && *state == WTSDisconnected;
    WTSFreeMemory(state);
    if (disconnected) return "the remote session is disconnected";
  }
  HDESK desktop = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
  if (desktop == nullptr)
    return GetLastError() == ERROR_ACCESS_DENIED ? "the session is locked" : "";
  wchar_t name[64] = {};
  bool named =
      GetUserObjectInformationW(desktop, UOI_NAME, name, sizeof name - sizeof name[0], nullptr);
  CloseDesktop(desktop);
  return named && lstrcmpiW(name, L"Winlogon") == 0 ? "the session is locked" : "";
}

int PlatformCaptureScreen(const uint32_t** pixels, uint32_t* width, uint32_t* height) {
  std::string unavailable = ScreenUnavailable();
  if (!unavailable.empty()) return Fail(-1, unavailable);
  int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  if (w <= 0 || h <= 0) return Fail(-1, "no screen");
  HDC screen = GetDC(nullptr);
  if (!screen) return Fail(-1, "no device context for the screen");
  if (w != sectionWidth || h != sectionHeight) DropSection();
  if (!section && !MakeSection(screen, w, h)) {
    ReleaseDC(nullptr, screen);
    return Fail(-3, "no memory for the snapshot");
  }
  // No CAPTUREBLT: since Windows 8 layered windows are in the copy without
  // it, and with it the cursor flickers at every capture.
  BOOL copied = BitBlt(memoryDc, 0, 0, w, h, screen, 0, 0, SRCCOPY);
  DWORD error = copied ? 0 : GetLastError();
  ReleaseDC(nullptr, screen);
  if (!copied) return Fail(-1, "the screen cannot be copied (" + ErrorText(error) + ")");
  captureError.clear();
  GdiFlush();  // the pixels are in the section once GDI has drawn them
  *pixels = static_cast<const uint32_t*>(sectionBits);
  *width = static_cast<uint32_t>(w);
  *height = static_cast<uint32_t>(h);
  return 0;
}

std::string PlatformCaptureError() { return captureError; }

// A BITMAP resource is a bitmap file without its 14-byte file header: the
// header is put back, so that the same reader takes both.
static std::string BitmapFile(const BYTE* data, DWORD size) {
  if (size < sizeof(BITMAPINFOHEADER)) return std::string();
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(data);
  DWORD colours = header->biClrUsed;
  if (colours == 0 && header->biBitCount <= 8) colours = 1u << header->biBitCount;
  DWORD masks = header->biCompression == BI_BITFIELDS && header->biSize == 40 ? 12 : 0;
  DWORD offset = 14 + header->biSize + masks + colours * 4;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfSize = 14 + size;
  file.bfOffBits = offset;
  std::string bytes(reinterpret_cast<const char*>(&file), 14);
  bytes.append(reinterpret_cast<const char*>(data), size);
  return bytes;
}

std::string_view PlatformBitmapResource(uint16_t id) {
  static std::map<uint16_t, std::string> files;
  auto known = files.find(id);
  if (known != files.end()) return known->second;
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(2));  // RT_BITMAP
  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return {};
  return files[id] = BitmapFile(static_cast<const BYTE*>(data), SizeofResource(nullptr, found));
}

// For as long as this thread runs, which is the program's life: the system
// gives the state back when the process ends. It keeps the display and the
// machine awake, not the screen saver, which a venue switches off.
void PlatformKeepScreenOn() {
  SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED);
}
