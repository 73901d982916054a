#include <gtest/gtest.h>

#include "speech/spoken_text.h"

static std::string Prepared(std::string text) {
  PrepareSpokenText(text);
  return text;
}

TEST(PrepareSpokenText, RewritesEveryWholeHourAsH) {
  EXPECT_EQ(Prepared("Il est 9:00, prochains spectacles"), "Il est 9H, prochains spectacles");
  EXPECT_EQ(Prepared("10:00 et 12:00"), "10H et 12H");
  EXPECT_EQ(Prepared("20:00:00"), "20HH");
  EXPECT_EQ(Prepared(":000"), "H0");
  EXPECT_EQ(Prepared("::00:00"), ":HH");
  EXPECT_EQ(
      Prepared("Il est 14:00, prochains spectacles, Demain \xE0 20:00, Samedi 12 ao\xFBt 9:00"),
      "Il est 14H, prochains spectacles, Demain \xE0 20H, Samedi 12 ao\xFBt 9H");
}

TEST(PrepareSpokenText, LeavesEverythingElseAlone) {
  EXPECT_EQ(Prepared("Il est 9:05, prochains spectacles"), "Il est 9:05, prochains spectacles");
  EXPECT_EQ(Prepared("9:30 :0 0:0 : 00"), "9:30 :0 0:0 : 00");
  EXPECT_EQ(Prepared(""), "");
  EXPECT_EQ(Prepared(":00"), "H");
  EXPECT_NE(Prepared("9:00").back(), 'h');
}
