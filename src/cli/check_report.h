// What `qorva check` reports about a loaded file, read back from the published datasets,
// and its two renderings: JSON for programs, a table for people.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "Currency.h"
#include "dEncryptor.h"

namespace qorva::cli {

struct CategoryResult {
  std::string category;
  int records_evaluated = 0, records_penalized = 0, max_penalty = 0;
  double penalty_assessed = 0;
  // The score dataset's display texts, for the table.
  std::string evaluated_text, penalized_text, max_penalty_text, penalty_text;
  // The penalised records the loader kept (the module's; never null once read).
  const std::vector<TPenalisedRecord>* records = nullptr;
};

struct ReportResult {
  int holder_id = 0;
  std::string holder_name;
  int num_rec_count = 0, sum_rec_count = 0, num_props = 0, sum_props = 0, num_owners = 0,
      sd_boxes = 0;
  Currency cash_to_remit, sum_cash_to_remit;
  double shares_to_remit = 0, sum_shares_to_remit = 0;
  bool summary_matches = false;
  double score = 0;  // unrounded
  int file_score = 0;
  bool pass = false;
  std::vector<CategoryResult> categories;
  // The report dataset's display texts of the grid's columns.
  std::string props_text, owners_text, cash_text, shares_text, boxes_text, summary_text, score_text;
  // The display texts of the counted and reported totals that the summary compares.
  std::string num_rec_text, sum_rec_text, sum_props_text, sum_cash_text, sum_shares_text;
};

struct CheckedFile {
  std::string file;
  std::string creator, version, contact;  // as the loader published them
  bool all_pass = false;
  std::vector<ReportResult> reports;
};

// Reads the results of the module's last successful load.
std::vector<ReportResult> ReadReports(TdmEncryptor& module);

// The JSON document: keys in the order they are written. Text in it is UTF-8 (report text
// read as Latin-1); WriteJson makes the output ASCII.
using Json = nlohmann::ordered_json;

Json LoadedDocument(const CheckedFile& checked);
Json RejectedDocument(const std::string& file, const TdmEncryptor::LoadError& error);
// The document as printed: one top-level key per line, one report per line with its
// categories one per line below it, everything else inline; ASCII only.
std::string WriteJson(const Json& document);

std::string LoadedJson(const CheckedFile& checked);
std::string RejectedJson(const std::string& file, const TdmEncryptor::LoadError& error);
// `before_verdict` goes between the tables and the closing verdict.
std::string ReportTable(const CheckedFile& checked, bool with_scores,
                        const std::string& before_verdict = {});
// For each report that loses points, each category that takes them with its penalised
// records (line and reason), at most `per_category` each and a count of the rest.
std::string PenalisedRecordsText(const CheckedFile& checked, std::size_t per_category = 20);
// Whether some report loses points.
bool LosesPoints(const CheckedFile& checked);

// Report text (8-bit, Latin-1) as UTF-8.
std::string Latin1ToUtf8(const std::string& text);
// For text from the command line (file paths, messages that name them): kept when it is
// valid UTF-8, else read as Latin-1 like report text.
std::string PathTextToUtf8(const std::string& text);
// A double as the shortest JSON number that reads back as the same value, integers without a
// fraction ("100", not "100.0"); null when not finite (JSON has no NaN or infinities).
std::string JsonNumber(double value);

}  // namespace qorva::cli
