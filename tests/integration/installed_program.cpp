// The installed display program reads list.mdb with its own code: it needs
// neither libmdb nor glib on the venue's machine. Asked, it says what it is
// and where its files are, without starting.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/mdb_file.h"

TEST(InstalledProgram, LinksNeitherLibmdbNorGlibAndAnswersHelpAndVersion) {
  const std::string prefix = MakeTempDir();
  const CommandResult install = RunCommand("cmake --install " + ShellQuote(BILLORA_BINARY_DIR) +
                                           " --prefix " + ShellQuote(prefix) + " 2>&1");
  ASSERT_EQ(install.exitCode, 0) << install.output;
  const CommandResult ldd = RunCommand("ldd " + ShellQuote(prefix + "/billora") + " 2>&1");
  ASSERT_EQ(ldd.exitCode, 0) << ldd.output;
  EXPECT_NE(ldd.output.find("libc.so"), std::string::npos) << ldd.output;
  EXPECT_EQ(ldd.output.find("libmdb"), std::string::npos) << ldd.output;
  EXPECT_EQ(ldd.output.find("glib"), std::string::npos) << ldd.output;
  const std::string env = "DISPLAY= KIVO_SOCKET=" + ShellQuote(prefix + "/kivo.socket") + " ";
  for (const char* argument : {"--help", "--version", "--fullscreen --version"}) {
    const CommandResult about = RunCommand(env + "timeout 10 " + ShellQuote(prefix + "/billora") +
                                           " " + argument + " 2>&1");
    EXPECT_EQ(about.exitCode, 0) << argument << about.output;
    EXPECT_EQ(about.output.find("billora 1.5: the unattended driver"), 0u) << about.output;
    EXPECT_NE(about.output.find("Its files, in the folder of its executable (" + prefix + "):\n"),
              std::string::npos)
        << about.output;
    EXPECT_NE(about.output.find("The viewer: the socket " + prefix + "/kivo.socket"),
              std::string::npos)
        << about.output;
    EXPECT_NE(about.output.find("To stop it: Ctrl-C"), std::string::npos) << about.output;
    EXPECT_EQ(about.output.find("SPEAK(Coucou)"), std::string::npos) << about.output;
    EXPECT_EQ(about.output.find("BILLORA 1.5"), std::string::npos) << about.output;
  }
  // Any other argument is ignored: the display starts.
  const CommandResult other =
      RunCommand(env + "timeout 3 " + ShellQuote(prefix + "/billora") + " --fullscreen 2>&1");
  EXPECT_NE(other.output.find("BILLORA 1.5\n"), std::string::npos) << other.output;
}
