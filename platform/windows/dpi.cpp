// DPI awareness checked at run time. The manifest asks for per-monitor
// awareness, but a shortcut's "Override high DPI scaling" or another
// toolchain's default manifest can leave a process unaware or system aware:
// Windows then scales its coordinates and stretches its captures on a screen
// above 100 %, and no picture or click of the speech page would land. The
// calls are looked up at run time: Windows before 10 (1607) lacks them, and
// the manifest's dpiAware entry is all there is to rely on there. Wine does
// not virtualise coordinates, so only the calls themselves can be seen there.
#include <windows.h>

#include "platform/platform.h"
#include "platform/print.h"
#include "platform/windows/error.h"

using GetDpiContext = DPI_AWARENESS_CONTEXT(WINAPI*)();
using SameDpiContexts = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT, DPI_AWARENESS_CONTEXT);
using SetProcessDpiContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
using SetThreadDpiContext = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);

template <class F>
static F UserCall(const char* name) {
  return reinterpret_cast<F>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

static bool PerMonitor(GetDpiContext get, SameDpiContexts equal) {
  DPI_AWARENESS_CONTEXT now = get();
  return equal(now, DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) ||
         equal(now, DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
}

// The process's awareness can be set once only (an earlier setting, by a
// manifest too, refuses it with ERROR_ACCESS_DENIED); the thread's can
// always be, and the main thread is the one that captures and clicks.
void PlatformUsePhysicalPixels() {
  auto get = UserCall<GetDpiContext>("GetThreadDpiAwarenessContext");
  auto equal = UserCall<SameDpiContexts>("AreDpiAwarenessContextsEqual");
  auto setProcess = UserCall<SetProcessDpiContext>("SetProcessDpiAwarenessContext");
  auto setThread = UserCall<SetThreadDpiContext>("SetThreadDpiAwarenessContext");
  if (get == nullptr || equal == nullptr || PerMonitor(get, equal)) return;
  DWORD error = ERROR_PROC_NOT_FOUND;
  for (DPI_AWARENESS_CONTEXT wanted :
       {DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE}) {
    if (setProcess != nullptr && !setProcess(wanted)) error = GetLastError();
    if (PerMonitor(get, equal)) return;
    if (setThread != nullptr && setThread(wanted) == nullptr) error = GetLastError();
    if (PerMonitor(get, equal)) return;
  }
  PrintNarrow(
      "\nscreen scaled by Windows: DPI awareness not per monitor (%s), "
      "pictures and clicks may miss the speech page\n",
      ErrorText(error).c_str());
}
