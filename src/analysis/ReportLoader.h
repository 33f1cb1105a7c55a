// The single pass over a holder report file: structure checks, counts, totals, the
// summary comparison and the scoring, kept in memory until the whole file is accepted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ReportScore.h"
#include "ReportText.h"

namespace qorva {

// Results of one holder report, in file order.
struct TTempRecord {
  std::string HolderName;
  std::string SummaryOk;  // "Match" or "No Match"
  double NumProps = 0;
  double SumProps = 0;
  double NumRecCount = 0;
  double SumRecCount = 0;
  double NumOwners = 0;
  double SDBoxes = 0;
  double Score = 0;
  double CashRemit = 0;
  double SumCashRemit = 0;
  double SharesRemit = 0;
  double SumSharesRemit = 0;
  // The two cash totals exactly, in ten-thousandths, for the currency fields.
  std::int64_t CashRemitUnits = 0;
  std::int64_t SumCashRemitUnits = 0;
};

struct TReportResults {
  std::vector<TTempRecord> TempArray;
  std::vector<TTempReportScore> TempReportScore;              // eleven rows per report
  std::vector<TCategoryRecords> PenalisedRecords;             // one per report, in file order
  std::string FileCreator, SoftwareVersion, SoftwareContact;  // from the last summary record
  bool AllReportsPass = true;
};

// One line without its line break. For a line longer than the read block, `text` holds
// only its head (every field lies there) and the punctuation of the whole line is given.
struct TReportLine {
  std::string_view text;
  std::size_t length = 0;  // of the whole line
  bool punctuation_known = false;
  bool punctuation = false;
};

// A structural error at the current line; ends the load.
struct TLineError {
  std::string message;
  // The field at fault, when the error is about one: its name and place in the line.
  std::string field;
  std::optional<TColumn> column;
};

class TReportPass {
 public:
  // `now`: the current moment, against which dates are judged.
  explicit TReportPass(double now) : now_(now) {}

  // Processes one line; empty lines are skipped. Throws TLineError.
  void Line(const TReportLine& line);
  // End-of-file check. Throws TLineError.
  void Finish();

  std::int64_t LineCounter() const { return LineCounter_; }
  // Line of the file of the last non-empty line, empty lines counted.
  std::int64_t PhysicalLine() const { return LastNonEmptyLine_; }
  // Length of the open report's holder record; 0 when no report is open.
  std::size_t HolderLength() const { return Report_In_Process_ ? HolderLength_ : 0; }
  TReportResults& Results() { return results_; }

 private:
  void HolderRecord(const TReportLine& line);
  void SummaryRecord(std::string_view text, char type);
  void PropertyRecord(std::string_view text);
  void OwnerRecord(std::string_view text);
  void OtherDetailRecord(std::string_view text, char type);
  void PunctuationTest(const TReportLine& line, char type);
  void ZeroValueTest();
  void DateTest(std::string_view text, TColumn column, const char* name, double window);
  // Keeps a penalised record of the open report; `reason` is only built when it is kept.
  template <class Reason>
  void Keep(int category, std::int64_t line, const char* field, Reason&& reason);

  const double now_;
  TReportResults results_;
  std::int64_t LineCounter_ = 0;
  std::int64_t PhysicalLine_ = 0;      // every line, empty ones too
  std::int64_t LastNonEmptyLine_ = 0;  // PhysicalLine_ of the last non-empty line
  std::int64_t PropLine_ = 0;          // line of the current property record
  std::size_t HolderLength_ = 0;
  TCategoryRecords* records_ = nullptr;  // of the open report
  std::int32_t ReportCount_ = 0;
  bool Report_In_Process_ = false;
  bool QORVA_Revised_ = false;
  TReportCounts counts_;
  std::int64_t CashRemitted_ = 0;  // currency: ten-thousandths
  long double Shares_ = 0;
  bool PropHasValue_ = false;
  bool PropBadDate_ = false;
  TScoreCounters score_;
};

struct TLoadOptions {
  std::size_t block_size = 1u << 20;
  // Bytes read so far and the file size; false cancels.
  std::function<bool(std::uint64_t done, std::uint64_t total)> progress;
};

struct TLoadOutcome {
  enum Kind { Loaded, CannotAccess, Empty, LineError, Cancelled } kind = Loaded;
  std::int64_t line = 0;  // for LineError: non-empty lines counted
  std::string message{};  // inner text of a LineError
  // For a LineError: what locates the fault (the field's columns, the text found there, a
  // hint at a recognisable cause), lines separated by carriage returns; may be empty. For
  // CannotAccess after a failed read: the system's reason.
  std::string detail{};
  std::int64_t physical_line = 0;  // the offending line's place among all lines of the file
  std::string line_start{};        // its first kLineStartKept characters, kept from the pass
  bool line_cut = false;           // the line is longer than line_start
  TReportResults results{};        // for Loaded
};

inline constexpr std::size_t kLineStartKept = 1024;

// Reads and checks the whole file; shows nothing. Never throws.
TLoadOutcome LoadReportFile(const std::string& path, const TLoadOptions& options = {});
// The same on an open stream (standard input, a pipe), read once; `size` is its size when
// known, else 0 (for progress only).
TLoadOutcome LoadReportStream(std::FILE* in, std::uint64_t size, const TLoadOptions& options = {});

// The detail text of a line error on `line` (its head) of `length` characters;
// `holder_length` is the open report's holder record length (0: none).
std::string LineErrorDetail(const TLineError& error, std::string_view line, std::size_t length,
                            std::size_t holder_length);

}  // namespace qorva
