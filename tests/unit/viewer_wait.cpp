#include <gtest/gtest.h>

#include "cycle/wait.h"
#include "platform/fake/fake_platform.h"

using Log = std::vector<std::string>;

class Wait : public ::testing::Test {
 protected:
  void SetUp() override { FakeReset(); }
};

TEST_F(Wait, ZeroReturnsAtOnceWithoutReadingKeys) {
  fake.keys.push_back({0, ' '});
  WaitInterruptible(0);
  EXPECT_TRUE(fake.events.empty());
  EXPECT_EQ(fake.keys.size(), 1u);
}

TEST_F(Wait, FiftyMillisecondsIsOneSleepAndOnePoll) {
  fake.keys.push_back({0, 'x'});
  fake.keys.push_back({0, 'y'});
  WaitInterruptible(50);
  EXPECT_EQ(fake.events, (Log{"sleep 100"}));
  EXPECT_EQ(fake.keys.size(), 1u);
}

TEST_F(Wait, RunsItsFullLengthWithoutKeys) {
  WaitInterruptible(10000);
  EXPECT_EQ(fake.events.size(), 100u);
  EXPECT_EQ(fake.nowMs, 10000u);
  WaitInterruptible(10001);  // the last poll runs past the end
  EXPECT_EQ(fake.nowMs, 20100u);
}

TEST_F(Wait, SpaceCutsItShortAtTheNextPoll) {
  fake.keys.push_back({1950, ' '});
  WaitInterruptible(30000);
  EXPECT_EQ(fake.nowMs, 2000u);
}

TEST_F(Wait, OtherKeysAreConsumedOnePerPoll) {
  fake.keys.push_back({300, 'a'});
  WaitInterruptible(1000);
  EXPECT_EQ(fake.nowMs, 1000u);
  EXPECT_TRUE(fake.keys.empty());

  FakeReset();
  for (int key : {'a', 'b', '\x1B', ' '}) fake.keys.push_back({0, key});
  WaitInterruptible(30000);
  EXPECT_EQ(fake.nowMs, 400u);
}

TEST_F(Wait, StaysRightWhenTheTickCounterWraps) {
  fake.tickBase = 0xFFFFFFFFu - 250;
  WaitInterruptible(1000);
  EXPECT_EQ(fake.nowMs, 1000u);

  FakeReset();
  fake.tickBase = 0xFFFFFFFFu - 99;  // the counter reads 0 right at the end
  WaitInterruptible(100);
  EXPECT_EQ(fake.events, (Log{"sleep 100"}));
}
