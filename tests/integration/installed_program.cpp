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

// The sample venue, dated from a chosen moment, is what the display reads:
// the preview at that moment finds its shows and its slots in force. Laid out
// again, it leaves every file that is already there as it is, and says so.
TEST(InstalledProgram, SampleVenueIsReadAndNeverWritesOverTheVenuesFiles) {
  const std::string venue = MakeTempDir(), sample = ShellQuote(BILLORA_TOOLS_DIR "/billora-sample");
  CommandResult first = RunCommand(sample + " --at '2030-01-16 10:00:00' " + ShellQuote(venue));
  ASSERT_EQ(first.exitCode, 0) << first.output;
  EXPECT_NE(
      first.output.find("Sample venue ready in " + venue + ": 13 files written, 0 left alone"),
      std::string::npos)
      << first.output;
  CommandResult preview = RunCommand("TZ=UTC " + ShellQuote(BILLORA_PREVIEW_EXE) +
                                     " --at '2030-01-16 10:00' " + ShellQuote(venue));
  EXPECT_NE(preview.output.find("Shows after load and sort: 9 occurrences"), std::string::npos)
      << preview.output;
  EXPECT_NE(preview.output.find("Announcement slots in force: 2"), std::string::npos)
      << preview.output;

  RunCommand("echo mine > " + ShellQuote(venue + "/templates/billorav.kivo"));
  CommandResult again = RunCommand(sample + " " + ShellQuote(venue));
  ASSERT_EQ(again.exitCode, 0) << again.output;
  EXPECT_NE(again.output.find("left alone " + venue + "/templates/billorav.kivo: the venue's own"),
            std::string::npos)
      << again.output;
  EXPECT_NE(again.output.find("0 files written, 13 left alone"), std::string::npos) << again.output;
  EXPECT_EQ(Slurp(venue + "/templates/billorav.kivo"), "mine\n");
  EXPECT_EQ(RunCommand(sample + " --at tomorrow " + ShellQuote(venue)).exitCode, 2);
}
