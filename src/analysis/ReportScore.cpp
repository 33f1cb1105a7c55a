#include "ReportScore.h"

#include <cmath>

namespace qorva {
namespace {

constexpr std::string_view kCategoryTexts[kScoreCategoryCount] = {
    "Missing / Invalid Holder Tax ID",
    "Incomplete Holder Contact Info.",
    "Records With Punctuation",
    "Suspicious Dates",
    "Missing CUSIPs",
    "Incomplete Tangible Info.",
    "Missing Prop. Type Codes",
    "Missing Owner Type or Relation Codes",
    "Partial Owner Addresses",
    "Zero Value Properties",
    "Incomplete Software Version Info.",
};

}  // namespace

std::string_view ScoreCategoryText(int category) {
  return category >= 0 && category < kScoreCategoryCount ? kCategoryTexts[category]
                                                         : std::string_view();
}

int ScoreCategoryOf(std::string_view text) {
  for (int k = 0; k < kScoreCategoryCount; ++k)
    if (kCategoryTexts[k] == text) return k;
  return -1;
}

long double CalcScore(std::vector<TTempReportScore>& TempReportScore, std::int32_t Holder_ID,
                      std::int64_t RecordsEvaluated, std::int32_t MaxPenalty,
                      std::int64_t RecordsAssessed, std::string_view Category) {
  TTempReportScore& row = TempReportScore.emplace_back();
  row.Holder_ID = Holder_ID;
  row.RecordsEvaluated = static_cast<std::int32_t>(RecordsEvaluated);
  row.Category = Category;
  row.MaxPenalty = MaxPenalty;
  if (RecordsAssessed <= 0) return 0;
  row.RecordsPenalized = static_cast<std::int32_t>(RecordsAssessed);
  // Penalised records with none evaluated (owner dates ahead of any property) take the
  // full penalty rather than dividing by zero.
  const long double penalty = RecordsEvaluated == 0
                                  ? static_cast<long double>(MaxPenalty)
                                  : static_cast<long double>(RecordsAssessed) /
                                        static_cast<long double>(RecordsEvaluated) * MaxPenalty;
  row.PenaltyAssessed = static_cast<double>(penalty);
  return penalty;
}

double ScoreReport(std::vector<TTempReportScore>& TempReportScore, std::int32_t Holder_ID,
                   const TReportCounts& n, const TScoreCounters& c) {
  struct Category {
    std::string_view text;
    std::int64_t evaluated;
    std::int32_t max_penalty;
    std::int64_t penalised;
  };
  const Category categories[kScoreCategoryCount] = {
      {kCategoryTexts[scHolderTaxID], 1, -5, c.ScoreMissingHolderTaxID},
      {kCategoryTexts[scHolderContact], 1, -4, c.ScoreIncompleteContact},
      {kCategoryTexts[scPunctuation], n.ReportRecCount - c.NonPunctuationCount, -6,
       c.ScorePunctuation},
      {kCategoryTexts[scBadDate], n.PropCount, -25, c.ScoreBadDate},
      {kCategoryTexts[scMissingCUSIP], c.PropsWithSharesCount, -6, c.ScoreMissingCUSIP},
      {kCategoryTexts[scIncompleteTangible], n.TangibleCount, -8, c.ScoreIncompleteTangible},
      {kCategoryTexts[scMissingPropType], n.PropCount, -20, c.ScoreMissingPropType},
      {kCategoryTexts[scMissingOwnerCode], n.OwnerCount, -8, c.ScoreMissingOwnerCode},
      {kCategoryTexts[scPartialOwnerAddress], n.OwnerCount, -8, c.ScorePartialOwnerAddress},
      {kCategoryTexts[scZeroAssets], n.PropCount, -15, c.ScoreZeroAssets},
      {kCategoryTexts[scIncompleteVersionInfo], 1, -5, c.ScoreIncompleteVersionInfo},
  };
  double score = 100;
  for (const Category& k : categories) {
    // Each penalty is added to the double score as it comes, in category order.
    score = static_cast<double>(score + CalcScore(TempReportScore, Holder_ID, k.evaluated,
                                                  k.max_penalty, k.penalised, k.text));
  }
  return score;
}

double RoundHalfEven(double x) {
  const double lower = std::floor(x);
  const double diff = x - lower;
  if (diff < 0.5) return lower;
  if (diff > 0.5) return lower + 1;
  return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

}  // namespace qorva
