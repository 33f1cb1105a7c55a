#include <gtest/gtest.h>

#include "ReportFixture.h"

namespace qorva::testing {
namespace {

const std::string kBadType = "Line must begin with 1, 2, 3, 4, 5, 6, 8 or 9.";
const std::string kMissingHolder = "Missing Holder \"Type 1\" Record.";
const std::string kNoSummary = "File must end with Summary Record.";

std::string H1() { return Holder(false); }
std::string S1(Totals t = {3, 1, 10000, 0}, std::initializer_list<At> more = {}) {
  return Summary(false, t, more);
}

struct LineErrorCase {
  const char* name;
  std::string content;
  int line;
  std::string message;
};

TEST_F(LoaderTest, RejectsTheFileAtTheFirstStructuralError) {
  const std::string P = Property();
  const LineErrorCase cases[] = {
      {"unknown record type", Join({"0 junk"}), 1, kBadType},
      {"a NUL type byte", Join({std::string("\0\0 nul", 6)}), 1, kBadType},
      {"two spaces are not empty", Join({H1(), "  "}), 2, kBadType},
      {"type 7 inside a report", Join({H1(), P, "7 detail"}), 3, kBadType},
      {"empty lines are not counted", "\r\n\n" + H1() + "\n\n\r\n" + "Z1\n", 2, kBadType},
      {"holder ahead of summary", Join({H1(), P, H1()}), 3,
       "New holder record ahead of summary record."},
      {"type 4 closing a QORVA 2 report", Join({Holder(true), P, S1()}), 3,
       "QORVA 2 format can't have type 4 summary record."},
      {"type 9 closing a QORVA 1 report", Join({H1(), P, Summary(true, {3, 1, 10000, 0})}), 3,
       "QORVA 1 format can't have type 9 summary record."},
      {"negative type 9 report with a property",
       Join({Holder(true), P, Summary(true, {3, 1, 10000, 0}, {{142, "y"}})}), 3,
       "Negative Report must not have property or owners."},
      {"negative type 9 report with an owner",
       Join({Holder(true), Owner(), Summary(true, {3, 0, 0, 0}, {{142, "Y"}})}), 3,
       "Negative Report must not have property or owners."},
      {"non-negative report without property", Join({H1(), Owner(), S1({3, 0, 0, 0})}), 3,
       "Non-negative report with zero properties."},
      {"blank property owner", Join({H1(), Property(100, 0, {{10, std::string(40, ' ')}})}), 2,
       "Empty Owner Lastname."},
      {"blank owner record owner", Join({H1(), P, Owner({{9, "\t  \x01  "}})}), 3,
       "Empty Owner Lastname."},
      {"blank owner outside a report", Join({Property(100, 0, {{10, "     "}})}), 1,
       "Empty Owner Lastname."},
      {"type 5 before any holder", Join({"5 other"}), 1, kMissingHolder},
      {"type 6 after a summary", Join({H1(), P, S1(), Box()}), 4, kMissingHolder},
      {"one-character type 8 after a summary", Join({H1(), P, S1(), "8"}), 4, kMissingHolder},
      {"summary before any holder", Join({Summary(true, {1, 0, 0, 0})}), 1, kMissingHolder},
      {"second summary", Join({H1(), P, S1(), S1()}), 4, kMissingHolder},
      {"no summary at the end", Join({H1(), P}) + "\n\n", 2, kNoSummary},
      {"one-character holder", "1", 1, kNoSummary},
      {"a lone CR does not end a line", H1() + "\r" + P + "\n" + S1() + "\n", 2,
       "Non-negative report with zero properties."},
      {"Ctrl-Z ends the text", Join({H1(), P}) + "\x1a" + S1() + "\r\n", 2, kNoSummary},
      // Numbers that do not convert, reported where they are read.
      {"blank cash amount", Join({H1(), Property(100, 0, {{365, "          "}})}), 2,
       "Invalid number in CashAmount."},
      {"property line ending at column 300", Join({H1(), P.substr(0, 300)}), 2,
       "Invalid number in CashAmount."},
      {"shares remitted with a blank", Join({H1(), Property(100, 0, {{453, " 00000000001"}})}), 2,
       "Invalid number in SharesRemitted."},
      {"decimal share count", Join({H1(), Property(100, 0, {{417, "         1.5"}})}), 2,
       "Invalid number in ShareCount."},
      {"blank share count", Join({H1(), Property(100, 0, {{417, std::string(12, ' ')}})}), 2,
       "Invalid number in ShareCount."},
      {"record count", Join({H1(), P, S1({3, 1, 10000, 0}, {{2, "00003x"}})}), 3,
       "Invalid number in RecordCount."},
      {"property count", Join({H1(), P, S1({3, 1, 10000, 0}, {{8, "      "}})}), 3,
       "Invalid number in PropertyCount."},
      {"cash total", Join({H1(), P, S1({3, 1, 10000, 0}, {{74, "00000000100."}})}), 3,
       "Invalid number in CashTotal."},
      {"shares total", Join({H1(), P, S1().substr(0, 127)}), 3, "Invalid number in SharesTotal."},
      {"one-character summary", Join({H1(), P, "4"}), 3, "Invalid number in RecordCount."},
      {"earlier check on the line wins", Join({H1(), Owner(), S1({3, 0, 0, 0}, {{2, "      "}})}),
       3, "Non-negative report with zero properties."},
      {"blank owner before blank cash",
       Join({H1(), Property(100, 0, {{10, "     "}, {365, "          "}})}), 2,
       "Empty Owner Lastname."},
  };
  window_.encrypt = std::nullopt;
  for (const LineErrorCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(Load(c.content));
    const std::string box =
        "Error in line " + std::to_string(c.line) + ".\r\r" + c.message + "\r\rCannot load file.";
    ASSERT_EQ(messages_.entries().size(), 1u);
    EXPECT_EQ(messages_.entries()[0].kind, MessageKind::Warning);
    EXPECT_EQ(messages_.entries()[0].text, box);
    ASSERT_TRUE(dm_.LastError());
    EXPECT_EQ(dm_.LastError()->line, c.line);
    EXPECT_EQ(dm_.LastError()->message, c.message);
    EXPECT_FALSE(window_.encrypt.has_value());
    EXPECT_EQ(window_.creator, "-");
  }
}

TEST_F(LoaderTest, RejectsFilesThatCannotBeReadOrHoldNoLine) {
  const std::string empty_box = "File is empty.\r\rUnable to proceed.\r";
  struct Case {
    const char* name;
    std::string path;
    std::string box;
    std::string detail = {};  // the system's reason, where a read failed
  } cases[] = {
      {"missing file", (dir_ / "none.txt").string(),
       "Unable to access file \r\r" + (dir_ / "none.txt").string() + "\r"},
#ifdef _WIN32
      {"a folder", dir_.string(), "Unable to access file \r\r" + dir_.string() + "\r"},
#else
      // A folder opens here, and the first read fails.
      {"a folder", dir_.string(), "Unable to access file \r\r" + dir_.string() + "\r",
       "Is a directory."},
#endif
      {"no bytes", Write("", "a.txt"), empty_box},
      {"only empty lines", Write("\n\r\n\n\r\n", "b.txt"), empty_box},
      {"Ctrl-Z first", Write("\x1a" + Join(Report(false, {Property()})), "c.txt"), empty_box},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    messages_.clear();
    EXPECT_FALSE(dm_.LoadQORVAFile(c.path));
    ASSERT_EQ(messages_.entries().size(), 1u);
    EXPECT_EQ(messages_.entries()[0].kind, MessageKind::Warning);
    EXPECT_EQ(messages_.entries()[0].text, c.box);
    EXPECT_EQ(messages_.entries()[0].detail, c.detail);
    ASSERT_TRUE(dm_.LastError());
    EXPECT_FALSE(dm_.LastError()->line);
    EXPECT_EQ(dm_.LastError()->message, c.box);
  }
}

TEST_F(LoaderTest, HolderRecordDecidesTheFormat) {
  struct Case {
    const char* name;
    std::string holder;
    bool v2;
  } cases[] = {
      {"625 characters, blank flag", Line(625, {{1, "1"}, {37, "A"}}), true},
      {"624 characters, r", Line(624, {{1, "1"}, {22, "r"}, {37, "A"}}), true},
      {"short, R", Line(40, {{1, "1"}, {22, "R"}, {37, "A"}}), true},
      {"624 characters, blank flag", Line(624, {{1, "1"}, {37, "A"}}), false},
      {"626 characters, X", Line(626, {{1, "1"}, {22, "X"}, {37, "A"}}), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool v2_summary : {false, true}) {
      const std::vector<std::string> lines{c.holder, Property(),
                                           Summary(v2_summary, {3, 1, 10000, 0})};
      for (const char* eol : {"\r\n", "\n"}) {
        EXPECT_EQ(Load(Join(lines, eol)), v2_summary == c.v2) << eol[0] << v2_summary;
      }
    }
  }
  // The carriage return of a CR LF is not part of the line; a lone one is.
  const std::string h624 = Line(624, {{1, "1"}, {37, "A"}});
  EXPECT_TRUE(Load(h624 + "\r\r\n" + Property() + "\n" + Summary(true, {3, 1, 10000, 0})));
  EXPECT_TRUE(Load(h624 + "\r\n" + Property() + "\n" + Summary(false, {3, 1, 10000, 0})));
}

TEST_F(LoaderTest, ComparesCountsAndTotalsWithTheSummary) {
  struct Case {
    const char* name;
    std::vector<std::string> details;
    std::function<Totals(Totals)> summary;
    bool match;
  } cases[] = {
      {"all equal", {Property(12345), Owner(), Box()}, [](Totals t) { return t; }, true},
      {"record count one too high", {Property()}, [](Totals t) { return ++t.records, t; }, false},
      {"property count",
       {Property(), Property()},
       [](Totals t) { return --t.properties, t; },
       false},
      {"cash one cent off", {Property(12345)}, [](Totals t) { return ++t.cents, t; }, false},
      {"shares off in the fourth decimal",
       {Property(0, 999999999999), Property(0, 999999999999)},
       [](Totals t) { return --t.shares, t; },
       false},
      {"tenths of shares sum to 15 digits",
       {Property(0, 1000), Property(0, 1000), Property(0, 1000)},
       [](Totals t) { return t; },
       true},
      {"negative cash counts with positive shares",
       {Property(-1000, 5000), Property(10000, 0)},
       [](Totals t) { return t; },
       true},  // 90.00
      {"negative cash without shares is not counted",
       {Property(-1000, 0), Property(10000, 0)},
       [](Totals t) { return t.cents = 9000, t; },
       false},
      {"negative shares without cash are not counted",
       {Property(0, -5000), Property(0, 7000)},
       [](Totals t) { return t.shares = 2000, t; },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> lines{H1()};
    lines.insert(lines.end(), c.details.begin(), c.details.end());
    lines.push_back(S1(c.summary(Count(c.details))));
    ASSERT_TRUE(Load(lines));
    EXPECT_EQ(Result().SummaryOk, c.match ? "Match" : "No Match");
    EXPECT_EQ(dm_.Results().AllReportsPass, c.match);
    EXPECT_EQ(window_.encrypt, c.match);
  }
}

TEST_F(LoaderTest, StoresCountsAndTotalsPerReport) {
  std::vector<std::string> lines = Report(true, {Property(12345, 15000), Owner(), Box(), Owner(),
                                                 "5 other", "8 other", Property(-500, 0)});
  lines[lines.size() - 1] = Put(lines.back(), {{2, "000011"}, {74, "000000012300"}});
  std::vector<std::string> second = Report(false, {Property(1)});
  lines.insert(lines.end(), second.begin(), second.end());
  ASSERT_TRUE(Load(Join(lines, "\n") + "\n\n"));
  ASSERT_EQ(dm_.Results().TempArray.size(), 2u);
  const TTempRecord& r = Result(0);
  EXPECT_EQ(r.HolderName, "ACME HOLDINGS");
  EXPECT_EQ(r.NumRecCount, 9);
  EXPECT_EQ(r.SumRecCount, 11);
  EXPECT_EQ(r.NumProps, 2);
  EXPECT_EQ(r.SumProps, 2);
  EXPECT_EQ(r.NumOwners, 4);
  EXPECT_EQ(r.SDBoxes, 1);
  EXPECT_DOUBLE_EQ(r.CashRemit, 123.45);
  EXPECT_DOUBLE_EQ(r.SumCashRemit, 123.00);
  EXPECT_DOUBLE_EQ(r.SharesRemit, 1.5);
  EXPECT_DOUBLE_EQ(r.SumSharesRemit, 1.5);
  EXPECT_EQ(r.SummaryOk, "No Match");
  EXPECT_EQ(Result(1).SummaryOk, "Match");
  EXPECT_DOUBLE_EQ(Result(1).CashRemit, 0.01);
  EXPECT_FALSE(dm_.Results().AllReportsPass);
  EXPECT_EQ(window_.encrypt, false);
  ASSERT_EQ(dm_.Results().TempReportScore.size(), 22u);
  EXPECT_EQ(Score(1, 1).Holder_ID, 1);
  EXPECT_EQ(Score(2, 11).Holder_ID, 2);
}

TEST_F(LoaderTest, LinesOutsideReportsAndOneCharacterLines) {
  // Property and owner records between reports move only counters the next holder resets;
  // a one-character line of no record type is one of the open report's records.
  std::vector<std::string> lines = Report(false, {Property()});
  lines.push_back("x");
  lines.push_back(Property(0, 0, {{289, "19000101"}, {305, "    "}, {10, "A,B"}}));
  lines.push_back(Owner({{288, "  "}}));
  const std::vector<std::string> second = Report(false, {Property(), "x"});
  lines.insert(lines.end(), second.begin(), second.end());
  lines.push_back("?");
  ASSERT_TRUE(Load(lines));
  ASSERT_EQ(dm_.Results().TempArray.size(), 2u);
  EXPECT_EQ(Result(1).SummaryOk, "Match");
  EXPECT_EQ(Result(1).NumRecCount, 4);
  EXPECT_EQ(Result(1).NumOwners, 1);
  EXPECT_EQ(Result(1).Score, 100);
  for (int category = 1; category <= 11; ++category)
    EXPECT_EQ(Score(2, category).RecordsPenalized, 0) << category;
  EXPECT_TRUE(dm_.Results().AllReportsPass);
}

TEST_F(LoaderTest, PublishesSoftwareOfTheLastSummary) {
  const std::vector<std::string> v2 = Report(true, {Property()});
  const std::vector<std::string> v1 = Report(false, {Property()});
  std::vector<std::string> lines = v2;
  lines.insert(lines.end(), v1.begin(), v1.end());
  ASSERT_TRUE(Load(lines));
  EXPECT_EQ(window_.creator, "QORVA 1 (N/A)");
  EXPECT_EQ(window_.version, "QORVA 1 (N/A)");
  EXPECT_EQ(window_.contact, "QORVA 1 (N/A)");
  EXPECT_EQ(window_.encrypt, true);

  lines.insert(lines.end(), v2.begin(), v2.end());
  ASSERT_TRUE(Load(lines));
  // Taken as they stand, trailing blanks included.
  EXPECT_EQ(window_.creator, "ReportMaker" + std::string(9, ' '));
  EXPECT_EQ(window_.version, "4.2" + std::string(17, ' '));
  EXPECT_EQ(window_.contact, "help@maker.example" + std::string(52, ' '));
  EXPECT_TRUE(messages_.entries().empty());
  EXPECT_FALSE(dm_.LastError());
}

TEST_F(LoaderTest, FailedLoadKeepsWhatThePreviousLoadPublished) {
  std::vector<std::string> lines = Report(true, {Property()});
  ASSERT_TRUE(Load(lines));
  lines.back() = Put(lines.back(), {{2, "000009"}});  // No Match: encryption off
  const std::vector<std::string> failing = lines;
  ASSERT_TRUE(Load(failing));
  ASSERT_EQ(window_.encrypt, false);

  window_ = FakeMainWindow{};
  EXPECT_FALSE(Load(Join(Report(false, {Property()})) + "0 bad\r\n"));
  EXPECT_FALSE(Load(std::string("\n\n")));
  EXPECT_FALSE(dm_.LoadQORVAFile((dir_ / "missing").string()));
  EXPECT_EQ(window_.creator, "-");
  EXPECT_FALSE(window_.encrypt.has_value());
  ASSERT_EQ(dm_.Results().TempArray.size(), 1u);
  EXPECT_EQ(Result().SummaryOk, "No Match");
}

TEST_F(LoaderTest, ReportsProgressAndCanBeCancelled) {
  std::vector<std::string> lines;
  for (int i = 0; i < 40; ++i) {
    const std::vector<std::string> r = Report(true, {Property(), Owner(), Property()});
    lines.insert(lines.end(), r.begin(), r.end());
  }
  const std::string content = Join(lines);
  std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
  dm_.SetProgress([&](std::uint64_t done, std::uint64_t total) {
    calls.emplace_back(done, total);
    return true;
  });
  ASSERT_TRUE(Load(content));
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().first, content.size());
  EXPECT_EQ(calls.back().second, content.size());

  window_ = FakeMainWindow{};
  dm_.SetProgress([](std::uint64_t, std::uint64_t) { return false; });
  EXPECT_FALSE(Load(content));
  EXPECT_TRUE(dm_.LastLoadCancelled());
  EXPECT_TRUE(messages_.entries().empty());
  EXPECT_FALSE(window_.encrypt.has_value());
  dm_.SetProgress(nullptr);
  EXPECT_TRUE(Load(content));
  EXPECT_FALSE(dm_.LastLoadCancelled());
}

// Blocks far smaller than a line make every line span blocks and take the long-line path;
// the outcome must not change.
TEST_F(LoaderTest, OutcomeDoesNotDependOnTheReadBlock) {
  std::vector<std::string> lines = Report(
      true, {Property(12345, 15000, {{10, "O'NEIL, PAT"}}), Owner({{280, "19000101"}}), Box()});
  const std::vector<std::string> v1 = Report(false, {Property(0, 0), "?", Owner()});
  lines.insert(lines.end(), v1.begin(), v1.end());
  const std::string good = "\r\n" + Join(lines, "\n") + "\r\n\r\r\n" + "\x1a" + "0 ignored";
  const std::string bad = Join(lines) + Holder(false) + "\r\r\n" + Property() + "\n\n";

  for (const std::string* content : {&good, &bad}) {
    const std::string path = Write(*content);
    const TLoadOutcome expected = LoadReportFile(path);
    for (std::size_t block : {1u, 2u, 3u, 7u, 16u, 624u, 625u, 626u, 627u, 5000u}) {
      SCOPED_TRACE(block);
      TLoadOptions options;
      options.block_size = block;
      const TLoadOutcome got = LoadReportFile(path, options);
      ASSERT_EQ(got.kind, expected.kind);
      EXPECT_EQ(got.line, expected.line);
      EXPECT_EQ(got.message, expected.message);
      ASSERT_EQ(got.results.TempArray.size(), expected.results.TempArray.size());
      for (std::size_t i = 0; i < got.results.TempArray.size(); ++i) {
        EXPECT_EQ(got.results.TempArray[i].HolderName, expected.results.TempArray[i].HolderName);
        EXPECT_EQ(got.results.TempArray[i].NumRecCount, expected.results.TempArray[i].NumRecCount);
        EXPECT_EQ(got.results.TempArray[i].Score, expected.results.TempArray[i].Score);
        EXPECT_EQ(got.results.TempArray[i].SummaryOk, expected.results.TempArray[i].SummaryOk);
      }
      ASSERT_EQ(got.results.TempReportScore.size(), expected.results.TempReportScore.size());
      for (std::size_t i = 0; i < got.results.TempReportScore.size(); ++i)
        EXPECT_EQ(got.results.TempReportScore[i].RecordsPenalized,
                  expected.results.TempReportScore[i].RecordsPenalized);
      EXPECT_EQ(got.results.FileCreator, expected.results.FileCreator);
    }
  }
  const TLoadOutcome good_outcome = LoadReportFile(Write(good));
  EXPECT_EQ(good_outcome.kind, TLoadOutcome::Loaded);
  ASSERT_EQ(good_outcome.results.TempArray.size(), 2u);
  EXPECT_EQ(good_outcome.results.TempArray[1].NumRecCount, 5);
  const TLoadOutcome bad_outcome = LoadReportFile(Write(bad));
  EXPECT_EQ(bad_outcome.kind, TLoadOutcome::LineError);
  EXPECT_EQ(bad_outcome.line, 12);
  EXPECT_EQ(bad_outcome.message, kNoSummary);
}

TEST_F(LoaderTest, FileWithoutAHolderReportIsNeverOfferedForEncryption) {
  // One-character lines of no record type load, but there is no report to vouch for.
  ASSERT_TRUE(Load(std::vector<std::string>{"x", " "}));
  EXPECT_EQ(dm_.cdsReports.RecordCount(), 0);
  EXPECT_EQ(window_.encrypt, false);
  // A real report afterwards turns it back on.
  ASSERT_TRUE(Load(Report(true, {Property()})));
  EXPECT_EQ(window_.encrypt, true);
}

}  // namespace
}  // namespace qorva::testing
