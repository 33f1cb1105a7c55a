// Builds holder report lines and files for the analysis tests: fields are placed at
// their columns in a line of spaces, so each fixture states only what it is about.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "clock.h"
#include "dEncryptor.h"
#include "w_dialog.h"

namespace qorva::testing {

struct At {
  std::size_t column;  // from 1
  std::string text;
};

// A line of `length` spaces with the fields written over it (the line grows if needed).
inline std::string Line(std::size_t length, std::initializer_list<At> fields) {
  std::string s(length, ' ');
  for (const At& f : fields) {
    if (s.size() < f.column - 1 + f.text.size()) s.resize(f.column - 1 + f.text.size(), ' ');
    s.replace(f.column - 1, f.text.size(), f.text);
  }
  return s;
}

inline std::string Put(std::string line, std::initializer_list<At> fields) {
  for (const At& f : fields) {
    if (line.size() < f.column - 1 + f.text.size()) line.resize(f.column - 1 + f.text.size(), ' ');
    line.replace(f.column - 1, f.text.size(), f.text);
  }
  return line;
}

inline std::string Digits(std::int64_t v, std::size_t width) {
  std::string s = std::to_string(v < 0 ? -v : v);
  if (s.size() < width) s.insert(0, width - s.size() - (v < 0 ? 1 : 0), '0');
  if (v < 0) s.insert(0, "-");
  return s;
}

// A complete holder record: tax ID, name, one contact with a telephone (and e-mail).
inline std::string Holder(bool v2, std::initializer_list<At> more = {}) {
  std::string s = v2 ? Line(625, {{1, "1"},
                                  {2, "123456789"},
                                  {22, "R"},
                                  {37, "ACME HOLDINGS"},
                                  {129, "JANE DOE"},
                                  {303, "5551234567"},
                                  {317, "jane@acme.example"}})
                     : Line(550, {{1, "1"},
                                  {2, "123456789"},
                                  {37, "ACME HOLDINGS"},
                                  {129, "JANE DOE"},
                                  {303, "5551234567"}});
  return Put(s, more);
}

// A complete property record worth `cents` of cash and `shares` ten-thousandths of shares.
inline std::string Property(std::int64_t cents = 10000, std::int64_t shares = 0,
                            std::initializer_list<At> more = {}) {
  std::string s = Line(625, {{1, "2"},
                             {10, "SMITH"},
                             {116, "1 MAIN ST"},
                             {206, "SPRINGFIELD"},
                             {256, "IL"},
                             {258, "627010000"},
                             {281, "20200101"},
                             {289, "20200101"},
                             {305, "MS01"},
                             {365, Digits(cents, 10)},
                             {417, Digits(shares == 0 ? 0 : 1, 12)},
                             {453, Digits(shares, 12)},
                             {601, "0102"}});
  if (shares != 0) s = Put(s, {{408, "123456AB7"}});
  return Put(s, more);
}

inline std::string Owner(std::initializer_list<At> more = {}) {
  return Put(Line(300, {{1, "3"}, {9, "JONES"}, {280, "20200101"}, {288, "01"}, {293, "02"}}),
             more);
}

inline std::string Box(std::initializer_list<At> more = {}) {
  return Put(Line(230, {{1, "6"}, {25, "BOX-17"}, {36, "JEWELLERY"}, {226, "SD01"}}), more);
}

struct Totals {
  std::int64_t records, properties, cents, shares;
};

inline std::string Summary(bool v2, Totals t, std::initializer_list<At> more = {}) {
  std::string s = Line(v2 ? 260 : 142, {{1, v2 ? "9" : "4"},
                                        {2, Digits(t.records, 6)},
                                        {8, Digits(t.properties, 6)},
                                        {74, Digits(t.cents, 12)},
                                        {128, Digits(t.shares, 14)}});
  if (v2) s = Put(s, {{143, "4.2"}, {163, "ReportMaker"}, {183, "help@maker.example"}});
  return Put(s, more);
}

// The totals that make the summary of `holder` + `details` + summary match.
inline Totals Count(const std::vector<std::string>& details) {
  Totals t{static_cast<std::int64_t>(details.size()) + 2, 0, 0, 0};
  for (const std::string& d : details) {
    if (d.empty() || d[0] != '2') continue;
    ++t.properties;
    const std::int64_t cents = std::stoll(d.substr(364, 10));
    const std::int64_t shares = std::stoll(d.substr(452, 12));
    if (cents > 0 || shares > 0) {
      t.cents += cents;
      t.shares += shares;
    }
  }
  return t;
}

// A whole report whose summary matches.
inline std::vector<std::string> Report(bool v2, std::vector<std::string> details,
                                       std::initializer_list<At> summary_more = {}) {
  std::vector<std::string> lines{Holder(v2)};
  const Totals t = Count(details);
  lines.insert(lines.end(), details.begin(), details.end());
  lines.push_back(Summary(v2, t, summary_more));
  return lines;
}

inline std::string Join(const std::vector<std::string>& lines, const std::string& eol = "\r\n") {
  std::string s;
  for (const std::string& l : lines) s += l + eol;
  return s;
}

class FakeMainWindow : public IEncryptMainWindow {
 public:
  void SetCreatorValue(const std::string& s) override { creator = s; }
  void SetVersionValue(const std::string& s) override { version = s; }
  void SetContactValue(const std::string& s) override { contact = s; }
  void SetEncryptEnabled(bool enabled) override { encrypt = enabled; }
  std::string creator = "-", version = "-", contact = "-";
  std::optional<bool> encrypt;
};

// A data module with a recording message helper, a fake main window, a fixed clock
// (11 Dec 2026, noon) and a temporary folder for the report files.
class LoaderTest : public ::testing::Test {
 protected:
  LoaderTest() : clock_(*EncodeDate(2026, 12, 11) + 0.5) {
    dir_ = std::filesystem::path(::testing::TempDir()) /
           ("analysis_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    dm_.SetMainWindow(&window_);
  }
  ~LoaderTest() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& content, const std::string& name = "report.txt") {
    const std::filesystem::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << content;
    return p.string();
  }
  bool Load(const std::string& content) {
    messages_.clear();
    return dm_.LoadQORVAFile(Write(content));
  }
  bool Load(const std::vector<std::string>& lines) { return Load(Join(lines)); }

  const TTempRecord& Result(std::size_t i = 0) { return dm_.Results().TempArray.at(i); }
  // The score row of report `holder_id` (from 1) and category `category` (from 1).
  const TTempReportScore& Score(int holder_id, int category) {
    return dm_.Results().TempReportScore.at((holder_id - 1) * 11 + (category - 1));
  }

  ScopedClock clock_;
  std::filesystem::path dir_;
  RecordingMessageHelper messages_;
  FakeMainWindow window_;
  TdmEncryptor dm_;
};

}  // namespace qorva::testing
