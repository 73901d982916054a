#include "showlist/database.h"

#include "platform/paths.h"
#include "platform/text.h"
#include "showlist/store.h"

int OpenShowDatabase() {
  try {
    showDatabase.Close();  // a second open replaces the connection instead of leaking it
    showDatabase.Open(ToUtf8(BesideExecutable(L"", L"list.mdb")));
    return 0;
  } catch (...) {
    return -1;
  }
}

int CloseShowDatabase() {
  try {
    showDatabase.Close();
    return 0;
  } catch (...) {
    return -1;
  }
}
