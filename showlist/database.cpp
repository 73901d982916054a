#include "showlist/database.h"

#include "base/text.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "showlist/store.h"

// Access saves list.mdb in place, page after page, so a reading can catch
// the file half old and half new. A reading that the file still holds a
// moment later is one version of it; another is made while the file keeps
// changing, and after the last the open fails and the cycle tries again.
static constexpr uint32_t kSteadyMs = 200;
static constexpr int kReadings = 5;

int OpenShowDatabase(std::string* failure) {
  std::string path = "list.mdb", why;
  try {
    path = ToUtf8(BesideExecutable(L"", L"list.mdb"));
    showDatabase.Close();  // a second open replaces the connection instead of leaking it
    for (int reading = 0; reading < kReadings; ++reading) {
      showDatabase.Open(path);
      PlatformSleep(kSteadyMs);
      if (showDatabase.FileUnchanged()) return 0;
    }
    showDatabase.Close();
    why = path + ": it kept changing while it was read (being saved)";
  } catch (const DatabaseError& e) {
    why = e.what();
  } catch (...) {
    why = path + ": cannot be read";
  }
  if (failure != nullptr) *failure = why;
  return -1;
}

int CloseShowDatabase() {
  try {
    showDatabase.Close();
    return 0;
  } catch (...) {
    return -1;
  }
}
