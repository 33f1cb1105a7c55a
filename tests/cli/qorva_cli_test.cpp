// Runs the built qorva program on the shipped samples and small fixtures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "platform.h"
#include "platform_test_support.h"
#include "version.h"

namespace qorva {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

struct RunResult {
  int exit_code;
  std::string out, err;
};

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class QorvaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("qorva_cli_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // `as` prefixes the program, e.g. to run it as another user.
  RunResult Qorva(const std::string& args, const std::string& as = "") {
    const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
    const int code = testing::RunProgram(QORVA_BIN, args, out.string(), err.string(), as);
    return {code, Slurp(out), Slurp(err)};
  }

  static std::string Sample(const std::string& name) {
    return std::string(QORVA_SOURCE_DIR) + "/resources/sample/" + name;
  }
  static std::string Fixture(const std::string& name) {
    return std::string(QORVA_FIXTURES) + "/fixtures/" + name;
  }

  fs::path dir_;
};

using Json = nlohmann::json;

// Parses the document, which must be pure ASCII.
Json ParseJson(const std::string& text) {
  for (unsigned char c : text) EXPECT_LT(c, 0x80) << "non-ASCII byte in the JSON output";
  return Json::parse(text);
}

TEST_F(QorvaTest, ExitCodes) {
  std::ofstream(dir_ / "blank.txt", std::ios::binary) << "\r\n\n";
  std::ofstream(dir_ / "bad_type.txt", std::ios::binary) << "7 not a record\r\n";
  // One-character lines are let through, but a file of no report has nothing to pass.
  std::ofstream(dir_ / "no_report.txt", std::ios::binary) << " \r\n";
  const struct {
    const char* name;
    std::string args;
    int exit_code;
  } cases[] = {
      {"all pass", "check " + Sample("QORVA_SAMPLE.txt"), 0},
      {"some fail", "check " + Sample("QORVA_FAILING.txt"), 1},
      {"line error", "check " + Sample("QORVA_BROKEN.txt"), 2},
      {"line error, json", "check --json " + Sample("QORVA_BROKEN.txt"), 2},
      {"missing file", "check " + (dir_ / "absent.txt").string(), 2},
      {"a folder", "check " + dir_.string(), 2},
      {"only empty lines", "check " + (dir_ / "blank.txt").string(), 2},
      {"bad record type", "check " + (dir_ / "bad_type.txt").string(), 2},
      {"no holder report", "check " + (dir_ / "no_report.txt").string(), 1},
      {"no holder report, json", "check --json " + (dir_ / "no_report.txt").string(), 1},
      {"no command", "", 64},
      {"unknown command", "chekc x.txt", 64},
      {"no file", "check", 64},
      {"two files", "check a.txt b.txt", 64},
      {"unknown option", "check --jsn " + Sample("QORVA_SAMPLE.txt"), 64},
      {"help", "--help", 0},
      {"command help", "check --help", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(Qorva(c.args).exit_code, c.exit_code) << c.name;

#ifndef _WIN32
  // Output that cannot be written is no pass.
  const std::string full =
      std::string(QORVA_BIN) + " check " + Sample("QORVA_SAMPLE.txt") + " >/dev/full 2>/dev/null";
  EXPECT_EQ(testing::RunShell(full), 2);
#endif
}

TEST_F(QorvaTest, VersionAndHelp) {
  const RunResult version = Qorva("--version");
  EXPECT_THAT(version.out, HasSubstr(std::string("qorva ") + QORVA_VERSION + "\n"));
  EXPECT_THAT(Qorva("--help").out, HasSubstr("check"));
  // Each command's help is complete: its options and every exit status.
  const RunResult check = Qorva("check --help");
  for (const char* text : {"--json", "--scores", "  0 ", "  1 ", "  2 ", "  64 "})
    EXPECT_THAT(check.out, HasSubstr(text));
  const RunResult encrypt = Qorva("encrypt --help");
  for (const char* text : {"--output-dir DIR", "  0 ", "  1 ", "  2 ", "  64 ", "  130 "})
    EXPECT_THAT(encrypt.out, HasSubstr(text));
  const RunResult usage = Qorva("check");
  EXPECT_THAT(usage.err, HasSubstr("qorva check --help"));
  EXPECT_EQ(usage.out, "");
}

TEST_F(QorvaTest, JsonOfSmallFixture) {
  const RunResult run = Qorva("check " + Fixture("small.txt") + " --json");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const Json doc = ParseJson(run.out);
  EXPECT_EQ(doc["file"].get<std::string>(), Fixture("small.txt"));
  EXPECT_TRUE(doc["loaded"].get<bool>());
  EXPECT_TRUE(doc["all_pass"].get<bool>());
  // The last summary record's software fields, untrimmed, with their tab and quotes.
  EXPECT_EQ(doc["software"]["creator"].get<std::string>(), "Ledgerline Escheat  ");
  EXPECT_EQ(doc["software"]["version"].get<std::string>(), "4.2.1" + std::string(15, ' '));
  EXPECT_EQ(doc["software"]["contact"].get<std::string>(), "help\t\"desk\"" + std::string(59, ' '));
  ASSERT_EQ(doc["reports"].size(), 2u);

  const Json& a = doc["reports"][0];
  EXPECT_EQ(a["holder_id"].get<double>(), 1);
  EXPECT_EQ(a["holder_name"].get<std::string>(), "CR\xc3\x88ME DE LA CR\xc3\x88ME BAKERY");
  EXPECT_EQ(a["num_rec_count"].get<double>(), 5);
  EXPECT_EQ(a["sum_rec_count"].get<double>(), 5);
  EXPECT_EQ(a["num_props"].get<double>(), 2);
  EXPECT_EQ(a["sum_props"].get<double>(), 2);
  EXPECT_EQ(a["num_owners"].get<double>(), 3);
  EXPECT_EQ(a["sd_boxes"].get<double>(), 0);
  EXPECT_EQ(a["cash_to_remit"].get<double>(), 123.45);
  EXPECT_EQ(a["sum_cash_to_remit"].get<double>(), 123.45);
  EXPECT_EQ(a["shares_to_remit"].get<double>(), 1.5);
  EXPECT_EQ(a["sum_shares_to_remit"].get<double>(), 1.5);
  EXPECT_TRUE(a["summary_matches"].get<bool>());
  EXPECT_EQ(a["score"].get<double>(), 100);
  EXPECT_EQ(a["file_score"].get<double>(), 100);
  EXPECT_TRUE(a["pass"].get<bool>());

  const Json& b = doc["reports"][1];
  EXPECT_EQ(b["holder_name"].get<std::string>(), "CALLOWAY\x01INSURANCE GROUP");
  EXPECT_EQ(b["cash_to_remit"].get<double>(), 0.99);
  EXPECT_EQ(b["score"].get<double>(), 80);
  ASSERT_EQ(b["categories"].size(), 11u);
  const Json& type_codes = b["categories"][6];
  EXPECT_EQ(type_codes["category"].get<std::string>(), "Missing Prop. Type Codes");
  EXPECT_EQ(type_codes["records_evaluated"].get<double>(), 1);
  EXPECT_EQ(type_codes["records_penalized"].get<double>(), 1);
  EXPECT_EQ(type_codes["max_penalty"].get<double>(), -20);
  EXPECT_EQ(type_codes["penalty_assessed"].get<double>(), -20);
  EXPECT_EQ(b["categories"][10]["category"].get<std::string>(),
            "Incomplete Software Version Info.");
}

// The exact bytes: layout, key order, integers without a fraction, shortest decimals, \u
// escapes. Programs that read the output by line or by text rely on them.
TEST_F(QorvaTest, JsonTextIsStable) {
  const RunResult run = Qorva("check --json " + Fixture("small.txt"));
  ASSERT_EQ(run.exit_code, 0) << run.err;
  std::string expected = Slurp(Fixture("small.json"));
  const std::string name = "\"small.txt\"";
  expected.replace(expected.find(name), name.size(), "\"" + Fixture("small.txt") + "\"");
  EXPECT_EQ(run.out, expected);
}

TEST_F(QorvaTest, JsonEscapesEveryControlAndEightBitByte) {
  std::string text = Slurp(Fixture("small.txt"));
  const auto at = text.find("CALLOWAY\x01");
  ASSERT_NE(at, std::string::npos);
  text.replace(at + 8, 1, "\x7f");
  text.replace(at + 9, 1, "\x85");  // a C1 control in Latin-1
  text.replace(at + 10, 1, "\x08");
  std::ofstream(dir_ / "controls.txt", std::ios::binary) << text;
  const RunResult run = Qorva("check --json " + (dir_ / "controls.txt").string());
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_THAT(run.out, HasSubstr("\"CALLOWAY\\u007f\\u0085\\bSURANCE GROUP\""));
  EXPECT_EQ(ParseJson(run.out)["reports"][1]["holder_name"].get<std::string>(),
            "CALLOWAY\x7f\xc2\x85\x08SURANCE GROUP");
}

TEST_F(QorvaTest, JsonOfFailingReports) {
  const RunResult run = Qorva("check --json " + Sample("QORVA_FAILING.txt"));
  ASSERT_EQ(run.exit_code, 1) << run.err;
  const Json doc = ParseJson(run.out);
  EXPECT_FALSE(doc["all_pass"].get<bool>());
  const Json& r = doc["reports"];
  ASSERT_EQ(r.size(), 5u);
  EXPECT_TRUE(r[0]["pass"].get<bool>());
  // Record count one too high in the summary.
  EXPECT_FALSE(r[1]["summary_matches"].get<bool>());
  EXPECT_EQ(r[1]["num_rec_count"].get<double>() + 1, r[1]["sum_rec_count"].get<double>());
  EXPECT_FALSE(r[1]["pass"].get<bool>());
  EXPECT_EQ(r[2]["file_score"].get<double>(), 71);
  EXPECT_FALSE(r[2]["pass"].get<bool>());
  // The unrounded score decides: 74.65 shows as 75 yet fails; exactly 75 passes.
  EXPECT_NEAR(r[3]["score"].get<double>(), 100 - 20 - 4 - 0.5 - 0.5 - 6.0 / 17, 1e-12);
  EXPECT_EQ(r[3]["file_score"].get<double>(), 75);
  EXPECT_FALSE(r[3]["pass"].get<bool>());
  EXPECT_EQ(r[4]["score"].get<double>(), 75);
  EXPECT_TRUE(r[4]["pass"].get<bool>());
}

TEST_F(QorvaTest, RejectionNamesTheLineAndShowsItsStart) {
  const std::string broken = Sample("QORVA_BROKEN.txt");
  const RunResult json = Qorva("check --json " + broken);
  ASSERT_EQ(json.exit_code, 2);
  const Json doc = ParseJson(json.out);
  EXPECT_EQ(doc["file"].get<std::string>(), broken);
  EXPECT_FALSE(doc["loaded"].get<bool>());
  EXPECT_EQ(doc["error"]["line"].get<double>(), 19);
  EXPECT_EQ(doc["error"]["message"].get<std::string>(), "Empty Owner Lastname.");

  const RunResult text = Qorva("check " + broken);
  EXPECT_EQ(text.out, "");
  EXPECT_THAT(text.err,
              HasSubstr("Error in line 19.\n\nEmpty Owner Lastname.\n\nCannot load file."));
  // The 19th non-empty line is the file's 20th, after an empty line.
  EXPECT_THAT(text.err, HasSubstr("Line 19 (line 20 of the file"));
  EXPECT_THAT(text.err, HasSubstr("\n  200000004  "));

  const RunResult missing = Qorva("check --json " + (dir_ / "absent.txt").string());
  const Json none = ParseJson(missing.out);
  EXPECT_TRUE(none["error"]["line"].is_null());
  EXPECT_THAT(none["error"]["message"].get<std::string>(), HasSubstr("absent.txt"));
}

TEST_F(QorvaTest, PathsInUtf8StayUtf8) {
  const std::string copy = platform::PathToUtf8(dir_) + "/cr\xc3\xa8me.txt";
  fs::copy_file(Fixture("small.txt"), platform::PathFromUtf8(copy));
  const RunResult run = Qorva("check --json " + testing::ShellQuote(copy));
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ParseJson(run.out)["file"].get<std::string>(), copy);
#ifndef _WIN32  // Windows names are always Unicode
  // A name that is no UTF-8 is read as Latin-1, so the document stays valid UTF-8.
  const RunResult latin = Qorva("check --json '" + (dir_ / "cr\xe8me.txt").string() + "'");
  EXPECT_THAT(latin.out, HasSubstr("cr\\u00e8me.txt"));
#endif
}

TEST_F(QorvaTest, TableForPeople) {
  const RunResult pass = Qorva("check " + Sample("QORVA_SAMPLE.txt"));
  ASSERT_EQ(pass.exit_code, 0) << pass.err;
  EXPECT_THAT(pass.out, HasSubstr("Software: Ledgerline Escheat\n"));
  EXPECT_THAT(pass.out,
              ::testing::ContainsRegex("Holder Name +# Props\\. +# Owners +\\$ to Remit +"
                                       "Shares to Remit +SD Boxes +Summary +Score +Pass"));
  EXPECT_THAT(pass.out,
              ::testing::ContainsRegex("CALLOWAY INSURANCE GROUP +10 +12 +\\$5,?162\\.52 +"
                                       "196\\.7500 +0 +Match +100 +yes"));
  EXPECT_THAT(pass.out, HasSubstr("PASS: all 5 reports pass"));
  EXPECT_THAT(pass.out, Not(HasSubstr("Recs. Evaluated")));

  const RunResult fail = Qorva("check --scores " + Sample("QORVA_FAILING.txt"));
  ASSERT_EQ(fail.exit_code, 1);
  EXPECT_THAT(fail.out, ::testing::ContainsRegex("CALLOWAY INSURANCE GROUP .* No Match +100 +NO"));
  EXPECT_THAT(fail.out, HasSubstr("FAIL: 3 of 5 reports fail"));
  EXPECT_THAT(fail.out, HasSubstr("report 4 scores 74.6471, below 75"));
  EXPECT_THAT(fail.out, ::testing::ContainsRegex("Category +Recs\\. Evaluated +Recs\\. Penalized +"
                                                 "Max\\. Penalty +Penalty Assessed"));
  EXPECT_THAT(fail.out, ::testing::ContainsRegex("Records With Punctuation +17 +1 +-6 +-0\\.35"));

  // Latin-1 names come out as UTF-8, control characters as escapes.
  const RunResult small = Qorva("check " + Fixture("small.txt"));
  EXPECT_THAT(small.out, HasSubstr("CR\xc3\x88ME DE LA CR\xc3\x88ME BAKERY"));
  EXPECT_THAT(small.out, HasSubstr("CALLOWAY\\x01INSURANCE GROUP"));
}

// Rejections and failures read "error:", with the system's reason for a file that cannot be
// opened; "No such file" means only that.
TEST_F(QorvaTest, ErrorMessages) {
#ifdef _WIN32
  GTEST_SKIP() << "file modes, a file used as a folder and another user are POSIX cases";
#else
  const std::string small = (dir_ / "small.txt").string();
  fs::copy_file(Fixture("small.txt"), small);
  fs::create_directory(dir_ / "closed");
  fs::copy_file(Fixture("small.txt"), dir_ / "closed" / "report.txt");
  // Permissions do not stop root; run as nobody then, for whom 0700 closes the folder.
  const bool root = ::geteuid() == 0;
  fs::permissions(dir_ / "closed", root ? fs::perms::owner_all : fs::perms::none);
  fs::copy_file(Fixture("small.txt"), dir_ / "unreadable.txt");
  fs::permissions(dir_ / "unreadable.txt", fs::perms::none);
  const std::string as = root ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  const struct {
    const char* name;
    std::string args;
    std::string says;
    bool needs_user = false;
  } cases[] = {
      {"missing", "check " + (dir_ / "absent.txt").string(),
       "qorva: error: No such file: " + (dir_ / "absent.txt").string() + "\n"},
      {"under a file", "check " + small + "/x.txt",
       "qorva: error: Cannot open " + small + "/x.txt: Not a directory\n"},
      {"folder without search permission", "check " + (dir_ / "closed" / "report.txt").string(),
       ": Permission denied\n", true},
      {"unreadable", "check " + (dir_ / "unreadable.txt").string(), ": Permission denied\n", true},
      {"a folder", "check " + dir_.string(), "qorva: error: Is a folder, not a report file: "},
      {"line error", "check " + Sample("QORVA_BROKEN.txt"), "qorva: error: Error in line 19.\n"},
      {"usage", "check", "qorva: error: "},
      {"refused", "encrypt --output-dir " + dir_.string() + " " + Sample("QORVA_FAILING.txt"),
       "qorva: error: not encrypted: "},
  };
  for (const auto& c : cases) {
    const RunResult run = Qorva(c.args, c.needs_user ? as : "");
    EXPECT_NE(run.exit_code, 0) << c.name;
    EXPECT_THAT(run.err, HasSubstr(c.says)) << c.name;
    EXPECT_THAT(run.err, Not(HasSubstr("warning:"))) << c.name;
    if (std::string(c.name) != "missing") {
      EXPECT_THAT(run.err, Not(HasSubstr("No such file"))) << c.name;
    }
  }
  fs::permissions(dir_ / "closed", fs::perms::owner_all);
#endif
}

// Control bytes of a report (C0, DEL, the Latin-1 C1 range) and of a file name never reach
// the terminal raw.
TEST_F(QorvaTest, ControlBytesAreEscaped) {
  std::string text = Slurp(Fixture("small.txt"));
  const auto at = text.find("CALLOWAY\x01IN");
  ASSERT_NE(at, std::string::npos);
  text.replace(at + 8, 3, "\x1b\x85\x7f");
  const std::string name =
      "n\xc2\x9b"
      "ame.txt";  // U+009B, the C1 escape, in UTF-8
  const std::string path = platform::PathToUtf8(dir_ / platform::PathFromUtf8(name));
  std::ofstream(platform::PathFromUtf8(path), std::ios::binary) << text;
  const RunResult run = Qorva("check " + testing::ShellQuote(path));
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_THAT(run.out, HasSubstr("CALLOWAY\\x1b\\x85\\x7fSURANCE GROUP"));
  EXPECT_THAT(run.out, HasSubstr("n\\xc2\\x9bame.txt"));
  for (const std::string raw : {"\x1b", "\x7f", "\xc2\x85", "\xc2\x9b"})
    EXPECT_THAT(run.out, Not(HasSubstr(raw)));

  const RunResult missing = Qorva("check '" + (dir_ / ("gone\x1b.txt")).string() + "'");
  EXPECT_THAT(missing.err, HasSubstr("gone\\x1b.txt"));
}

// The lines of a file as they are, line ends included.
std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l + "\n");
  return lines;
}

TEST_F(QorvaTest, JsonListsEachCategorysPenalizedRecords) {
  const RunResult run = Qorva("check --json " + Sample("QORVA_FAILING.txt"));
  ASSERT_EQ(run.exit_code, 1) << run.err;
  const Json doc = ParseJson(run.out);
  for (const Json& report : doc["reports"])
    for (const Json& category : report["categories"]) {
      // Every record kept (far below 1,000 here), ascending by line.
      ASSERT_EQ(category["records"].size(), category["records_penalized"].get<std::size_t>());
      for (std::size_t i = 1; i < category["records"].size(); ++i)
        EXPECT_LT(category["records"][i - 1]["line"], category["records"][i]["line"]);
    }
  const Json& type_codes = doc["reports"][2]["categories"][6]["records"];
  EXPECT_EQ(type_codes[0], Json::parse(R"({"line": 18, "reason": "PropertyTypeCode is blank"})"));
  EXPECT_EQ(doc["reports"][2]["categories"][9]["records"][0]["reason"],
            "property without value: no cash or shares above zero and no safe-deposit box");
}

TEST_F(QorvaTest, DetailsListTheRecordsThatCostPoints) {
  const RunResult hint = Qorva("check " + Sample("QORVA_FAILING.txt"));
  ASSERT_EQ(hint.exit_code, 1);
  EXPECT_THAT(hint.out, HasSubstr("cannot be encrypted.\nThe records that cost points: qorva check "
                                  "--details (or --csv FILE).\n"));
  EXPECT_THAT(hint.out, Not(HasSubstr("line 18:")));

  const RunResult run = Qorva("check --details " + Sample("QORVA_FAILING.txt"));
  ASSERT_EQ(run.exit_code, 1) << run.err;
  EXPECT_THAT(run.out,
              HasSubstr("\nPenalized records of report 3, PINECREST PAYROLL SERVICES "
                        "(score 71):\n"
                        "  Incomplete Holder Contact Info. (1 of 1 penalized, -4 points):\n"
                        "    line 17: Contact2Phone is blank and Contact2Email is blank\n"
                        "  Missing Prop. Type Codes (6 of 6 penalized, -20 points):\n"
                        "    line 18: PropertyTypeCode is blank\n"));
  // Reports that lose no points are not listed; the verdict comes last.
  EXPECT_THAT(run.out, Not(HasSubstr("report 1,")));
  EXPECT_THAT(run.out, ::testing::EndsWith("the file cannot be encrypted.\n"));

  // Twenty per category, then a count of the rest.
  const std::vector<std::string> lines = LinesOf(Slurp(Sample("QORVA_FAILING.txt")));
  std::string property = lines[1];
  ASSERT_EQ(property[0], '2');
  property.replace(304, 4, "    ");
  std::string many = lines[0];
  for (int i = 0; i < 25; ++i) many += property;
  for (const std::string& l : lines)
    if (l[0] == '9') {
      many += l;
      break;
    }
  std::ofstream(dir_ / "many.txt", std::ios::binary) << many;
  const RunResult capped = Qorva("check --details " + (dir_ / "many.txt").string());
  ASSERT_EQ(capped.exit_code, 1) << capped.err;
  EXPECT_THAT(capped.out, HasSubstr("(25 of 25 penalized, -20 points):\n    line 2: "));
  EXPECT_THAT(capped.out, HasSubstr("    line 21: PropertyTypeCode is blank\n"
                                    "    ... and 5 more records (--csv lists up to 1,000)\n"));
  EXPECT_THAT(capped.out, Not(HasSubstr("line 22:")));

  EXPECT_EQ(Qorva("check --details --json " + Sample("QORVA_FAILING.txt")).exit_code, 64);
}

TEST_F(QorvaTest, CsvHoldsEveryKeptRecord) {
  const fs::path csv = dir_ / "records.csv";
  const RunResult run =
      Qorva("check " + Sample("QORVA_FAILING.txt") + " --csv " + testing::ShellQuote(csv.string()));
  ASSERT_EQ(run.exit_code, 1) << run.err;
  const std::string text = Slurp(csv);
  EXPECT_THAT(text,
              ::testing::StartsWith(
                  "Holder_ID,HolderName,Category,Line,Reason\r\n"
                  "3,PINECREST PAYROLL SERVICES,Incomplete Holder Contact Info.,17,Contact2Phone "
                  "is blank and Contact2Email is blank\r\n"));
  EXPECT_THAT(text, HasSubstr("\r\n4,MARROWFIELD TRUST COMPANY,Records With Punctuation,41,record "
                              "holds '.' in column 50\r\n"));
  // One row per penalized record of the JSON document.
  std::size_t records = 0;
  const Json doc = ParseJson(Qorva("check --json " + Sample("QORVA_FAILING.txt")).out);
  for (const Json& r : doc["reports"])
    for (const Json& c : r["categories"]) records += c["records"].size();
  EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), records + 1);

  // Written whole or not at all: a folder that does not exist gets nothing, and no
  // temporary file is left anywhere in ours.
  const RunResult failed = Qorva("check " + Sample("QORVA_FAILING.txt") + " --csv " +
                                 testing::ShellQuote((dir_ / "none" / "r.csv").string()));
  EXPECT_EQ(failed.exit_code, 2);
  EXPECT_THAT(failed.err, HasSubstr("error:"));
  EXPECT_FALSE(fs::exists(dir_ / "none"));
  std::size_t entries = 0;
  for (const auto& e : fs::directory_iterator(dir_))
    entries += e.path().filename() != "stdout" && e.path().filename() != "stderr";
  EXPECT_EQ(entries, 1u);  // records.csv
}

TEST_F(QorvaTest, ChecksStandardInput) {
  const fs::path out = dir_ / "out", err = dir_ / "err";
  auto run = [&](const std::string& args, const std::string& input) {
    const int code = testing::RunShell(
        testing::ShellQuote(QORVA_BIN) + " " + args + " <" + testing::ShellQuote(input) + " >" +
        testing::ShellQuote(out.string()) + " 2>" + testing::ShellQuote(err.string()));
    return RunResult{code, Slurp(out), Slurp(err)};
  };
  const RunResult failing = run("check - --json", Sample("QORVA_FAILING.txt"));
  ASSERT_EQ(failing.exit_code, 1) << failing.err;
  EXPECT_EQ(ParseJson(failing.out)["file"], "-");
  EXPECT_EQ(ParseJson(failing.out)["reports"].size(), 5u);

  const RunResult broken = run("check -", Sample("QORVA_BROKEN.txt"));
  EXPECT_EQ(broken.exit_code, 2);
  EXPECT_THAT(broken.err,
              HasSubstr("Error in line 19.\n\nEmpty Owner Lastname.\n\nCannot load file."));
  EXPECT_THAT(broken.err, HasSubstr("OwnerLastName: columns 10-49 hold"));
  EXPECT_THAT(broken.err, HasSubstr("Line 19 (line 20 of the file, empty lines included) starts:\n"
                                    "  200000004  "));
}

// A named pipe is read once: a line error is reported from what the pass kept, without
// opening the pipe again (which would wait for a writer that never comes).
TEST_F(QorvaTest, NamedPipeWithALineErrorDoesNotHang) {
#ifdef _WIN32
  GTEST_SKIP() << "named pipes in the file system are a POSIX case";
#else
  const fs::path pipe = dir_ / "pipe";
  ASSERT_EQ(testing::RunShell("mkfifo " + testing::ShellQuote(pipe.string())), 0);
  const fs::path out = dir_ / "out", err = dir_ / "err";
  const int code = testing::RunShell(
      "(cat " + testing::ShellQuote(Sample("QORVA_BROKEN.txt")) + " >" +
      testing::ShellQuote(pipe.string()) + " &) ; timeout 60 " + testing::ShellQuote(QORVA_BIN) +
      " check " + testing::ShellQuote(pipe.string()) + " >" + testing::ShellQuote(out.string()) +
      " 2>" + testing::ShellQuote(err.string()));
  EXPECT_EQ(code, 2) << Slurp(err);
  EXPECT_THAT(Slurp(err), HasSubstr("Line 19 (line 20 of the file, empty lines included) starts:"));
#endif
}

// A "No Match" report shows the summary record's totals against the counted ones, the
// differing ones marked.
TEST_F(QorvaTest, MismatchShowsReportedAgainstCounted) {
  std::string text = Slurp(Fixture("small.txt"));
  // The first summary record: cash total 123.46 (counted 123.45), shares 2.5 (counted 1.5).
  for (const auto& [from, to] :
       {std::pair<std::string, std::string>{"000000012345", "000000012346"},
        {"00000000015000N", "00000000025000N"}}) {
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
  }
  std::ofstream(dir_ / "mismatch.txt", std::ios::binary) << text;
  const RunResult run = Qorva("check " + (dir_ / "mismatch.txt").string());
  ASSERT_EQ(run.exit_code, 1) << run.err;
  EXPECT_THAT(run.out,
              HasSubstr("Summary of report 1, CR\xc3\x88ME DE LA CR\xc3\x88ME BAKERY: No Match\n"));
  EXPECT_THAT(run.out, Not(HasSubstr("Summary of report 2")));
  const char* rows[] = {
      "  Records In File +5 +5\n",
      "  # of Properties +2 +2\n",
      "  Cash Remittance +\\$123\\.46 +\\$123\\.45  differs\n",
      "  Shares Remittance +2\\.5000 +1\\.5000  differs\n",
  };
  for (const char* row : rows) EXPECT_THAT(run.out, ::testing::ContainsRegex(row));

  // The refusal of encrypt shows the same detail.
  const RunResult refused =
      Qorva("encrypt --output-dir " + dir_.string() + " " + (dir_ / "mismatch.txt").string());
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_THAT(refused.err, ::testing::ContainsRegex("Cash Remittance .* differs"));
}

}  // namespace
}  // namespace qorva
