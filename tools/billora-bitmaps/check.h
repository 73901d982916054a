// The check of billora-bitmaps: the pictures written, searched for on the
// screen they were cut from exactly as the display program searches.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "tools/screen_cut.h"

// Loads the pictures of folder as the program does at start, searches each
// cut one on screen from where Speak starts that search, and prints where it
// lies and where Speak would click. Returns true when Speak would find an
// icon and a play button, and every cut picture is found.
bool CheckPictures(const std::wstring& folder, const ImageView& screen,
                   const std::map<uint16_t, Region>& cuts);
