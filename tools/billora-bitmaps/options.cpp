#include "tools/billora-bitmaps/options.h"

#include <charconv>
#include <fstream>
#include <string_view>

const char kUsage[] =
    "usage: billora-bitmaps [--from FILE.png|FILE.bmp | --delay SECONDS] [--out DIR]\n"
    "                       [--regions FILE]\n"
    "                       [--icon X,Y,W,H] [--icon-caption X,Y,W,H]\n"
    "                       [--play X,Y,W,H] [--play2 X,Y,W,H] [--play3 X,Y,W,H]\n"
    "Cuts the pictures of the speech page out of the screen (or of a saved\n"
    "screenshot) into DIR/101.bmp ... 105.bmp, by default speech/ beside the\n"
    "program, and checks that the display program finds each where it was cut.\n"
    "--delay waits before capturing the screen, time to bring the page to the front.\n"
    "A regions file holds lines such as \"icon 60,40,45,38\".\n";

const char* PictureOption(uint16_t id) {
  for (const PictureName& p : kPictureNames)
    if (p.id == id) return p.option;
  return "?";
}

static const PictureName* FindPicture(std::string_view option) {
  for (const PictureName& p : kPictureNames)
    if (option == p.option) return &p;
  return nullptr;
}

// One picture's region, under its option's name with or without "--".
static std::string TakeRegion(std::string_view name, const std::string& value, Options* o) {
  if (name.starts_with("--")) name.remove_prefix(2);
  const PictureName* picture = FindPicture(name);
  if (!picture) return "unknown picture " + std::string(name);
  Region region;
  if (!ParseRegion(value, &region))
    return "--" + std::string(name) + " " + value + ": expected X,Y,W,H (whole numbers)";
  o->regions[picture->id] = region;
  return {};
}

// Lines "NAME X,Y,W,H"; blank lines and those starting with '#' are skipped.
static std::string ReadRegionsFile(const std::string& path, Options* o) {
  std::ifstream file(Utf8Path(path));
  if (!file) return "cannot read " + path;
  int number = 0;
  for (std::string line; std::getline(file, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    size_t gap = line.find_first_of(" \t", start);
    size_t value = gap == std::string::npos ? gap : line.find_first_not_of(" \t", gap);
    std::string problem = value == std::string::npos
                              ? "expected NAME X,Y,W,H"
                              : TakeRegion(line.substr(start, gap - start), line.substr(value), o);
    if (!problem.empty()) return path + ":" + std::to_string(number) + ": " + problem;
  }
  return {};
}

// Whole seconds, at most an hour.
static std::string TakeDelay(const std::string& value, Options* o) {
  const char* end = value.data() + value.size();
  auto [next, error] = std::from_chars(value.data(), end, o->delay);
  if (value.empty() || error != std::errc() || next != end || o->delay > kLongestDelay)
    return "--delay " + value + ": expected whole seconds from 0 to " +
           std::to_string(kLongestDelay);
  return {};
}

std::string ParseOptions(const std::vector<std::string>& args, Options* o) {
  for (size_t i = 0; i < args.size(); ++i) {
    std::string_view option = args[i];
    if (option == "--help" || option == "-h") {
      o->help = true;
      continue;
    }
    if (!option.starts_with("--")) return "unexpected argument " + std::string(option);
    if (i + 1 == args.size()) return std::string(option) + " needs a value";
    const std::string& value = args[++i];
    std::string problem;
    if (option == "--from")
      o->from = value;
    else if (option == "--delay")
      problem = TakeDelay(value, o);
    else if (option == "--out")
      o->out = value;
    else if (option == "--regions")
      problem = ReadRegionsFile(value, o);
    else if (FindPicture(option.substr(2)))
      problem = TakeRegion(option, value, o);
    else
      problem = "unknown option " + std::string(option);
    if (!problem.empty()) return problem;
  }
  if (o->help) return {};
  if (o->regions.empty()) return "no picture to cut: give at least one region";
  if (o->delay > 0 && !o->from.empty())
    return "--delay waits before capturing the screen: it has no use with --from";
  return {};
}
