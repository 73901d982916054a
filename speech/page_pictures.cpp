#include "speech/page_pictures.h"

#include <map>

#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/print.h"
#include "speech/bitmap_file.h"

static constexpr uint16_t kFirstPicture = 101, kLastPicture = 105;
static constexpr size_t kHeaderAllowance = 64 * 1024;    // headers, palette, padding
static constexpr uint64_t kLargestScreen = 7680 * 4320;  // when no display answers

static std::map<uint16_t, std::string> fromFolder;

std::wstring SpeechPictureFolder() { return BesideExecutable(L"", L"speech"); }

// Why bytes are no picture the search can use on a screen of width x height
// (0 x 0 when unknown); empty when they are one.
static std::string Problem(std::string_view bytes, uint32_t width, uint32_t height) {
  Bitmap picture;
  std::string reason;
  if (DecodeBitmapFile(bytes, &picture, &reason) != 0) return reason;
  if (picture.width == 0 || picture.height == 0) return "empty, no pixels";
  if (width != 0 && (picture.width > width || picture.height > height))
    return FormatText("%ux%u, larger than the screen (%ux%u)", picture.width, picture.height, width,
                      height);
  return {};
}

// Reads and checks one file. A missing file is no fault: the stored picture
// stays, silently.
static void TakePicture(const std::wstring& path, uint16_t id, uint32_t width, uint32_t height) {
  uint64_t pixels = width != 0 ? uint64_t{width} * height : kLargestScreen;
  std::string bytes, problem;
  switch (PlatformReadFile(path, pixels * 4 + kHeaderAllowance, &bytes)) {
    case -1:
      return;
    case -2:
      problem = "cannot be read";
      break;
    case -3:
      problem = "too large for a picture of the screen";
      break;
    default:
      problem = Problem(bytes, width, height);
  }
  if (problem.empty()) {
    fromFolder[id] = std::move(bytes);
    return;
  }
  PrintWide(L"%ls: %ls; the stored picture is used\n", path.c_str(), FromUtf8(problem).c_str());
}

static std::string IdList(const std::vector<uint16_t>& ids) {
  std::string list;
  for (uint16_t id : ids) list += (list.empty() ? "" : " ") + std::to_string(id);
  return list.empty() ? "none" : list;
}

std::vector<uint16_t> LoadSpeechPictures(const std::wstring& folder) {
  const uint32_t* pixels;
  uint32_t width = 0, height = 0;
  if (PlatformCaptureScreen(&pixels, &width, &height) != 0) width = height = 0;
  return LoadSpeechPictures(folder, width, height);
}

std::vector<uint16_t> LoadSpeechPictures(const std::wstring& folder, uint32_t width,
                                         uint32_t height) {
  fromFolder.clear();
  std::vector<uint16_t> taken, stored;
  for (uint16_t id = kFirstPicture; id <= kLastPicture; ++id) {
    TakePicture(folder + PlatformPathSeparator() + std::to_wstring(id) + L".bmp", id, width,
                height);
    (fromFolder.count(id) ? taken : stored).push_back(id);
  }
  PrintWide(L"Speech pictures from %ls: %ls; stored: %ls\n", folder.c_str(),
            FromUtf8(IdList(taken)).c_str(), FromUtf8(IdList(stored)).c_str());
  return taken;
}

std::string_view SpeechPicture(uint16_t id) {
  auto it = fromFolder.find(id);
  return it != fromFolder.end() ? std::string_view(it->second) : PlatformBitmapResource(id);
}
