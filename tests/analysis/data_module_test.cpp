#include <gtest/gtest.h>

#include "ReportFixture.h"

namespace qorva::testing {
namespace {

std::vector<std::string> FieldNames(const TClientDataSet& ds) {
  std::vector<std::string> names;
  for (int i = 0; i < ds.FieldCount(); ++i) names.push_back(ds.Fields(i)->FieldName());
  return names;
}

class CountingObserver : public IDataSetObserver {
 public:
  void DataSetChanging() override { ++changing; }
  void DataSetChanged() override { ++changed; }
  int changing = 0, changed = 0;
};

TEST_F(LoaderTest, ModuleStartsWithAnEmptyScoreDataSetOnly) {
  EXPECT_FALSE(dm_.cdsReports.Active());
  EXPECT_TRUE(dm_.cdsReportScore.Active());
  EXPECT_EQ(dm_.cdsReportScore.RecordCount(), 0);
  EXPECT_EQ(FieldNames(dm_.cdsReports),
            (std::vector<std::string>{
                "HolderName", "NumProps", "NumOwners", "SDBoxes", "SummaryMatches", "FileScore",
                "PassFail", "Holder_ID", "NumRecCount", "SumRecCount", "SumProps", "SumOwners",
                "CashToRemit", "SumCashToRemit", "SharesToRemit", "SumSharesToRemit"}));
  EXPECT_EQ(dm_.cdsReports.FieldDefs[3].Name, "CashToRemit");
  EXPECT_EQ(dm_.cdsReports.FieldDefs[15].Name, "SumSharesToRemit");
  EXPECT_EQ(FieldNames(dm_.cdsReportScore),
            (std::vector<std::string>{"Holder_ID", "Category", "RecordsEvaluated",
                                      "RecordsPenalized", "MaxPenalty", "PenaltyAssessed"}));
  EXPECT_EQ(dm_.cdsReportsSummaryMatches->Name(), "cdsReportsSummaryMatches");
  EXPECT_EQ(dm_.cdsReportsHolderName->DisplayWidth(), 40);
  EXPECT_EQ(dm_.cdsReportsPassFail->DisplayWidth(), 5);
  EXPECT_FALSE(dm_.dsReports.AutoEdit());
  EXPECT_FALSE(dm_.dsReportScore.AutoEdit());
}

TEST_F(LoaderTest, PublishesOneRowPerReportAndElevenScoreRows) {
  // Report 1: three of ten properties with a suspicious date (-7.5), no owners beyond them.
  std::vector<std::string> first;
  for (int i = 0; i < 10; ++i)
    first.push_back(i < 3 ? Property(12345, 12345000, {{289, "19000101"}})
                          : Property(12345, 12345000));
  std::vector<std::string> lines = Report(false, first);
  lines[0] = Put(lines[0], {{37, "  NORTHWIND   LTD\t"}});
  // Report 2: one owner of three without codes (-8/3), a box, and a negative cash amount.
  const std::vector<std::string> second =
      Report(true, {Property(-250, 0), Owner({{288, "  "}}), Owner(), Box()});
  lines.insert(lines.end(), second.begin(), second.end());

  ASSERT_TRUE(Load(lines));

  TClientDataSet& r = dm_.cdsReports;
  ASSERT_EQ(r.RecordCount(), 2);
  EXPECT_EQ(r.CurrentRow(), 0);
  EXPECT_EQ(dm_.cdsReportsHolderName->AsStringAt(0), "NORTHWIND   LTD");
  EXPECT_EQ(dm_.cdsReportsNumProps->DisplayTextAt(0), "10");
  EXPECT_EQ(dm_.cdsReportsNumOwners->AsIntegerAt(0), 10);
  EXPECT_EQ(dm_.cdsReportsSDBoxes->DisplayTextAt(0), "0");
  EXPECT_EQ(dm_.cdsReportsSummaryMatches->AsStringAt(0), "Match");
  EXPECT_EQ(dm_.cdsReportsFileScore->AsIntegerAt(0), 92);  // 92.5, a half to even
  EXPECT_EQ(dm_.cdsReportsHolder_ID->AsIntegerAt(0), 1);
  EXPECT_EQ(dm_.cdsReportsNumRecCount->AsIntegerAt(0), 12);
  EXPECT_EQ(dm_.cdsReportsSumRecCount->AsIntegerAt(0), 12);
  EXPECT_EQ(dm_.cdsReportsSumProps->AsIntegerAt(0), 10);
  EXPECT_EQ(dm_.cdsReportsCashToRemit->AsCurrencyAt(0), Currency::FromUnits(12345000));
  EXPECT_EQ(dm_.cdsReportsSumCashToRemit->AsCurrencyAt(0), Currency::FromUnits(12345000));
  EXPECT_EQ(dm_.cdsReportsSharesToRemit->DisplayTextAt(0), "12,345.0000");
  EXPECT_EQ(dm_.cdsReportsSumSharesToRemit->AsFloatAt(0), 12345);
  for (int row = 0; row < 2; ++row) {
    EXPECT_TRUE(dm_.cdsReportsPassFail->IsNullAt(row));
    EXPECT_TRUE(dm_.cdsReportsSumOwners->IsNullAt(row));
  }
  EXPECT_EQ(dm_.cdsReportsHolder_ID->AsIntegerAt(1), 2);
  EXPECT_EQ(dm_.cdsReportsNumOwners->AsIntegerAt(1), 3);
  EXPECT_EQ(dm_.cdsReportsSDBoxes->AsIntegerAt(1), 1);
  EXPECT_EQ(dm_.cdsReportsCashToRemit->AsCurrencyAt(1), Currency{});  // -2.50 not counted

  TClientDataSet& s = dm_.cdsReportScore;
  ASSERT_EQ(s.RecordCount(), 22);
  EXPECT_EQ(dm_.cdsReportScoreHolder_ID->AsIntegerAt(10), 1);
  EXPECT_EQ(dm_.cdsReportScoreHolder_ID->AsIntegerAt(11), 2);
  EXPECT_EQ(dm_.cdsReportScoreCategory->AsStringAt(3), "Suspicious Dates");
  EXPECT_EQ(dm_.cdsReportScoreRecordsEvaluated->AsIntegerAt(3), 10);
  EXPECT_EQ(dm_.cdsReportScoreRecordsPenalized->AsIntegerAt(3), 3);
  EXPECT_EQ(dm_.cdsReportScoreMaxPenalty->AsIntegerAt(3), -25);
  EXPECT_EQ(dm_.cdsReportScorePenaltyAssessed->DisplayTextAt(3), "-7.5");
  EXPECT_EQ(dm_.cdsReportScorePenaltyAssessed->DisplayTextAt(11 + 7), "-2.7");

  // The score window's filter; a later load empties and refills through it.
  s.SetFilter("Holder_ID = 2");
  s.SetFiltered(true);
  EXPECT_EQ(s.RecordCount(), 11);
  CountingObserver reports_observer, score_observer;
  dm_.dsReports.AddObserver(&reports_observer);
  dm_.dsReportScore.AddObserver(&score_observer);
  ASSERT_TRUE(Load(Report(false, {Property()})));
  dm_.dsReports.RemoveObserver(&reports_observer);
  dm_.dsReportScore.RemoveObserver(&score_observer);
  // Controls are suspended while the rows are rewritten: one change each.
  EXPECT_EQ(reports_observer.changing, 1);
  EXPECT_EQ(reports_observer.changed, 1);
  EXPECT_EQ(score_observer.changed, 1);
  EXPECT_EQ(r.RecordCount(), 1);
  EXPECT_EQ(s.RecordCount(), 0);
  s.SetFiltered(false);
  EXPECT_EQ(s.RecordCount(), 11);
}

TEST_F(LoaderTest, FileScoreRoundsHalfToEven) {
  // -25 for the one property's date and -8/16 for one owner of sixteen: 74.5 gives 74.
  std::vector<std::string> details{Property(100, 0, {{289, "19000101"}}), Owner({{288, "  "}})};
  for (int i = 0; i < 14; ++i) details.push_back(Owner());
  std::vector<std::string> lines = Report(false, details);
  // -20 for the type code, -4 for the contact, -0.5 as above: 75.5 gives 76.
  details[0] = Property(100, 0, {{305, "    "}});
  std::vector<std::string> second = Report(false, details);
  second[0] = Put(second[0], {{303, "          "}});
  lines.insert(lines.end(), second.begin(), second.end());
  ASSERT_TRUE(Load(lines));
  EXPECT_EQ(Result(0).Score, 74.5);
  EXPECT_EQ(Result(1).Score, 75.5);
  EXPECT_EQ(dm_.cdsReportsFileScore->AsIntegerAt(0), 74);
  EXPECT_EQ(dm_.cdsReportsFileScore->AsIntegerAt(1), 76);
  EXPECT_EQ(window_.encrypt, false);
}

TEST_F(LoaderTest, FailedLoadLeavesTheDataSets) {
  ASSERT_TRUE(Load(Report(false, {Property(), Property()})));
  ASSERT_EQ(dm_.cdsReports.RecordCount(), 1);
  EXPECT_FALSE(
      Load(Join(Report(false, {Property()})) + Join(Report(true, {Property()})) + Holder(true)));
  EXPECT_FALSE(Load(std::string("\r\n")));
  ASSERT_EQ(dm_.cdsReports.RecordCount(), 1);
  EXPECT_EQ(dm_.cdsReportsNumProps->AsIntegerAt(0), 2);
  EXPECT_EQ(dm_.cdsReportScore.RecordCount(), 11);

  // The score dataset is made active again before a load that then fails.
  dm_.cdsReportScore.Close();
  EXPECT_FALSE(Load(std::string("0 x\r\n")));
  EXPECT_TRUE(dm_.cdsReportScore.Active());
}

}  // namespace
}  // namespace qorva::testing
