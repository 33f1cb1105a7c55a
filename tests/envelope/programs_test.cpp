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
#include <sstream>
#include <thread>

#include "envelope_test_support.h"
#include "platform_test_support.h"
#include "uKVXDecrypt.h"
#include "uKVXPrivateKey.h"
#include "uKVXPublicKey.h"
#include "w_dialog.h"

namespace qorva {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const std::string kSample = std::string(QORVA_SOURCE_DIR) + "/resources/sample/QORVA_SAMPLE.txt";
const std::string kFailing = std::string(QORVA_SOURCE_DIR) + "/resources/sample/QORVA_FAILING.txt";
const std::string kBroken = std::string(QORVA_SOURCE_DIR) + "/resources/sample/QORVA_BROKEN.txt";
// The key pair the build made for its test holder program (QORVA_BIN here).
const std::string kTestKeys = QORVA_TESTKEY_DIR;
const std::string kPrivateKey = kTestKeys + "/private.key";

std::vector<std::string> KeyFileLines(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream in(ReadFile(path));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

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
  // qorva-open ENVELOPE --output OUTPUT --key (the test key), and any further arguments.
  Outcome OpenWithKey(const std::string& envelope, const std::string& output,
                      std::vector<std::string> more = {}) {
    std::vector<std::string> args = {envelope, "--output", output, "--key", kPrivateKey};
    args.insert(args.end(), more.begin(), more.end());
    return Open(args);
  }

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
  const Outcome opened = OpenWithKey(envelope, report);
  ASSERT_EQ(opened.code, 0) << opened.err;
  EXPECT_TRUE(ReadFile(report) == ReadFile(kSample));
  EXPECT_TRUE(tmp_.Names().empty());

  // An existing output stays unless --force.
  WriteFile(report, "mine");
  const Outcome refused = OpenWithKey(envelope, report);
  EXPECT_EQ(refused.code, 2);
  EXPECT_THAT(refused.err, HasSubstr("--force"));
  EXPECT_EQ(ReadFile(report), "mine");
  EXPECT_EQ(OpenWithKey(envelope, report, {"--force"}).code, 0);
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
  const std::string key = kPrivateKey;
  WriteFile(bad / "open.key", ReadFile(kPrivateKey));
  fs::permissions(bad / "open.key", fs::perms::group_read, fs::perm_options::add);
  WriteFile(bad / "pub.key", ReadFile(kTestKeys + "/public.key"));
  fs::permissions(bad / "pub.key", fs::perms::owner_read);
  const Case cases[] = {
      {"not an envelope", {bad / "text.HDE", "--output", out, "--key", key}, 2},
      {"truncated", {bad / "truncated.HDE", "--output", out, "--key", key}, 2},
      {"tampered", {bad / "flipped.HDE", "--output", out, "--key", key}, 2},
      {"missing", {bad / "none.HDE", "--output", out, "--key", key}, 2},
      {"key file missing",
       {dir_ / "QORVA_SAMPLE.HDE", "--output", out, "--key", bad / "no.key"},
       2},
#ifndef _WIN32  // access on Windows is the folder's access list, not a mode
      {"key file readable by others",
       {dir_ / "QORVA_SAMPLE.HDE", "--output", out, "--key", bad / "open.key"},
       2},
#endif
      {"a public key given",
       {dir_ / "QORVA_SAMPLE.HDE", "--output", out, "--key", bad / "pub.key"},
       2},
      {"no output", {bad / "text.HDE", "--key", key}, 64},
      {"no envelope", {"--output", out, "--key", key}, 64},
      {"no key", {dir_ / "QORVA_SAMPLE.HDE", "--output", out}, 64},
      {"two envelopes", {dir_ / "QORVA_SAMPLE.HDE", "--output", out, "--key", key, "x.HDE"}, 64},
      {"--key without a file", {dir_ / "QORVA_SAMPLE.HDE", "--output", out, "--key"}, 64},
      {"--new-keys with an envelope", {dir_ / "QORVA_SAMPLE.HDE", "--new-keys", bad / "k"}, 64},
  };
  for (const Case& c : cases) {
    const Outcome r = Open(c.args);
    EXPECT_EQ(r.code, c.code) << c.name << "\n" << r.err;
    EXPECT_NE(r.err, "") << c.name;
    EXPECT_FALSE(fs::exists(out)) << c.name;
    EXPECT_TRUE(tmp_.Names().empty()) << c.name;
  }
  EXPECT_EQ(dir_.Names(), std::set<std::string>{"QORVA_SAMPLE.HDE"});
  EXPECT_FALSE(fs::exists(bad / "k"));
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
    TKVXDecryption::Instance()->SetPublicKey(
        [] { return KeyFileLines(kTestKeys + "/public.key"); });
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
  const std::vector<std::string> open = {QORVA_OPEN_BIN, dir_ / "big.HDE", "--output", out,
                                         "--key",        kPrivateKey};
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

TEST_F(ProgramsTest, NewKeysOpenWhatTheirPublicKeySealed) {
  const std::string keys = dir_ / "admin";
  const Outcome made = Open({"--new-keys", keys});
  ASSERT_EQ(made.code, 0) << made.err;
  const auto inKeys = [&](const char* name) {
    return platform::PathToUtf8(platform::PathFromUtf8(keys) / name);  // the system's separator
  };
  EXPECT_EQ(made.out, inKeys("public.key") + "\n" + inKeys("private.key") + "\n");
#ifndef _WIN32
  EXPECT_EQ(fs::status(keys + "/private.key").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
#endif
  EXPECT_EQ(KeyFileLines(keys + "/public.key").size(), 11u);

  // Never over an existing pair.
  const std::string privateBefore = ReadFile(keys + "/private.key");
  const Outcome again = Open({"--new-keys", keys});
  EXPECT_EQ(again.code, 2);
  EXPECT_THAT(again.err, HasSubstr("exists"));
  EXPECT_EQ(ReadFile(keys + "/private.key"), privateBefore);

  // An envelope sealed for the new pair, which is the older one now: it opens when both
  // keys are given, the newer first, and not with the newer key alone.
  WriteFile(dir_ / "r.txt", "sealed for the older key\r\n");
  {
    RecordingMessageHelper quiet;
    std::unique_ptr<TKVXDecryption> env(TKVXDecryptionTestAccess::Create());
    env->SetPublicKey([&] { return KeyFileLines(keys + "/public.key"); });
    ASSERT_TRUE(
        env->TwoFishRSADigitalEnvelope("encrypt", dir_ / "r.txt", dir_ / "r.HDE", tmp_.W(), false));
  }
  const std::string out = dir_ / "out.txt";
  const Outcome newerOnly = OpenWithKey(dir_ / "r.HDE", out);
  EXPECT_EQ(newerOnly.code, 2);
  EXPECT_FALSE(fs::exists(out));
  const Outcome both = OpenWithKey(dir_ / "r.HDE", out, {"--key", keys + "/private.key"});
  ASSERT_EQ(both.code, 0) << both.err;
  EXPECT_EQ(ReadFile(out), "sealed for the older key\r\n");
  EXPECT_TRUE(tmp_.Names().empty());
}

TEST_F(ProgramsTest, HelpNamesTheOptionsAndExitStatuses) {
  const Outcome help = Open({"--help"});
  EXPECT_EQ(help.code, 0);
  for (const char* text : {"--output", "--key", "--force", "--new-keys", "Exit status", "64"})
    EXPECT_THAT(help.out, HasSubstr(text));
}

// The envelope of a build configured with the test key pair opens with the standard-tool
// steps of docs/envelope-format.md, after the key conversion of docs/envelope-keys.md.
TEST_F(ProgramsTest, EnvelopeOpensWithTheDocumentedStandardTools) {
#ifdef _WIN32
  GTEST_SKIP() << "the documented steps are POSIX shell";
#endif
  if (testing::RunShell("perl -MCrypt::Twofish -e 1 >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "perl with Crypt::Twofish (libcrypt-twofish-perl) is not installed";
  const auto block = [](const std::string& doc, const std::string& after) {
    const std::string text = ReadFile(std::string(QORVA_SOURCE_DIR) + "/docs/" + doc);
    const auto start = text.find("```sh\n", text.find(after));
    const auto end = text.find("```\n", start + 6);
    return start == std::string::npos || end == std::string::npos
               ? std::string()
               : text.substr(start + 6, end - start - 6);
  };
  const std::string convert = block("envelope-keys.md", "## The private key for standard tools");
  const std::string steps = block("envelope-format.md", "## Opening an envelope by hand");
  ASSERT_NE(convert.find("openssl pkey"), std::string::npos);
  ASSERT_NE(steps.find("openssl pkeyutl"), std::string::npos);

  ASSERT_EQ(Qorva({"encrypt", kSample, "--output-dir", dir_.path().string()}).code, 0);
  ScratchDir admin("admin");
  WriteFile(admin / "convert.sh", convert);
  WriteFile(admin / "steps.sh", steps);
  const std::string cmd =
      "cd " + testing::ShellQuote(admin.path().string()) +
      " && PRIVATE_KEY_FILE=" + testing::ShellQuote(kPrivateKey) +
      " sh -e convert.sh && ENVELOPE=" + testing::ShellQuote(dir_ / "QORVA_SAMPLE.HDE") +
      " PRIVATE_KEY=private.pem sh -e steps.sh >/dev/null 2>&1";
  ASSERT_EQ(testing::RunShell(cmd), 0) << cmd;
  EXPECT_EQ(fs::status(admin / "private.pem").permissions() & fs::perms::mask,
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_TRUE(ReadFile(admin / "InputFile.txt") == ReadFile(kSample));
}

}  // namespace
}  // namespace qorva
