// The data module: the loader of holder report files and the datasets it fills.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "DataSet.h"
#include "ReportLoader.h"
#include "uTztStringField.h"

namespace qorva {

// What the loader writes into the main window; the main window (and the command line)
// implement it.
class IEncryptMainWindow {
 public:
  virtual ~IEncryptMainWindow() = default;
  virtual void SetCreatorValue(const std::string& s) = 0;  // caption of lblCreatorValue
  virtual void SetVersionValue(const std::string& s) = 0;  // lblVersionValue
  virtual void SetContactValue(const std::string& s) = 0;  // lblContactValue
  virtual void SetEncryptEnabled(bool enabled) = 0;        // btnEncrypt, then EncryptSelected1
};

class TdmEncryptor {
 public:
  TdmEncryptor();
  TdmEncryptor(const TdmEncryptor&) = delete;
  TdmEncryptor& operator=(const TdmEncryptor&) = delete;

  // One row per holder report; inactive until the first successful load.
  TClientDataSet cdsReports{"cdsReports"};
  TDataSource dsReports{&cdsReports};
  TztStringField* cdsReportsHolderName;
  TIntegerField* cdsReportsNumProps;
  TIntegerField* cdsReportsNumOwners;
  TIntegerField* cdsReportsSDBoxes;
  TztStringField* cdsReportsSummaryMatches;
  TIntegerField* cdsReportsFileScore;
  TBooleanField* cdsReportsPassFail;  // never filled
  TIntegerField* cdsReportsHolder_ID;
  TIntegerField* cdsReportsNumRecCount;
  TIntegerField* cdsReportsSumRecCount;
  TIntegerField* cdsReportsSumProps;
  TIntegerField* cdsReportsSumOwners;  // never filled
  // Eleven rows per report, linked by Holder_ID; active (and empty) from the start.
  TClientDataSet cdsReportScore{"cdsReportScore"};
  TIntegerField* cdsReportScoreHolder_ID;
  TIntegerField* cdsReportScoreRecordsEvaluated;
  TIntegerField* cdsReportScoreRecordsPenalized;
  TIntegerField* cdsReportScoreMaxPenalty;
  TFloatField* cdsReportScorePenaltyAssessed;
  TDataSource dsReportScore{&cdsReportScore};
  TztStringField* cdsReportScoreCategory;
  TCurrencyField* cdsReportsCashToRemit;
  TCurrencyField* cdsReportsSumCashToRemit;
  TFloatField* cdsReportsSharesToRemit;
  TFloatField* cdsReportsSumSharesToRemit;

  // Reads, checks and scores the file; on success publishes the results into the datasets
  // and the main window and returns true. On failure shows why (unless cancelled) and
  // changes nothing.
  bool LoadQORVAFile(const std::string& FileToLoad);
  // LoadQORVAFile in two halves, for a caller that reads on a worker thread: ReadQORVAFile
  // touches nothing of the module and shows nothing (safe on any thread); FinishLoad, on
  // the datasets' thread, shows the failure or publishes the results, as LoadQORVAFile does.
  static TLoadOutcome ReadQORVAFile(
      const std::string& FileToLoad,
      const std::function<bool(std::uint64_t done, std::uint64_t total)>& progress);
  bool FinishLoad(const std::string& FileToLoad, TLoadOutcome outcome);
  // LoadQORVAFile on an open stream (standard input, a named pipe), read exactly once;
  // `name` stands for the path in messages.
  bool LoadQORVAStream(std::FILE* in, const std::string& name);
  // Shows a line error as a warning box; `detail` (columns, text found, hints) goes apart
  // from the box's own text.
  void ErrorMsg(int LineNum, const std::string& Mesg, const std::string& detail = {});

  void SetMainWindow(IEncryptMainWindow* w) { main_window_ = w; }  // not owned; nullptr = nobody
  // Called now and then during a load with the bytes read so far and the file size;
  // returning false cancels the load (no message, nothing published).
  void SetProgress(std::function<bool(std::uint64_t done, std::uint64_t total)> cb) {
    progress_ = std::move(cb);
  }

  struct LoadError {
    std::optional<int> line;  // set for line errors
    std::string message;      // the inner text of a line error, else the whole box text
    // For line errors: what locates the fault (carriage-return separated lines), the line's
    // place among all lines of the file, and its start, kept from the one read.
    std::string detail{};
    std::int64_t physical_line = 0;
    std::string line_start{};
    bool line_cut = false;  // the line goes on beyond line_start
  };
  // Set by a failed load, cleared by a successful one.
  const std::optional<LoadError>& LastError() const { return last_error_; }
  bool LastLoadCancelled() const { return last_cancelled_; }

  // The per-report results of the last successful load (unrounded scores included).
  const TReportResults& Results() const { return results_; }

  // The penalised records of the last successful load, for report `holder_id` (from 1) and
  // `category` (0-10, the order of the score rows; see TScoreCategory): ascending by line,
  // at most kKeptRecordsPerCategory. Empty for an unknown report or category.
  const std::vector<TPenalisedRecord>& PenalisedRecords(int holder_id, int category) const;
  // The same by a score row's category text (cdsReportScoreCategory).
  const std::vector<TPenalisedRecord>& PenalisedRecords(int holder_id,
                                                        std::string_view category) const;
  // Writes the kept records as CSV for a spreadsheet: a title row, then one row per record
  // (holder id, holder name, category, line, reason) in report, category and line order;
  // `holder_id` 0 writes every report, else only that one (and `category` >= 0 only that
  // category). Text as UTF-8, rows ended by CR LF.
  void WritePenalisedRecordsCsv(std::ostream& out, int holder_id = 0, int category = -1) const;

 private:
  void Fail(std::optional<int> line, std::string message);
  void EnsureScoreDataSet();
  static bool FitsTheFields(const TReportResults& results);
  void Publish();

  IEncryptMainWindow* main_window_ = nullptr;
  std::function<bool(std::uint64_t, std::uint64_t)> progress_;
  std::optional<LoadError> last_error_;
  bool last_cancelled_ = false;
  TReportResults results_;
};

// The program's single instance, created by start-up (nullptr in the command line and tests).
extern TdmEncryptor* dmEncryptor;

}  // namespace qorva
