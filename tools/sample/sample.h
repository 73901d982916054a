// billora-sample: the sample venue, written beside the display or into a
// folder given: list.mdb with shows dated from a moment, the posters and the
// scene files of every scene.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A local moment as its calendar fields counted in seconds since 1970-01-01
// (as if they were UTC): the sample's dates are fields, so their arithmetic
// needs no time zone.
using LocalSeconds = int64_t;

// "YYYY-MM-DD HH:MM:SS" or "YYYY-MM-DD HH:MM"; false when it is no moment.
bool ParseMoment(const std::string& text, LocalSeconds* moment);

struct SampleFile {
  std::string path;  // relative to the venue folder, '/' between folders
  std::string bytes;
};

// Every file of the sample, its dates from `moment`.
std::vector<SampleFile> SampleFiles(LocalSeconds moment);

// poster.cpp: a poster of 240 x 340 pixels as a PNG file: a frame and
// the title in capitals (A-Z, the apostrophe and the space) on a background.
std::string PosterPng(const std::string& title, uint32_t background);
