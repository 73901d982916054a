// The named mutexes that tie a program to its venue, the folder of its
// executable: one display program and one keeper per venue.
#pragma once

#include <string>

// "Local\billora-<role>-<16 hex digits>": the digits stand for the venue
// folder as the file system names it, in upper case, so that every spelling
// of one folder gives one name (a mutex name takes no '\' after its prefix).
std::wstring VenueMutexName(const wchar_t* role);
// Closes this process's claim of PlatformClaimVenue, before a restart.
void ReleaseVenue();
