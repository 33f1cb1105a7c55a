#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "PassRule.h"
#include "ReportFixture.h"

namespace qorva::testing {
namespace {

// YYYYMMDD of the day `offset` days from the fixture's today (11 Dec 2026).
std::string Day(int offset) {
  using namespace std::chrono;
  const year_month_day d{sys_days{year{2026} / 12 / 11} + days{offset}};
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02u%02u", int(d.year()), unsigned(d.month()),
                unsigned(d.day()));
  return text;
}

std::string Blanks(std::size_t n) { return std::string(n, ' '); }

struct Expect {
  int category;
  int evaluated;
  int penalised;
};

struct CategoryCase {
  const char* name;
  std::vector<std::string> lines;
  std::vector<Expect> expect;
};

std::vector<std::string> WithHolder(std::string holder, std::vector<std::string> details,
                                    bool v2 = false) {
  std::vector<std::string> lines = Report(v2, std::move(details));
  lines[0] = std::move(holder);
  return lines;
}

TEST_F(LoaderTest, CountsDefectsPerCategory) {
  const std::string P = Property();
  const CategoryCase cases[] = {
      {"clean QORVA 2 report",
       Report(true, {P, Owner(), Box()}),
       {{1, 1, 0},
        {2, 1, 0},
        {3, 3, 0},
        {4, 1, 0},
        {5, 0, 0},
        {6, 1, 0},
        {7, 1, 0},
        {8, 2, 0},
        {9, 2, 0},
        {10, 1, 0},
        {11, 1, 0}}},
      // 1. Holder tax ID
      {"tax ID of nine blanks", WithHolder(Holder(false, {{2, Blanks(9)}}), {P}), {{1, 1, 1}}},
      {"seven ones", WithHolder(Holder(false, {{2, "1111111AB"}}), {P}), {{1, 1, 1}}},
      {"six ones and a two", WithHolder(Holder(false, {{2, "111111299"}}), {P}), {{1, 1, 0}}},
      {"piece spanning two runs", WithHolder(Holder(false, {{2, "111 22299"}}), {P}), {{1, 1, 1}}},
      // 2. Holder contact
      {"no contact names", WithHolder(Holder(false, {{129, Blanks(40)}}), {P}), {{2, 1, 1}}},
      {"QORVA 1 contact without telephone",
       WithHolder(Holder(false, {{303, Blanks(10)}}), {P}),
       {{2, 1, 1}}},
      {"QORVA 2 contact without telephone but with e-mail",
       WithHolder(Holder(true, {{303, Blanks(10)}}), {P}, true),
       {{2, 1, 0}}},
      {"QORVA 2 contact without telephone or e-mail",
       WithHolder(Holder(true, {{303, Blanks(10)}, {317, Blanks(50)}}), {P}, true),
       {{2, 1, 1}}},
      {"telephone starting with a digit run",
       WithHolder(Holder(false, {{303, "5555555123"}}), {P}),
       {{2, 1, 1}}},
      {"QORVA 1 second contact with telephone at 491",
       WithHolder(Holder(false, {{317, "BOB"}, {491, "5559876543"}}), {P}),
       {{2, 1, 0}}},
      {"QORVA 1 second contact with telephone at 541 only",
       WithHolder(Holder(false, {{317, "BOB"}, {541, "5559876543"}}), {P}),
       {{2, 1, 1}}},
      {"QORVA 2 second contact, telephone at 541",
       WithHolder(Holder(true, {{367, "BOB"}, {541, "5559876543"}}), {P}, true),
       {{2, 1, 0}}},
      {"QORVA 2 second contact, telephone at 491, no e-mail",
       WithHolder(Holder(true, {{367, "BOB"}, {491, "5559876543"}}), {P}, true),
       {{2, 1, 1}}},
      {"QORVA 2 second contact, no telephone, e-mail at 555",
       WithHolder(Holder(true, {{367, "BOB"}, {555, "bob@x"}}), {P}, true),
       {{2, 1, 0}}},
      // 3. Punctuation
      {"holder name with comma", WithHolder(Holder(false, {{37, "ACME, INC"}}), {P}), {{3, 2, 1}}},
      {"holder punctuation outside the name",
       WithHolder(Holder(false, {{129, "J. DOE"}}), {P}),
       {{3, 2, 0}}},
      {"punctuation per record type",
       Report(false, {Property(100, 0, {{620, "?"}}), Owner({{100, "\""}}), Box({{36, "A*B"}}),
                      "5 a.b", "8 x,y", ",", "\\"}),
       {{3, 5, 4}}},
      // 4. Suspicious dates, one per property
      {"DateB exactly 50 years back",
       Report(false, {Property(100, 0, {{289, Day(-18250)}})}),
       {{4, 1, 1}}},
      {"DateB a day inside 50 years",
       Report(false, {Property(100, 0, {{289, Day(-18249)}})}),
       {{4, 1, 0}}},
      {"DateB today", Report(false, {Property(100, 0, {{289, Day(0)}})}), {{4, 1, 0}}},
      {"DateB tomorrow", Report(false, {Property(100, 0, {{289, Day(1)}})}), {{4, 1, 1}}},
      {"DateA exactly 150 years back",
       Report(false, {Property(100, 0, {{281, Day(-54750)}})}),
       {{4, 1, 1}}},
      {"DateA inside 150 years",
       Report(false, {Property(100, 0, {{281, Day(-54749)}})}),
       {{4, 1, 0}}},
      {"absent dates",
       Report(false, {Property(100, 0, {{281, "00000000"}, {289, Blanks(8)}})}),
       {{4, 1, 0}}},
      {"impossible date", Report(false, {Property(100, 0, {{289, "20010230"}})}), {{4, 1, 1}}},
      {"a space among the digits",
       Report(false, {Property(100, 0, {{281, "2001 231"}})}),
       {{4, 1, 1}}},
      {"both dates and the owners' count once",
       Report(false, {Property(100, 0, {{281, "18000101"}, {289, "19000101"}}),
                      Owner({{280, "18000101"}}), Owner({{280, "20301231"}})}),
       {{4, 1, 1}}},
      {"owner date after a good property",
       Report(false, {P, Owner({{280, "20301231"}})}),
       {{4, 1, 1}}},
      {"each property counts its own",
       Report(false,
              {Property(100, 0, {{289, "19000101"}}), Property(100, 0, {{281, "18000101"}}), P}),
       {{4, 3, 2}}},
      {"owner date beyond the end of its line",
       Report(false, {P, Owner().substr(0, 279)}),
       {{4, 1, 1}}},
      // 5. Shares and CUSIP
      {"shares with CUSIP", Report(false, {Property(0, 15000)}), {{5, 1, 0}}},
      {"share count without CUSIP",
       Report(false, {Property(100, 0, {{417, "000000000005"}})}),
       {{5, 1, 1}}},
      {"trimmed share count",
       Report(false, {Property(100, 0, {{417, "         -7 "}})}),
       {{5, 1, 1}}},
      {"remitted shares only, CUSIP of zeros",
       Report(false, {Property(0, 15000, {{417, "000000000000"}, {408, "000000000"}})}),
       {{5, 1, 1}}},
      {"twelve-digit remitted shares",
       Report(false, {Property(0, 999999999999, {{417, "000000000000"}})}),
       {{5, 1, 0}}},
      {"no shares", Report(false, {P, P}), {{5, 0, 0}}},
      // 6. Safe-deposit boxes
      {"complete and incomplete boxes",
       Report(false,
              {P, Box(), Box({{25, Blanks(11)}}), Box({{36, Blanks(125)}}), Box().substr(0, 225)}),
       {{6, 4, 3}}},
      // 7. Property type code
      {"missing type code", Report(false, {P, Property(100, 0, {{305, "\t   "}})}), {{7, 2, 1}}},
      // 8. Owner codes
      {"QORVA 2 property codes",
       Report(true,
              {Property(100, 0, {{601, "  "}}), Property(100, 0, {{603, "  "}}), P.substr(0, 600)}),
       {{8, 3, 3}}},
      {"QORVA 1 property codes not examined",
       Report(false, {Property(100, 0, {{601, "    "}})}),
       {{8, 1, 0}}},
      {"owner record codes",
       Report(false, {P, Owner({{288, "  "}}), Owner({{293, "  "}}), Owner()}),
       {{8, 4, 2}}},
      // 9. Partial owner address
      {"partial addresses",
       Report(false, {Property(100, 0, {{116, Blanks(30)}}), Property(100, 0, {{258, "000123456"}}),
                      Property(100, 0, {{206, Blanks(30)}, {256, "  "}, {258, Blanks(9)}}),
                      Property(100, 0, {{116, Blanks(30)}, {206, Blanks(30)}, {258, Blanks(9)}}),
                      Property(100, 0, {{146, "PO BOX 9"}, {116, Blanks(30)}}), Owner()}),
       {{9, 6, 3}}},
      // 10. Zero value
      {"box gives a property value", Report(false, {Property(0, 0), Box()}), {{10, 1, 0}}},
      {"zero and negative values",
       Report(false, {Property(0, 0), P, Property(-100, 0), Property(0, 0)}),
       {{10, 4, 3}}},
      // 11. Software version
      {"QORVA 1 software not examined", Report(false, {P}), {{11, 1, 0}}},
      {"blank software version", Report(true, {P}, {{143, Blanks(20)}}), {{11, 1, 1}}},
      {"blank creator", Report(true, {P}, {{163, Blanks(20)}}), {{11, 1, 1}}},
      {"contact blank in its first 20 characters",
       Report(true, {P}, {{183, Blanks(20)}, {203, "help@x"}}),
       {{11, 1, 1}}},
  };
  for (const CategoryCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Load(c.lines)) << (messages_.texts().empty() ? "" : messages_.texts()[0]);
    ASSERT_EQ(dm_.Results().TempReportScore.size(), 11u);
    for (const Expect& e : c.expect) {
      SCOPED_TRACE(e.category);
      const TTempReportScore& row = Score(1, e.category);
      EXPECT_EQ(row.RecordsEvaluated, e.evaluated);
      EXPECT_EQ(row.RecordsPenalized, e.penalised);
      EXPECT_DOUBLE_EQ(row.PenaltyAssessed,
                       e.penalised == 0 ? 0.0 : double(e.penalised) / e.evaluated * row.MaxPenalty);
    }
  }
}

TEST_F(LoaderTest, ScoreRowsCarryTheCategoriesInOrder) {
  ASSERT_TRUE(Load(Report(true, {Property()})));
  const std::pair<const char*, int> categories[] = {
      {"Missing / Invalid Holder Tax ID", -5},
      {"Incomplete Holder Contact Info.", -4},
      {"Records With Punctuation", -6},
      {"Suspicious Dates", -25},
      {"Missing CUSIPs", -6},
      {"Incomplete Tangible Info.", -8},
      {"Missing Prop. Type Codes", -20},
      {"Missing Owner Type or Relation Codes", -8},
      {"Partial Owner Addresses", -8},
      {"Zero Value Properties", -15},
      {"Incomplete Software Version Info.", -5},
  };
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(Score(1, i + 1).Category, categories[i].first);
    EXPECT_EQ(Score(1, i + 1).MaxPenalty, categories[i].second);
    EXPECT_EQ(Score(1, i + 1).Holder_ID, 1);
  }
  EXPECT_EQ(Result().Score, 100);
}

TEST_F(LoaderTest, CountersRestartAtEachHolderRecord) {
  // The first report has a defect in every category it can; the second is clean.
  std::vector<std::string> lines =
      WithHolder(Holder(true, {{2, Blanks(9)}, {129, Blanks(40)}, {37, "A.B"}}),
                 {Property(0, 0,
                           {{10, "X,Y"},
                            {289, "19000101"},
                            {305, "    "},
                            {601, "  "},
                            {116, Blanks(30)},
                            {417, "000000000001"}}),
                  Box({{25, Blanks(11)}})},
                 true);
  lines.back() = Put(lines.back(), {{143, Blanks(20)}});
  const std::vector<std::string> clean = Report(true, {Property()});
  lines.insert(lines.end(), clean.begin(), clean.end());
  ASSERT_TRUE(Load(lines));
  for (int category = 1; category <= 11; ++category) {
    if (category != 10) {
      EXPECT_GT(Score(1, category).RecordsPenalized, 0) << category;
    }
    EXPECT_EQ(Score(2, category).RecordsPenalized, 0) << category;
  }
  EXPECT_EQ(Score(2, 3).RecordsEvaluated, 2);  // holder and property; the summary is exempt
  EXPECT_EQ(Score(2, 5).RecordsEvaluated, 0);
  EXPECT_EQ(Result(1).Score, 100);
}

TEST_F(LoaderTest, NegativeReportIsScoredOnItsHolderAndSummaryOnly) {
  std::vector<std::string> lines = WithHolder(Holder(true, {{2, Blanks(9)}}), {}, true);
  lines.back() = Put(lines.back(), {{142, "Y"}});
  ASSERT_TRUE(Load(lines));
  for (int category = 4; category <= 10; ++category) {
    EXPECT_EQ(Score(1, category).RecordsEvaluated, 0) << category;
    EXPECT_EQ(Score(1, category).PenaltyAssessed, 0) << category;
  }
  EXPECT_EQ(Score(1, 1).RecordsPenalized, 1);
  EXPECT_EQ(Result().Score, 95);
}

TEST_F(LoaderTest, PenalisedDatesWithoutPropertiesTakeTheFullPenalty) {
  // An owner ahead of any property in a negative type 4 report: nothing evaluated.
  std::vector<std::string> lines{Holder(false), Owner({{280, "18000101"}}),
                                 Summary(false, {3, 0, 0, 0}, {{142, "y"}})};
  ASSERT_TRUE(Load(lines));
  EXPECT_EQ(Score(1, 4).RecordsEvaluated, 0);
  EXPECT_EQ(Score(1, 4).RecordsPenalized, 1);
  EXPECT_EQ(Score(1, 4).PenaltyAssessed, -25);
  EXPECT_EQ(Result().Score, 75);
  EXPECT_TRUE(dm_.Results().AllReportsPass);
}

TEST_F(LoaderTest, PassMarkUsesTheUnroundedScore) {
  // -5 for the tax ID and -20 for the type code leave exactly 75.
  const std::string holder = Holder(false, {{2, Blanks(9)}});
  const std::string untyped = Property(100, 0, {{305, "    "}});
  ASSERT_TRUE(Load(WithHolder(holder, {untyped})));
  EXPECT_EQ(Result().Score, 75);
  EXPECT_TRUE(dm_.Results().AllReportsPass);
  EXPECT_EQ(window_.encrypt, true);

  // One owner of twenty without codes costs 0.4 more: 74.6 fails though it rounds to 75.
  std::vector<std::string> details{untyped};
  for (int i = 0; i < 18; ++i) details.push_back(Owner());
  details.push_back(Owner({{288, "  "}}));
  ASSERT_TRUE(Load(WithHolder(holder, details)));
  EXPECT_DOUBLE_EQ(Result().Score, 74.6);
  EXPECT_EQ(RoundHalfEven(Result().Score), 75);
  EXPECT_EQ(Result().SummaryOk, "Match");
  EXPECT_FALSE(dm_.Results().AllReportsPass);
  EXPECT_EQ(window_.encrypt, false);
}

}  // namespace
}  // namespace qorva::testing

namespace qorva::testing {
namespace {

TEST(PassRule, UnroundedScoreAndSummaryDecide) {
  EXPECT_TRUE(ReportPasses(true, 75.0));
  EXPECT_FALSE(ReportPasses(true, 74.9999));  // shows as 75, still fails
  EXPECT_FALSE(ReportPasses(false, 100.0));
  TReportResults results;
  EXPECT_FALSE(FileMayBeEncrypted(results));  // no report: nothing to vouch for
  results.TempArray.emplace_back();
  EXPECT_TRUE(FileMayBeEncrypted(results));
  results.AllReportsPass = false;
  EXPECT_FALSE(FileMayBeEncrypted(results));
}

}  // namespace
}  // namespace qorva::testing
