#include <gtest/gtest.h>

#include "CipherMethods.h"
#include "CryptoSelfTest.h"
#include "CryptoTestSupport.h"
#include "FileCipher.h"

namespace qorva {
namespace {

namespace fs = std::filesystem;
using testing::Quote;
using testing::ReadAll;
using testing::TempDir;
using testing::WriteAll;

Bytes Hex(const std::string& hex) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return out;
}

std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }

const char* kSha512Abc =
    "DDAF35A193617ABACC417349AE20413112E6FA4E89A97EA20A9EEEE64B55D39A"
    "2192992A274FC1A836BA3C23A3FEEBBD454D4423643CE80E2A9AC94FA54CA49F";

// Twofish set up the way the envelope uses it.
struct Twofish {
  TSHAHashingMethod sha;
  TTwofishEncryptionMethod tf;
  TFileCipher cipher;
  explicit Twofish(const std::string& passPhrase = "pass phrase") {
    tf.HashingMethod = &sha;
    tf.EncryptionMode = emoFreeBlocks;
    tf.PaddingMethod = epmRFC1423;
    tf.SetRandomInitVector();
    tf.SetSecretKeyFromPassPhrase(passPhrase, 256);
    cipher.EncryptionMethod = &tf;
  }
};

TEST(Twofish, MeetsThePapersKnownAnswersBlockByBlock) {
  struct Row {
    const char *key, *pt, *ct;
  } rows[] = {
      {"0000000000000000000000000000000000000000000000000000000000000000",
       "00000000000000000000000000000000", "57FF739D4DC92C1BD7FC01700CC8216F"},
      {"0123456789ABCDEFFEDCBA987654321000112233445566778899AABBCCDDEEFF",
       "00000000000000000000000000000000", "37527BE0052334B89F0CFCCAE87CFA20"},
  };
  TempDir dir;
  for (const Row& r : rows) {
    TTwofishEncryptionMethod tf;
    tf.SetSecretKey(Hex(r.key));
    TFileCipher cipher;
    cipher.EncryptionMethod = &tf;
    // Two equal blocks: free-blocks mode encrypts each alone, so both come out equal.
    cipher.WriteFile(Str(Hex(r.pt)) + Str(Hex(r.pt)), efpEncrypt, true, dir / "out", false);
    const std::string ct = ReadAll(dir / "out");
    ASSERT_EQ(ct.size(), 48u) << "two blocks and a whole padding block";
    EXPECT_EQ(ct.substr(0, 16), Str(Hex(r.ct)));
    EXPECT_EQ(ct.substr(16, 16), Str(Hex(r.ct)));
  }
}

TEST(Twofish, KeyIsTheFirst32BytesOfSha512OfThePassPhrase) {
  TSHAHashingMethod sha;
  EXPECT_EQ(sha.Hash("abc"), Hex(kSha512Abc));
  TTwofishEncryptionMethod tf;
  tf.HashingMethod = &sha;
  tf.SetSecretKeyFromPassPhrase("abc", 256);
  EXPECT_EQ(tf.SecretKey(), Hex(std::string(kSha512Abc).substr(0, 64)));
}

TEST(Twofish, PaddingRoundTripsAtEveryBoundary) {
  TempDir dir;
  Twofish t;
  for (std::size_t n : {0u, 1u, 15u, 16u, 17u, (1u << 20) + 5u}) {
    SCOPED_TRACE(n);
    const std::string plain = testing::ReportText(n, static_cast<unsigned>(n));
    WriteAll(dir / "plain", plain);
    std::uint64_t read = 0;
    const auto written =
        t.cipher.ProcessFile(dir / "plain", 0, 0, efpEncrypt, true, dir / "ct", false, read);
    EXPECT_EQ(read, n);
    EXPECT_EQ(written, (n / 16 + 1) * 16);
    const std::string ct = ReadAll(dir / "ct");
    ASSERT_EQ(ct.size(), written);
    const auto decrypted =
        t.cipher.ProcessFile(dir / "ct", 0, 0, efpDecrypt, true, dir / "back", false, read);
    EXPECT_EQ(decrypted, n);
    EXPECT_EQ(ReadAll(dir / "back"), plain);
  }
}

TEST(Twofish, PaddingIsNBytesOfValueN) {
  TempDir dir;
  Twofish t;
  t.cipher.WriteFile("0123456789", efpEncrypt, true, dir / "ct", false);
  // Decrypting with an unpadded view: encrypt the expected padded block and compare.
  TTwofishEncryptionMethod raw;
  raw.SetSecretKey(t.tf.SecretKey());
  TFileCipher c;
  c.EncryptionMethod = &raw;
  c.WriteFile(std::string("0123456789") + std::string(6, '\x06'), efpEncrypt, true, dir / "full",
              false);
  EXPECT_EQ(ReadAll(dir / "ct"), ReadAll(dir / "full").substr(0, 16));
}

TEST(Twofish, DamagedCiphertextIsRefusedAndLeavesNoOutput) {
  TempDir dir;
  Twofish t;
  t.cipher.WriteFile(std::string(40, 'x'), efpEncrypt, true, dir / "good", false);
  const std::string good = ReadAll(dir / "good");
  ASSERT_EQ(good.size(), 48u);

  // Ciphertext whose last block decrypts to the given plaintext block.
  auto withLastBlock = [&](const std::string& block) {
    TTwofishEncryptionMethod raw;
    raw.SetSecretKey(t.tf.SecretKey());
    TFileCipher c;
    c.EncryptionMethod = &raw;
    c.WriteFile(block, efpEncrypt, true, dir / "tmp", false);
    return good.substr(0, 32) + ReadAll(dir / "tmp").substr(0, 16);
  };
  struct Row {
    const char* name;
    std::string data;
  } rows[] = {
      {"empty", ""},
      {"truncated", good.substr(0, 47)},
      {"one byte extra", good + "x"},
      {"pad value 0", withLastBlock(std::string(15, 'x') + '\0')},
      {"pad value 17", withLastBlock(std::string(15, 'x') + '\x11')},
      {"pad bytes differ", withLastBlock(std::string(13, 'x') + "\x03\x02\x03")},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WriteAll(dir / "bad", r.data);
    std::uint64_t read = 0;
    EXPECT_THROW(
        t.cipher.ProcessFile(dir / "bad", 0, 0, efpDecrypt, true, dir / "out", false, read),
        CryptoError);
    EXPECT_FALSE(fs::exists(dir / "out"));
  }
  Twofish other("another pass phrase");
  std::uint64_t read = 0;
  EXPECT_THROW(other.cipher.ReadFile(dir / "good", 0, 0, efpDecrypt, true, read), CryptoError);
  EXPECT_EQ((std::vector<std::string>{"bad", "good", "tmp"}), dir.Names());
}

TEST(Twofish, CancelledRunLeavesNothingBehind) {
  TempDir dir;
  Twofish t;
  WriteAll(dir / "plain", testing::ReportText(3 << 20));
  WriteAll(dir / "ct", "earlier");
  int calls = 0;
  t.cipher.SetProgress([&](std::uint64_t done, std::uint64_t total) {
    EXPECT_LE(done, total);
    return ++calls < 2;
  });
  std::uint64_t read = 0;
  EXPECT_THROW(t.cipher.ProcessFile(dir / "plain", 0, 0, efpEncrypt, true, dir / "ct", false, read),
               CryptoCancelled);
  EXPECT_EQ(ReadAll(dir / "ct"), "earlier");
  EXPECT_EQ((std::vector<std::string>{"ct", "plain"}), dir.Names());
}

TEST(FileCipher, MisuseGivesClearErrors) {
  TempDir dir;
  TFileCipher none;
  std::uint64_t read = 0;
  EXPECT_THROW(none.WriteFile("x", efpEncrypt, true, dir / "o", false), CryptoError);
  Twofish t;
  EXPECT_THROW(
      t.cipher.ProcessFile(dir / "missing", 0, 0, efpEncrypt, true, dir / "o", false, read),
      CryptoError);
  EXPECT_THROW(t.cipher.WriteFile("x", 7, true, dir / "o", false), CryptoError);
  EXPECT_THROW(t.cipher.WriteFile("x", efpEncrypt, true, dir / "no-such-dir/o", false),
               CryptoError);
  TTwofishEncryptionMethod nokey;
  t.cipher.EncryptionMethod = &nokey;
  EXPECT_THROW(t.cipher.WriteFile("x", efpEncrypt, true, dir / "o", false), CryptoError);
  EXPECT_TRUE(dir.Names().empty());
}

class Rsa : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { keys_ = TRSAEncryptionMethod::GenerateKeyPair(2048); }
  static TRSAEncryptionMethod::KeyPair keys_;
  TempDir dir_;
};
TRSAEncryptionMethod::KeyPair Rsa::keys_;

TEST_F(Rsa, SealedPassPhraseIs256BytesAndOpensWithOurReaderAndOpenssl) {
  const std::string pass(71, 'y');
  TRSAEncryptionMethod rsa;
  rsa.SetPublicKey(keys_.publicKey);
  TFileCipher cipher;
  cipher.EncryptionMethod = &rsa;
  cipher.WriteFile(pass, efpEncrypt, true, dir_ / "key.rsa", false);
  EXPECT_EQ(ReadAll(dir_ / "key.rsa").size(), 256u);

  TRSAEncryptionMethod reader;
  reader.SetPrivateKey(keys_.privateKey);
  cipher.EncryptionMethod = &reader;
  std::uint64_t read = 0;
  EXPECT_EQ(cipher.ReadFile(dir_ / "key.rsa", 0, 0, efpDecrypt, true, read), pass);
  EXPECT_EQ(read, 256u);

  if (!testing::kLinuxTools) return;  // the openssl cross-check
  WriteAll(dir_ / "private.der", keys_.privateKey);
  std::string out;
  ASSERT_EQ(testing::RunCommand("openssl pkeyutl -decrypt -keyform DER -inkey " +
                                    Quote(dir_ / "private.der") + " -in " +
                                    Quote(dir_ / "key.rsa") + " -out " + Quote(dir_ / "pass.txt") +
                                    " -pkeyopt rsa_padding_mode:oaep -pkeyopt rsa_oaep_md:sha256"
                                    " -pkeyopt rsa_mgf1_md:sha256",
                                &out),
            0)
      << out;
  EXPECT_EQ(ReadAll(dir_ / "pass.txt"), pass);
}

TEST_F(Rsa, WrongKeyDamagedDataAndBadKeysAreRefused) {
  TRSAEncryptionMethod rsa;
  rsa.SetPublicKey(keys_.publicKey);
  TFileCipher cipher;
  cipher.EncryptionMethod = &rsa;
  cipher.WriteFile("secret", efpEncrypt, true, dir_ / "key.rsa", false);
  EXPECT_THROW(cipher.WriteFile(std::string(191, 'z'), efpEncrypt, true, dir_ / "long", false),
               CryptoError);

  const auto other = TRSAEncryptionMethod::GenerateKeyPair(2048);
  TRSAEncryptionMethod wrong;
  wrong.SetPrivateKey(other.privateKey);
  cipher.EncryptionMethod = &wrong;
  std::uint64_t read = 0;
  EXPECT_THROW(cipher.ReadFile(dir_ / "key.rsa", 0, 0, efpDecrypt, true, read), CryptoError);

  std::string damaged = ReadAll(dir_ / "key.rsa");
  damaged[100] ^= 1;
  WriteAll(dir_ / "damaged.rsa", damaged);
  TRSAEncryptionMethod right;
  right.SetPrivateKey(keys_.privateKey);
  cipher.EncryptionMethod = &right;
  EXPECT_THROW(cipher.ReadFile(dir_ / "damaged.rsa", 0, 0, efpDecrypt, true, read), CryptoError);
  WriteAll(dir_ / "short.rsa", damaged.substr(0, 255));
  EXPECT_THROW(cipher.ReadFile(dir_ / "short.rsa", 0, 0, efpDecrypt, true, read), CryptoError);

  Bytes garbage(keys_.publicKey.begin(), keys_.publicKey.end() - 3);
  EXPECT_THROW(rsa.SetPublicKey(garbage), CryptoError);
  EXPECT_THROW(rsa.SetPublicKey(keys_.privateKey), CryptoError);
  EXPECT_THROW(rsa.SetPrivateKey(keys_.publicKey), CryptoError);
  EXPECT_EQ(rsa.PublicKey(), keys_.publicKey) << "a refused key leaves the old one";
}

TEST_F(Rsa, SelfTestPassesOnAGoodKeyAndFailsOtherwise) {
  EXPECT_TRUE(CryptoSelfTest(keys_.publicKey).ok);
  const auto bad = CryptoSelfTest(Bytes{0x30, 0x03, 0x02, 0x01, 0x00});
  EXPECT_FALSE(bad.ok);
  EXPECT_FALSE(bad.message.empty());
  {
    ScopedSelfTestOverride fail([](const Bytes&) { return SelfTestResult{false, "injected"}; });
    EXPECT_EQ(CryptoSelfTest(keys_.publicKey).message, "injected");
  }
  EXPECT_TRUE(CryptoSelfTest(keys_.publicKey).ok);
}

}  // namespace
}  // namespace qorva
