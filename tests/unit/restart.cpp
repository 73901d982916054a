// The pause before a restart that follows quick failures, and the restart's
// retries, on the fake platform in virtual time.
#include "cycle/restart.h"

#include <gtest/gtest.h>

#include "platform/back_off.h"
#include "platform/fake/fake_platform.h"

namespace {

class RestartBackOff : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeReset();
    fake.tickBase = 500000;
  }
  // The state a previous instance left, started `agoMs` before now.
  void Previous(const std::string& failures, uint32_t agoMs) {
    fake.environment["BILLORA_QUICK_FAILURES"] = failures;
    fake.environment["BILLORA_STARTED_MS"] = std::to_string(PlatformTicks() - agoMs);
  }
};

TEST_F(RestartBackOff, BackOffDoublesFromOneSecondUpToFiveMinutes) {
  std::vector<uint32_t> seconds;
  for (uint32_t failures : {0u, 1u, 2u, 4u, 8u, 9u, 10u, 4000000000u})
    seconds.push_back(BackOffMs(failures) / 1000);
  EXPECT_EQ(seconds, (std::vector<uint32_t>{0, 1, 2, 8, 128, 256, 300, 300}));
}

// The keeper's starts of the display count its runs with the same rule.
TEST_F(RestartBackOff, QuickRunsCountUpAndARunThatLastedClearsTheCount) {
  EXPECT_EQ(QuickFailures(0, 1000, 1500), 1u);
  EXPECT_EQ(QuickFailures(3, 1000, 60999), 4u);
  EXPECT_EQ(QuickFailures(3, 1000, 61000), 0u);
  EXPECT_EQ(QuickFailures(1000, 1000, 1500), 1000u);
  EXPECT_EQ(QuickFailures(1, 0xFFFFFF00u, 100), 2u);  // across the wrap
  BackOff(0);
  EXPECT_TRUE(fake.events.empty());
  BackOff(3);
  EXPECT_EQ(FakeTakeConsole(), "\nrestarting in 4 s after 3 quick failures\n");
  EXPECT_EQ(fake.events, (std::vector<std::string>{"sleep 4000"}));
}

TEST_F(RestartBackOff, FirstStartIsImmediate) {
  BackOffQuickRestarts();
  EXPECT_EQ(fake.nowMs, 0u);
  EXPECT_EQ(FakeTakeConsole(), "");
  EXPECT_EQ(fake.environment["BILLORA_QUICK_FAILURES"], "0");
  EXPECT_EQ(fake.environment["BILLORA_STARTED_MS"], "500000");
}

TEST_F(RestartBackOff, QuickFailuresWaitLongerEachTime) {
  Previous("0", 200);
  BackOffQuickRestarts();
  EXPECT_EQ(FakeTakeConsole(), "\nrestarting in 1 s after 1 quick failure\n");
  EXPECT_EQ(fake.nowMs, 1000u);
  EXPECT_EQ(fake.environment["BILLORA_STARTED_MS"], "501000");  // after the pause

  Previous("3", 59999);
  BackOffQuickRestarts();
  EXPECT_EQ(FakeTakeConsole(), "\nrestarting in 8 s after 4 quick failures\n");
  EXPECT_EQ(fake.environment["BILLORA_QUICK_FAILURES"], "4");
}

TEST_F(RestartBackOff, ARunThatLivedAMinuteResetsTheCount) {
  Previous("12", 60000);
  BackOffQuickRestarts();
  EXPECT_EQ(fake.nowMs, 0u);
  EXPECT_EQ(fake.environment["BILLORA_QUICK_FAILURES"], "0");
}

TEST_F(RestartBackOff, TheCountSurvivesAWrapOfTheTickCounter) {
  fake.tickBase = 100;
  Previous("1", 300);
  BackOffQuickRestarts();
  EXPECT_EQ(FakeTakeConsole(), "\nrestarting in 2 s after 2 quick failures\n");
}

TEST_F(RestartBackOff, AMalformedStateCountsAsAFirstStartOrNoFailure) {
  fake.environment["BILLORA_STARTED_MS"] = "12x";
  BackOffQuickRestarts();
  EXPECT_EQ(fake.nowMs, 0u);
  Previous("-4", 10);
  BackOffQuickRestarts();
  EXPECT_EQ(FakeTakeConsole(), "\nrestarting in 1 s after 1 quick failure\n");
}

TEST_F(RestartBackOff, AFailedRestartSaysWhyAndTriesAgainEvery10s) {
  fake.restartFailures = {"Permission denied", "Exec format error"};
  RestartProgram();
  EXPECT_EQ(FakeTakeConsole(),
            "\nCan't restart (Permission denied), retry in 10 sec"
            "\nCan't restart (Exec format error), retry in 10 sec");
  EXPECT_EQ(fake.events, (std::vector<std::string>{"restart", "sleep 10000", "restart",
                                                   "sleep 10000", "restart"}));
  EXPECT_EQ(fake.restarts, 1);
}

}  // namespace

namespace {

TEST(Venue, ASecondInstanceSaysSoAndEnds) {
  FakeReset();
  EXPECT_TRUE(ClaimVenue());
  EXPECT_EQ(FakeTakeConsole(), "");
  fake.venueHeld = true;
  EXPECT_FALSE(ClaimVenue());
  EXPECT_EQ(FakeTakeConsole(), "\nbillora already runs for this venue");
}

}  // namespace
