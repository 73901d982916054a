// The installed display program reads list.mdb with its own code: it needs
// neither libmdb nor glib on the venue's machine.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/mdb_file.h"

TEST(InstalledProgram, LinksNeitherLibmdbNorGlib) {
  const std::string prefix = MakeTempDir();
  const CommandResult install = RunCommand("cmake --install " + ShellQuote(BILLORA_BINARY_DIR) +
                                           " --prefix " + ShellQuote(prefix) + " 2>&1");
  ASSERT_EQ(install.exitCode, 0) << install.output;
  const CommandResult ldd = RunCommand("ldd " + ShellQuote(prefix + "/billora") + " 2>&1");
  ASSERT_EQ(ldd.exitCode, 0) << ldd.output;
  EXPECT_NE(ldd.output.find("libc.so"), std::string::npos) << ldd.output;
  EXPECT_EQ(ldd.output.find("libmdb"), std::string::npos) << ldd.output;
  EXPECT_EQ(ldd.output.find("glib"), std::string::npos) << ldd.output;
}
