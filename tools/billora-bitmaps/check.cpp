#include "tools/billora-bitmaps/check.h"

#include <set>
#include <vector>

#include "platform/print.h"
#include "speech/locator.h"
#include "speech/page_pictures.h"
#include "tools/billora-bitmaps/options.h"

// The order in which Speak tries the pictures, and its click offsets.
static const std::vector<uint16_t> kAnchors = {101, 103};
static const std::vector<uint16_t> kPlayButtons = {102, 104, 105};
static constexpr int kFirstClickY = 100, kSecondClickY = 200, kClickX = 5, kPlayClickY = 5;

struct Spot {
  uint16_t id = 0;  // 0: none found
  int x = 0, y = 0;
};

// The first of ids found from (x, y), as Speak tries them.
static Spot FirstFound(const ImageView& screen, const std::vector<uint16_t>& ids, int x, int y) {
  for (uint16_t id : ids) {
    Spot spot{id, x, y};
    if (FindBitmapInImage(screen, id, spot.x, spot.y) == 0) return spot;
  }
  return {0, x, y};
}

// Why the picture cut at r is not found searching from (fromX, fromY).
static std::string WhyMissing(const ImageView& screen, const Region& r, int fromX, int fromY) {
  if (int64_t{r.x} + r.w == screen.width || int64_t{r.y} + r.h == screen.height)
    return "it touches the right or bottom edge of the screen, where the search never looks";
  if (r.x < fromX || r.y < fromY)
    return FormatText("the play button is searched only right of and below the icon at %d,%d",
                      fromX, fromY);
  return "the picture in the folder is not the one cut";
}

// One line for the picture cut at r; false when it is not found.
static bool ReportPicture(const ImageView& screen, uint16_t id, const Region& r, int fromX,
                          int fromY) {
  Spot spot{id, fromX, fromY};
  const char* name = PictureOption(id);
  if (FindBitmapInImage(screen, id, spot.x, spot.y) != 0) {
    PrintNarrow("%u %s: NOT FOUND: %s\n", id, name, WhyMissing(screen, r, fromX, fromY).c_str());
    return false;
  }
  if (spot.x == r.x && spot.y == r.y) {
    PrintNarrow("%u %s: found at %d,%d\n", id, name, spot.x, spot.y);
    return true;
  }
  PrintNarrow(
      "%u %s: found at %d,%d\n  warning: not at %d,%d where it was cut; the same picture "
      "comes first at %d,%d, and the program would click from there\n",
      id, name, spot.x, spot.y, r.x, r.y, spot.x, spot.y);
  return true;
}

static std::string Source(uint16_t id, const std::set<uint16_t>& taken) {
  return taken.count(id) ? std::to_string(id) : std::to_string(id) + " (stored)";
}

// What Speak will do on this screen, in one or two lines; false when it fails.
static bool ReportSpeak(const ImageView& screen, const Spot& icon,
                        const std::set<uint16_t>& taken) {
  if (icon.id == 0) {
    PrintNarrow("The program will find no icon (101, 103) and report err1: nothing is spoken.\n");
    return false;
  }
  PrintNarrow("The program will find the icon %s at %d,%d and click at %d,%d and %d,%d,\n",
              Source(icon.id, taken).c_str(), icon.x, icon.y, icon.x + kClickX,
              icon.y + kFirstClickY, icon.x + kClickX, icon.y + kSecondClickY);
  Spot play = FirstFound(screen, kPlayButtons, icon.x, icon.y);
  if (play.id == 0) {
    PrintNarrow(
        "then find no play button (102, 104, 105) right of and below it, and report "
        "err2.\n");
    return false;
  }
  PrintNarrow("then find the play button %s at %d,%d and click at %d,%d.\n",
              Source(play.id, taken).c_str(), play.x, play.y, play.x + kClickX,
              play.y + kPlayClickY);
  return true;
}

bool CheckPictures(const std::wstring& folder, const ImageView& screen,
                   const std::map<uint16_t, Region>& cuts) {
  std::vector<uint16_t> loaded = LoadSpeechPictures(folder, screen.width, screen.height);
  std::set<uint16_t> taken(loaded.begin(), loaded.end());
  Spot icon = FirstFound(screen, kAnchors, 0, 0);
  bool allFound = true;
  for (const PictureName& picture : kPictureNames) {
    auto cut = cuts.find(picture.id);
    if (cut == cuts.end()) continue;
    bool anchor = picture.id == kAnchors[0] || picture.id == kAnchors[1];
    allFound &=
        ReportPicture(screen, picture.id, cut->second, anchor ? 0 : icon.x, anchor ? 0 : icon.y);
  }
  return ReportSpeak(screen, icon, taken) && allFound;
}
