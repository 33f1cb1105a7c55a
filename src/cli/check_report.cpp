#include "check_report.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "cli_session.h"

namespace qorva::cli {

namespace {

std::string Escape(const std::string& text, bool keep_utf8) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c >= 0x80 && keep_utf8) {
          out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7f) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

}  // namespace

std::string JsonString(const std::string& text) { return Escape(text, false); }
std::string JsonPathString(const std::string& text) { return Escape(text, IsValidUtf8(text)); }

std::string JsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, ec == std::errc() ? end : buffer);
  // to_chars may write "1e+20"; JSON accepts that form, and "-0" too.
  return text.empty() ? "null" : text;
}

namespace {

const char* Bool(bool b) { return b ? "true" : "false"; }

}  // namespace

std::string LoadedJson(const CheckedFile& f) {
  std::string j = "{\n  \"file\": " + JsonPathString(f.file) + ",\n  \"loaded\": true,\n";
  j += std::string("  \"all_pass\": ") + Bool(f.all_pass) + ",\n";
  j += "  \"software\": {\"creator\": " + JsonString(f.creator) +
       ", \"version\": " + JsonString(f.version) + ", \"contact\": " + JsonString(f.contact) +
       "},\n";
  j += "  \"reports\": [";
  for (std::size_t i = 0; i < f.reports.size(); ++i) {
    const ReportResult& r = f.reports[i];
    j += i ? ",\n" : "\n";
    j += "    {\"holder_id\": " + std::to_string(r.holder_id) +
         ", \"holder_name\": " + JsonString(r.holder_name) +
         ", \"num_rec_count\": " + std::to_string(r.num_rec_count) +
         ", \"sum_rec_count\": " + std::to_string(r.sum_rec_count) +
         ", \"num_props\": " + std::to_string(r.num_props) +
         ", \"sum_props\": " + std::to_string(r.sum_props) +
         ", \"num_owners\": " + std::to_string(r.num_owners) +
         ", \"sd_boxes\": " + std::to_string(r.sd_boxes) +
         ", \"cash_to_remit\": " + r.cash_to_remit +
         ", \"sum_cash_to_remit\": " + r.sum_cash_to_remit +
         ", \"shares_to_remit\": " + r.shares_to_remit +
         ", \"sum_shares_to_remit\": " + r.sum_shares_to_remit +
         ", \"summary_matches\": " + Bool(r.summary_matches) +
         ", \"score\": " + JsonNumber(r.score) +
         ", \"file_score\": " + std::to_string(r.file_score) + ", \"pass\": " + Bool(r.pass) +
         ",\n     \"categories\": [";
    for (std::size_t k = 0; k < r.categories.size(); ++k) {
      const CategoryResult& c = r.categories[k];
      j += k ? ",\n      " : "\n      ";
      j += "{\"category\": " + JsonString(c.category) +
           ", \"records_evaluated\": " + std::to_string(c.records_evaluated) +
           ", \"records_penalized\": " + std::to_string(c.records_penalized) +
           ", \"max_penalty\": " + std::to_string(c.max_penalty) +
           ", \"penalty_assessed\": " + JsonNumber(c.penalty_assessed) + "}";
    }
    j += "]}";
  }
  j += f.reports.empty() ? "]\n}\n" : "\n  ]\n}\n";
  return j;
}

std::string RejectedJson(const std::string& file, const TdmEncryptor::LoadError& error) {
  return "{\n  \"file\": " + JsonPathString(file) +
         ",\n  \"loaded\": false,\n  \"error\": {\"line\": " +
         (error.line ? std::to_string(*error.line) : std::string("null")) +
         ", \"message\": " + JsonPathString(error.message) + "}\n}\n";
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

std::string Score(double score) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", score);
  return text;
}

}  // namespace

std::string ReportTable(const CheckedFile& f, bool with_scores) {
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
      notes += "Note: report " + std::to_string(r.holder_id) + " scores " + Score(r.score) +
               ", below 75; its score shows rounded.\n";
  }
  out += reports.Render("");
  if (!notes.empty()) out += "\n" + notes;

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
