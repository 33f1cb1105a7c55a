#include <gmock/gmock.h>
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "CipherMethods.h"
#include "CryptoSelfTest.h"
#include "FileCipher.h"
#include "ZipArchive.h"
#include "envelope_test_support.h"
#include "platform_test_support.h"
#include "test_keys.h"
#include "uKVXCodecs.h"
#include "uKVXFileUtils.h"
#include "w_dialog.h"

namespace qorva {
namespace {

namespace fs = std::filesystem;
using Access = TKVXDecryptionTestAccess;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

const std::string kSecretKeyFailed = "Secret Key Decryption failed\r";
// The operating system's "access denied" code, as an I/O error message shows it.
#ifdef _WIN32
constexpr int kAccessDenied = ERROR_ACCESS_DENIED;
#else
constexpr int kAccessDenied = EACCES;
#endif
const std::string kStage6 = "Error in TwoFishRSADigitalEnvelope:6";
const std::string kCorrupt = "The .hde file appears to be corrupt and cannot be imported.";

std::string Lines(size_t bytes) {
  std::string out;
  for (size_t i = 0; out.size() < bytes; ++i) {
    out += "PROPERTY " + std::to_string(i * 7919 % 100000) + " OWNER LASTNAME FIRSTNAME 000" +
           std::to_string(i % 97) + "\r\n";
  }
  out.resize(bytes);
  return out;
}

class EnvelopeTest : public ::testing::Test {
 protected:
  // The envelope's private working folders are made under tmp_, where leftovers show.
  EnvelopeTest() : work_("work"), io_("io"), tmp_("tmp"), env_(Access::Create()) {
    env_->SetPublicKey(NewerKeys().PublicFn());
    env_->SetPrivateKeys(NewerKeys().PrivateFn(), OlderKeys().PrivateFn());
    const char* old = std::getenv(testing::kTempVariable);
    if (old) oldTmp_ = old;
    testing::SetEnvironment(testing::kTempVariable, tmp_.path().string());
  }
  ~EnvelopeTest() override {
    EXPECT_TRUE(tmp_.Names().empty()) << "a working folder was left behind";
    if (oldTmp_.empty())
      testing::UnsetEnvironment(testing::kTempVariable);
    else
      testing::SetEnvironment(testing::kTempVariable, oldTmp_);
  }

  bool Encrypt(const std::string& report, const std::string& envelope) {
    return env_->TwoFishRSADigitalEnvelope("encrypt", report, envelope, work_.W(), false);
  }
  bool Decrypt(const std::string& envelope, const std::string& name = "Report.txt") {
    return env_->TwoFishRSADigitalEnvelope("decrypt", envelope, name, work_.W(), false);
  }
  // A report sealed into io/<name>.HDE; its path.
  std::string Sealed(const std::string& content, const std::string& name = "Sealed") {
    WriteFile(io_ / (name + ".txt"), content);
    EXPECT_TRUE(Encrypt(io_ / (name + ".txt"), io_ / (name + ".HDE")));
    messages_.clear();
    return io_ / (name + ".HDE");
  }

  ScratchDir work_;
  ScratchDir io_;
  ScratchDir tmp_;
  std::string oldTmp_;
  RecordingMessageHelper messages_;
  std::unique_ptr<TKVXDecryption> env_;
};

// The two members of an envelope, taken out into `into`.
void Unpack(const std::string& envelope, const ScratchDir& into) {
  TZipArchive zip;
  zip.ZipFilename = envelope;
  zip.FilesToProcess = "*.*";
  zip.UnzipToFolder = into.W();
  ASSERT_EQ(zip.Unzip(), xerSuccess) << zip.LastErrorMessage();
}

// An archive of the given files, under their bare names, in this order.
void Pack(const std::string& archive, const std::vector<std::string>& files) {
  TZipArchive zip;
  zip.FilesToProcess = "";
  for (const auto& f : files) zip.AddFilesToProcess(f);
  zip.ZipFilename = archive;
  ASSERT_EQ(zip.Zip(), xerSuccess) << zip.LastErrorMessage();
}

// An envelope made by hand with the newer public key: `inner` is Twofish-encrypted as
// the inner archive under `passPhrase`, which is sealed beside it.
void HandMadeEnvelope(const ScratchDir& dir, const std::string& inner,
                      const std::string& passPhrase, const std::string& envelope,
                      const Bytes& publicKey = NewerKeys().publicDer) {
  TSHAHashingMethod sha;
  sha.HashSize = 512;
  TTwofishEncryptionMethod twofish;
  twofish.HashingMethod = &sha;
  twofish.SetSecretKeyFromPassPhrase(passPhrase, 256);
  TRSAEncryptionMethod rsa;
  rsa.SetPublicKey(publicKey);
  TFileCipher cipher;
  std::uint64_t read = 0;
  cipher.EncryptionMethod = &twofish;
  cipher.ProcessFile(inner, 0, 0, efpEncrypt, true, dir / "HZTFile.two", false, read);
  cipher.EncryptionMethod = &rsa;
  cipher.WriteFile(passPhrase, efpEncrypt, true, dir / "TwoFishKey.RSA", false);
  Pack(envelope, {dir / "HZTFile.two", dir / "TwoFishKey.RSA"});
  fs::remove(dir / "HZTFile.two");
  fs::remove(dir / "TwoFishKey.RSA");
}

TEST_F(EnvelopeTest, EnvelopeOpensToTheSameBytes) {
  struct Case {
    const char* name;
    std::string report;
  };
  const Case cases[] = {
      {"empty", ""},
      {"one line", "1QORVA HOLDER RECORD                                   \r\n"},
      {"a few MB", Lines(3 << 20)},
  };
  for (const Case& c : cases) {
    // Any report name ends up as InputFile.txt inside.
    const std::string report = io_ / "ACME 2024.dat";
    const std::string envelope = io_ / "ACME 2024.HDE";
    WriteFile(report, c.report);
    ASSERT_TRUE(Encrypt(report, envelope)) << c.name;
    EXPECT_TRUE(messages_.entries().empty()) << c.name;
    EXPECT_TRUE(work_.Names().empty()) << c.name;
    EXPECT_THAT(TZipArchive::ListMembers(envelope), ElementsAre("HZTFile.two", "TwoFishKey.RSA"))
        << c.name;

    ASSERT_TRUE(Decrypt(envelope, "Opened.txt")) << c.name;
    EXPECT_TRUE(messages_.entries().empty()) << c.name;
    EXPECT_EQ(work_.Names(), std::set<std::string>{"Opened.txt"}) << c.name;
    EXPECT_TRUE(ReadFile(work_ / "Opened.txt") == c.report) << c.name;
    fs::remove(work_ / "Opened.txt");
  }
  EXPECT_EQ(io_.Names(), (std::set<std::string>{"ACME 2024.dat", "ACME 2024.HDE"}));
}

TEST_F(EnvelopeTest, TwoEnvelopesOfOneReportDifferInBothMembers) {
  const std::string report = Lines(5000);
  const std::string a = Sealed(report, "a");
  const std::string b = Sealed(report, "b");
  ScratchDir ua("a"), ub("b");
  Unpack(a, ua);
  Unpack(b, ub);
  for (const char* member : {"HZTFile.two", "TwoFishKey.RSA"}) {
    EXPECT_NE(ReadFile(ua / member), ReadFile(ub / member)) << member;
  }
  EXPECT_EQ(fs::file_size(ua / "TwoFishKey.RSA"), 256u);
  for (const std::string& e : {a, b}) {
    ASSERT_TRUE(Decrypt(e));
    EXPECT_TRUE(ReadFile(work_ / "Report.txt") == report);
  }
}

TEST_F(EnvelopeTest, PlacementReplacesAnEnvelopeOnlyOnSuccess) {
  const std::string envelope = io_ / "Out.HDE";
  WriteFile(io_ / "r.txt", "new report\r\n");
  WriteFile(envelope, "old envelope");
  ASSERT_TRUE(Encrypt(io_ / "r.txt", envelope));
  ASSERT_TRUE(Decrypt(envelope));
  EXPECT_EQ(ReadFile(work_ / "Report.txt"), "new report\r\n");

#ifndef _WIN32  // file modes
  // A new envelope gets the usual permissions (also over a private file); the working
  // files, in a folder of the call's own under the temporary folder, were the user's alone.
  fs::permissions(envelope, fs::perms(0600));
  std::vector<std::pair<std::string, unsigned>> workModes;
  env_->SetProgress([&](std::uint64_t, std::uint64_t) {
    for (const auto& e : fs::recursive_directory_iterator(tmp_.path())) {
      struct stat st {};
      ::lstat(e.path().c_str(), &st);
      workModes.emplace_back(e.path().string(), st.st_mode & 0777);
    }
    return true;
  });
  ASSERT_TRUE(Encrypt(io_ / "r.txt", envelope));
  const mode_t mask = ::umask(022);
  ::umask(mask);
  struct stat st {};
  ::stat(envelope.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0666u & ~mask);
  ASSERT_FALSE(workModes.empty());
  for (const auto& [path, mode] : workModes) EXPECT_EQ(mode & 077, 0u) << path << std::oct << mode;
#endif
  EXPECT_EQ(work_.Names(), std::set<std::string>{"Report.txt"});
}

// Folder and file names beyond ASCII (UTF-8 in our strings, UTF-16 in Windows' own calls).
TEST_F(EnvelopeTest, NamesBeyondAsciiSealAndOpen) {
  const std::string folder = io_ / "Gr\xc3\xbc\xc3\x9f" "e \xe6\x9d\xb1\xe4\xba\xac";
  fs::create_directory(platform::PathFromUtf8(folder));
  const std::string report = folder + "/Rapport \xc3\xa9t\xc3\xa9.txt";
  const std::string envelope = folder + "/Rapport \xc3\xa9t\xc3\xa9.HDE";
  WriteFile(report, "report\r\n");
  ASSERT_TRUE(Encrypt(report, envelope))
      << (messages_.entries().empty() ? "" : messages_.entries()[0].text);
  ASSERT_TRUE(Decrypt(envelope, "R\xc3\xa9sultat.txt"));
  EXPECT_EQ(ReadFile(work_ / "R\xc3\xa9sultat.txt"), "report\r\n");
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(platform::PathFromUtf8(folder)))
    names.insert(platform::PathToUtf8(e.path().filename()));
  EXPECT_EQ(names, (std::set<std::string>{"Rapport \xc3\xa9t\xc3\xa9.txt",
                                          "Rapport \xc3\xa9t\xc3\xa9.HDE"}));
}

#ifdef _WIN32
// An envelope that another program holds open (an editor, a virus scanner) cannot be
// replaced: the call fails, the old envelope stays whole and nothing is left behind.
TEST_F(EnvelopeTest, EnvelopeHeldOpenByAnotherProgramStays) {
  const std::string envelope = io_ / "Held.HDE";
  WriteFile(io_ / "r.txt", "new report\r\n");
  WriteFile(envelope, "old envelope");
  HANDLE held = ::CreateFileW(platform::PathFromUtf8(envelope).wstring().c_str(), GENERIC_READ,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(Encrypt(io_ / "r.txt", envelope));
  ::CloseHandle(held);
  ASSERT_EQ(messages_.entries().size(), 1u);
  EXPECT_THAT(messages_.entries()[0].text, StartsWith(kSecretKeyFailed));
  EXPECT_EQ(ReadFile(envelope), "old envelope");
  EXPECT_EQ(io_.Names(), (std::set<std::string>{"r.txt", "Held.HDE"}));
  EXPECT_TRUE(work_.Names().empty());

  // Once it is let go, the envelope is replaced.
  messages_.clear();
  ASSERT_TRUE(Encrypt(io_ / "r.txt", envelope));
  ASSERT_TRUE(Decrypt(envelope));
  EXPECT_EQ(ReadFile(work_ / "Report.txt"), "new report\r\n");
}
#endif

TEST_F(EnvelopeTest, BareReturnNameLeavesTheEnvelopeInTheWorkingFolder) {
  WriteFile(io_ / "r.txt", "report");
  // Without a trailing separator the folder gets one.
  std::string folder = work_.W();
  folder.pop_back();
  ASSERT_TRUE(env_->TwoFishRSADigitalEnvelope("encrypt", io_ / "r.txt", "Bare.HDE", folder, false));
  EXPECT_EQ(work_.Names(), std::set<std::string>{"Bare.HDE"});
  fs::rename(work_ / "Bare.HDE", io_ / "Bare.HDE");
  ASSERT_TRUE(Decrypt(io_ / "Bare.HDE"));
  EXPECT_EQ(ReadFile(work_ / "Report.txt"), "report");
}

TEST_F(EnvelopeTest, EncryptStepErrorsShowTheirMessageAndLeaveNothing) {
  WriteFile(io_ / "r.txt", "report");
  WriteFile(io_ / "ro.HDE", "old envelope");
  fs::permissions(io_ / "ro.HDE", fs::perms::owner_read);

  struct Case {
    const char* name;
    std::string report, envelope, message;
  };
  const Case cases[] = {
      {"missing report", io_ / "none.txt", io_ / "a.HDE", "Cannot open file " + (io_ / "none.txt")},
      {"missing output folder", io_ / "r.txt", io_ / "no/a.HDE",
       "Cannot create file " + (io_ / "no/a.HDE")},
      {"read-only envelope", io_ / "r.txt", io_ / "ro.HDE",
       "I/O error " + std::to_string(kAccessDenied)},
  };
  for (const Case& c : cases) {
    messages_.clear();
    EXPECT_FALSE(Encrypt(c.report, c.envelope)) << c.name;
    ASSERT_EQ(messages_.entries().size(), 1u) << c.name;
    EXPECT_EQ(messages_.entries()[0].kind, MessageKind::Plain) << c.name;
    EXPECT_EQ(messages_.entries()[0].text, kSecretKeyFailed + c.message) << c.name;
    EXPECT_EQ(io_.Names(), (std::set<std::string>{"r.txt", "ro.HDE"})) << c.name;
    EXPECT_TRUE(work_.Names().empty()) << c.name;
  }
  EXPECT_EQ(ReadFile(io_ / "ro.HDE"), "old envelope");

  // The caller's folder holds no working files, so their names are free for the caller's
  // own: a report and an envelope under them are used, not cleaned away.
  messages_.clear();
  WriteFile(work_ / "InputFile.txt", "a report");
  ASSERT_TRUE(Encrypt(work_ / "InputFile.txt", work_ / "HZFile.zip"));
  EXPECT_TRUE(messages_.entries().empty());
  ASSERT_TRUE(Decrypt(work_ / "HZFile.zip", "Temp_HDE.zip"));
  EXPECT_EQ(ReadFile(work_ / "Temp_HDE.zip"), "a report");
  EXPECT_EQ(work_.Names(), (std::set<std::string>{"InputFile.txt", "HZFile.zip", "Temp_HDE.zip"}));
}

TEST_F(EnvelopeTest, FailedCheckAsksAndRefusesOrFailsSetUp) {
  ScopedSelfTestOverride broken([](const Bytes&) {
    return SelfTestResult{false, "Twofish known-answer test failed."};
  });
  WriteFile(io_ / "r.txt", "report");
  const std::string question =
      "It appears decryption software may not be installed. Proceed anyway?";

  // No: the notice, and not a file touched (a leftover stays where it is).
  WriteFile(work_ / "HZFile.zip", "leftover");
  messages_.AnswerNext(false);
  EXPECT_FALSE(Encrypt(io_ / "r.txt", io_ / "a.HDE"));
  ASSERT_EQ(messages_.entries().size(), 2u);
  EXPECT_TRUE(messages_.entries()[0].question);
  EXPECT_EQ(messages_.entries()[0].text, question);
  EXPECT_EQ(messages_.entries()[1].kind, MessageKind::Plain);
  EXPECT_THAT(messages_.entries()[1].text,
              StartsWith("Files ending in \".hde\" are securely encrypted and require our "
                         "certified decryption software. \rPlease contact:\r"));
  EXPECT_THAT(messages_.entries()[1].text, HasSubstr("\rPhone: "));
  EXPECT_THAT(messages_.entries()[1].text, HasSubstr("\rFax: "));
  EXPECT_EQ(work_.Names(), std::set<std::string>{"HZFile.zip"});

  // Yes: components that failed their check are not used; the set-up fails. The caller's
  // folder never held working files, so nothing of it is touched.
  messages_.clear();
  messages_.AnswerNext(true);
  EXPECT_FALSE(Encrypt(io_ / "r.txt", io_ / "a.HDE"));
  EXPECT_THAT(messages_.texts(),
              ElementsAre(question, kSecretKeyFailed + "Twofish known-answer test failed."));
  EXPECT_EQ(work_.Names(), std::set<std::string>{"HZFile.zip"});
  EXPECT_EQ(io_.Names(), std::set<std::string>{"r.txt"});
}

TEST_F(EnvelopeTest, TwofishWritingNothingAndFinalZipFailurePlaceNothing) {
  WriteFile(io_ / "r.txt", "report");
  WriteFile(io_ / "a.HDE", "old envelope");

  Access::SetFault(*env_, [](const std::string& step, std::int64_t& v) {
    if (step == "encrypt-twofish") v = 0;
  });
  EXPECT_FALSE(Encrypt(io_ / "r.txt", io_ / "a.HDE"));
  EXPECT_THAT(messages_.texts(), ElementsAre("Error Encrypting File (Twofish - 0 bytes)"));
  EXPECT_EQ(messages_.entries()[0].kind, MessageKind::Information);
  EXPECT_TRUE(work_.Names().empty());
  Access::SetFault(*env_, {});

  // The finished envelope cannot be written.
  messages_.clear();
  Access::SetFault(*env_, [](const std::string& step, std::int64_t& v) {
    if (step == "final-zip") v = xerWriteError;
  });
  EXPECT_FALSE(Encrypt(io_ / "r.txt", io_ / "a.HDE"));
  EXPECT_THAT(messages_.texts(), ElementsAre("Error in final compression."));
  EXPECT_EQ(messages_.entries()[0].kind, MessageKind::Information);
  EXPECT_TRUE(work_.Names().empty());

  EXPECT_EQ(ReadFile(io_ / "a.HDE"), "old envelope");
  EXPECT_EQ(io_.Names(), (std::set<std::string>{"r.txt", "a.HDE"}));
}

TEST_F(EnvelopeTest, OtherDirectiveSetsUpAndWritesNothing) {
  WriteFile(io_ / "r.txt", "report");
  EXPECT_TRUE(
      env_->TwoFishRSADigitalEnvelope("Encrypt", io_ / "r.txt", io_ / "a.HDE", work_.W(), false));
  EXPECT_TRUE(messages_.entries().empty());
  EXPECT_TRUE(work_.Names().empty());
  EXPECT_EQ(io_.Names(), std::set<std::string>{"r.txt"});
}

TEST_F(EnvelopeTest, CancelLeavesNoEnvelopeAndNoWorkingFile) {
  WriteFile(io_ / "r.txt", Lines(2 << 20));
  // A full run first, to know how often progress is reported.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> seen;
  env_->SetProgress([&](std::uint64_t done, std::uint64_t total) {
    seen.emplace_back(done, total);
    return true;
  });
  ASSERT_TRUE(Encrypt(io_ / "r.txt", io_ / "full.HDE"));
  ASSERT_GE(seen.size(), 3u);
  for (size_t i = 1; i < seen.size(); ++i) {
    EXPECT_GE(seen[i].first, seen[i - 1].first);
    EXPECT_EQ(seen[i].second, seen[0].second);
  }
  EXPECT_EQ(seen.back().first, seen.back().second);

  for (size_t stopAt : {size_t{1}, seen.size() / 2, seen.size()}) {
    size_t calls = 0;
    env_->SetProgress([&](std::uint64_t, std::uint64_t) { return ++calls < stopAt; });
    EXPECT_FALSE(Encrypt(io_ / "r.txt", io_ / "a.HDE")) << stopAt;
    EXPECT_TRUE(messages_.entries().empty()) << stopAt;
    EXPECT_TRUE(work_.Names().empty()) << stopAt;
    EXPECT_EQ(io_.Names(), (std::set<std::string>{"r.txt", "full.HDE"})) << stopAt;
  }

  // Opening stops as cleanly.
  size_t calls = 0;
  env_->SetProgress([&](std::uint64_t, std::uint64_t) { return ++calls < 2; });
  EXPECT_FALSE(Decrypt(io_ / "full.HDE"));
  EXPECT_TRUE(messages_.entries().empty());
  EXPECT_TRUE(work_.Names().empty());
}

TEST_F(EnvelopeTest, DecryptErrorsThatReachTheCaller) {
  const std::string good = Sealed("report\r\n");
  ScratchDir parts("parts");
  Unpack(good, parts);
  const std::string onlyTwofish = io_ / "only-two.HDE";
  Pack(onlyTwofish, {parts / "HZTFile.two"});
  WriteFile(io_ / "text.HDE", "this is not a zip archive\r\n");
  // A plain report in a zip: taking it out as is would skip all decryption.
  WriteFile(parts / "InputFile.txt", "forged report");
  Pack(io_ / "posing.HDE", {parts / "InputFile.txt"});
  const std::string whole = ReadFile(good);
  WriteFile(io_ / "truncated.HDE", whole.substr(0, whole.size() / 2));
  std::string flipped = whole;
  flipped[flipped.size() / 3] ^= 0x20;  // the archive's checksum no longer matches
  WriteFile(io_ / "flipped.HDE", flipped);
  // A well-formed archive whose Twofish member was changed: its padding no longer holds.
  std::string two = ReadFile(parts / "HZTFile.two");
  two.back() ^= 0x01;
  WriteFile(parts / "HZTFile.two", two);
  Pack(io_ / "tampered.HDE", {parts / "HZTFile.two", parts / "TwoFishKey.RSA"});

  const auto newer = NewerKeys().PrivateFn();
  const auto older = OlderKeys().PrivateFn();
  struct Case {
    const char* name;
    std::string envelope;
    std::vector<TKVXDecryption::KeyBlockFn> keys;
    bool secretKeyBox;  // the pass phrase was never read
    int keysTried;      // a damaged archive is refused before any key; only a key that does
                        // not pair passes on to the next
  };
  const Case cases[] = {
      {"sealed for another key", good, {older}, true, 1},
      {"no key pairs", good, {older, older}, true, 2},
      {"no private key given", good, {}, true, 0},
      {"key member missing", onlyTwofish, {newer, older}, true, 1},
      {"not an envelope", io_ / "text.HDE", {newer, older}, true, 0},
      {"a zip of a plain report", io_ / "posing.HDE", {newer, older}, true, 1},
      {"truncated", io_ / "truncated.HDE", {newer, older}, true, 0},
      {"corrupted archive", io_ / "flipped.HDE", {newer, older}, true, 0},
      {"tampered member", io_ / "tampered.HDE", {newer, older}, false, 1},
  };
  for (const Case& c : cases) {
    messages_.clear();
    int tried = 0;
    std::vector<TKVXDecryption::KeyBlockFn> counted;
    for (const auto& key : c.keys) {
      counted.push_back([&tried, key] {
        ++tried;
        return key();
      });
    }
    env_->SetPrivateKeys(counted);
    EXPECT_ANY_THROW(Decrypt(c.envelope)) << c.name;
    const auto texts = messages_.texts();
    ASSERT_EQ(texts.size(), c.secretKeyBox ? 2u : 1u) << c.name;
    if (c.secretKeyBox) {
      EXPECT_THAT(texts[0], StartsWith(kSecretKeyFailed)) << c.name;
    }
    EXPECT_EQ(texts.back(), kStage6) << c.name;
    EXPECT_EQ(messages_.entries().back().kind, MessageKind::Information) << c.name;
    EXPECT_EQ(tried, c.keysTried) << c.name;
    EXPECT_TRUE(work_.Names().empty()) << c.name;
  }
}

TEST_F(EnvelopeTest, EnvelopeSealedForTheOlderKeyOpensWithBothKeys) {
  env_->SetPublicKey(OlderKeys().PublicFn());
  const std::string envelope = Sealed("sealed for the older key\r\n");

  ASSERT_TRUE(Decrypt(envelope));
  EXPECT_TRUE(messages_.entries().empty());
  EXPECT_EQ(ReadFile(work_ / "Report.txt"), "sealed for the older key\r\n");

  // The newer key alone cannot open it; the older key alone can.
  fs::remove(work_ / "Report.txt");
  env_->SetPrivateKeys(NewerKeys().PrivateFn(), nullptr);
  EXPECT_ANY_THROW(Decrypt(envelope));
  messages_.clear();
  env_->SetPrivateKeys(OlderKeys().PrivateFn(), nullptr);
  EXPECT_TRUE(Decrypt(envelope));
  EXPECT_EQ(work_.Names(), std::set<std::string>{"Report.txt"});
}

TEST_F(EnvelopeTest, DecryptedContentThatIsNoReport) {
  const std::string phrase(64, 'k');
  // An inner archive without InputFile.txt.
  WriteFile(io_ / "Other.txt", "not the report");
  Pack(io_ / "inner.zip", {io_ / "Other.txt"});
  HandMadeEnvelope(io_, io_ / "inner.zip", phrase, io_ / "no-report.HDE");
  // Twofish data that decrypts to nothing at all.
  WriteFile(io_ / "empty.bin", "");
  HandMadeEnvelope(io_, io_ / "empty.bin", phrase, io_ / "nothing.HDE");

  EXPECT_FALSE(Decrypt(io_ / "no-report.HDE"));
  EXPECT_THAT(messages_.texts(), ElementsAre(kCorrupt));
  EXPECT_TRUE(work_.Names().empty());

  messages_.clear();
  EXPECT_FALSE(Decrypt(io_ / "nothing.HDE"));
  EXPECT_THAT(messages_.texts(),
              ElementsAre("Error Decrypting File (Twofish - 0 bytes)", kCorrupt));
  EXPECT_TRUE(work_.Names().empty());

  // A hand-made envelope with the report in it opens like ours.
  WriteFile(io_ / "InputFile.txt", "by hand");
  Pack(io_ / "inner.zip", {io_ / "InputFile.txt"});
  HandMadeEnvelope(io_, io_ / "inner.zip", phrase, io_ / "hand.HDE");
  messages_.clear();
  EXPECT_TRUE(Decrypt(io_ / "hand.HDE"));
  EXPECT_EQ(ReadFile(work_ / "Report.txt"), "by hand");
}

TEST_F(EnvelopeTest, DecryptAmongLeftoversAndOverAnEarlierReport) {
  const std::string envelope = Sealed("fresh report");
  for (const char* name : {"XQTF1.zip", "XQTF1.two", "XQTF1.rsa", "XQTF2.two"}) {
    WriteFile(work_ / name, "leftover");
  }
  WriteFile(work_ / "Report.txt", "earlier report");
  WriteFile(work_ / "InputFile.txt", "stale");

  ASSERT_TRUE(Decrypt(envelope));
  EXPECT_TRUE(messages_.entries().empty());
  EXPECT_EQ(ReadFile(work_ / "Report.txt"), "fresh report");
  // The call works elsewhere: files of the caller's folder are neither used nor removed.
  EXPECT_EQ(work_.Names(), (std::set<std::string>{"XQTF1.zip", "XQTF1.two", "XQTF1.rsa",
                                                  "XQTF2.two", "Report.txt", "InputFile.txt"}));
  EXPECT_EQ(ReadFile(work_ / "XQTF1.two"), "leftover");
  EXPECT_EQ(ReadFile(work_ / "InputFile.txt"), "stale");
}

TEST_F(EnvelopeTest, FilesListNamesWhatACallLeaves) {
  WriteFile(io_ / "r.txt", "report");
  ASSERT_TRUE(env_->TwoFishRSADigitalEnvelope("encrypt", io_ / "r.txt", "E.HDE", work_.W(), true));
  ASSERT_TRUE(
      env_->TwoFishRSADigitalEnvelope("decrypt", work_ / "E.HDE", "R.txt", work_.W(), true));
  EXPECT_THAT(env_->FileList(),
              ElementsAre(work_.W() + "E.HDE", work_.W() + "R.txt", work_.W() + "XQTF1.two",
                          work_.W() + "XQTF1.rsa", work_.W() + "Holder_Summary.TXT"));
  EXPECT_EQ(work_.Names(), (std::set<std::string>{"E.HDE", "R.txt"}));
}

// A key pair of its own for the hostile envelopes, made at run time.
const TestKeyPair& Fresh() {
  static const TestKeyPair keys = MakeTestKeyPair("9.9.9.9++2026-12-11 16:00:00");
  return keys;
}

// Sets a 32-bit little-endian field of a zip member: in its local header (`local`, at the
// archive's start) and in its central directory entry (`central` from the entry's start).
void PatchZipField(const std::string& archive, std::size_t local, std::size_t central,
                   std::uint32_t value) {
  std::string z = ReadFile(archive);
  const std::size_t entry = z.find(std::string("PK\1\2", 4));
  ASSERT_NE(entry, std::string::npos);
  for (std::size_t at : {local, entry + central}) {
    for (int i = 0; i < 4; ++i) z[at + i] = static_cast<char>(value >> (8 * i));
  }
  WriteFile(archive, z);
}

// Envelopes sealed with a key the opener holds, but built to make opening write far more
// than they carry, or damaged inside: each is refused before it can, and leaves nothing.
TEST_F(EnvelopeTest, HostileAndDamagedEnvelopesAreRefusedAndLeaveNothing) {
  env_->SetPrivateKeys(Fresh().PrivateFn(), nullptr);
  const std::string phrase(64, 'p');
  ScratchDir parts("parts");

  // Twofish over 8 MiB of zeros, block by block, gives ciphertext that deflates to almost
  // nothing: a small envelope that would expand to any size.
  WriteFile(parts / "zeros.bin", std::string(8 << 20, '\0'));
  HandMadeEnvelope(parts, parts / "zeros.bin", phrase, io_ / "expands.HDE", Fresh().publicDer);

  // A "sealed pass phrase" far larger than any RSA block.
  WriteFile(parts / "InputFile.txt", "report\r\n");
  Pack(parts / "inner.zip", {parts / "InputFile.txt"});
  HandMadeEnvelope(parts, parts / "inner.zip", phrase, io_ / "good.HDE", Fresh().publicDer);
  Unpack(io_ / "good.HDE", parts);
  WriteFile(parts / "TwoFishKey.RSA", std::string(64 << 10, 'k'));
  Pack(io_ / "big-key.HDE", {parts / "HZTFile.two", parts / "TwoFishKey.RSA"});

  // A report that inflates far past the size its inner archive declares.
  WriteFile(parts / "InputFile.txt", std::string(4 << 20, 'A'));
  Pack(parts / "lying.zip", {parts / "InputFile.txt"});
  PatchZipField(parts / "lying.zip", 22, 24, 1000);  // uncompressed size
  HandMadeEnvelope(parts, parts / "lying.zip", phrase, io_ / "lying.HDE", Fresh().publicDer);

  // An inner archive whose report fails its checksum.
  WriteFile(parts / "InputFile.txt", std::string(5000, 'R'));
  {
    TZipArchive zip;
    zip.CompressionLevel = 0;  // stored, so one changed byte reaches the checksum
    zip.AddFilesToProcess(parts / "InputFile.txt");
    zip.ZipFilename = parts / "crc.zip";
    ASSERT_EQ(zip.Zip(), xerSuccess);
  }
  std::string crc = ReadFile(parts / "crc.zip");
  crc[100] ^= 0x01;
  WriteFile(parts / "crc.zip", crc);
  HandMadeEnvelope(parts, parts / "crc.zip", phrase, io_ / "crc.HDE", Fresh().publicDer);

  struct Case {
    const char* name;
    std::string envelope;
    bool throws;  // refused before the pass phrase is read: the error reaches the caller
    std::string detail;
    std::int64_t freeSpace = -1;  // the free space the call sees, when set
  };
  const Case cases[] = {
      {"ciphertext that expands", io_ / "expands.HDE", true, "expands far beyond"},
      {"oversized sealed pass phrase", io_ / "big-key.HDE", true, "too large for a sealed"},
      {"report larger than declared", io_ / "lying.HDE", false, "larger than its archive says"},
      {"report with a bad checksum", io_ / "crc.HDE", false, "CRC"},
      {"disk too full", io_ / "good.HDE", true, "not enough space in " + tmp_.path().string(), 10},
  };
  for (const Case& c : cases) {
    messages_.clear();
    Access::SetFault(*env_, [&](const std::string& step, std::int64_t& v) {
      if (step == "free-space" && c.freeSpace >= 0) v = c.freeSpace;
    });
    if (c.throws) {
      EXPECT_ANY_THROW(Decrypt(c.envelope)) << c.name;
      const auto texts = messages_.texts();
      ASSERT_EQ(texts.size(), 2u) << c.name;
      EXPECT_THAT(texts[0], StartsWith(kSecretKeyFailed)) << c.name;
      EXPECT_THAT(texts[0], HasSubstr(c.detail)) << c.name;
      EXPECT_EQ(texts[1], kStage6) << c.name;
    } else {
      EXPECT_FALSE(Decrypt(c.envelope)) << c.name;
      const auto texts = messages_.texts();
      ASSERT_EQ(texts.size(), 2u) << c.name;
      EXPECT_THAT(texts[0], HasSubstr("is damaged")) << c.name;
      EXPECT_THAT(texts[0], HasSubstr(c.detail)) << c.name;
      EXPECT_EQ(texts[1], kCorrupt) << c.name;
    }
    EXPECT_TRUE(work_.Names().empty()) << c.name;
    for (const std::string& name : tmp_.Names())  // `parts` lives there too
      EXPECT_EQ(name.rfind("qorva-envelope", 0), std::string::npos) << c.name << ": " << name;
  }

  // The same key opens the honest one.
  Access::SetFault(*env_, {});
  messages_.clear();
  ASSERT_TRUE(Decrypt(io_ / "good.HDE"));
  EXPECT_EQ(ReadFile(work_ / "Report.txt"), "report\r\n");
}

// The bar moves by the work done: each step's share follows the bytes it processes and what
// a byte costs it, so that no step jumps ahead and deflating takes the bulk of the bar.
TEST_F(EnvelopeTest, ProgressMovesEvenlyByBytes) {
  WriteFile(io_ / "r.txt", Lines(20 << 20));
  std::vector<std::pair<std::uint64_t, std::uint64_t>> seen;
  env_->SetProgress([&](std::uint64_t done, std::uint64_t total) {
    seen.emplace_back(done, total);
    return true;
  });
  const auto check = [&](const char* what) {
    ASSERT_GE(seen.size(), 10u) << what;
    const std::uint64_t total = seen[0].second;
    std::uint64_t largest = seen[0].first;
    for (std::size_t i = 1; i < seen.size(); ++i) {
      EXPECT_EQ(seen[i].second, total) << what << " at " << i;
      ASSERT_GE(seen[i].first, seen[i - 1].first) << what << " at " << i;
      largest = std::max(largest, seen[i].first - seen[i - 1].first);
    }
    EXPECT_EQ(seen.back().first, total) << what;
    EXPECT_LE(largest, total / 8) << what << ": a jump of " << largest << " in " << total;
  };
  ASSERT_TRUE(Encrypt(io_ / "r.txt", io_ / "r.HDE"));
  check("encrypt");
  seen.clear();
  ASSERT_TRUE(Decrypt(io_ / "r.HDE"));
  ASSERT_GE(seen.size(), 3u);
  for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_GE(seen[i].first, seen[i - 1].first);
  EXPECT_EQ(seen.back().first, seen.back().second);
}

#ifndef _WIN32
// Runs `body` in a child process as user and group `id`; its exit status (-1 when it died).
// The body may only make system calls: the parent may have other threads.
int AsOtherUser(unsigned id, const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(id) != 0 || ::setuid(id) != 0) ::_exit(126);
    ::_exit(body());
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}
#endif

// The desktop's call in a shared temporary folder (sticky, writable by all, like /tmp) where
// another user has planted files under every fixed working name, readable and writable by
// all: the call still works, never touches them, and that user can read none of its files.
TEST_F(EnvelopeTest, OtherUsersInASharedTemporaryFolderNeitherBlockNorRead) {
#ifdef _WIN32
  GTEST_SKIP() << "file modes and another user's processes are POSIX cases";
#else
  if (::geteuid() != 0) GTEST_SKIP() << "needs the superuser to act as another user";
  constexpr unsigned kOther = 65534;
  fs::permissions(tmp_.path(), fs::perms(01777));
  const std::vector<std::string> planted = {"InputFile.txt",  "HZFile.zip",   "HZTFile.two",
                                            "TwoFishKey.RSA", "Temp_HDE.zip", "XQTF1.zip"};
  std::vector<std::string> plantedPaths;
  for (const auto& name : planted) plantedPaths.push_back(tmp_ / name);
  ASSERT_EQ(AsOtherUser(kOther,
                        [&] {
                          for (const auto& path : plantedPaths) {
                            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
                            if (fd < 0 || ::fchmod(fd, 0666) != 0 || ::write(fd, "mine", 4) != 4)
                              return 1;
                            ::close(fd);
                          }
                          return 0;
                        }),
            0);

  const std::string report = Lines(3 << 20);
  WriteFile(io_ / "r.txt", report);
  // Once the working files hold the report, the other user tries the folder and each file.
  std::vector<std::string> tried;
  int readable = -1;
  env_->SetProgress([&](std::uint64_t, std::uint64_t) {
    if (readable >= 0) return true;
    for (const auto& entry : fs::directory_iterator(tmp_.path())) {
      if (entry.path().filename().string().rfind("qorva-envelope", 0) != 0) continue;
      if (!fs::exists(entry.path() / "HZFile.zip")) return true;
      tried.push_back(entry.path().string());
      for (const auto& f : fs::directory_iterator(entry.path())) tried.push_back(f.path().string());
    }
    if (tried.empty()) return true;
    readable = AsOtherUser(kOther, [&] {
      int opened = 0;
      for (const auto& path : tried) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        if (fd >= 0) {
          ++opened;
          ::close(fd);
        }
      }
      return opened;
    });
    return true;
  });
  ASSERT_TRUE(env_->TwoFishRSADigitalEnvelope("encrypt", io_ / "r.txt", io_ / "r.HDE"));
  EXPECT_TRUE(messages_.entries().empty());
  ASSERT_GE(tried.size(), 3u);  // the folder, the report's copy and the inner archive
  EXPECT_EQ(readable, 0) << ::testing::PrintToString(tried);

  for (const auto& path : plantedPaths) {
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0) << path;
    EXPECT_EQ(st.st_uid, kOther) << path;
    EXPECT_EQ(ReadFile(path), "mine") << path;
    fs::remove(path);
  }
  env_->SetProgress(nullptr);
  ASSERT_TRUE(Decrypt(io_ / "r.HDE"));
  EXPECT_TRUE(ReadFile(work_ / "Report.txt") == report);
#endif
}

#ifndef _WIN32  // mounting a file system
// A temporary folder on a file system of 1 MiB: a real full disk.
TEST_F(EnvelopeTest, FullDiskIsSaidAsSuchAndLeavesNothing) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs the superuser to mount a small file system";
  ScratchDir small("small");
  if (::mount("qorva-test", small.path().c_str(), "tmpfs", 0, "size=1m,mode=0700") != 0)
    GTEST_SKIP() << "cannot mount a file system here";
  struct Unmount {
    std::string path;
    ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
  } unmount{small.path().string()};
  const std::string report = Lines(3 << 20);
  WriteFile(io_ / "r.txt", report);
  ASSERT_TRUE(Encrypt(io_ / "r.txt", io_ / "r.HDE"));  // on the roomy disk

  SetEnvironment("TMPDIR", small.path().string());
  const std::string full = kSecretKeyFailed + "not enough space in " + small.path().string();
  EXPECT_FALSE(Encrypt(io_ / "r.txt", io_ / "again.HDE"));
  ASSERT_EQ(messages_.texts().size(), 1u) << ::testing::PrintToString(messages_.texts());
  EXPECT_THAT(messages_.texts()[0], StartsWith(full));

  // Opening fills the disk once the pass phrase is read: the error reaches the caller.
  messages_.clear();
  try {
    Decrypt(io_ / "r.HDE");
    ADD_FAILURE() << "opened on a full disk";
  } catch (const std::exception& e) {
    EXPECT_THAT(e.what(), StartsWith("not enough space in " + small.path().string()));
  }
  EXPECT_THAT(messages_.texts(), ElementsAre(kStage6));

  EXPECT_TRUE(small.Names().empty());
  EXPECT_TRUE(work_.Names().empty());
  EXPECT_EQ(io_.Names(), (std::set<std::string>{"r.txt", "r.HDE"}));
  SetEnvironment("TMPDIR", tmp_.path().string());
}

#endif  // _WIN32

TEST(EnvelopeInstanceTest, OneInstanceAndItsRequests) {
  TKVXDecryption* one = TKVXDecryption::Instance();
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(TKVXDecryption::Instance(), one);
  EXPECT_EQ(Access::AccessInstance(0), one);
  try {
    Access::AccessInstance(3);
    FAIL();
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Illegal request 3 in AccessInstance");
  }
  // Destroying another object leaves the instance alone.
  Access::Create().reset();
  EXPECT_EQ(Access::AccessInstance(0), one);
}

}  // namespace
}  // namespace qorva
