#include "platform/linux/heartbeat.h"

#include <systemd/sd-daemon.h>

#include <csignal>
#include <cstdint>

#include "platform/platform.h"

constexpr uint32_t kBeatEveryMs = 5000;

static volatile sig_atomic_t stopped = 0;
static bool beaten = false;
static uint32_t lastBeat = 0;

void Heartbeat() {
  if (stopped) return;
  uint32_t now = PlatformTicks();
  if (beaten && now - lastBeat < kBeatEveryMs) return;
  beaten = true;
  lastBeat = now;
  // NOTIFY_SOCKET stays set: the restart's exec keeps the process, and the
  // new instance beats on the same socket.
  sd_notify(0, "WATCHDOG=1");
}

void StopHeartbeat() { stopped = 1; }
