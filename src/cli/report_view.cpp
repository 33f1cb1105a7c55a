// Reads the last load's results back for the command line.
#include <cmath>
#include <cstdio>

#include "check_report.h"

namespace qorva::cli {
namespace {

// Interim display texts until the datasets are published.
std::string Grouped(long long v, bool zero_empty) {
  if (v == 0 && zero_empty) return "";
  std::string digits = std::to_string(v < 0 ? -v : v), out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return v < 0 ? "-" + out : out;
}

std::string Fixed(double v, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
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
    r.cash_to_remit = JsonNumber(t.CashRemit);
    r.sum_cash_to_remit = JsonNumber(t.SumCashRemit);
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
      char g[32];
      std::snprintf(g, sizeof g, "%.2g", s.PenaltyAssessed);
      c.penalty_text = g;
      r.categories.push_back(std::move(c));
    }
    r.props_text = Grouped(r.num_props, true);
    r.owners_text = Grouped(r.num_owners, true);
    r.boxes_text = Grouped(r.sd_boxes, false);
    r.cash_text = "$" + Fixed(t.CashRemit, 2);
    r.shares_text = Fixed(t.SharesRemit, 4);
    r.summary_text = t.SummaryOk;
    r.score_text = std::to_string(r.file_score);
    reports.push_back(std::move(r));
  }
  return reports;
}

}  // namespace qorva::cli
