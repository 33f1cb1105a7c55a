#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "DisplayFormat.h"

namespace qorva {
namespace {

struct PictureCase {
  const char* format;
  double value;
  const char* expected;
};

TEST(FormatFloat, PictureFormats) {
  const PictureCase cases[] = {
      {"###,###", 0, ""},
      {"###,###", 1234567, "1,234,567"},
      {"###,###", 999, "999"},
      {"###,###", 1000, "1,000"},
      {"###,###", -1234, "-1,234"},
      {"###,###", -0.4, ""},  // shows as zero: no lone sign
      {"###,###", 0.5, "1"},  // a half goes away from zero
      {"###,###", -2.5, "-3"},
      {"###,##0", 0, "0"},
      {"###,##0", 12, "12"},
      {"###,##0", 123456789, "123,456,789"},
      {"###,###,##0.0000,", 1234.5, "1,234.5000"},
      {"###,###,##0.0000,", 0, "0.0000"},
      {"###,###,##0.0000,", 1234567.12345, "1,234,567.1235"},
      {"###,###,##0.0000,", -0.00005, "-0.0001"},
      {"###,###,##0.0000,", -0.00004, "0.0000"},
      {"###,###,##0.0000,", 2.00005, "2.0000"},  // exactly 2.0000499999999998834...
      {"###,###,##0.0000,", 1.00015, "1.0002"},  // exactly 1.0001500000000000945...
      {"0.00", 0.125, "0.13"},                   // exact binary half: away from zero
      {"0.00", -0.125, "-0.13"},
      {"#.##", 0.5, ".5"},
      {"0.0#", 3, "3.0"},
      {"'$'#,##0.00", 1234.5, "$1,234.50"},
      {"0;(0);'zero'", -5, "(5)"},
      {"0;(0);'zero'", 0, "zero"},
      {"0;(0)", 0, "0"},
      // Odd formats give an answer, never a fault.
      {"'abc", 5, "abc"},
      {"x", -5, "-x"},
      {";;", 5, "5"},
      {";(0)", -5, "(5)"},
      {"0;;", -5, "-5"},
      {"0.##.#", 1.25, "1.25"},
      {"#,#,#,#0", 1234, "1,234"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatFloat(c.format, c.value), c.expected) << c.format << " " << c.value;
}

TEST(FormatFloat, IntegerAndCurrencyValuesAreExact) {
  EXPECT_EQ(
      FormatFloat("###,###", DecimalValue::FromInteger(std::numeric_limits<std::int64_t>::min())),
      "-9,223,372,036,854,775,808");
  EXPECT_EQ(FormatFloat("###,##0.00", DecimalValue::FromCurrency(Currency::FromUnits(-12345))),
            "-1.23");
  EXPECT_EQ(FormatFloat("###,##0.00", DecimalValue::FromCurrency(Currency::FromUnits(12350))),
            "1.24");
}

TEST(FormatGeneral, TwoSignificantDigits) {
  const struct {
    double value;
    const char* expected;
  } cases[] = {
      {-7.5, "-7.5"},        {-4.0 / 3, "-1.3"}, {-4, "-4"},          {0, "0"},
      {-0.0, "0"},           {-1.25, "-1.3"},    {0.125, "0.13"},     {99.4, "99"},
      {99.5, "1E2"},         {120, "1.2E2"},     {-125, "-1.3E2"},    {0.00001, "0.00001"},
      {0.0000012, "1.2E-6"}, {-12, "-12"},       {-10.0 / 3, "-3.3"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatGeneral(c.value, 2), c.expected) << c.value;
}

TEST(FormatGeneral, DefaultPrecisionAndNonFinite) {
  EXPECT_EQ(FormatGeneral(0.1 + 0.2, 15), "0.3");
  EXPECT_EQ(FormatGeneral(1234.5, 15), "1234.5");
  EXPECT_EQ(FormatGeneral(1e20, 15), "1E20");
  EXPECT_EQ(FormatGeneral(std::nan(""), 2), "NAN");
  EXPECT_EQ(FormatGeneral(-std::numeric_limits<double>::infinity(), 2), "-INF");
  EXPECT_EQ(FormatFloat("###,###", std::numeric_limits<double>::infinity()), "INF");
  // Extremes expand exactly, without overrunning anything.
  EXPECT_EQ(FormatGeneral(std::numeric_limits<double>::denorm_min(), 2), "4.9E-324");
  EXPECT_EQ(FormatGeneral(-std::numeric_limits<double>::max(), 2), "-1.8E308");
  const std::string max = FormatFloat("###,###", std::numeric_limits<double>::max());
  EXPECT_EQ(max.size(), 309u + 102u);
  EXPECT_EQ(max.substr(0, 8), "179,769,");
}

TEST(FormatCurrency, UsStyle) {
  const struct {
    std::int64_t units;
    const char* expected;
  } cases[] = {
      {12345600, "$1,234.56"},
      {-12345600, "-$1,234.56"},
      {0, "$0.00"},
      {50, "$0.01"},
      {-50, "-$0.01"},
      {-49, "$0.00"},
      {10000000000, "$1,000,000.00"},
      {99995, "$10.00"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatCurrency(Currency::FromUnits(c.units)), c.expected) << c.units;
}

TEST(Currency, ExactArithmeticAndParsing) {
  Currency sum;
  for (int i = 0; i < 10; ++i) sum += *Currency::Parse("0.1");
  EXPECT_EQ(sum, *Currency::Parse("1"));
  EXPECT_EQ(*Currency::Parse("0.1") + *Currency::Parse("0.2"), *Currency::Parse("0.3"));
  EXPECT_EQ(Currency::FromDouble(0.1) + Currency::FromDouble(0.2), Currency::FromDouble(0.3));
  EXPECT_EQ(Currency::FromDouble(1.00005).Units(), 10001);  // exactly 1.0000500000000001055...
  EXPECT_EQ(Currency::FromDouble(-2.5).Units(), -25000);
  EXPECT_EQ(Currency::Parse(" -12.34567 ")->Units(), -123457);
  EXPECT_EQ(Currency::Parse("922337203685477.5807")->Units(),
            std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(Currency::Parse("-922337203685477.5808")->Units(),
            std::numeric_limits<std::int64_t>::min());
  EXPECT_FALSE(Currency::Parse("922337203685477.5808"));
  for (const char* bad : {"", " ", "-", ".", "1e3", "1,000", "12a", "1.2.3", "--1"})
    EXPECT_FALSE(Currency::Parse(bad)) << bad;
  EXPECT_EQ(Currency::FromUnits(12345000).ToString(), "1234.5");
  EXPECT_EQ(Currency::FromUnits(-1).ToString(), "-0.0001");
  EXPECT_EQ(Currency().ToString(), "0");
}

TEST(Currency, OverflowIsAnErrorNotAWrap) {
  Currency big = Currency::FromUnits(std::numeric_limits<std::int64_t>::max());
  EXPECT_THROW(big += Currency::FromUnits(1), std::overflow_error);
  EXPECT_EQ(big.Units(), std::numeric_limits<std::int64_t>::max());
  EXPECT_THROW(Currency::FromDouble(1e300), std::out_of_range);
  EXPECT_THROW(Currency::FromDouble(std::nan("")), std::out_of_range);
}

}  // namespace
}  // namespace qorva
