// The installer's way to stop what runs from the venue folder before it
// replaces or removes the programs there.
#pragma once

#include <string>

// Ends every billora-keeper.exe run from folder (first, so that none starts a
// display again), then every billora.exe and kivo-standin.exe run from it, in
// every session, this process apart, and waits until each has gone. Prints
// "ended <path> (process <id>)" for each. Returns 0, or 1 when one could not
// be ended.
int StopVenuePrograms(const std::wstring& folder);
