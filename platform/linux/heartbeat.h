// The display's sign of life for systemd's watchdog (WatchdogSec= in
// billora.service): "WATCHDOG=1" on the socket that NOTIFY_SOCKET names.
// PlatformSleep, through which every wait of the program goes, beats, so that
// a program blocked in any other call (a hung X server, a lock) falls silent
// and systemd ends and restarts it. Without NOTIFY_SOCKET (started by hand)
// nothing is sent.
#pragma once

// At most one message every 5 s, however often it is called.
void Heartbeat();
// For good, from a fatal signal's handler: a program that cannot start anew
// after a fault falls silent, and systemd ends it. Async-signal-safe.
void StopHeartbeat();
