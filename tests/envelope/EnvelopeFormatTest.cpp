#include <gtest/gtest.h>

#include "CipherMethods.h"
#include "CryptoTestSupport.h"
#include "FileCipher.h"
#include "ZipArchive.h"

namespace qorva {
namespace {

namespace fs = std::filesystem;
using testing::Quote;
using testing::ReadAll;
using testing::RunCommand;
using testing::TempDir;
using testing::WriteAll;

// The shell steps of docs/envelope-format.md, as an administrator would copy them.
std::string DocumentedSteps() {
  const std::string doc = ReadAll(std::string(QORVA_SOURCE_DIR) + "/docs/envelope-format.md");
  const auto start = doc.find("```sh\n");
  const auto end = doc.find("```\n", start + 6);
  if (start == std::string::npos || end == std::string::npos) return {};
  return doc.substr(start + 6, end - start - 6);
}

// An envelope made from the layer's parts the way the encrypt direction makes one.
void MakeEnvelope(const TempDir& work, const std::string& report, const std::string& passPhrase,
                  const Bytes& publicKey, const std::string& envelope) {
  WriteAll(work / "InputFile.txt", report);
  TZipArchive zip;
  zip.CompressionLevel = xclHigh;
  zip.PreservePaths = false;
  zip.FilesToProcess = "";
  zip.AddFilesToProcess(work / "InputFile.txt");
  zip.ZipFilename = work / "HZFile.zip";
  ASSERT_EQ(zip.Zip(), xerSuccess) << zip.LastErrorMessage();

  TSHAHashingMethod sha;
  sha.HashSize = 512;
  TTwofishEncryptionMethod tf;
  tf.HashingMethod = &sha;
  tf.EncryptionMode = emoFreeBlocks;
  tf.PaddingMethod = epmRFC1423;
  tf.SetRandomInitVector();
  tf.SetSecretKeyFromPassPhrase(passPhrase, 256);
  TFileCipher cipher;
  cipher.EncryptionMethod = &tf;
  std::uint64_t read = 0;
  ASSERT_GT(cipher.ProcessFile(work / "HZFile.zip", 0, 0, efpEncrypt, true, work / "HZTFile.two",
                               false, read),
            0u);
  TRSAEncryptionMethod rsa;
  rsa.SetPublicKey(publicKey);
  cipher.EncryptionMethod = &rsa;
  cipher.WriteFile(passPhrase, efpEncrypt, true, work / "TwoFishKey.RSA", false);

  zip.FilesToProcess = "";
  zip.AddFilesToProcess(work / "HZTFile.two");
  zip.AddFilesToProcess(work / "TwoFishKey.RSA");
  zip.ZipFilename = envelope;
  ASSERT_EQ(zip.Zip(), xerSuccess) << zip.LastErrorMessage();
}

TEST(EnvelopeFormat, OpensWithTheDocumentedStandardTools) {
  QORVA_SKIP_WITHOUT_LINUX_TOOLS();
  if (RunCommand("perl -MCrypt::Twofish -e 1") != 0)
    GTEST_SKIP() << "perl with Crypt::Twofish (libcrypt-twofish-perl) is not installed";
  const std::string steps = DocumentedSteps();
  ASSERT_NE(steps.find("openssl pkeyutl"), std::string::npos) << "no shell block in the doc";

  TempDir work, admin;
  const auto keys = TRSAEncryptionMethod::GenerateKeyPair(2048);
  WriteAll(work / "key.der", keys.privateKey);
  ASSERT_EQ(RunCommand("openssl pkey -inform DER -in " + Quote(work / "key.der") + " -out " +
                       Quote(work / "key.pem")),
            0);
  // Characters a shell would mangle if the steps ever passed the pass phrase on a command line.
  const std::string pass =
      "\"$`\\'!*?;&|<>(){}[]~#%^=+-_.:,@ABCxyz0123456789" + std::string(20, 'y');
  struct Row {
    const char* name;
    std::string report;
  } rows[] = {
      {"empty report", ""},
      {"one line", "1HOLDER\r\n"},
      {"several MB", testing::ReportText((3u << 20) + 9, 21)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    fs::remove_all(admin.path());
    fs::create_directories(admin.path());
    MakeEnvelope(work, r.report, pass, keys.publicKey, work / "REPORT.HDE");
    EXPECT_EQ(TZipArchive::ListMembers(work / "REPORT.HDE"),
              (std::vector<std::string>{"HZTFile.two", "TwoFishKey.RSA"}));
    EXPECT_EQ(fs::file_size(work / "TwoFishKey.RSA"), 256u);
    EXPECT_EQ(fs::file_size(work / "HZTFile.two"),
              (fs::file_size(work / "HZFile.zip") / 16 + 1) * 16);

    WriteAll(admin / "steps.sh", steps);
    std::string out;
    ASSERT_EQ(RunCommand("cd " + Quote(admin.path().string()) +
                             " && ENVELOPE=" + Quote(work / "REPORT.HDE") +
                             " PRIVATE_KEY=" + Quote(work / "key.pem") + " sh -e steps.sh",
                         &out),
              0)
        << out;
    EXPECT_EQ(ReadAll(admin / "passphrase.txt"), pass);
    EXPECT_EQ(ReadAll(admin / "HZFile.zip"), ReadAll(work / "HZFile.zip"));
    EXPECT_EQ(ReadAll(admin / "InputFile.txt"), r.report);
  }
}

}  // namespace
}  // namespace qorva
