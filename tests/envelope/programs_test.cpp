// The command-line programs end to end: qorva encrypt seals, qorva-open opens.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "envelope_test_support.h"
#include "platform_test_support.h"
#include "uKVXDecrypt.h"
#include "uKVXPrivateKey.h"
#include "w_dialog.h"

namespace qorva {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const std::string kSample = std::string(QORVA_SOURCE_DIR) + "/resources/sample/QORVA_SAMPLE.txt";
const std::string kFailing = std::string(QORVA_SOURCE_DIR) + "/resources/sample/QORVA_FAILING.txt";
const std::string kBroken = std::string(QORVA_SOURCE_DIR) + "/resources/sample/QORVA_BROKEN.txt";

struct Outcome {
  int code;
  std::string out, err;
};

class ProgramsTest : public ::testing::Test {
 protected:
  ProgramsTest() : dir_("io"), tmp_("tmp") {}

  // Runs a program with its own temporary folder, so that leftovers there show.
  Outcome Exec(const std::string& program, const std::vector<std::string>& args) {
    std::string joined;
    for (const auto& a : args) joined += (joined.empty() ? "" : " ") + testing::ShellQuote(a);
    const testing::ScopedEnvironment temp(testing::kTempVariable, tmp_.path().string());
    const int code = testing::RunProgram(program, joined, dir_ / ".out", dir_ / ".err");
    Outcome r{code, ReadFile(dir_ / ".out"), ReadFile(dir_ / ".err")};
    fs::remove(dir_ / ".out");
    fs::remove(dir_ / ".err");
    return r;
  }
  Outcome Qorva(const std::vector<std::string>& args) { return Exec(QORVA_BIN, args); }
  Outcome Open(const std::vector<std::string>& args) { return Exec(QORVA_OPEN_BIN, args); }

  ScratchDir dir_;
  ScratchDir tmp_;
};

TEST_F(ProgramsTest, EncryptThenOpenGivesTheReportBack) {
  const Outcome sealed = Qorva({"encrypt", kSample, "--output-dir", dir_.path().string()});
  ASSERT_EQ(sealed.code, 0) << sealed.err;
  const std::string envelope = dir_ / "QORVA_SAMPLE.HDE";
  EXPECT_EQ(sealed.out, envelope + "\n");
  EXPECT_TRUE(tmp_.Names().empty());

  const std::string report = dir_ / "report.txt";
  const Outcome opened = Open({envelope, "--output", report});
  ASSERT_EQ(opened.code, 0) << opened.err;
  EXPECT_TRUE(ReadFile(report) == ReadFile(kSample));
  EXPECT_TRUE(tmp_.Names().empty());

  // An existing output stays unless --force.
  WriteFile(report, "mine");
  const Outcome refused = Open({envelope, "--output", report});
  EXPECT_EQ(refused.code, 2);
  EXPECT_THAT(refused.err, HasSubstr("--force"));
  EXPECT_EQ(ReadFile(report), "mine");
  EXPECT_EQ(Open({envelope, "--output", report, "--force"}).code, 0);
  EXPECT_TRUE(ReadFile(report) == ReadFile(kSample));
  EXPECT_EQ(dir_.Names(), (std::set<std::string>{"QORVA_SAMPLE.HDE", "report.txt"}));
}

TEST_F(ProgramsTest, EncryptRefusesOrFailsWithoutWriting) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int code;
  };
  const Case cases[] = {
      {"a report fails", {"encrypt", kFailing, "--output-dir", dir_.path().string()}, 1},
      {"line error", {"encrypt", kBroken, "--output-dir", dir_.path().string()}, 2},
      {"missing file", {"encrypt", dir_ / "none.txt", "--output-dir", dir_.path().string()}, 2},
      {"missing output folder", {"encrypt", kSample, "--output-dir", dir_ / "none"}, 2},
      {"no file", {"encrypt"}, 64},
      {"unknown option", {"encrypt", kSample, "--fast"}, 64},
  };
  for (const Case& c : cases) {
    const Outcome r = Qorva(c.args);
    EXPECT_EQ(r.code, c.code) << c.name << "\n" << r.err;
    EXPECT_EQ(r.out, "") << c.name;
    EXPECT_TRUE(dir_.Names().empty()) << c.name;
    EXPECT_TRUE(tmp_.Names().empty()) << c.name;
  }
}

TEST_F(ProgramsTest, OpenRejectsWhatIsNoGoodEnvelope) {
  ASSERT_EQ(Qorva({"encrypt", kSample, "--output-dir", dir_.path().string()}).code, 0);
  const std::string whole = ReadFile(dir_ / "QORVA_SAMPLE.HDE");
  ScratchDir bad("bad");
  WriteFile(bad / "text.HDE", "plain text, not an envelope\r\n");
  WriteFile(bad / "truncated.HDE", whole.substr(0, whole.size() - 40));
  std::string flipped = whole;
  flipped[whole.size() / 2] ^= 0x01;
  WriteFile(bad / "flipped.HDE", flipped);

  struct Case {
    const char* name;
    std::vector<std::string> args;
    int code;
  };
  const std::string out = dir_ / "out.txt";
  const Case cases[] = {
      {"not an envelope", {bad / "text.HDE", "--output", out}, 2},
      {"truncated", {bad / "truncated.HDE", "--output", out}, 2},
      {"tampered", {bad / "flipped.HDE", "--output", out}, 2},
      {"missing", {bad / "none.HDE", "--output", out}, 2},
      {"no output", {bad / "text.HDE"}, 64},
      {"no envelope", {"--output", out}, 64},
  };
  for (const Case& c : cases) {
    const Outcome r = Open(c.args);
    EXPECT_EQ(r.code, c.code) << c.name << "\n" << r.err;
    EXPECT_NE(r.err, "") << c.name;
    EXPECT_FALSE(fs::exists(out)) << c.name;
    EXPECT_TRUE(tmp_.Names().empty()) << c.name;
  }
  EXPECT_EQ(dir_.Names(), std::set<std::string>{"QORVA_SAMPLE.HDE"});
}

#ifndef _WIN32
// Starts `program` with TMPDIR = tmp_, sends `signal` once the run has a working folder there
// and returns its exit status (-1 when it did not exit by itself).
int RunAndSignal(const ScratchDir& tmp, const std::vector<std::string>& argv, int signal) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setenv("TMPDIR", tmp.path().c_str(), 1);
    std::freopen("/dev/null", "w", stderr);
    std::freopen("/dev/null", "w", stdout);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  if (pid < 0) return -1;
  for (int i = 0; i < 20000 && tmp.Names().empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  ::kill(pid, signal);
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

#endif

// Ctrl-C, termination, a closed terminal, quit and a broken pipe all stop a run the same
// way: nothing written, no working file left, and 128 + the signal's number.
TEST_F(ProgramsTest, SignalsStopRunsAndLeaveNothing) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX signals sent to a child process; the console handler has its own test";
#else
  // An envelope big enough that opening it takes a while.
  std::string report;
  for (int i = 0; report.size() < (20u << 20); ++i) {
    report += "2PROPERTY " + std::to_string(static_cast<long long>(i) * 7919 % 1000003) +
              " OWNER " + std::to_string(i % 977) + " LASTNAME FIRSTNAME\r\n";
  }
  WriteFile(dir_ / "big.txt", report);
  {
    RecordingMessageHelper quiet;
    ASSERT_TRUE(TKVXDecryption::Instance()->TwoFishRSADigitalEnvelope(
        "encrypt", dir_ / "big.txt", dir_ / "big.HDE", tmp_.W(), false))
        << ::testing::PrintToString(quiet.texts());
  }
  // A passing report file that takes a while to check and seal: the sample many times over.
  const std::string sample = ReadFile(kSample);
  report.clear();
  for (int i = 0; i < 200; ++i) report += sample;
  WriteFile(dir_ / "passing.txt", report);
  report.clear();
  fs::remove(dir_ / "big.txt");
  ASSERT_TRUE(tmp_.Names().empty()) << ::testing::PrintToString(tmp_.Names());

  const std::string out = dir_ / "out.txt";
  struct Case {
    const char* name;
    std::vector<std::string> argv;
    int signal;
  };
  const std::vector<std::string> open = {QORVA_OPEN_BIN, dir_ / "big.HDE", "--output", out};
  const std::vector<std::string> seal = {QORVA_BIN, "encrypt", dir_ / "passing.txt", "--output-dir",
                                         dir_ / "sealed"};
  fs::create_directory(dir_ / "sealed");
  const Case cases[] = {
      {"open, Ctrl-C", open, SIGINT},     {"open, hang-up", open, SIGHUP},
      {"open, quit", open, SIGQUIT},      {"open, broken pipe", open, SIGPIPE},
      {"open, terminate", open, SIGTERM}, {"encrypt, hang-up", seal, SIGHUP},
      {"encrypt, quit", seal, SIGQUIT},   {"encrypt, broken pipe", seal, SIGPIPE},
  };
  int stopped = 0;
  for (const Case& c : cases) {
    const int code = RunAndSignal(tmp_, c.argv, c.signal);
    if (code == 0) {  // finished before the signal arrived: nothing to check but the result
      fs::remove(out);
      fs::remove_all(dir_ / "sealed");
      fs::create_directory(dir_ / "sealed");
      continue;
    }
    ++stopped;
    EXPECT_EQ(code, 128 + c.signal) << c.name;
    EXPECT_FALSE(fs::exists(out)) << c.name;
    EXPECT_TRUE(fs::is_empty(dir_ / "sealed")) << c.name;
    EXPECT_TRUE(tmp_.Names().empty()) << c.name << ::testing::PrintToString(tmp_.Names());
  }
  EXPECT_GT(stopped, 0);
#endif
}

TEST(HolderProgramTest, CarriesNoPrivateKey) {
  std::vector<std::string> holders = {QORVA_BIN};
#ifdef QORVA_ENCRYPTOR_BIN
  holders.push_back(QORVA_ENCRYPTOR_BIN);
#endif
  for (const std::string& path : holders) {
    const std::string program = ReadFile(path);
    ASSERT_FALSE(program.empty()) << path;
    for (auto block : {&Get_New_Private_Key, &Get_Private_Key}) {
      const std::vector<std::string> lines = block();
      for (size_t i = 3; i + 3 < lines.size(); ++i) {
        EXPECT_EQ(program.find(lines[i]), std::string::npos) << path << " line " << i;
      }
    }
  }
  EXPECT_NE(ReadFile(QORVA_OPEN_BIN).find(Get_New_Private_Key()[3]), std::string::npos);
}

}  // namespace
}  // namespace qorva
