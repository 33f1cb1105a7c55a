// When a holder report passes, and when a file may be sealed: one rule for the desktop's
// encrypt command and for `qorva`.
#pragma once

#include "ReportLoader.h"
#include "ReportScore.h"

namespace qorva {

// A holder report passes when its summary matches its records and its unrounded score is at
// least 75 (a score just under 75 fails even where it shows rounded to 75).
inline bool ReportPasses(bool summary_matches, double unrounded_score) {
  return summary_matches && unrounded_score >= kPassingScore;
}

// A file may be sealed when it holds at least one holder report and every one passes: a file
// without a report has nothing to vouch for.
inline bool FileMayBeEncrypted(const TReportResults& results) {
  return results.AllReportsPass && !results.TempArray.empty();
}

}  // namespace qorva
