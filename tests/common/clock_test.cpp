#include "clock.h"

#include <gtest/gtest.h>

namespace qorva {
namespace {

TEST(Clock, EncodeDateCountsFromTheEpochAndRejectsImpossibleDates) {
  struct Case {
    int y, m, d;
    std::optional<double> expected;
  } cases[] = {
      {1899, 12, 30, 0.0},     {1900, 1, 1, 2.0},         {2001, 12, 31, 37256.0},
      {2000, 2, 29, 36585.0},  {2001, 2, 29, std::nullopt}, {2024, 2, 30, std::nullopt},
      {2024, 13, 1, std::nullopt}, {2024, 0, 1, std::nullopt}, {0, 1, 1, std::nullopt},
      {1, 1, 1, -693593.0},    {9999, 12, 31, 2958465.0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.expected) << c.y << "-" << c.m << "-" << c.d;
  }
}

TEST(Clock, ScopedClockFixesNowAndRestoresTheRealOne) {
  {
    ScopedClock fixed(45000.5);
    EXPECT_EQ(Clock::Now(), 45000.5);
  }
  EXPECT_GT(Clock::Now(), 45000.0);  // any real moment after 2023
}

}  // namespace
}  // namespace qorva
