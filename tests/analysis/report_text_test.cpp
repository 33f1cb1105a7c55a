#include <gtest/gtest.h>

#include "ReportScore.h"
#include "ReportText.h"
#include "clock.h"

namespace qorva {
namespace {

TEST(ReportText, WholeNumbersAreASignAndDigitsOnly) {
  struct Case {
    const char* text;
    std::optional<std::int64_t> value;
  } cases[] = {
      {"000012", 12},
      {"-0000001000", -1000},
      {"+42", 42},
      {"999999999999", 999999999999},  // twelve digits: beyond 32 bits
      {"9223372036854775807", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
      {"9223372036854775808", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"  12", std::nullopt},  // blanks are not trimmed here
      {"12 ", std::nullopt},
      {"1.5", std::nullopt},
      {"1e3", std::nullopt},
      {"$1F", std::nullopt},
      {"--1", std::nullopt},
      // Eight digits at a time: every byte of the block must be a digit.
      {"12345678", 12345678},
      {"123456789", 123456789},
      {"-0000000009", -9},
      {"99999999999999", 99999999999999},
      {"-9876543210123", -9876543210123},
      {"0000000:", std::nullopt},
      {"0000/000", std::nullopt},
      {"12\x80"
       "45678",
       std::nullopt},
      {"1234567\xb9", std::nullopt},
      {"0000000000 1", std::nullopt},
      {"000000000001 ", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseWholeNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(ReportText, DatesAreAbsentInvalidOrCalendarDays) {
  struct Case {
    const char* field;
    TReportDate::Kind kind;
    std::optional<double> value;
  } cases[] = {
      {"00000000", TReportDate::Absent, {}},
      {"        ", TReportDate::Absent, {}},
      {"20011231", TReportDate::Valid, EncodeDate(2001, 12, 31)},
      {"18991230", TReportDate::Valid, 0.0},
      {"00010101", TReportDate::Valid, EncodeDate(1, 1, 1)},
      {"20240229", TReportDate::Valid, EncodeDate(2024, 2, 29)},
      {"20230229", TReportDate::Invalid, {}},
      {"20010230", TReportDate::Invalid, {}},
      {"00000101", TReportDate::Invalid, {}},  // year 0
      {"20011301", TReportDate::Invalid, {}},
      {"2001 231", TReportDate::Invalid, {}},  // a space among the digits
      {"0000000 ", TReportDate::Invalid, {}},
      {"2001123", TReportDate::Invalid, {}},  // cut short by the end of the line
      {"", TReportDate::Invalid, {}},
  };
  for (const Case& c : cases) {
    const TReportDate d = ReadReportDate(c.field);
    EXPECT_EQ(d.kind, c.kind) << '"' << c.field << '"';
    if (c.value) {
      EXPECT_EQ(d.value, *c.value) << c.field;
    }
  }
}

TEST(ReportText, DigitRunsAreSubstringsOfTheRunText) {
  EXPECT_TRUE(IsDigitRun("1111111"));
  EXPECT_TRUE(IsDigitRun("111 222"));  // spans the blank between two runs
  EXPECT_TRUE(IsDigitRun("0000000"));
  EXPECT_FALSE(IsDigitRun("1111112"));
  EXPECT_FALSE(IsDigitRun("5551234"));
  EXPECT_FALSE(IsDigitRun(""));
}

TEST(ReportText, PunctuationIsFoundAnywhereInTheText) {
  for (char p : std::string(",.\"*\\?")) {
    for (std::size_t at : {0u, 15u, 16u, 17u, 47u, 99u}) {
      std::string s(100, 'A');
      s[at] = p;
      EXPECT_TRUE(HasPunctuation(s)) << p << " at " << at;
      EXPECT_TRUE(HasPunctuation(std::string_view(s).substr(0, at + 1)));
      EXPECT_FALSE(HasPunctuation(std::string_view(s).substr(0, at)));
    }
  }
  EXPECT_FALSE(HasPunctuation("  -/:;'!@#$%^&()_+=[]{}<>|~`0123456789 \r\x1a"));
  EXPECT_FALSE(HasPunctuation(""));
}

TEST(ReportText, ScoresRoundHalfToEven) {
  const std::pair<double, double> cases[] = {
      {74.5, 74},  {75.5, 76}, {74.6, 75}, {74.99, 75}, {75.4999, 75},
      {-9.5, -10}, {-10, -10}, {100, 100}, {0.5, 0},    {1.5, 2},
  };
  for (auto [x, rounded] : cases) EXPECT_EQ(RoundHalfEven(x), rounded) << x;
}

}  // namespace
}  // namespace qorva
