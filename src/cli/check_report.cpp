#include "check_report.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "cli_session.h"

namespace qorva::cli {

std::string Latin1ToUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xc0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3f));
    }
  }
  return out;
}

std::string PathTextToUtf8(const std::string& text) {
  return IsValidUtf8(text) ? text : Latin1ToUtf8(text);
}

std::string JsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, ec == std::errc() ? end : buffer);
  // to_chars may write "1e+20"; JSON accepts that form, and "-0" too.
  return text.empty() ? "null" : text;
}

namespace {

// The nearest double to the exact amount (Currency's own conversion rounds twice for
// amounts beyond 2^53 units).
double AmountNumber(const Currency& amount) {
  return std::strtod(amount.ToString().c_str(), nullptr);
}

// A value on one line: strings ASCII with \u escapes (DEL too, which the library keeps raw),
// numbers as JsonNumber writes them.
std::string Inline(const Json& v) {
  switch (v.type()) {
    case Json::value_t::object: {
      std::string out = "{";
      bool first = true;
      for (const auto& [key, value] : v.items()) {
        if (!first) out += ", ";
        first = false;
        out += Inline(Json(key)) + ": " + Inline(value);
      }
      return out + "}";
    }
    case Json::value_t::array: {
      std::string out = "[";
      for (std::size_t i = 0; i < v.size(); ++i) out += (i ? ", " : "") + Inline(v[i]);
      return out + "]";
    }
    case Json::value_t::string: {
      const std::string dumped = v.dump(-1, ' ', true);
      std::string out;
      out.reserve(dumped.size());
      for (char c : dumped) out += c == '\x7f' ? std::string("\\u007f") : std::string(1, c);
      return out;
    }
    case Json::value_t::number_float:
      return JsonNumber(v.get<double>());
    default:
      return v.dump();
  }
}

// One element of a top-level array: inline, but its arrays each start a line of their own
// with one element per line.
std::string Entry(const Json& v) {
  if (!v.is_object()) return Inline(v);
  std::string out = "{";
  bool first = true;
  for (const auto& [key, value] : v.items()) {
    if (value.is_array()) {
      out += (first ? "\n     " : ",\n     ") + Inline(Json(key)) + ": [";
      for (std::size_t i = 0; i < value.size(); ++i)
        out += (i ? ",\n      " : "\n      ") + Inline(value[i]);
      out += "]";
    } else {
      out += (first ? "" : ", ") + Inline(Json(key)) + ": " + Inline(value);
    }
    first = false;
  }
  return out + "}";
}

}  // namespace

std::string WriteJson(const Json& document) {
  std::string out = "{";
  bool first = true;
  for (const auto& [key, value] : document.items()) {
    out += (first ? "\n  " : ",\n  ") + Inline(Json(key)) + ": ";
    first = false;
    if (value.is_array() && !value.empty()) {
      out += "[";
      for (std::size_t i = 0; i < value.size(); ++i)
        out += (i ? ",\n    " : "\n    ") + Entry(value[i]);
      out += "\n  ]";
    } else {
      out += Inline(value);
    }
  }
  return out + "\n}\n";
}

namespace {

Json RecordsDocument(const std::vector<TPenalisedRecord>* records) {
  Json out = Json::array();
  if (records)
    for (const TPenalisedRecord& r : *records)
      out.push_back({{"line", r.Line}, {"reason", Latin1ToUtf8(r.Reason)}});
  return out;
}

}  // namespace

Json LoadedDocument(const CheckedFile& f) {
  Json reports = Json::array();
  for (const ReportResult& r : f.reports) {
    Json categories = Json::array();
    for (const CategoryResult& c : r.categories)
      categories.push_back({{"category", Latin1ToUtf8(c.category)},
                            {"records_evaluated", c.records_evaluated},
                            {"records_penalized", c.records_penalized},
                            {"max_penalty", c.max_penalty},
                            {"penalty_assessed", c.penalty_assessed},
                            {"records", RecordsDocument(c.records)}});
    reports.push_back({{"holder_id", r.holder_id},
                       {"holder_name", Latin1ToUtf8(r.holder_name)},
                       {"num_rec_count", r.num_rec_count},
                       {"sum_rec_count", r.sum_rec_count},
                       {"num_props", r.num_props},
                       {"sum_props", r.sum_props},
                       {"num_owners", r.num_owners},
                       {"sd_boxes", r.sd_boxes},
                       {"cash_to_remit", AmountNumber(r.cash_to_remit)},
                       {"sum_cash_to_remit", AmountNumber(r.sum_cash_to_remit)},
                       {"shares_to_remit", r.shares_to_remit},
                       {"sum_shares_to_remit", r.sum_shares_to_remit},
                       {"summary_matches", r.summary_matches},
                       {"score", r.score},
                       {"file_score", r.file_score},
                       {"pass", r.pass},
                       {"categories", std::move(categories)}});
  }
  return {{"file", PathTextToUtf8(f.file)},
          {"loaded", true},
          {"all_pass", f.all_pass},
          {"software",
           {{"creator", Latin1ToUtf8(f.creator)},
            {"version", Latin1ToUtf8(f.version)},
            {"contact", Latin1ToUtf8(f.contact)}}},
          {"reports", std::move(reports)}};
}

Json RejectedDocument(const std::string& file, const TdmEncryptor::LoadError& error) {
  return {{"file", PathTextToUtf8(file)},
          {"loaded", false},
          {"error",
           {{"line", error.line ? Json(*error.line) : Json(nullptr)},
            {"message", PathTextToUtf8(error.message)}}}};
}

std::string LoadedJson(const CheckedFile& checked) { return WriteJson(LoadedDocument(checked)); }

std::string RejectedJson(const std::string& file, const TdmEncryptor::LoadError& error) {
  return WriteJson(RejectedDocument(file, error));
}

namespace {

enum class Align { Left, Right, Centre };

struct Column {
  std::string title;
  Align align;
};

// Lays out rows of cells under titles, each column as wide as its widest cell.
class Table {
 public:
  explicit Table(std::vector<Column> columns) : columns_(std::move(columns)) {}
  void Add(std::vector<std::string> cells) {
    for (auto& cell : cells) cell = PrintableText(cell);
    rows_.push_back(std::move(cells));
  }
  std::string Render(const std::string& indent) const {
    std::vector<std::size_t> widths;
    for (const auto& c : columns_) widths.push_back(PrintableWidth(c.title));
    for (const auto& row : rows_)
      for (std::size_t i = 0; i < row.size() && i < widths.size(); ++i)
        widths[i] = std::max(widths[i], PrintableWidth(row[i]));
    std::string out;
    auto line = [&](const std::vector<std::string>& cells, bool title) {
      std::string text = indent;
      for (std::size_t i = 0; i < columns_.size(); ++i) {
        const std::string cell = i < cells.size() ? cells[i] : "";
        const std::size_t gap = widths[i] - PrintableWidth(cell);
        const Align align =
            title && columns_[i].align != Align::Left ? Align::Centre : columns_[i].align;
        std::size_t before = align == Align::Right ? gap : align == Align::Centre ? gap / 2 : 0;
        if (i) text += "  ";
        text += std::string(before, ' ') + cell + std::string(gap - before, ' ');
      }
      while (!text.empty() && text.back() == ' ') text.pop_back();
      out += text + "\n";
    };
    std::vector<std::string> titles;
    for (const auto& c : columns_) titles.push_back(c.title);
    line(titles, true);
    std::vector<std::string> rules;
    for (std::size_t w : widths) rules.push_back(std::string(w, '-'));
    line(rules, false);
    for (const auto& row : rows_) line(row, false);
    return out;
  }

 private:
  std::vector<Column> columns_;
  std::vector<std::vector<std::string>> rows_;
};

std::string TrimRight(std::string s) {
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.pop_back();
  return s;
}

// The unrounded score to four decimals, never rounded up to the pass mark it misses
// (74.99996 reads 74.9999, not 75.0000).
std::string UnroundedScore(double score) {
  double shown = std::round(score * 10000) / 10000;
  if (score < 75 && shown >= 75) shown = 74.9999;
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", shown);
  return text;
}

// Whole scores as they are, others unrounded.
std::string Score(double score) {
  if (score == std::floor(score) && std::fabs(score) < 1e6)
    return std::to_string(static_cast<int>(score));
  return UnroundedScore(score);
}

}  // namespace

bool LosesPoints(const CheckedFile& f) {
  for (const ReportResult& r : f.reports)
    for (const CategoryResult& c : r.categories)
      if (c.records_penalized > 0) return true;
  return false;
}

std::string PenalisedRecordsText(const CheckedFile& f, std::size_t per_category) {
  std::string out;
  for (const ReportResult& r : f.reports) {
    std::string report;
    for (const CategoryResult& c : r.categories) {
      if (c.records_penalized <= 0) continue;
      report += "  " + PrintableText(c.category) + " (" + std::to_string(c.records_penalized) +
                " of " + std::to_string(c.records_evaluated) + " penalized, " + c.penalty_text +
                " points):\n";
      std::size_t shown = 0;
      if (c.records)
        for (const TPenalisedRecord& rec : *c.records) {
          if (shown == per_category) break;
          report +=
              "    line " + std::to_string(rec.Line) + ": " + PrintableText(rec.Reason) + "\n";
          ++shown;
        }
      const auto rest = static_cast<long long>(c.records_penalized) - static_cast<long long>(shown);
      if (rest > 0)
        report +=
            "    ... and " + std::to_string(rest) + (rest == 1 ? " more record" : " more records") +
            (c.records && c.records->size() > shown ? " (--csv lists up to 1,000)" : "") + "\n";
    }
    if (report.empty()) continue;
    out += "\nPenalized records of report " + std::to_string(r.holder_id) + ", " +
           PrintableText(r.holder_name) + " (score " + Score(r.score) + "):\n" + report;
  }
  return out;
}

std::string ReportTable(const CheckedFile& f, bool with_scores, const std::string& before_verdict) {
  std::string out = "File:     " + PrintableText(f.file, IsValidUtf8(f.file)) + "\n";
  out += "Software: " + PrintableText(TrimRight(f.creator)) + "\n";
  out += "Version:  " + PrintableText(TrimRight(f.version)) + "\n";
  out += "Contact:  " + PrintableText(TrimRight(f.contact)) + "\n\n";

  Table reports({{"Holder Name", Align::Left},
                 {"# Props.", Align::Right},
                 {"# Owners", Align::Right},
                 {"$ to Remit", Align::Right},
                 {"Shares to Remit", Align::Right},
                 {"SD Boxes", Align::Right},
                 {"Summary", Align::Left},
                 {"Score", Align::Right},
                 {"Pass", Align::Left}});
  std::size_t failing = 0;
  std::string notes;
  for (const ReportResult& r : f.reports) {
    reports.Add({r.holder_name, r.props_text, r.owners_text, r.cash_text, r.shares_text,
                 r.boxes_text, r.summary_text, r.score_text, r.pass ? "yes" : "NO"});
    if (!r.pass) ++failing;
    if (!r.pass && r.summary_matches && r.file_score >= 75)
      notes += "Note: report " + std::to_string(r.holder_id) + " scores " +
               UnroundedScore(r.score) + ", below 75; its score shows rounded.\n";
  }
  out += reports.Render("");
  if (!notes.empty()) out += "\n" + notes;

  // What the summary window shows for a mismatch: the summary record's totals against the
  // counted ones, compared exactly in their own kind.
  for (const ReportResult& r : f.reports) {
    if (r.summary_matches) continue;
    out += "\nSummary of report " + std::to_string(r.holder_id) + ", " +
           PrintableText(r.holder_name) + ": No Match\n";
    Table totals({{"", Align::Left},
                  {"Reported", Align::Right},
                  {"Actual", Align::Right},
                  {"", Align::Left}});
    auto mark = [](bool differ) { return std::string(differ ? "differs" : ""); };
    totals.Add({"Records In File", r.sum_rec_text, r.num_rec_text,
                mark(r.sum_rec_count != r.num_rec_count)});
    totals.Add(
        {"# of Properties", r.sum_props_text, r.props_text, mark(r.sum_props != r.num_props)});
    totals.Add({"Cash Remittance", r.sum_cash_text, r.cash_text,
                mark(r.sum_cash_to_remit != r.cash_to_remit)});
    totals.Add({"Shares Remittance", r.sum_shares_text, r.shares_text,
                mark(r.sum_shares_to_remit != r.shares_to_remit)});
    out += totals.Render("  ");
  }

  if (with_scores) {
    for (const ReportResult& r : f.reports) {
      out += "\nScores of report " + std::to_string(r.holder_id) + ", " +
             PrintableText(r.holder_name) + " (score " + Score(r.score) + "):\n";
      Table scores({{"Category", Align::Left},
                    {"Recs. Evaluated", Align::Right},
                    {"Recs. Penalized", Align::Right},
                    {"Max. Penalty", Align::Right},
                    {"Penalty Assessed", Align::Right}});
      for (const CategoryResult& c : r.categories)
        scores.Add(
            {c.category, c.evaluated_text, c.penalized_text, c.max_penalty_text, c.penalty_text});
      out += scores.Render("  ");
    }
  }

  out += before_verdict;
  const std::size_t total = f.reports.size();
  out += "\n";
  if (total == 0)
    out += "FAIL: the file holds no holder report; there is nothing to encrypt.\n";
  else if (f.all_pass)
    out += total == 1 ? "PASS: the report passes; the file can be encrypted.\n"
                      : "PASS: all " + std::to_string(total) +
                            " reports pass; the file can be encrypted.\n";
  else
    out += "FAIL: " + std::to_string(failing) + " of " + std::to_string(total) +
           (total == 1 ? " report fails" : " reports fail") +
           " (a report passes when its summary matches and it scores at least 75); the file "
           "cannot be encrypted.\n";
  return out;
}

}  // namespace qorva::cli
