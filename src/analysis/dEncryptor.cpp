#include "dEncryptor.h"

#include <w_dialog.h>

#include <limits>

#include "PassRule.h"

namespace qorva {

TdmEncryptor* dmEncryptor = nullptr;

namespace {

template <class F>
F* AddField(TClientDataSet& ds, const std::string& name, int display_width = 0,
            const char* display_format = nullptr, int size = 0) {
  F* f = ds.AddField<F>(name, size);
  if (display_width > 0) f->SetDisplayWidth(display_width);
  if constexpr (std::is_base_of_v<TNumericField, F>) {
    if (display_format) f->SetDisplayFormat(display_format);
  }
  return f;
}

constexpr char kCount[] = "###,###";
constexpr char kShares[] = "###,###,##0.0000,";

}  // namespace

TdmEncryptor::TdmEncryptor() {
  using T = TFieldType;
  // Stored layout: CashToRemit sits after NumOwners, the other money and share totals last.
  TFieldDefs& defs = cdsReports.FieldDefs;
  defs.Add("HolderName", T::ftString, 40);
  defs.Add("NumProps", T::ftInteger);
  defs.Add("NumOwners", T::ftInteger);
  defs.Add("CashToRemit", T::ftCurrency);
  defs.Add("SDBoxes", T::ftInteger);
  defs.Add("SummaryMatches", T::ftString, 10);
  defs.Add("FileScore", T::ftInteger);
  defs.Add("PassFail", T::ftBoolean);
  defs.Add("Holder_ID", T::ftInteger);
  defs.Add("NumRecCount", T::ftInteger);
  defs.Add("SumRecCount", T::ftInteger);
  defs.Add("SumProps", T::ftInteger);
  defs.Add("SumOwners", T::ftInteger);
  defs.Add("SumCashToRemit", T::ftCurrency);
  defs.Add("SharesToRemit", T::ftFloat);
  defs.Add("SumSharesToRemit", T::ftFloat);

  cdsReportsHolderName = AddField<TztStringField>(cdsReports, "HolderName", 40, nullptr, 40);
  cdsReportsNumProps = AddField<TIntegerField>(cdsReports, "NumProps", 10, kCount);
  cdsReportsNumOwners = AddField<TIntegerField>(cdsReports, "NumOwners", 10, kCount);
  cdsReportsSDBoxes = AddField<TIntegerField>(cdsReports, "SDBoxes", 10, "###,##0");
  cdsReportsSummaryMatches =
      AddField<TztStringField>(cdsReports, "SummaryMatches", 10, nullptr, 10);
  cdsReportsFileScore = AddField<TIntegerField>(cdsReports, "FileScore", 10);
  cdsReportsPassFail = AddField<TBooleanField>(cdsReports, "PassFail", 5);
  cdsReportsHolder_ID = AddField<TIntegerField>(cdsReports, "Holder_ID");
  cdsReportsNumRecCount = AddField<TIntegerField>(cdsReports, "NumRecCount");
  cdsReportsSumRecCount = AddField<TIntegerField>(cdsReports, "SumRecCount");
  cdsReportsSumProps = AddField<TIntegerField>(cdsReports, "SumProps", 0, kCount);
  cdsReportsSumOwners = AddField<TIntegerField>(cdsReports, "SumOwners", 0, kCount);
  cdsReportsCashToRemit = AddField<TCurrencyField>(cdsReports, "CashToRemit");
  cdsReportsSumCashToRemit = AddField<TCurrencyField>(cdsReports, "SumCashToRemit");
  cdsReportsSharesToRemit = AddField<TFloatField>(cdsReports, "SharesToRemit", 0, kShares);
  cdsReportsSumSharesToRemit = AddField<TFloatField>(cdsReports, "SumSharesToRemit", 0, kShares);

  TFieldDefs& score = cdsReportScore.FieldDefs;
  score.Add("Holder_ID", T::ftInteger);
  score.Add("Category", T::ftString, 55);
  score.Add("RecordsEvaluated", T::ftInteger);
  score.Add("RecordsPenalized", T::ftInteger);
  score.Add("MaxPenalty", T::ftInteger);
  score.Add("PenaltyAssessed", T::ftFloat);
  cdsReportScoreHolder_ID = AddField<TIntegerField>(cdsReportScore, "Holder_ID");
  cdsReportScoreCategory = AddField<TztStringField>(cdsReportScore, "Category", 0, nullptr, 55);
  cdsReportScoreRecordsEvaluated = AddField<TIntegerField>(cdsReportScore, "RecordsEvaluated");
  cdsReportScoreRecordsPenalized = AddField<TIntegerField>(cdsReportScore, "RecordsPenalized");
  cdsReportScoreMaxPenalty = AddField<TIntegerField>(cdsReportScore, "MaxPenalty");
  cdsReportScorePenaltyAssessed = AddField<TFloatField>(cdsReportScore, "PenaltyAssessed");
  cdsReportScorePenaltyAssessed->SetPrecision(2);

  // The bound controls never edit.
  dsReports.SetAutoEdit(false);
  dsReportScore.SetAutoEdit(false);
  cdsReportScore.CreateDataSet();
}

void TdmEncryptor::EnsureScoreDataSet() {
  if (!cdsReportScore.Active()) cdsReportScore.CreateDataSet();
}

void TdmEncryptor::ErrorMsg(int LineNum, const std::string& Mesg, const std::string& detail) {
  ShowWarning("Error in line " + std::to_string(LineNum) + ".\r\r" + Mesg + "\r\rCannot load file.",
              detail);
}

// Counts beyond the integer fields (only possible in files of many gigabytes) are refused
// before anything is published, so a load never stops half-way through publishing.
bool TdmEncryptor::FitsTheFields(const TReportResults& results) {
  constexpr double kMax = std::numeric_limits<std::int32_t>::max();
  if (results.TempArray.size() > static_cast<std::size_t>(kMax)) return false;
  for (const TTempRecord& r : results.TempArray) {
    for (double count :
         {r.NumProps, r.NumOwners, r.SDBoxes, r.SumProps, r.NumRecCount, r.SumRecCount})
      if (count > kMax) return false;
  }
  for (const TTempReportScore& s : results.TempReportScore)
    if (s.RecordsEvaluated < 0 || s.RecordsPenalized < 0) return false;
  return true;
}

void TdmEncryptor::Fail(std::optional<int> line, std::string message) {
  last_error_ = LoadError{line, std::move(message)};
}

TLoadOutcome TdmEncryptor::ReadQORVAFile(
    const std::string& FileToLoad,
    const std::function<bool(std::uint64_t, std::uint64_t)>& progress) {
  TLoadOptions options;
  options.progress = progress;
  return LoadReportFile(FileToLoad, options);
}

bool TdmEncryptor::LoadQORVAFile(const std::string& FileToLoad) {
  TLoadOutcome outcome;
  try {
    outcome = ReadQORVAFile(FileToLoad, progress_);
  } catch (...) {
    outcome = TLoadOutcome{};
    outcome.kind = TLoadOutcome::CannotAccess;
  }
  return FinishLoad(FileToLoad, std::move(outcome));
}

bool TdmEncryptor::LoadQORVAStream(std::FILE* in, const std::string& name) {
  TLoadOutcome outcome;
  try {
    TLoadOptions options;
    options.progress = progress_;
    outcome = LoadReportStream(in, 0, options);
  } catch (...) {
    outcome = TLoadOutcome{};
    outcome.kind = TLoadOutcome::CannotAccess;
  }
  return FinishLoad(name, std::move(outcome));
}

bool TdmEncryptor::FinishLoad(const std::string& FileToLoad, TLoadOutcome outcome) {
  last_cancelled_ = false;
  try {
    EnsureScoreDataSet();
    switch (outcome.kind) {
      case TLoadOutcome::Loaded:
        break;
      case TLoadOutcome::Cancelled:
        last_cancelled_ = true;
        Fail(std::nullopt, "");
        return false;
      case TLoadOutcome::LineError: {
        const int line = static_cast<int>(outcome.line);
        Fail(line, outcome.message);
        last_error_->detail = outcome.detail;
        last_error_->physical_line = outcome.physical_line;
        last_error_->line_start = outcome.line_start;
        last_error_->line_cut = outcome.line_cut;
        ErrorMsg(line, outcome.message, outcome.detail);
        return false;
      }
      case TLoadOutcome::Empty: {
        const std::string text = "File is empty.\r\rUnable to proceed.\r";
        Fail(std::nullopt, text);
        ShowWarning(text);
        return false;
      }
      case TLoadOutcome::CannotAccess:
      default: {
        const std::string text = "Unable to access file \r\r" + FileToLoad + "\r";
        Fail(std::nullopt, text);
        ShowWarning(text, outcome.detail);
        return false;
      }
    }
    if (!FitsTheFields(outcome.results)) {
      const std::string text = "Unable to access file \r\r" + FileToLoad + "\r";
      Fail(std::nullopt, text);
      ShowWarning(text);
      return false;
    }
    results_ = std::move(outcome.results);
    last_error_.reset();
    Publish();
    return true;
  } catch (...) {
    // Nothing may escape the loader; memory running out is reported like a read failure.
    const std::string text = "Unable to access file \r\r" + FileToLoad + "\r";
    Fail(std::nullopt, text);
    try {
      ShowWarning(text);
    } catch (...) {
    }
    return false;
  }
}

const std::vector<TPenalisedRecord>& TdmEncryptor::PenalisedRecords(int holder_id,
                                                                    int category) const {
  static const std::vector<TPenalisedRecord> kNone;
  const auto& all = results_.PenalisedRecords;
  if (holder_id < 1 || static_cast<std::size_t>(holder_id) > all.size() || category < 0 ||
      category >= kScoreCategoryCount)
    return kNone;
  return all[static_cast<std::size_t>(holder_id) - 1][static_cast<std::size_t>(category)];
}

const std::vector<TPenalisedRecord>& TdmEncryptor::PenalisedRecords(
    int holder_id, std::string_view category) const {
  return PenalisedRecords(holder_id, ScoreCategoryOf(category));
}

namespace {

// One CSV cell: report text (8-bit, read as Latin-1) as UTF-8, quoted when it must be. A
// cell that a spreadsheet would take for a formula gets a leading apostrophe.
std::string CsvCell(std::string_view text) {
  std::string out;
  if (!text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos)
    out += '\'';
  bool quote = false;
  for (unsigned char c : text) {
    if (c == '"' || c == ',' || c == '\r' || c == '\n') quote = true;
    if (c == '"') out += '"';
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xc0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3f));
    }
  }
  return quote ? '"' + out + '"' : out;
}

}  // namespace

void TdmEncryptor::WritePenalisedRecordsCsv(std::ostream& out, int holder_id, int category) const {
  out << "Holder_ID,HolderName,Category,Line,Reason\r\n";
  const auto& all = results_.PenalisedRecords;
  for (std::size_t i = 0; i < all.size(); ++i) {
    const int id = static_cast<int>(i) + 1;
    if (holder_id != 0 && id != holder_id) continue;
    const std::string name =
        CsvCell(i < results_.TempArray.size() ? results_.TempArray[i].HolderName : "");
    for (int k = 0; k < kScoreCategoryCount; ++k) {
      if (category >= 0 && k != category) continue;
      const std::string text = CsvCell(ScoreCategoryText(k));
      for (const TPenalisedRecord& r : all[i][static_cast<std::size_t>(k)])
        out << id << ',' << name << ',' << text << ',' << r.Line << ',' << CsvCell(r.Reason)
            << "\r\n";
    }
  }
}

void TdmEncryptor::Publish() {
  if (main_window_) {
    main_window_->SetCreatorValue(results_.FileCreator);
    main_window_->SetVersionValue(results_.SoftwareVersion);
    main_window_->SetContactValue(results_.SoftwareContact);
  }

  if (!cdsReports.Active()) cdsReports.CreateDataSet();
  cdsReports.DisableControls();
  cdsReports.EmptyDataSet();
  const std::vector<TTempRecord>& reports = results_.TempArray;
  for (std::size_t i = 0; i < reports.size(); ++i) {
    const TTempRecord& r = reports[i];
    cdsReports.Append();
    cdsReports.FieldByName("HOLDERNAME")->SetAsString(r.HolderName);
    cdsReports.FieldByName("NUMPROPS")->SetAsFloat(r.NumProps);
    cdsReports.FieldByName("NUMOWNERS")->SetAsFloat(r.NumOwners);
    cdsReports.FieldByName("CASHTOREMIT")->SetAsCurrency(Currency::FromUnits(r.CashRemitUnits));
    cdsReports.FieldByName("SHARESTOREMIT")->SetAsFloat(r.SharesRemit);
    cdsReports.FieldByName("SDBOXES")->SetAsFloat(r.SDBoxes);
    cdsReports.FieldByName("SUMMARYMATCHES")->SetAsString(r.SummaryOk);
    cdsReports.FieldByName("FILESCORE")->SetAsFloat(RoundHalfEven(r.Score));
    cdsReports.FieldByName("HOLDER_ID")->SetAsInteger(static_cast<std::int64_t>(i) + 1);
    cdsReports.FieldByName("SUMPROPS")->SetAsFloat(r.SumProps);
    cdsReports.FieldByName("SUMCASHTOREMIT")
        ->SetAsCurrency(Currency::FromUnits(r.SumCashRemitUnits));
    cdsReports.FieldByName("SUMSHARESTOREMIT")->SetAsFloat(r.SumSharesRemit);
    cdsReports.FieldByName("NUMRECCOUNT")->SetAsFloat(r.NumRecCount);
    cdsReports.FieldByName("SUMRECCOUNT")->SetAsFloat(r.SumRecCount);
    cdsReports.Post();
  }
  cdsReports.First();
  cdsReports.EnableControls();

  EnsureScoreDataSet();
  cdsReportScore.DisableControls();
  cdsReportScore.EmptyDataSet();
  for (const TTempReportScore& s : results_.TempReportScore) {
    cdsReportScore.Append();
    cdsReportScore.FieldByName("HOLDER_ID")->SetAsInteger(s.Holder_ID);
    cdsReportScore.FieldByName("CATEGORY")->SetAsString(std::string(s.Category));
    cdsReportScore.FieldByName("RECORDSEVALUATED")->SetAsInteger(s.RecordsEvaluated);
    cdsReportScore.FieldByName("RECORDSPENALIZED")->SetAsInteger(s.RecordsPenalized);
    cdsReportScore.FieldByName("MAXPENALTY")->SetAsInteger(s.MaxPenalty);
    cdsReportScore.FieldByName("PENALTYASSESSED")->SetAsFloat(s.PenaltyAssessed);
    cdsReportScore.Post();
  }
  cdsReportScore.First();
  cdsReportScore.EnableControls();

  // A file without a single holder report has nothing to vouch for; it is never offered
  // for encryption, however vacuously "every report passes".
  if (main_window_) main_window_->SetEncryptEnabled(FileMayBeEncrypted(results_));
}

}  // namespace qorva
