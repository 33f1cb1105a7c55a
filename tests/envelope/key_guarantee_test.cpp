// No private key travels with the source or with the holder's programs, in any build type.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "uKVXPrivateKey.h"

namespace qorva {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool IsBase64(char ch) {
  return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ||
         ch == '+' || ch == '/';
}

// Why `text` holds private key material, or empty. Looks for what any private key leaves
// whatever its wrapping: a private key marker followed by Base64 data, the Base64 start of
// an unencrypted PKCS#8 or PKCS#1 RSA key, or the same bytes raw (a DER file).
std::string PrivateKeyIn(const std::string& text) {
  // Pieces, so that this file does not hold the whole texts it looks for.
  const std::string marker = std::string("PRIVATE") + " KEY";
  const std::vector<std::string> starts = {
      std::string("IBADANBgkqhkiG9w0BAQEF") + "AASC",  // PKCS#8 RSA, Base64
      std::string("MIIEpAIB") + "AAKCAQEA",            // PKCS#1 RSA-2048, Base64
      std::string("MIIEowIB") + "AAKCAQEA",
  };
  const std::string der(
      "\x02\x01\x00\x30\x0d\x06\x09\x2a\x86\x48\x86\xf7\x0d\x01\x01\x01\x05\x00\x04", 19);
  for (const auto& s : starts) {
    if (text.find(s) != std::string::npos) return "a private key's Base64 start";
  }
  if (text.find(der) != std::string::npos) return "a private key's DER start";
  for (auto at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 1)) {
    // A marker line, any header lines, an empty line: then data would follow.
    auto line = text.find('\n', at);
    for (int i = 0; i < 4 && line != std::string::npos; ++i) {
      std::size_t run = 0;
      for (auto p = line + 1; p < text.size() && IsBase64(text[p]); ++p) ++run;
      if (run >= 40) return "Base64 data after a private key marker";
      line = text.find('\n', line + 1);
    }
  }
  return {};
}

// Files of the source tree that git tracks, or every file when there is no git checkout.
std::vector<fs::path> SourceFiles() {
  const fs::path root = QORVA_SOURCE_DIR;
  std::vector<fs::path> files;
#if defined(QORVA_GIT) && !defined(_WIN32)
  const std::string cmd =
      std::string("'") + QORVA_GIT + "' -C '" + root.string() + "' ls-files -z 2>/dev/null";
  if (std::FILE* p = ::popen(cmd.c_str(), "r")) {
    std::string all;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) all.append(buf, n);
    const int status = ::pclose(p);
    for (std::size_t at = 0; status == 0 && at < all.size();) {
      const auto end = all.find('\0', at);
      files.push_back(root / all.substr(at, end - at));
      at = end == std::string::npos ? all.size() : end + 1;
    }
    if (status == 0 && !files.empty()) return files;
    files.clear();
  }
#endif
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    const std::string name = it->path().filename().string();
    if (it->is_directory() &&
        (name == ".git" || name == ".cache" || name.rfind("build", 0) == 0 || name == "out")) {
      it.disable_recursion_pending();
    } else if (it->is_regular_file()) {
      files.push_back(it->path());
    }
  }
  return files;
}

TEST(KeyGuaranteeTest, LookingForPrivateKeysFindsThem) {
  // The scan itself, on the forms a key takes: a key file, a key in code, raw DER.
  const std::string pem = std::string("-----BEGIN ") +
                          "PRIVATE KEY-----\nMIIEvQIBADANBgkqhkiG9w0BAQEF" +
                          "AASCBKcwggSjAgEAAoIBAQC\n";
  const std::string block = std::string("-----BEGIN QORVA ") +
                            "PRIVATE KEY BLOCK-----\nVersion: 1\n\nMIIEugIBADANBgkqhkiG9w0BAQEF" +
                            std::string("AASCBKQwg\n");
  const std::string code = "block.push_back(\"MIIEugIBADANBgkqhkiG9w0BAQEF" + std::string("AASC") +
                           "BKQwggSgAgEAAoIBAQChsby\");";
  const std::string der(
      "\x30\x82\x04\xbd\x02\x01\x00\x30\x0d\x06\x09\x2a\x86\x48\x86\xf7\x0d\x01"
      "\x01\x01\x05\x00\x04\x82",
      24);
  for (const auto& text : {pem, block, code, der}) EXPECT_NE(PrivateKeyIn(text), "") << text;
  // What may stand in the tree: the markers a reader looks for, public keys.
  EXPECT_EQ(PrivateKeyIn("if (head == \"-----BEGIN " +
                         std::string("PRIVATE KEY-----\") {\n  return;\n}\n")),
            "");
  EXPECT_EQ(PrivateKeyIn(ReadAll(fs::path(QORVA_SOURCE_DIR) / "resources/keys/public.key")), "");
}

TEST(KeyGuaranteeTest, NoSourceFileHoldsAPrivateKey) {
  const auto files = SourceFiles();
  ASSERT_GT(files.size(), 50u);
  for (const auto& file : files) {
    EXPECT_EQ(PrivateKeyIn(ReadAll(file)), "") << file;
  }
}

TEST(KeyGuaranteeTest, HolderProgramsCarryNoPrivateKeyReader) {
  std::vector<std::string> holders = {QORVA_BIN, QORVA_TESTKEY_BIN};
#ifdef QORVA_ENCRYPTOR_BIN
  holders.push_back(QORVA_ENCRYPTOR_BIN);
#endif
  const std::string mark = kPrivateKeyReaderMark;
  for (const std::string& path : holders) {
    const std::string program = ReadAll(path);
    ASSERT_FALSE(program.empty()) << path;
    EXPECT_EQ(program.find(mark), std::string::npos) << path;
  }
  // The check can see the reader where it is.
  EXPECT_NE(ReadAll(QORVA_OPEN_BIN).find(mark), std::string::npos);
}

}  // namespace
}  // namespace qorva
