// Data-quality scoring of one holder report: eleven categories, each taking off at most
// a fixed number of points in proportion to the share of its records that show a defect.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qorva {

// One score row: a report and a category.
struct TTempReportScore {
  std::int32_t Holder_ID = 0;
  std::int32_t RecordsEvaluated = 0;
  std::int32_t RecordsPenalized = 0;
  std::int32_t MaxPenalty = 0;  // negative
  double PenaltyAssessed = 0;   // zero or negative
  std::string_view Category;    // one of the static category texts
};

// Defect counters of the open report, and the two evaluated counts only the scoring uses.
// 64-bit so that no count can overflow, however long the report.
struct TScoreCounters {
  std::int64_t ScoreMissingHolderTaxID = 0;
  std::int64_t ScoreIncompleteContact = 0;
  std::int64_t ScorePunctuation = 0;
  std::int64_t ScoreBadDate = 0;
  std::int64_t ScoreMissingCUSIP = 0;
  std::int64_t ScoreIncompleteTangible = 0;
  std::int64_t ScoreMissingPropType = 0;
  std::int64_t ScoreMissingOwnerCode = 0;
  std::int64_t ScorePartialOwnerAddress = 0;
  std::int64_t ScoreZeroAssets = 0;
  std::int64_t ScoreIncompleteVersionInfo = 0;
  std::int64_t PropsWithSharesCount = 0;
  std::int64_t NonPunctuationCount = 0;
};

// The loader's counts that the scoring reads.
struct TReportCounts {
  std::int64_t ReportRecCount = 0;
  std::int64_t PropCount = 0;
  std::int64_t OwnerCount = 0;
  std::int64_t TangibleCount = 0;
};

inline constexpr int kScoreCategoryCount = 11;
inline constexpr double kPassingScore = 75;

// The categories in score-row order.
enum TScoreCategory : int {
  scHolderTaxID,
  scHolderContact,
  scPunctuation,
  scBadDate,
  scMissingCUSIP,
  scIncompleteTangible,
  scMissingPropType,
  scMissingOwnerCode,
  scPartialOwnerAddress,
  scZeroAssets,
  scIncompleteVersionInfo,
};
// The category's text, as its score rows carry it.
std::string_view ScoreCategoryText(int category);
// The category of a score row's text; -1 for none.
int ScoreCategoryOf(std::string_view text);

// A record that cost its report points: where it is and why.
struct TPenalisedRecord {
  std::int64_t Line = 0;  // line of the file from 1, empty lines counted (as an editor does)
  std::string Field;      // the field at fault; empty when the record is judged whole
  std::string Reason;     // e.g. "DateB 02/30/2020 is not a calendar date"
};

// Per report and category only the first ones are kept, so memory stays flat; the counts in
// the score rows stay exact.
inline constexpr std::size_t kKeptRecordsPerCategory = 1000;
// One report's kept records, by category, each ascending by line.
using TCategoryRecords = std::array<std::vector<TPenalisedRecord>, kScoreCategoryCount>;

// Appends one score row and returns the points taken off (zero or negative).
long double CalcScore(std::vector<TTempReportScore>& TempReportScore, std::int32_t Holder_ID,
                      std::int64_t RecordsEvaluated, std::int32_t MaxPenalty,
                      std::int64_t RecordsAssessed, std::string_view Category);

// Appends the eleven rows of a closing report, in category order, and returns its score:
// 100 plus the eleven penalties, summed in that order.
double ScoreReport(std::vector<TTempReportScore>& TempReportScore, std::int32_t Holder_ID,
                   const TReportCounts& counts, const TScoreCounters& c);

// Rounds to the nearest integer, a half going to the even neighbour.
double RoundHalfEven(double x);

}  // namespace qorva
