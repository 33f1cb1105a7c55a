#include "ReportLoader.h"

#include <clock.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "PassRule.h"
#include "ReportColumns.h"
#include "ReportText.h"

namespace qorva {
namespace {

using namespace columns;

constexpr double kShortDateWindow = 18250;  // days
constexpr double kLongDateWindow = 54750;
constexpr char kNotApplicable[] = "QORVA 1 (N/A)";

[[noreturn]] void Fail(std::string message) { throw TLineError{std::move(message)}; }

std::int64_t Number(std::string_view field, const char* name) {
  std::int64_t v;
  if (!TryParseWholeNumber(field, v)) Fail(std::string("Invalid number in ") + name + ".");
  return v;
}

// Both sides of a total comparison, as the general format with 15 significant digits.
bool SameTo15Digits(long double a, long double b) {
  char ta[64], tb[64];
  std::snprintf(ta, sizeof ta, "%.15Lg", a);
  std::snprintf(tb, sizeof tb, "%.15Lg", b);
  return std::strcmp(ta, tb) == 0;
}

long double CurrencyValue(std::int64_t ten_thousandths) {
  return static_cast<long double>(ten_thousandths) / 10000.0L;
}

bool ContactIncomplete(std::string_view line, bool revised, TColumn name, TColumn phone,
                       TColumn phone_head, TColumn email) {
  if (IsBlank(Column(line, name))) return false;
  if (!IsBlank(Column(line, phone)) && !IsDigitRun(Column(line, phone_head))) return false;
  return !revised || IsBlank(Column(line, email));
}

}  // namespace

void TReportPass::Line(const TReportLine& line) {
  if (line.length == 0) return;
  ++LineCounter_;
  const char type = line.text[0];
  // Not strchr: it would take a NUL type byte for the string's own terminator.
  if (line.length >= 2 && std::string_view("12345689").find(type) == std::string_view::npos) {
    Fail("Line must begin with 1, 2, 3, 4, 5, 6, 8 or 9.");
  }
  if (type == '1') HolderRecord(line);
  ++counts_.ReportRecCount;
  PunctuationTest(line, type);
  switch (type) {
    case '4':
    case '9':
      SummaryRecord(line.text, type);
      break;
    case '2':
      PropertyRecord(line.text);
      break;
    case '3':
      OwnerRecord(line.text);
      break;
    case '5':
    case '6':
    case '8':
      OtherDetailRecord(line.text, type);
      break;
    default:
      break;
  }
}

void TReportPass::Finish() {
  if (LineCounter_ > 0 && Report_In_Process_) Fail("File must end with Summary Record.");
}

void TReportPass::HolderRecord(const TReportLine& line) {
  const std::string_view text = line.text;
  if (Report_In_Process_) Fail("New holder record ahead of summary record.");
  const std::string_view flag = Column(text, kFormatFlag);
  QORVA_Revised_ = flag == "R" || flag == "r" || line.length == kRevisedHolderLength;
  ++ReportCount_;
  Report_In_Process_ = true;
  counts_ = {};
  CashRemitted_ = 0;
  Shares_ = 0;
  TTempRecord& report = results_.TempArray.emplace_back();
  report.HolderName = TrimBlanks(Column(text, kHolderName));

  score_ = {};
  PropBadDate_ = false;
  if (IsBlank(Column(text, kHolderTaxID)) || IsDigitRun(Column(text, kHolderTaxIDHead)))
    score_.ScoreMissingHolderTaxID = 1;

  const TSecondContact& c2 = QORVA_Revised_ ? kContact2V2 : kContact2V1;
  const bool no_contact = IsBlank(Column(text, kContact1Name)) && IsBlank(Column(text, c2.name));
  if (no_contact ||
      ContactIncomplete(text, QORVA_Revised_, kContact1Name, kContact1Phone, kContact1PhoneHead,
                        kContact1Email) ||
      ContactIncomplete(text, QORVA_Revised_, c2.name, c2.phone, c2.phone_head, c2.email))
    score_.ScoreIncompleteContact = 1;
}

void TReportPass::PunctuationTest(const TReportLine& line, char type) {
  bool penalised;
  switch (type) {
    case '1':
      penalised = HasPunctuation(Column(line.text, kHolderName));
      break;
    case '4':
    case '9':
    case '5':
    case '6':
    case '8':
      return;  // counted as exempt by the record's own step
    default:
      penalised = line.punctuation_known ? line.punctuation : HasPunctuation(line.text);
      break;
  }
  if (penalised) ++score_.ScorePunctuation;
}

void TReportPass::ZeroValueTest() {
  if (counts_.PropCount > 0 && !PropHasValue_) ++score_.ScoreZeroAssets;
}

void TReportPass::DateTest(std::string_view field, double window) {
  const TReportDate date = ReadReportDate(field);
  if (date.kind == TReportDate::Absent) return;
  if (date.kind == TReportDate::Invalid || date.value > now_ || date.value + window < now_) {
    ++score_.ScoreBadDate;
    PropBadDate_ = true;
  }
}

void TReportPass::SummaryRecord(std::string_view text, char type) {
  // Checked first: with no open report there is nothing to close or store into.
  if (!Report_In_Process_) Fail("Missing Holder \"Type 1\" Record.");
  ++score_.NonPunctuationCount;
  if (type == '4' && QORVA_Revised_) Fail("QORVA 2 format can't have type 4 summary record.");
  if (type == '9' && !QORVA_Revised_) Fail("QORVA 1 format can't have type 9 summary record.");
  const std::string_view negative_flag = Column(text, kNegativeReportFlag);
  const bool negative = negative_flag == "Y" || negative_flag == "y";
  if (type == '9' && negative && (counts_.PropCount > 0 || counts_.OwnerCount > 0))
    Fail("Negative Report must not have property or owners.");
  if (!negative && counts_.PropCount == 0) Fail("Non-negative report with zero properties.");
  Report_In_Process_ = false;

  ZeroValueTest();
  if (type == '9' &&
      (IsBlank(Column(text, kSoftwareVersion)) || IsBlank(Column(text, kFileCreator)) ||
       IsBlank(Column(text, kSoftwareContactHead))))
    score_.ScoreIncompleteVersionInfo = 1;

  const std::int64_t record_count = Number(Column(text, kRecordCount), "RecordCount");
  const std::int64_t property_count = Number(Column(text, kPropertyCount), "PropertyCount");
  const std::int64_t cash_cents = Number(Column(text, kCashTotal), "CashTotal");
  const long double cash_total = cash_cents / 100.0L;
  const long double shares_total = Number(Column(text, kSharesTotal), "SharesTotal") / 10000.0L;
  const bool match = record_count == counts_.ReportRecCount &&
                     property_count == counts_.PropCount &&
                     SameTo15Digits(cash_total, CurrencyValue(CashRemitted_)) &&
                     SameTo15Digits(shares_total, Shares_);

  TTempRecord& report = results_.TempArray.back();
  report.SummaryOk = match ? "Match" : "No Match";
  report.NumRecCount = static_cast<double>(counts_.ReportRecCount);
  report.SumRecCount = static_cast<double>(record_count);
  report.NumProps = static_cast<double>(counts_.PropCount);
  report.SumProps = static_cast<double>(property_count);
  report.NumOwners = static_cast<double>(counts_.OwnerCount);
  report.CashRemit = static_cast<double>(CurrencyValue(CashRemitted_));
  report.SumCashRemit = static_cast<double>(cash_total);
  report.CashRemitUnits = CashRemitted_;
  report.SumCashRemitUnits = cash_cents * 100;  // twelve digits: cannot overflow
  report.SDBoxes = static_cast<double>(counts_.TangibleCount);
  report.SharesRemit = static_cast<double>(Shares_);
  report.SumSharesRemit = static_cast<double>(shares_total);

  report.Score = ScoreReport(results_.TempReportScore, ReportCount_, counts_, score_);
  if (!ReportPasses(match, report.Score)) results_.AllReportsPass = false;

  if (type == '4') {
    results_.FileCreator = results_.SoftwareVersion = results_.SoftwareContact = kNotApplicable;
  } else {
    results_.FileCreator = Column(text, kFileCreator);
    results_.SoftwareVersion = Column(text, kSoftwareVersion);
    results_.SoftwareContact = Column(text, kSoftwareContact);
  }
}

void TReportPass::PropertyRecord(std::string_view text) {
  PropBadDate_ = false;
  if (IsBlank(Column(text, kPropOwnerLastName))) Fail("Empty Owner Lastname.");
  ZeroValueTest();
  PropHasValue_ = false;
  ++counts_.PropCount;
  ++counts_.OwnerCount;

  const std::int64_t cash = Number(Column(text, kCashAmount), "CashAmount");
  const std::int64_t shares = Number(Column(text, kSharesRemitted), "SharesRemitted");
  if (cash > 0 || shares > 0) {
    // Cents are whole ten-thousandths, so the currency total is exact.
    if (__builtin_add_overflow(CashRemitted_, cash * 100, &CashRemitted_))
      Fail("Total of CashAmount out of range.");
    Shares_ += shares / 10000.0L;
    PropHasValue_ = true;
  }

  DateTest(Column(text, kDateB), kShortDateWindow);
  if (!PropBadDate_) DateTest(Column(text, kDateA), kLongDateWindow);

  if (IsBlank(Column(text, kPropertyTypeCode))) ++score_.ScoreMissingPropType;

  if (QORVA_Revised_ &&
      (IsBlank(Column(text, kPropOwnerTypeCode)) || IsBlank(Column(text, kPropOwnerRelationCode))))
    ++score_.ScoreMissingOwnerCode;

  // SharesRemitted converted as it stands above, so its trimmed text is the same number.
  const bool has_shares =
      Number(TrimBlanks(Column(text, kShareCount)), "ShareCount") != 0 || shares != 0;
  if (has_shares) {
    ++score_.PropsWithSharesCount;
    const std::string_view cusip = Column(text, kCUSIP);
    if (IsBlank(cusip) || TrimBlanks(cusip) == "000000000") ++score_.ScoreMissingCUSIP;
  }

  const bool street = !IsBlank(Column(text, kOwnerAddress1)) ||
                      !IsBlank(Column(text, kOwnerAddress2)) ||
                      !IsBlank(Column(text, kOwnerAddress3));
  const bool city = !IsBlank(Column(text, kOwnerCity));
  const bool state = !IsBlank(Column(text, kOwnerState));
  const bool zip = !IsBlank(Column(text, kOwnerZip)) && Column(text, kOwnerZipHead) != "000";
  if ((city || state || zip) && !(street && city && state && zip))
    ++score_.ScorePartialOwnerAddress;
}

void TReportPass::OwnerRecord(std::string_view text) {
  if (IsBlank(Column(text, kOwnerLastName))) Fail("Empty Owner Lastname.");
  ++counts_.OwnerCount;
  if (IsBlank(Column(text, kOwnerTypeCode)) || IsBlank(Column(text, kOwnerRelationCode)))
    ++score_.ScoreMissingOwnerCode;
  if (!PropBadDate_) DateTest(Column(text, kDateC), kLongDateWindow);
}

void TReportPass::OtherDetailRecord(std::string_view text, char type) {
  if (!Report_In_Process_) Fail("Missing Holder \"Type 1\" Record.");
  if (type == '6') {
    ++counts_.TangibleCount;
    PropHasValue_ = true;
    if (IsBlank(Column(text, kTangibleId)) || IsBlank(Column(text, kTangibleDescription)) ||
        IsBlank(Column(text, kTangibleCode)))
      ++score_.ScoreIncompleteTangible;
  }
  ++score_.NonPunctuationCount;
}

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

struct ReadFailure {};
struct Cancelled {};

// Splits the file into lines: a line feed, or a carriage return and line feed, ends a
// line; Ctrl-Z ends the text. Reads in large blocks; a line longer than a block is passed
// on as its head plus its length and punctuation, so memory stays bounded.
class TLineReader {
 public:
  TLineReader(std::FILE* f, const TLoadOptions& options, std::uint64_t total)
      : f_(f),
        options_(options),
        total_(total),
        buf_(std::max<std::size_t>(options.block_size, 1)) {}

  template <class Sink>
  void Run(Sink&& sink) {
    for (;;) {
      const char* base = buf_.data();
      const void* nl = std::memchr(base + begin_, '\n', end_ - begin_);
      if (nl) {
        const std::size_t at = static_cast<const char*>(nl) - base;
        std::size_t n = at - begin_;
        if (n > 0 && base[at - 1] == '\r') --n;
        sink(TReportLine{{base + begin_, n}, n});
        begin_ = at + 1;
        continue;
      }
      if (eof_) {
        if (begin_ < end_) sink(TReportLine{{base + begin_, end_ - begin_}, end_ - begin_});
        return;
      }
      if (begin_ == 0 && end_ == buf_.size()) {
        if (!LongLine(sink)) return;
        continue;
      }
      std::memmove(buf_.data(), base + begin_, end_ - begin_);
      end_ -= begin_;
      begin_ = 0;
      end_ += Read(buf_.data() + end_, buf_.size() - end_);
    }
  }

 private:
  // Reads up to n bytes; stops the text at Ctrl-Z.
  std::size_t Read(char* into, std::size_t n) {
    if (eof_) return 0;
    const std::size_t got = std::fread(into, 1, n, f_);
    if (got < n) {
      if (std::ferror(f_)) throw ReadFailure{};
      eof_ = true;
    }
    done_ += got;
    if (options_.progress && !options_.progress(done_, std::max(total_, done_))) throw Cancelled{};
    if (const void* z = std::memchr(into, 26, got)) {
      eof_ = true;
      return static_cast<const char*>(z) - into;
    }
    return got;
  }

  // The buffer holds the start of a line and no line end; follows the line to its end.
  // Returns false at the end of the text.
  template <class Sink>
  bool LongLine(Sink&& sink) {
    std::string head;
    head.reserve(kHead);
    std::size_t length = 0;
    bool punctuation = false, last_cr = false;
    auto take = [&](const char* p, std::size_t n) {
      if (n == 0) return;
      if (head.size() < kHead) head.append(p, std::min(n, kHead - head.size()));
      punctuation = punctuation || HasPunctuation({p, n});
      length += n;
      last_cr = p[n - 1] == '\r';
    };
    take(buf_.data(), end_);
    for (;;) {
      begin_ = 0;
      end_ = Read(buf_.data(), buf_.size());
      const void* nl = std::memchr(buf_.data(), '\n', end_);
      if (nl) {
        const std::size_t at = static_cast<const char*>(nl) - buf_.data();
        take(buf_.data(), at);
        if (last_cr) --length;  // the carriage return belongs to the line break
        begin_ = at + 1;
      } else {
        take(buf_.data(), end_);
        begin_ = end_;
        if (!eof_) continue;
      }
      head.resize(std::min(head.size(), length));
      sink(TReportLine{head, length, true, punctuation});
      return nl != nullptr;
    }
  }

  static constexpr std::size_t kHead = 1024;
  static_assert(kHead > columns::kLastFieldColumn);

  std::FILE* f_;
  const TLoadOptions& options_;
  std::uint64_t total_;
  std::uint64_t done_ = 0;
  std::vector<char> buf_;
  std::size_t begin_ = 0, end_ = 0;
  bool eof_ = false;
};

}  // namespace

TLoadOutcome LoadReportFile(const std::string& path, const TLoadOptions& options) {
  TLoadOutcome outcome;
  try {
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
    if (!f) {
      outcome.kind = TLoadOutcome::CannotAccess;
      return outcome;
    }
    std::setvbuf(f.get(), nullptr, _IONBF, 0);  // we read in large blocks ourselves
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    TReportPass pass(Clock::Now());
    try {
      TLineReader reader(f.get(), options, ec ? 0 : static_cast<std::uint64_t>(size));
      reader.Run([&](const TReportLine& line) { pass.Line(line); });
      pass.Finish();
    } catch (TLineError& e) {
      outcome.kind = TLoadOutcome::LineError;
      outcome.line = pass.LineCounter();
      outcome.message = std::move(e.message);
      return outcome;
    }
    if (pass.LineCounter() == 0) {
      outcome.kind = TLoadOutcome::Empty;
      return outcome;
    }
    outcome.results = std::move(pass.Results());
  } catch (Cancelled&) {
    outcome = {};
    outcome.kind = TLoadOutcome::Cancelled;
  } catch (...) {
    // A read failure, or memory running out on a pathological file.
    outcome = {};
    outcome.kind = TLoadOutcome::CannotAccess;
  }
  return outcome;
}

}  // namespace qorva
