// Steps on the show list after each load: date order and the poster check.
#pragma once

#include <string>

// Puts the show occurrences in ascending date order, equal dates keeping their
// load order, moving the five show lists together. -1 when there is no show.
int SortShowList();

// Prints "\nWarning: <path> cannot be found" for each poster file missing
// (MediaAvailable).
void CheckMedia();

// True when the poster file exists in the media folder; a name that would
// leave that folder counts as missing.
bool MediaAvailable(const std::wstring& file);

// Where a poster file of visuals lies: the media folder beside the executable.
std::wstring MediaPath(const std::wstring& file);
