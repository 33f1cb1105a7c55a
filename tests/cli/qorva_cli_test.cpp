// Runs the built qorva program on the shipped samples and small fixtures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

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

  RunResult Qorva(const std::string& args) {
    const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
    const std::string command = std::string(QORVA_BIN) + " " + args + " >" + out.string() + " 2>" +
                                err.string() + " </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
  }

  static std::string Sample(const std::string& name) {
    return std::string(QORVA_SOURCE_DIR) + "/resources/sample/" + name;
  }
  static std::string Fixture(const std::string& name) {
    return std::string(QORVA_FIXTURES) + "/fixtures/" + name;
  }

  fs::path dir_;
};

// A small JSON reader: enough to check that the output is well-formed and read its values.
struct Json;
using JsonObject = std::map<std::string, Json>;
using JsonArray = std::vector<Json>;
struct Json {
  std::variant<std::nullptr_t, bool, double, std::string, JsonArray, JsonObject> v;
  const Json& operator[](const std::string& key) const { return std::get<JsonObject>(v).at(key); }
  const Json& operator[](std::size_t i) const { return std::get<JsonArray>(v).at(i); }
  double num() const { return std::get<double>(v); }
  const std::string& str() const { return std::get<std::string>(v); }
  bool boolean() const { return std::get<bool>(v); }
  bool is_null() const { return std::holds_alternative<std::nullptr_t>(v); }
  std::size_t size() const { return std::get<JsonArray>(v).size(); }
};

class JsonParser {
 public:
  explicit JsonParser(const std::string& text) : s_(text) {}
  Json Document() {
    Json j = Value();
    Space();
    if (i_ != s_.size()) throw std::runtime_error("trailing text");
    return j;
  }

 private:
  void Space() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t'))
      ++i_;
  }
  void Expect(char c) {
    Space();
    if (i_ >= s_.size() || s_[i_] != c) throw std::runtime_error(std::string("expected ") + c);
    ++i_;
  }
  bool Word(const char* w) {
    const std::string word(w);
    if (s_.compare(i_, word.size(), word) != 0) return false;
    i_ += word.size();
    return true;
  }
  Json Value() {
    Space();
    if (i_ >= s_.size()) throw std::runtime_error("end of text");
    const char c = s_[i_];
    if (c == '{') {
      ++i_;
      JsonObject o;
      Space();
      if (s_[i_] == '}') return ++i_, Json{o};
      do {
        Space();
        std::string key = String();
        Expect(':');
        o.emplace(key, Value());
        Space();
      } while (s_[i_] == ',' && ++i_);
      Expect('}');
      return Json{o};
    }
    if (c == '[') {
      ++i_;
      JsonArray a;
      Space();
      if (s_[i_] == ']') return ++i_, Json{a};
      do a.push_back(Value());
      while (Space(), s_[i_] == ',' && ++i_);
      Expect(']');
      return Json{a};
    }
    if (c == '"') return Json{String()};
    if (Word("true")) return Json{true};
    if (Word("false")) return Json{false};
    if (Word("null")) return Json{nullptr};
    std::size_t used = 0;
    const double d = std::stod(s_.substr(i_), &used);
    i_ += used;
    return Json{d};
  }
  std::string String() {
    if (s_[i_] != '"') throw std::runtime_error("expected string");
    ++i_;
    std::string out;
    while (s_.at(i_) != '"') {
      const unsigned char c = s_[i_++];
      if (c < 0x20) throw std::runtime_error("raw control character");
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      const char e = s_.at(i_++);
      switch (e) {
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          const unsigned code = std::stoul(s_.substr(i_, 4), nullptr, 16);
          i_ += 4;
          if (code > 0xff) throw std::runtime_error("unexpected code point");
          out += static_cast<char>(code);  // back to the file's 8-bit text
          break;
        }
        default:
          out += e;
      }
    }
    ++i_;
    return out;
  }
  const std::string& s_;
  std::size_t i_ = 0;
};

Json ParseJson(const std::string& text) { return JsonParser(text).Document(); }

TEST_F(QorvaTest, ExitCodes) {
  std::ofstream(dir_ / "blank.txt") << "\r\n\n";
  std::ofstream(dir_ / "bad_type.txt") << "7 not a record\r\n";
  // One-character lines are let through, but a file of no report has nothing to pass.
  std::ofstream(dir_ / "no_report.txt") << " \r\n";
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

  // Output that cannot be written is no pass.
  const std::string full =
      std::string(QORVA_BIN) + " check " + Sample("QORVA_SAMPLE.txt") + " >/dev/full 2>/dev/null";
  const int status = std::system(full.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
}

TEST_F(QorvaTest, VersionAndHelp) {
  const RunResult version = Qorva("--version");
  EXPECT_THAT(version.out, HasSubstr(std::string("qorva ") + QORVA_VERSION + "\n"));
  EXPECT_THAT(Qorva("--help").out, HasSubstr("check"));
  const RunResult usage = Qorva("check");
  EXPECT_THAT(usage.err, HasSubstr("qorva check --help"));
  EXPECT_EQ(usage.out, "");
}

TEST_F(QorvaTest, JsonOfSmallFixture) {
  const RunResult run = Qorva("check " + Fixture("small.txt") + " --json");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const Json doc = ParseJson(run.out);
  EXPECT_EQ(doc["file"].str(), Fixture("small.txt"));
  EXPECT_TRUE(doc["loaded"].boolean());
  EXPECT_TRUE(doc["all_pass"].boolean());
  // The last summary record's software fields, untrimmed, with their tab and quotes.
  EXPECT_EQ(doc["software"]["creator"].str(), "Ledgerline Escheat  ");
  EXPECT_EQ(doc["software"]["version"].str(), "4.2.1" + std::string(15, ' '));
  EXPECT_EQ(doc["software"]["contact"].str(), "help\t\"desk\"" + std::string(59, ' '));
  ASSERT_EQ(doc["reports"].size(), 2u);

  const Json& a = doc["reports"][0];
  EXPECT_EQ(a["holder_id"].num(), 1);
  EXPECT_EQ(a["holder_name"].str(), "CR\xc8ME DE LA CR\xc8ME BAKERY");
  EXPECT_EQ(a["num_rec_count"].num(), 5);
  EXPECT_EQ(a["sum_rec_count"].num(), 5);
  EXPECT_EQ(a["num_props"].num(), 2);
  EXPECT_EQ(a["sum_props"].num(), 2);
  EXPECT_EQ(a["num_owners"].num(), 3);
  EXPECT_EQ(a["sd_boxes"].num(), 0);
  EXPECT_EQ(a["cash_to_remit"].num(), 123.45);
  EXPECT_EQ(a["sum_cash_to_remit"].num(), 123.45);
  EXPECT_EQ(a["shares_to_remit"].num(), 1.5);
  EXPECT_EQ(a["sum_shares_to_remit"].num(), 1.5);
  EXPECT_TRUE(a["summary_matches"].boolean());
  EXPECT_EQ(a["score"].num(), 100);
  EXPECT_EQ(a["file_score"].num(), 100);
  EXPECT_TRUE(a["pass"].boolean());

  const Json& b = doc["reports"][1];
  EXPECT_EQ(b["holder_name"].str(), "CALLOWAY\x01INSURANCE GROUP");
  EXPECT_EQ(b["cash_to_remit"].num(), 0.99);
  EXPECT_EQ(b["score"].num(), 80);
  ASSERT_EQ(b["categories"].size(), 11u);
  const Json& type_codes = b["categories"][6];
  EXPECT_EQ(type_codes["category"].str(), "Missing Prop. Type Codes");
  EXPECT_EQ(type_codes["records_evaluated"].num(), 1);
  EXPECT_EQ(type_codes["records_penalized"].num(), 1);
  EXPECT_EQ(type_codes["max_penalty"].num(), -20);
  EXPECT_EQ(type_codes["penalty_assessed"].num(), -20);
  EXPECT_EQ(b["categories"][10]["category"].str(), "Incomplete Software Version Info.");
}

TEST_F(QorvaTest, JsonOfFailingReports) {
  const RunResult run = Qorva("check --json " + Sample("QORVA_FAILING.txt"));
  ASSERT_EQ(run.exit_code, 1) << run.err;
  const Json doc = ParseJson(run.out);
  EXPECT_FALSE(doc["all_pass"].boolean());
  const Json& r = doc["reports"];
  ASSERT_EQ(r.size(), 5u);
  EXPECT_TRUE(r[0]["pass"].boolean());
  // Record count one too high in the summary.
  EXPECT_FALSE(r[1]["summary_matches"].boolean());
  EXPECT_EQ(r[1]["num_rec_count"].num() + 1, r[1]["sum_rec_count"].num());
  EXPECT_FALSE(r[1]["pass"].boolean());
  EXPECT_EQ(r[2]["file_score"].num(), 71);
  EXPECT_FALSE(r[2]["pass"].boolean());
  // The unrounded score decides: 74.65 shows as 75 yet fails; exactly 75 passes.
  EXPECT_NEAR(r[3]["score"].num(), 100 - 20 - 4 - 0.5 - 0.5 - 6.0 / 17, 1e-12);
  EXPECT_EQ(r[3]["file_score"].num(), 75);
  EXPECT_FALSE(r[3]["pass"].boolean());
  EXPECT_EQ(r[4]["score"].num(), 75);
  EXPECT_TRUE(r[4]["pass"].boolean());
}

TEST_F(QorvaTest, RejectionNamesTheLineAndShowsItsStart) {
  const std::string broken = Sample("QORVA_BROKEN.txt");
  const RunResult json = Qorva("check --json " + broken);
  ASSERT_EQ(json.exit_code, 2);
  const Json doc = ParseJson(json.out);
  EXPECT_EQ(doc["file"].str(), broken);
  EXPECT_FALSE(doc["loaded"].boolean());
  EXPECT_EQ(doc["error"]["line"].num(), 19);
  EXPECT_EQ(doc["error"]["message"].str(), "Empty Owner Lastname.");

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
  EXPECT_THAT(none["error"]["message"].str(), HasSubstr("absent.txt"));
}

TEST_F(QorvaTest, PathsInUtf8StayUtf8) {
  const fs::path copy = dir_ / "cr\xc3\xa8me.txt";
  fs::copy_file(Fixture("small.txt"), copy);
  const RunResult run = Qorva("check --json '" + copy.string() + "'");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ParseJson(run.out)["file"].str(), copy.string());
  // A name that is no UTF-8 is read as Latin-1, so the document stays valid UTF-8.
  const RunResult latin = Qorva("check --json '" + (dir_ / "cr\xe8me.txt").string() + "'");
  EXPECT_THAT(latin.out, HasSubstr("cr\\u00e8me.txt"));
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
  EXPECT_THAT(fail.out, HasSubstr("report 4 scores 74.65, below 75"));
  EXPECT_THAT(fail.out, ::testing::ContainsRegex("Category +Recs\\. Evaluated +Recs\\. Penalized +"
                                                 "Max\\. Penalty +Penalty Assessed"));
  EXPECT_THAT(fail.out, ::testing::ContainsRegex("Records With Punctuation +17 +1 +-6 +-0\\.35"));

  // Latin-1 names come out as UTF-8, control characters as '?'.
  const RunResult small = Qorva("check " + Fixture("small.txt"));
  EXPECT_THAT(small.out, HasSubstr("CR\xc3\x88ME DE LA CR\xc3\x88ME BAKERY"));
  EXPECT_THAT(small.out, HasSubstr("CALLOWAY?INSURANCE GROUP"));
}

}  // namespace
}  // namespace qorva
