// The command line of billora-bitmaps.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/screen_cut.h"

// The five pictures of the speech page, by the option that names each.
struct PictureName {
  const char* option;
  uint16_t id;
};
inline constexpr PictureName kPictureNames[] = {
    {"icon", 101}, {"icon-caption", 103}, {"play", 102}, {"play2", 104}, {"play3", 105}};

const char* PictureOption(uint16_t id);

struct Options {
  std::string from;                    // a saved screenshot; empty: capture the screen
  std::string out;                     // empty: speech/ beside the program
  uint32_t delay = 0;                  // seconds before the capture
  std::map<uint16_t, Region> regions;  // by picture id
  bool help = false;
};

inline constexpr uint32_t kLongestDelay = 3600;

// Reads the arguments after the program's name. Returns an empty string, or
// what is wrong with them.
std::string ParseOptions(const std::vector<std::string>& args, Options* options);

extern const char kUsage[];
