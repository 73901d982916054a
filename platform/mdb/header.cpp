// The header page: which format the file has, and whether it can be read
// without a key. Part of the header is masked with RC4 under a fixed key.
#include <cmath>
#include <cstring>
#include <string>
#include <utility>

#include "platform/mdb/mdb_internal.h"

constexpr size_t kMaskStart = 0x18;
constexpr size_t kHeaderSize = 0x98;  // the masked part of a Jet 4 header ends here
constexpr size_t kVersionOffset = 0x14;
constexpr size_t kKeyOffset = 0x3E;       // non-zero: every page is encrypted
constexpr size_t kPasswordOffset = 0x42;  // 20 bytes in Jet 3, 40 in Jet 4
constexpr size_t kCreationDateOffset = 0x72;
// A file smaller than this cannot hold the catalog's definition (page 2),
// its usage map and one data page.
constexpr uint32_t kMinPages = 4;

static void UnmaskWithRc4(unsigned char* data, size_t length) {
  const unsigned char key[4] = {0xC7, 0xDA, 0x39, 0x6B};
  unsigned char state[256];
  for (int i = 0; i < 256; ++i) state[i] = static_cast<unsigned char>(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + state[i] + key[i % 4]) & 0xFF;
    std::swap(state[i], state[j]);
  }
  for (size_t n = 0, i = 0, j = 0; n < length; ++n) {
    i = (i + 1) & 0xFF;
    j = (j + state[i]) & 0xFF;
    std::swap(state[i], state[j]);
    data[n] ^= state[(state[i] + state[j]) & 0xFF];
  }
}

// Jet 4 masks the password further with the whole days of the creation date.
static bool HasPassword(const unsigned char* header, bool jet3) {
  size_t length = jet3 ? 20 : 40;
  unsigned char mask[4] = {0, 0, 0, 0};
  if (!jet3) {
    double created;
    memcpy(&created, header + kCreationDateOffset, sizeof created);
    if (created > -2147483648.0 && created < 2147483648.0) {
      auto days = static_cast<int32_t>(std::floor(created));
      for (int i = 0; i < 4; ++i) mask[i] = static_cast<unsigned char>(days >> (8 * i));
    }
  }
  for (size_t i = 0; i < length; ++i) {
    if ((header[kPasswordOffset + i] ^ mask[i % 4]) != 0) return true;
  }
  return false;
}

static void Refuse(const std::string& path, const char* why) {
  ThrowDatabaseError(path + ": " + why);
}

void ReadHeader(MdbConnection& c, const std::string& path) {
  uint64_t size = c.image.size();
  unsigned char header[kHeaderSize];
  if (size < kHeaderSize) Refuse(path, "not an Access (Jet 3 or Jet 4) database");
  memcpy(header, c.image.data(), sizeof header);
  if (header[0] != 0 || header[1] != 1) {
    Refuse(path, "not an Access (Jet 3 or Jet 4) database");
  }
  if (memcmp(header + 4, "Standard ACE DB", 15) == 0) {
    Refuse(path, "an Access 2007 or later (.accdb) database; only Jet 3 and Jet 4 files are read");
  }
  if (memcmp(header + 4, "Standard Jet DB", 15) != 0) {
    Refuse(path, "not an Access (Jet 3 or Jet 4) database");
  }
  uint32_t version = Le32(header + kVersionOffset);
  if (version > 1) {
    Refuse(path, "a database of a later format than Jet 4; only Jet 3 and Jet 4 files are read");
  }
  c.jet3 = version == 0;
  c.pageSize = c.jet3 ? 2048 : 4096;
  UnmaskWithRc4(header + kMaskStart, c.jet3 ? 126 : 128);
  if (Le32(header + kKeyOffset) != 0) Refuse(path, "the database is encrypted");
  if (HasPassword(header, c.jet3)) Refuse(path, "the database is protected by a password");
  if (size % c.pageSize != 0 || size / c.pageSize < kMinPages) {
    Refuse(path, "damaged database (the file is cut short)");
  }
  c.pageCount = static_cast<uint32_t>(size / c.pageSize);
}
