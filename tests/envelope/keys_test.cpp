#include <botan/data_src.h>
#include <botan/pkcs8.h>
#include <botan/system_rng.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FileCipher.h"
#include "envelope_test_support.h"
#include "test_keys.h"
#include "uKVXPrivateKey.h"
#include "uKVXPublicKey.h"

namespace qorva {
namespace {

namespace fs = std::filesystem;
using Access = TKVXDecryptionTestAccess;
using ::testing::HasSubstr;

// Length of the outer DER SEQUENCE's content, and where it starts.
std::pair<size_t, size_t> OuterSequence(const std::vector<std::uint8_t>& der) {
  EXPECT_GE(der.size(), 2u);
  EXPECT_EQ(der[0], 0x30);
  if (der[1] < 0x80) return {der[1], 2};
  const size_t n = der[1] & 0x7f;
  size_t length = 0;
  for (size_t i = 0; i < n; ++i) length = (length << 8) | der[2 + i];
  return {length, 2 + n};
}

// A block's shape: markers, version line, empty lines, 75-character data lines; its DER.
Bytes CheckBlock(const std::vector<std::string>& lines, const std::string& type) {
  EXPECT_GE(lines.size(), 7u);
  if (lines.size() < 7) return {};
  EXPECT_EQ(lines.front(), "-----BEGIN QORVA " + type + "-----");
  EXPECT_EQ(lines.back(), "-----END QORVA " + type + "-----");
  EXPECT_EQ(lines[1].rfind("Version: ", 0), 0u);
  EXPECT_EQ(lines[1].size(), 9u + 28);
  EXPECT_NE(lines[1].find("++"), std::string::npos);
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[lines.size() - 2], "");
  for (size_t i = 3; i + 3 < lines.size(); ++i) EXPECT_EQ(lines[i].size(), 75u) << i;
  EXPECT_LE(lines[lines.size() - 3].size(), 75u);
  const Bytes der = Access::StrToBinary(Access::AsciiArmor("", false, lines));
  const auto [length, start] = OuterSequence(der);
  EXPECT_EQ(start + length, der.size());
  return der;
}

// Seals `text` with the public key and opens it with the private block.
std::string RoundTrip(const Bytes& publicDer, const std::vector<std::string>& privateBlock,
                      const ScratchDir& dir) {
  TRSAEncryptionMethod rsa;
  rsa.SetPublicKey(publicDer);
  TFileCipher cipher;
  cipher.EncryptionMethod = &rsa;
  cipher.WriteFile("pass phrase", efpEncrypt, true, dir / "sealed", false);
  TRSAEncryptionMethod priv;
  priv.SetPrivateKey(Access::StrToBinary(Access::AsciiArmor("", false, privateBlock)));
  cipher.EncryptionMethod = &priv;
  std::uint64_t read = 0;
  return cipher.ReadFile(dir / "sealed", 0, 0, efpDecrypt, true, read);
}

void WriteKeyFile(const std::string& path, const std::string& text, fs::perms mode) {
  WriteFile(path, text);
  fs::permissions(path, mode);
}

TEST(KeyMaterialTest, PublicKeyIsAnRsa2048BlockBuiltLineByLine) {
  const Bytes der = CheckBlock(Get_Public_Key(), "PUBLIC KEY BLOCK");
  EXPECT_EQ(Get_Public_Key().size(), 11u);
  EXPECT_EQ(der.size(), 294u);  // SubjectPublicKeyInfo of a 2048-bit modulus, exponent 65537
  TRSAEncryptionMethod rsa;
  EXPECT_NO_THROW(rsa.SetPublicKey(der));
}

TEST(KeyMaterialTest, BlocksComeFromTheKeysGivenNewerFirst) {
  UsePrivateKeys({NewerKeys().privateBlock, OlderKeys().privateBlock});
  EXPECT_EQ(Get_New_Private_Key(), NewerKeys().privateBlock);
  EXPECT_EQ(Get_Private_Key(), OlderKeys().privateBlock);
  UsePrivateKeys({NewerKeys().privateBlock});
  EXPECT_TRUE(Get_Private_Key().empty());
  UsePrivateKeys({});
  EXPECT_TRUE(Get_New_Private_Key().empty());
}

TEST(KeyFileTest, ReadsArmouredAndPemKeys) {
  ScratchDir dir;
  const TestKeyPair& keys = NewerKeys();
  WriteKeyFile(dir / "armoured.key", KeyFileText(keys.privateBlock), fs::perms::owner_read);
  // CR LF line ends and blank lines around the block do no harm.
  std::string crlf = "\r\n";
  for (const auto& line : keys.privateBlock) crlf += line + "\r\n";
  WriteKeyFile(dir / "crlf.key", crlf + "\r\n", fs::perms::owner_read | fs::perms::owner_write);
  // PEM PKCS#8, as openssl writes it.
  Botan::DataSource_Memory src(keys.privateDer.data(), keys.privateDer.size());
  const auto key = Botan::PKCS8::load_key(src);
  WriteKeyFile(dir / "key.pem", Botan::PKCS8::PEM_encode(*key), fs::perms::owner_read);

  for (const char* name : {"armoured.key", "crlf.key", "key.pem"}) {
    const auto block = ReadPrivateKeyFile(dir / name);
    EXPECT_EQ(CheckBlock(block, "PRIVATE KEY BLOCK"), keys.privateDer) << name;
  }
  EXPECT_EQ(ReadPrivateKeyFile(dir / "armoured.key"), keys.privateBlock);

  UsePrivateKeyFiles({dir / "key.pem", dir / "armoured.key"});
  EXPECT_EQ(RoundTrip(keys.publicDer, Get_New_Private_Key(), dir), "pass phrase");
  EXPECT_EQ(Get_Private_Key(), keys.privateBlock);
  UsePrivateKeys({});
}

TEST(KeyFileTest, RefusesWhatIsNoUsablePrivateKeyFile) {
  ScratchDir dir;
  const TestKeyPair& keys = NewerKeys();
  const std::string good = KeyFileText(keys.privateBlock);
  Botan::System_RNG rng;
  Botan::DataSource_Memory src(keys.privateDer.data(), keys.privateDer.size());
  const auto key = Botan::PKCS8::load_key(src);
  const auto small = TRSAEncryptionMethod::GenerateKeyPair(1024);
  std::string damaged = good;
  damaged[good.find('\n', 200) - 10] = '*';
  std::vector<std::string> shortBlock = keys.privateBlock;
  shortBlock.erase(shortBlock.begin() + 5, shortBlock.begin() + 9);  // 300 characters

  struct Case {
    const char* name;
    std::string text;
    fs::perms mode;
    const char* says;
  };
  const fs::perms owner = fs::perms::owner_read | fs::perms::owner_write;
  const Case cases[] = {
#ifndef _WIN32  // access lists rule there
      {"readable by others", good, owner | fs::perms::others_read, "0604"},
      {"readable by the group", good, owner | fs::perms::group_read, "too open"},
#endif
      {"protected by a pass phrase",
       Botan::PKCS8::PEM_encode(*key, rng, "secret", std::chrono::milliseconds(10)), owner,
       "pass phrase"},
      {"a public key", KeyFileText(keys.publicBlock), owner, "public key"},
      {"not a key", "just some text\n", owner, "not a private key file"},
      {"empty", "", owner, "not a private key file"},
      {"damaged Base64", damaged, owner, "Base64"},
      {"a data line missing", KeyFileText(shortBlock), owner, "no readable private key"},
      {"a 1024-bit key",
       KeyFileText(ArmourKeyBlock(small.privateKey, KeyBlockType::Private, KeyVersionTag())), owner,
       "1024-bit"},
  };
  for (const Case& c : cases) {
    const std::string path = dir / "key";
    fs::remove(path);
    WriteKeyFile(path, c.text, c.mode);
    try {
      ReadPrivateKeyFile(path);
      ADD_FAILURE() << c.name << ": read";
    } catch (const KeyFileError& e) {
      EXPECT_THAT(e.what(), HasSubstr(path)) << c.name;
      EXPECT_THAT(e.what(), HasSubstr(c.says)) << c.name;
    }
  }
  EXPECT_THROW(ReadPrivateKeyFile(dir / "none.key"), KeyFileError);
  EXPECT_THROW(ReadPrivateKeyFile(dir.path().string()), KeyFileError);  // a folder

  // One bad file among several keeps the keys as they were.
  UsePrivateKeys({keys.privateBlock});
  EXPECT_THROW(UsePrivateKeyFiles({dir / "none.key"}), KeyFileError);
  EXPECT_EQ(Get_New_Private_Key(), keys.privateBlock);
  UsePrivateKeys({});
}

TEST(KeyFileTest, NewKeyPairIsWrittenOnceWithItsModes) {
  ScratchDir dir;
  const std::string keys = dir / "keys";  // made when missing
  WriteNewKeyPair(keys);
  const std::string pub = keys + "/public.key", priv = keys + "/private.key";
#ifndef _WIN32  // file modes
  EXPECT_EQ(fs::status(pub).permissions(), fs::perms::owner_read | fs::perms::owner_write |
                                               fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(fs::status(priv).permissions(), fs::perms::owner_read | fs::perms::owner_write);
#endif

  std::vector<std::string> publicLines;
  {
    std::istringstream in(ReadFile(pub));
    for (std::string line; std::getline(in, line);) publicLines.push_back(line);
  }
  const Bytes publicDer = CheckBlock(publicLines, "PUBLIC KEY BLOCK");
  EXPECT_EQ(publicDer.size(), 294u);
  const auto privateBlock = ReadPrivateKeyFile(priv);
  CheckBlock(privateBlock, "PRIVATE KEY BLOCK");
  EXPECT_EQ(publicLines[1], privateBlock[1]);  // one version tag for the pair
  EXPECT_EQ(RoundTrip(publicDer, privateBlock, dir), "pass phrase");

  // Never over an existing file, and then nothing at all is written.
  const std::string before = ReadFile(priv);
  EXPECT_THROW(WriteNewKeyPair(keys), KeyFileError);
  EXPECT_EQ(ReadFile(priv), before);
  fs::remove(priv);
  try {
    WriteNewKeyPair(keys);
    ADD_FAILURE() << "public.key replaced";
  } catch (const KeyFileError& e) {
    EXPECT_THAT(e.what(), HasSubstr("public.key exists"));
  }
  EXPECT_FALSE(fs::exists(priv));
#ifndef _WIN32
  const std::string other = dir / "other";
  fs::create_directory(other);
  fs::create_symlink(dir / "elsewhere", other + "/private.key");  // a dangling link counts
  EXPECT_THROW(WriteNewKeyPair(other), KeyFileError);
  EXPECT_FALSE(fs::exists(dir / "elsewhere"));
  EXPECT_FALSE(fs::exists(other + "/public.key"));
#endif
}

}  // namespace
}  // namespace qorva
