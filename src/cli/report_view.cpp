// Reads the last load's results back for the command line.
#include <cmath>

#include "Currency.h"
#include "DisplayFormat.h"
#include "check_report.h"

namespace qorva::cli {
namespace {

// Money as exact decimal text; beyond the currency's range, as a plain number.
std::string MoneyJson(double v) {
  try {
    return Currency::FromDouble(v).ToString();
  } catch (const std::exception&) {
    return JsonNumber(v);
  }
}

std::string MoneyText(double v) {
  try {
    return FormatCurrency(Currency::FromDouble(v));
  } catch (const std::exception&) {
    return FormatGeneral(v, 15);
  }
}

}  // namespace

std::vector<ReportResult> ReadReports(TdmEncryptor& module) {
  const TReportResults& results = module.Results();
  std::vector<ReportResult> reports;
  for (std::size_t i = 0; i < results.TempArray.size(); ++i) {
    const TTempRecord& t = results.TempArray[i];
    ReportResult r;
    r.holder_id = static_cast<int>(i + 1);
    r.holder_name = t.HolderName;
    r.num_rec_count = static_cast<int>(t.NumRecCount);
    r.sum_rec_count = static_cast<int>(t.SumRecCount);
    r.num_props = static_cast<int>(t.NumProps);
    r.sum_props = static_cast<int>(t.SumProps);
    r.num_owners = static_cast<int>(t.NumOwners);
    r.sd_boxes = static_cast<int>(t.SDBoxes);
    r.cash_to_remit = MoneyJson(t.CashRemit);
    r.sum_cash_to_remit = MoneyJson(t.SumCashRemit);
    r.shares_to_remit = JsonNumber(t.SharesRemit);
    r.sum_shares_to_remit = JsonNumber(t.SumSharesRemit);
    r.summary_matches = t.SummaryOk == "Match";
    r.score = t.Score;
    r.file_score = static_cast<int>(std::nearbyint(t.Score));
    r.pass = r.summary_matches && t.Score >= 75;
    for (const TTempReportScore& s : results.TempReportScore) {
      if (s.Holder_ID != r.holder_id) continue;
      CategoryResult c;
      c.category = std::string(s.Category);
      c.records_evaluated = s.RecordsEvaluated;
      c.records_penalized = s.RecordsPenalized;
      c.max_penalty = s.MaxPenalty;
      c.penalty_assessed = s.PenaltyAssessed;
      c.evaluated_text = std::to_string(s.RecordsEvaluated);
      c.penalized_text = std::to_string(s.RecordsPenalized);
      c.max_penalty_text = std::to_string(s.MaxPenalty);
      c.penalty_text = FormatGeneral(s.PenaltyAssessed, 2);
      r.categories.push_back(std::move(c));
    }
    // The report dataset's display formats.
    r.props_text = FormatFloat("###,###", r.num_props);
    r.owners_text = FormatFloat("###,###", r.num_owners);
    r.boxes_text = FormatFloat("###,##0", r.sd_boxes);
    r.cash_text = MoneyText(t.CashRemit);
    r.shares_text = FormatFloat("###,###,##0.0000,", t.SharesRemit);
    r.summary_text = t.SummaryOk;
    r.score_text = std::to_string(r.file_score);
    reports.push_back(std::move(r));
  }
  return reports;
}

}  // namespace qorva::cli
