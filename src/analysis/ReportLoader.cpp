#include "ReportLoader.h"

#include <clock.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <system_error>
#include <utility>

#include "PassRule.h"
#include "ReportColumns.h"
#include "ReportText.h"
#include "platform.h"

namespace qorva {
namespace {

using namespace columns;

constexpr double kShortDateWindow = 18250;  // days
constexpr double kLongDateWindow = 54750;
constexpr char kNotApplicable[] = "QORVA 1 (N/A)";

[[noreturn]] void Fail(std::string message) { throw TLineError{std::move(message), {}, {}}; }
[[noreturn]] void FailAt(std::string message, const char* field, TColumn column) {
  throw TLineError{std::move(message), field, column};
}

// `value`: the field's text (as it stands or trimmed) from its `column`.
std::int64_t Number(std::string_view value, TColumn column, const char* name) {
  std::int64_t v;
  if (!TryParseWholeNumber(value, v))
    FailAt(std::string("Invalid number in ") + name + ".", name, column);
  return v;
}
std::int64_t Number(std::string_view line, TColumn column, const char* name, int) {
  return Number(Column(line, column), column, name);
}

// Report text inside a reason: control characters as \xNN; quoted when blanks would blur
// where it starts or ends.
std::string Shown(std::string_view text) {
  std::string out;
  bool quote = text.empty();
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
      quote = true;
    } else {
      if (c == ' ') quote = true;
      out += static_cast<char>(c);
    }
  }
  return quote ? '"' + out + '"' : out;
}

// "A is blank", "A and B are blank", "A, B and C are blank".
std::string BlankList(std::initializer_list<std::pair<const char*, bool>> fields) {
  std::vector<const char*> blank;
  for (const auto& [name, is_blank] : fields)
    if (is_blank) blank.push_back(name);
  std::string out;
  for (std::size_t i = 0; i < blank.size(); ++i) {
    if (i) out += i + 1 == blank.size() ? " and " : ", ";
    out += blank[i];
  }
  return out + (blank.size() == 1 ? " is blank" : " are blank");
}

const char* FirstBlank(std::initializer_list<std::pair<const char*, bool>> fields) {
  for (const auto& [name, is_blank] : fields)
    if (is_blank) return name;
  return "";
}

// First of the six punctuation characters in `text`, as its offset; npos when none.
std::size_t FindPunctuation(std::string_view text) { return text.find_first_of(",.\"*\\?"); }

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

// Why an incomplete contact is incomplete: `n` is "1" or "2".
std::string ContactReason(std::string_view line, bool revised, const char* n, TColumn phone) {
  const std::string_view number = Column(line, phone);
  std::string reason =
      std::string("Contact") + n + "Phone " +
      (IsBlank(number) ? std::string("is blank") : Shown(number) + " begins with a digit run");
  if (revised) reason += std::string(" and Contact") + n + "Email is blank";
  return reason;
}

}  // namespace

template <class Reason>
void TReportPass::Keep(int category, std::int64_t line, const char* field, Reason&& reason) {
  if (!records_) return;  // outside a report the counters move, but nothing is kept
  std::vector<TPenalisedRecord>& kept = (*records_)[category];
  if (kept.size() < kKeptRecordsPerCategory) kept.push_back({line, field, reason()});
}

void TReportPass::Line(const TReportLine& line) {
  ++PhysicalLine_;
  if (line.length == 0) return;
  ++LineCounter_;
  LastNonEmptyLine_ = PhysicalLine_;
  const char type = line.text[0];
  // Not strchr: it would take a NUL type byte for the string's own terminator.
  if (line.length >= 2 && std::string_view("12345689").find(type) == std::string_view::npos) {
    FailAt("Line must begin with 1, 2, 3, 4, 5, 6, 8 or 9.", "record type", {1, 1});
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
  HolderLength_ = line.length;
  counts_ = {};
  CashRemitted_ = 0;
  Shares_ = 0;
  TTempRecord& report = results_.TempArray.emplace_back();
  report.HolderName = TrimBlanks(Column(text, kHolderName));
  records_ = &results_.PenalisedRecords.emplace_back();
  const std::int64_t at = PhysicalLine_;

  score_ = {};
  PropBadDate_ = false;
  const std::string_view tax_id = Column(text, kHolderTaxID);
  if (IsBlank(tax_id) || IsDigitRun(Column(text, kHolderTaxIDHead))) {
    score_.ScoreMissingHolderTaxID = 1;
    Keep(scHolderTaxID, at, "HolderTaxID", [&] {
      return IsBlank(tax_id) ? std::string("HolderTaxID is blank")
                             : "HolderTaxID " + Shown(tax_id) + " begins with a digit run";
    });
  }

  const TSecondContact& c2 = QORVA_Revised_ ? kContact2V2 : kContact2V1;
  const bool no_contact = IsBlank(Column(text, kContact1Name)) && IsBlank(Column(text, c2.name));
  const bool first_incomplete =
      !no_contact && ContactIncomplete(text, QORVA_Revised_, kContact1Name, kContact1Phone,
                                       kContact1PhoneHead, kContact1Email);
  if (no_contact || first_incomplete ||
      ContactIncomplete(text, QORVA_Revised_, c2.name, c2.phone, c2.phone_head, c2.email)) {
    score_.ScoreIncompleteContact = 1;
    const char* field = no_contact         ? "Contact1Name"
                        : first_incomplete ? "Contact1Phone"
                                           : "Contact2Phone";
    Keep(scHolderContact, at, field, [&] {
      if (no_contact) return std::string("Contact1Name and Contact2Name are blank");
      return first_incomplete ? ContactReason(text, QORVA_Revised_, "1", kContact1Phone)
                              : ContactReason(text, QORVA_Revised_, "2", c2.phone);
    });
  }
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
  if (!penalised) return;
  ++score_.ScorePunctuation;
  const bool holder = type == '1';
  Keep(scPunctuation, PhysicalLine_, holder ? "HolderName" : "", [&] {
    const std::string_view where = holder ? Column(line.text, kHolderName) : line.text;
    const std::size_t at = FindPunctuation(where);
    const std::string subject = holder ? "HolderName" : "record";
    if (at == std::string_view::npos)  // only in the part of a long line that is not kept
      return subject + " holds punctuation after column " + std::to_string(line.text.size());
    const std::size_t column = at + 1 + (holder ? kHolderName.first - 1 : 0);
    return subject + " holds '" + where[at] + "' in column " + std::to_string(column);
  });
}

void TReportPass::ZeroValueTest() {
  if (counts_.PropCount > 0 && !PropHasValue_) {
    ++score_.ScoreZeroAssets;
    Keep(scZeroAssets, PropLine_, "CashAmount", [] {
      return std::string(
          "property without value: no cash or shares above zero and no safe-deposit box");
    });
  }
}

void TReportPass::DateTest(std::string_view text, TColumn column, const char* name, double window) {
  const std::string_view field = Column(text, column);
  const TReportDate date = ReadReportDate(field);
  if (date.kind == TReportDate::Absent) return;
  if (date.kind == TReportDate::Invalid || date.value > now_ || date.value + window < now_) {
    ++score_.ScoreBadDate;
    PropBadDate_ = true;
    Keep(scBadDate, PhysicalLine_, name, [&] {
      const std::string n = name;
      if (field.empty()) return n + " lies beyond the end of the line";
      if (field.size() < column.length)
        return n + " " + Shown(field) + " is cut short by the end of the line";
      // As month/day/year, the form in which the date is judged.
      const std::string mdy = std::string(field.substr(4, 2)) + "/" +
                              std::string(field.substr(6, 2)) + "/" +
                              std::string(field.substr(0, 4));
      if (date.kind == TReportDate::Invalid)
        return n + " " + Shown(mdy) + " is not a calendar date";
      if (date.value > now_) return n + " " + mdy + " lies in the future";
      return n + " " + mdy + " is " + (window == kShortDateWindow ? "50" : "150") +
             " years or more in the past";
    });
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
  if (!negative && counts_.PropCount == 0)
    FailAt("Non-negative report with zero properties.", "NegativeReportFlag", kNegativeReportFlag);
  Report_In_Process_ = false;

  ZeroValueTest();
  if (type == '9') {
    const bool version = IsBlank(Column(text, kSoftwareVersion)),
               creator = IsBlank(Column(text, kFileCreator)),
               contact = IsBlank(Column(text, kSoftwareContactHead));
    if (version || creator || contact) {
      score_.ScoreIncompleteVersionInfo = 1;
      const std::initializer_list<std::pair<const char*, bool>> fields = {
          {"SoftwareVersion", version}, {"FileCreator", creator}, {"SoftwareContact", contact}};
      Keep(scIncompleteVersionInfo, PhysicalLine_, FirstBlank(fields),
           [&] { return BlankList(fields); });
    }
  }
  records_ = nullptr;

  const std::int64_t record_count = Number(text, kRecordCount, "RecordCount", 0);
  const std::int64_t property_count = Number(text, kPropertyCount, "PropertyCount", 0);
  const std::int64_t cash_cents = Number(text, kCashTotal, "CashTotal", 0);
  const long double cash_total = cash_cents / 100.0L;
  const long double shares_total = Number(text, kSharesTotal, "SharesTotal", 0) / 10000.0L;
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
  if (IsBlank(Column(text, kPropOwnerLastName)))
    FailAt("Empty Owner Lastname.", "OwnerLastName", kPropOwnerLastName);
  ZeroValueTest();
  PropHasValue_ = false;
  PropLine_ = PhysicalLine_;
  ++counts_.PropCount;
  ++counts_.OwnerCount;

  const std::int64_t cash = Number(text, kCashAmount, "CashAmount", 0);
  const std::int64_t shares = Number(text, kSharesRemitted, "SharesRemitted", 0);
  if (cash > 0 || shares > 0) {
    // Cents are whole ten-thousandths, so the currency total is exact.
    if (__builtin_add_overflow(CashRemitted_, cash * 100, &CashRemitted_))
      FailAt("Total of CashAmount out of range.", "CashAmount", kCashAmount);
    Shares_ += shares / 10000.0L;
    PropHasValue_ = true;
  }

  DateTest(text, kDateB, "DateB", kShortDateWindow);
  if (!PropBadDate_) DateTest(text, kDateA, "DateA", kLongDateWindow);

  if (IsBlank(Column(text, kPropertyTypeCode))) {
    ++score_.ScoreMissingPropType;
    Keep(scMissingPropType, PhysicalLine_, "PropertyTypeCode",
         [] { return std::string("PropertyTypeCode is blank"); });
  }

  if (QORVA_Revised_) {
    const bool type_blank = IsBlank(Column(text, kPropOwnerTypeCode)),
               relation_blank = IsBlank(Column(text, kPropOwnerRelationCode));
    if (type_blank || relation_blank) {
      ++score_.ScoreMissingOwnerCode;
      const std::initializer_list<std::pair<const char*, bool>> fields = {
          {"OwnerTypeCode", type_blank}, {"OwnerRelationCode", relation_blank}};
      Keep(scMissingOwnerCode, PhysicalLine_, FirstBlank(fields),
           [&] { return BlankList(fields); });
    }
  }

  // SharesRemitted converted as it stands above, so its trimmed text is the same number.
  const bool has_shares =
      Number(TrimBlanks(Column(text, kShareCount)), kShareCount, "ShareCount") != 0 || shares != 0;
  if (has_shares) {
    ++score_.PropsWithSharesCount;
    const std::string_view cusip = Column(text, kCUSIP);
    if (IsBlank(cusip) || TrimBlanks(cusip) == "000000000") {
      ++score_.ScoreMissingCUSIP;
      Keep(scMissingCUSIP, PhysicalLine_, "CUSIP", [&] {
        return std::string(IsBlank(cusip) ? "CUSIP is blank" : "CUSIP is 000000000") +
               " though the property holds shares";
      });
    }
  }

  const bool street = !IsBlank(Column(text, kOwnerAddress1)) ||
                      !IsBlank(Column(text, kOwnerAddress2)) ||
                      !IsBlank(Column(text, kOwnerAddress3));
  const bool city = !IsBlank(Column(text, kOwnerCity));
  const bool state = !IsBlank(Column(text, kOwnerState));
  const bool zip = !IsBlank(Column(text, kOwnerZip)) && Column(text, kOwnerZipHead) != "000";
  if ((city || state || zip) && !(street && city && state && zip)) {
    ++score_.ScorePartialOwnerAddress;
    const char* field = !street  ? "OwnerAddress1"
                        : !city  ? "OwnerCity"
                        : !state ? "OwnerState"
                                 : "OwnerZip";
    Keep(scPartialOwnerAddress, PhysicalLine_, field, [&] {
      auto list = [](std::initializer_list<std::pair<const char*, bool>> parts, const char* last) {
        std::vector<const char*> named;
        for (const auto& [name, in] : parts)
          if (in) named.push_back(name);
        std::string out;
        for (std::size_t i = 0; i < named.size(); ++i)
          out += (i == 0 ? "" : i + 1 == named.size() ? last : ", ") + std::string(named[i]);
        return out;
      };
      return list({{"city", city}, {"state", state}, {"zip code", zip}}, " and ") +
             " given but no " +
             list({{"street address", !street},
                   {"city", !city},
                   {"state", !state},
                   {"zip code", !zip}},
                  " or ");
    });
  }
}

void TReportPass::OwnerRecord(std::string_view text) {
  if (IsBlank(Column(text, kOwnerLastName)))
    FailAt("Empty Owner Lastname.", "OwnerLastName", kOwnerLastName);
  ++counts_.OwnerCount;
  const bool type_blank = IsBlank(Column(text, kOwnerTypeCode)),
             relation_blank = IsBlank(Column(text, kOwnerRelationCode));
  if (type_blank || relation_blank) {
    ++score_.ScoreMissingOwnerCode;
    const std::initializer_list<std::pair<const char*, bool>> fields = {
        {"OwnerTypeCode", type_blank}, {"OwnerRelationCode", relation_blank}};
    Keep(scMissingOwnerCode, PhysicalLine_, FirstBlank(fields), [&] { return BlankList(fields); });
  }
  if (!PropBadDate_) DateTest(text, kDateC, "DateC", kLongDateWindow);
}

void TReportPass::OtherDetailRecord(std::string_view text, char type) {
  if (!Report_In_Process_) Fail("Missing Holder \"Type 1\" Record.");
  if (type == '6') {
    ++counts_.TangibleCount;
    PropHasValue_ = true;
    const bool id = IsBlank(Column(text, kTangibleId)),
               description = IsBlank(Column(text, kTangibleDescription)),
               code = IsBlank(Column(text, kTangibleCode));
    if (id || description || code) {
      ++score_.ScoreIncompleteTangible;
      const std::initializer_list<std::pair<const char*, bool>> fields = {
          {"TangibleId", id}, {"TangibleDescription", description}, {"TangibleCode", code}};
      Keep(scIncompleteTangible, PhysicalLine_, FirstBlank(fields),
           [&] { return BlankList(fields); });
    }
  }
  ++score_.NonPunctuationCount;
}

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

struct ReadFailure {
  int error;  // errno of the failed read
};
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
        const TReportLine line{{base + begin_, n}, n};
        if (n > 0) Remember(line);
        begin_ = at + 1;
        sink(line);
        continue;
      }
      if (eof_) {
        if (begin_ < end_) {
          const TReportLine line{{base + begin_, end_ - begin_}, end_ - begin_};
          Remember(line);
          begin_ = end_;
          sink(line);
        }
        return;
      }
      if (begin_ == 0 && end_ == buf_.size()) {
        if (!LongLine(sink)) return;
        continue;
      }
      Preserve();
      std::memmove(buf_.data(), base + begin_, end_ - begin_);
      end_ -= begin_;
      begin_ = 0;
      end_ += Read(buf_.data() + end_, buf_.size() - end_);
    }
  }

 public:
  // The last non-empty line handed on (its first kLineStartKept characters) and its length:
  // what a line error shows, without reading the input again.
  std::string_view LastLine() const { return last_; }
  std::size_t LastLineLength() const { return last_length_; }

 private:
  void Remember(const TReportLine& line) {
    last_ = line.text.substr(0, kLineStartKept);
    last_length_ = line.length;
  }
  // Copies the last line out of the buffer before the buffer is reused (once a block).
  void Preserve() {
    if (last_.data() >= buf_.data() && last_.data() < buf_.data() + buf_.size()) {
      saved_.assign(last_);
      last_ = saved_;
    }
  }

  // Reads up to n bytes; stops the text at Ctrl-Z.
  std::size_t Read(char* into, std::size_t n) {
    if (eof_) return 0;
    Preserve();
    const std::size_t got = std::fread(into, 1, n, f_);
    if (got < n) {
      if (std::ferror(f_)) throw ReadFailure{errno};
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
      saved_ = head;
      last_ = std::string_view(saved_).substr(0, kLineStartKept);
      last_length_ = length;
      sink(TReportLine{head, length, true, punctuation});
      return nl != nullptr;
    }
  }

  static constexpr std::size_t kHead = 1024;
  static_assert(kHead > columns::kLastFieldColumn && kHead >= kLineStartKept);

  std::FILE* f_;
  const TLoadOptions& options_;
  std::uint64_t total_;
  std::uint64_t done_ = 0;
  std::vector<char> buf_;
  std::size_t begin_ = 0, end_ = 0;
  bool eof_ = false;
  std::string_view last_;
  std::string saved_;
  std::size_t last_length_ = 0;
};

}  // namespace

namespace {

TLoadOutcome Load(std::FILE* f, std::uint64_t size, const TLoadOptions& options) {
  TLoadOutcome outcome;
  try {
    TReportPass pass(Clock::Now());
    TLineReader reader(f, options, size);
    try {
      reader.Run([&](const TReportLine& line) { pass.Line(line); });
      pass.Finish();
    } catch (TLineError& e) {
      outcome.kind = TLoadOutcome::LineError;
      outcome.line = pass.LineCounter();
      outcome.physical_line = pass.PhysicalLine();
      const std::string_view start = reader.LastLine();
      outcome.line_start = start;
      outcome.line_cut = reader.LastLineLength() > start.size();
      outcome.detail = LineErrorDetail(e, start, reader.LastLineLength(), pass.HolderLength());
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
  } catch (const ReadFailure& e) {
    // The system's reason goes beside the box's own text, which stays as it is.
    outcome = {};
    outcome.kind = TLoadOutcome::CannotAccess;
    if (e.error != 0) outcome.detail = std::generic_category().message(e.error) + ".";
  } catch (...) {
    // A read failure, or memory running out on a pathological file.
    outcome = {};
    outcome.kind = TLoadOutcome::CannotAccess;
  }
  return outcome;
}

}  // namespace

TLoadOutcome LoadReportFile(const std::string& path, const TLoadOptions& options) {
  std::unique_ptr<std::FILE, FileCloser> f(platform::OpenStdioFile(path, "rb"));
  if (!f) {
    TLoadOutcome outcome;
    outcome.kind = TLoadOutcome::CannotAccess;
    return outcome;
  }
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  return LoadReportStream(f.get(), ec ? 0 : static_cast<std::uint64_t>(size), options);
}

TLoadOutcome LoadReportStream(std::FILE* in, std::uint64_t size, const TLoadOptions& options) {
  std::setvbuf(in, nullptr, _IONBF, 0);  // we read in large blocks ourselves
  return Load(in, size, options);
}

namespace {

// Text found in a line, for a message: printable ASCII as it stands, every other byte as
// \xNN, in double quotes.
std::string Escaped(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// Length of the well-formed multi-byte UTF-8 sequence at `p`, or 0.
std::size_t Utf8Sequence(std::string_view s, std::size_t p) {
  const auto c = static_cast<unsigned char>(s[p]);
  std::size_t n;
  if (c >= 0xc2 && c <= 0xdf)
    n = 2;
  else if (c >= 0xe0 && c <= 0xef)
    n = 3;
  else if (c >= 0xf0 && c <= 0xf4)
    n = 4;
  else
    return 0;
  if (p + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[p + k]) & 0xc0) != 0x80) return 0;
  return n;
}

}  // namespace

std::string LineErrorDetail(const TLineError& error, std::string_view line, std::size_t length,
                            std::size_t holder_length) {
  std::vector<std::string> lines;
  // Where the search for a cause stops: before the field, or the whole kept line.
  std::size_t before = line.size();
  if (error.column) {
    const TColumn c = *error.column;
    const std::size_t last = c.first + c.length - 1;
    std::string where =
        error.field + ": " +
        (c.length == 1 ? "column " + std::to_string(c.first)
                       : "columns " + std::to_string(c.first) + "-" + std::to_string(last));
    if (c.first > length)
      where += ", beyond the end of the line (" + std::to_string(length) + " characters).";
    else
      where += " hold " + Escaped(Column(line, c)) +
               (last > length ? ", cut short by the end of the line (" + std::to_string(length) +
                                    " characters)."
                              : ".");
    lines.push_back(std::move(where));
    before = std::min(line.size(), c.first - 1);
  }

  // Characters of several bytes shift every later column.
  std::size_t sequences = 0, shift = 0, first_at = 0, first_length = 0;
  for (std::size_t p = 0; p < before;) {
    const std::size_t n = Utf8Sequence(line, p);
    if (n == 0 || p + n > before) {
      ++p;
      continue;
    }
    if (sequences++ == 0) {
      first_at = p;
      first_length = n;
    }
    shift += n - 1;
    p += n;
  }
  if (sequences > 0)
    lines.push_back("Hint: the line holds " + std::to_string(sequences) +
                    (sequences == 1 ? " UTF-8 character" : " UTF-8 characters") +
                    " of more than one byte" +
                    (error.column ? " before column " + std::to_string(error.column->first) : "") +
                    " (the first, " + Escaped(line.substr(first_at, first_length)) +
                    ", in column " + std::to_string(first_at + 1) +
                    "), which shifts the columns after it by " + std::to_string(shift) +
                    ". Records take one byte per character: save the file as Latin-1 or ASCII.");

  const std::size_t cr = line.find('\r');
  if (cr != std::string_view::npos)
    lines.push_back("Hint: the line holds a carriage return without a line feed in column " +
                    std::to_string(cr + 1) +
                    ". Lines must end with a line feed (or a carriage return and line feed); "
                    "with carriage returns alone, the records run together as one line.");

  const std::size_t tab =
      line.substr(0, error.column
                         ? std::min(line.size(), error.column->first + error.column->length - 1)
                         : line.size())
          .find('\t');
  if (tab != std::string_view::npos)
    lines.push_back("Hint: the line holds a tab in column " + std::to_string(tab + 1) +
                    ". A tab counts as one column; fields must be padded with spaces.");

  if (error.column && cr == std::string_view::npos && holder_length > 0 && length != holder_length)
    lines.push_back(
        "Hint: the line is " + std::to_string(length) +
        " characters long, its report's holder record " + std::to_string(holder_length) +
        (length < holder_length ? ": characters may be missing" : ": characters may be extra") +
        " before this field.");

  std::string out;
  for (const std::string& l : lines) out += (out.empty() ? "" : "\r") + l;
  return out;
}

}  // namespace qorva
