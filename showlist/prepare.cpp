#include "showlist/prepare.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/print.h"
#include "showlist/store.h"

static void SwapShows(int i, int j) {
  showList.dates.Swap(i, j);
  showList.captions.Swap(i, j);
  showList.visuals.Swap(i, j);
  showList.names.Swap(i, j);
  showList.places.Swap(i, j);
}

// Moves entry order[k] to place k for every k, one cycle of the permutation
// after the other.
static void Permute(const std::vector<int>& order) {
  std::vector<bool> placed(order.size());
  for (size_t start = 0; start < order.size(); ++start) {
    for (int at = static_cast<int>(start); !placed[at]; at = order[at]) {
      placed[at] = true;
      if (order[at] != static_cast<int>(start)) SwapShows(at, order[at]);
    }
  }
}

int SortShowList() {
  const int count = showList.names.Size();
  if (count == 0) return -1;
  std::vector<int> order(count);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [](int a, int b) {
    return IsLater(showList.dates.At(b), showList.dates.At(a));
  });
  Permute(order);
  return 0;
}

std::wstring MediaPath(const std::wstring& file) {
  return BesideExecutable(L"medias", file);
}

bool MediaAvailable(const std::wstring& file) {
  return NameStaysInFolder(file) && PlatformFileExists(MediaPath(file));
}

void CheckMedia() {
  for (int k = 0; k < showList.names.Size(); ++k) {
    const std::wstring path = MediaPath(showList.visuals.At(k));
    if (!MediaAvailable(showList.visuals.At(k)))
      PrintWide(L"\nWarning: %ls cannot be found", path.c_str());
  }
}
