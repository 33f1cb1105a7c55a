// What `qorva check` reports about a loaded file, read back from the published datasets,
// and its two renderings: JSON for programs, a table for people.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dEncryptor.h"

namespace qorva::cli {

struct CategoryResult {
  std::string category;
  int records_evaluated = 0, records_penalized = 0, max_penalty = 0;
  double penalty_assessed = 0;
  // The score dataset's display texts, for the table.
  std::string evaluated_text, penalized_text, max_penalty_text, penalty_text;
};

struct ReportResult {
  int holder_id = 0;
  std::string holder_name;
  int num_rec_count = 0, sum_rec_count = 0, num_props = 0, sum_props = 0, num_owners = 0,
      sd_boxes = 0;
  // Money and shares as JSON number text (exact decimals for money).
  std::string cash_to_remit, sum_cash_to_remit, shares_to_remit, sum_shares_to_remit;
  bool summary_matches = false;
  double score = 0;  // unrounded
  int file_score = 0;
  bool pass = false;
  std::vector<CategoryResult> categories;
  // The report dataset's display texts of the grid's columns.
  std::string props_text, owners_text, cash_text, shares_text, boxes_text, summary_text, score_text;
};

struct CheckedFile {
  std::string file;
  std::string creator, version, contact;  // as the loader published them
  bool all_pass = false;
  std::vector<ReportResult> reports;
};

// Reads the results of the module's last successful load.
std::vector<ReportResult> ReadReports(TdmEncryptor& module);

std::string LoadedJson(const CheckedFile& checked);
std::string RejectedJson(const std::string& file, const TdmEncryptor::LoadError& error);
std::string ReportTable(const CheckedFile& checked, bool with_scores);

// A JSON string literal: quotes, backslashes and control characters escaped, bytes of 0x80
// and above (8-bit report text) as their Latin-1 code point \u00XX, so the output is ASCII.
std::string JsonString(const std::string& text);
// For text from the command line (file paths, messages that name them): kept as UTF-8 when it
// is valid UTF-8, else read as Latin-1 like report text.
std::string JsonPathString(const std::string& text);
// A double as the shortest JSON number that reads back as the same value; null when not
// finite (JSON has no NaN or infinities).
std::string JsonNumber(double value);

}  // namespace qorva::cli
