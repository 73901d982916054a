// The screen stays on while the program runs. The screen saver extension's
// suspension stops both the screen saver and the display's power saving
// (DPMS), and the X server ends it by itself when this client's connection
// closes (exit, crash, the restart's exec): nothing is left to give back.
#include <X11/Xlib.h>
// The extensions' headers take Xlib's types as given.
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>

#include "platform/linux/x11.h"
#include "platform/platform.h"

void PlatformKeepScreenOn() {
  Display* d = X11Display();
  if (!d) return;
  int event = 0, error = 0;
  if (XScreenSaverQueryExtension(d, &event, &error)) XScreenSaverSuspend(d, True);
  // A monitor that power saving had already switched off comes back.
  CARD16 level = DPMSModeOn;
  BOOL enabled = False;
  if (DPMSQueryExtension(d, &event, &error) && DPMSCapable(d) && DPMSInfo(d, &level, &enabled) &&
      level != DPMSModeOn)
    DPMSForceLevel(d, DPMSModeOn);
  X11Sync(d);
}
