// Reads the last load's results back for the command line from the published datasets, as
// the grid and the score window show them.
#include "Currency.h"
#include "DataSet.h"
#include "DisplayFormat.h"
#include "PassRule.h"
#include "check_report.h"

namespace qorva::cli {

std::vector<ReportResult> ReadReports(TdmEncryptor& m) {
  const TReportResults& results = m.Results();
  std::vector<ReportResult> reports;
  // The command line sets no filter, so every score row is visible.
  m.cdsReportScore.SetFiltered(false);
  const int score_rows = m.cdsReportScore.RecordCount();
  // Score rows come grouped by report in report order, so one cursor walks them all once.
  int s = 0;
  for (int row = 0; row < m.cdsReports.RecordCount(); ++row) {
    ReportResult r;
    r.holder_id = m.cdsReportsHolder_ID->AsIntegerAt(row);
    r.holder_name = m.cdsReportsHolderName->AsStringAt(row);
    r.num_rec_count = m.cdsReportsNumRecCount->AsIntegerAt(row);
    r.sum_rec_count = m.cdsReportsSumRecCount->AsIntegerAt(row);
    r.num_props = m.cdsReportsNumProps->AsIntegerAt(row);
    r.sum_props = m.cdsReportsSumProps->AsIntegerAt(row);
    r.num_owners = m.cdsReportsNumOwners->AsIntegerAt(row);
    r.sd_boxes = m.cdsReportsSDBoxes->AsIntegerAt(row);
    r.cash_to_remit = m.cdsReportsCashToRemit->AsCurrencyAt(row);
    r.sum_cash_to_remit = m.cdsReportsSumCashToRemit->AsCurrencyAt(row);
    r.shares_to_remit = m.cdsReportsSharesToRemit->AsFloatAt(row);
    r.sum_shares_to_remit = m.cdsReportsSumSharesToRemit->AsFloatAt(row);
    r.summary_matches = m.cdsReportsSummaryMatches->AsStringAt(row) == "Match";
    r.file_score = m.cdsReportsFileScore->AsIntegerAt(row);
    // The dataset keeps the rounded score only; the pass rule needs it unrounded.
    const auto index = static_cast<std::size_t>(r.holder_id - 1);
    r.score = index < results.TempArray.size() ? results.TempArray[index].Score : r.file_score;
    r.pass = ReportPasses(r.summary_matches, r.score);

    r.props_text = m.cdsReportsNumProps->DisplayTextAt(row);
    r.owners_text = m.cdsReportsNumOwners->DisplayTextAt(row);
    r.cash_text = m.cdsReportsCashToRemit->DisplayTextAt(row);
    r.shares_text = m.cdsReportsSharesToRemit->DisplayTextAt(row);
    r.boxes_text = m.cdsReportsSDBoxes->DisplayTextAt(row);
    r.summary_text = m.cdsReportsSummaryMatches->DisplayTextAt(row);
    r.score_text = m.cdsReportsFileScore->DisplayTextAt(row);
    r.num_rec_text = m.cdsReportsNumRecCount->DisplayTextAt(row);
    r.sum_rec_text = m.cdsReportsSumRecCount->DisplayTextAt(row);
    r.sum_props_text = m.cdsReportsSumProps->DisplayTextAt(row);
    r.sum_cash_text = m.cdsReportsSumCashToRemit->DisplayTextAt(row);
    r.sum_shares_text = m.cdsReportsSumSharesToRemit->DisplayTextAt(row);

    while (s < score_rows && m.cdsReportScoreHolder_ID->AsIntegerAt(s) < r.holder_id) ++s;
    for (; s < score_rows && m.cdsReportScoreHolder_ID->AsIntegerAt(s) == r.holder_id; ++s) {
      CategoryResult c;
      c.category = m.cdsReportScoreCategory->AsStringAt(s);
      c.records_evaluated = m.cdsReportScoreRecordsEvaluated->AsIntegerAt(s);
      c.records_penalized = m.cdsReportScoreRecordsPenalized->AsIntegerAt(s);
      c.max_penalty = m.cdsReportScoreMaxPenalty->AsIntegerAt(s);
      c.penalty_assessed = m.cdsReportScorePenaltyAssessed->AsFloatAt(s);
      c.evaluated_text = m.cdsReportScoreRecordsEvaluated->DisplayTextAt(s);
      c.penalized_text = m.cdsReportScoreRecordsPenalized->DisplayTextAt(s);
      c.max_penalty_text = m.cdsReportScoreMaxPenalty->DisplayTextAt(s);
      c.penalty_text = m.cdsReportScorePenaltyAssessed->DisplayTextAt(s);
      c.records = &m.PenalisedRecords(r.holder_id, c.category);
      r.categories.push_back(std::move(c));
    }
    reports.push_back(std::move(r));
  }
  return reports;
}

}  // namespace qorva::cli
