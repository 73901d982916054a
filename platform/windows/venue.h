// The named mutexes that tie a program to its venue, the folder of its
// executable: one display program and one keeper per venue. Beside them, the
// display's heartbeat, which the keeper reads.
#pragma once

#include <cstdint>
#include <string>

// A folder as the file system names it, in upper case: every spelling of one
// folder (short names, other paths to it) gives one key.
std::wstring FolderKey(std::wstring folder);
// "Local\billora-<role>-<16 hex digits>": the digits stand for the FolderKey
// of the venue folder (a mutex name takes no '\' after its prefix).
std::wstring VenueMutexName(const wchar_t* role);
// Closes this process's claim of PlatformClaimVenue, before a restart.
void ReleaseVenue();

// The display's last sign of life: a named block of shared memory per venue
// ("Local\billora-beat-<digits>"), made when the display claims the venue.
struct VenueBeat {
  volatile long tick;  // GetTickCount at the last beat
  uint32_t process;    // the process id of the display that beats
};
// Stores the tick now, when this process holds the venue. PlatformSleep calls
// it, so every wait beats and a program blocked in any other call falls silent.
void VenueHeartbeat();
// The venue's last beat; false when no display made the block (none runs, or
// one of a version without it).
bool ReadVenueBeat(VenueBeat* beat);
