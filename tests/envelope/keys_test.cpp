#include <gtest/gtest.h>

#include "envelope_test_support.h"
#include "uKVXPrivateKey.h"
#include "uKVXPublicKey.h"

namespace qorva {
namespace {

struct Block {
  const char* name;
  std::vector<std::string> (*get)();
  const char* type;
  size_t lines;
  size_t derBytes;
  size_t lastDataLine;
};

// The public key is standard X.509 DER of a 65537-exponent key: 294 bytes.
const Block kBlocks[] = {
    {"public", &Get_Public_Key, "PUBLIC KEY BLOCK", 11, 294, 17},
    {"newer private", &Get_New_Private_Key, "PRIVATE KEY BLOCK", 27, 1214, 45},
    {"older private", &Get_Private_Key, "PRIVATE KEY BLOCK", 27, 1216, 49},
};

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

TEST(KeyMaterialTest, BlocksHaveTheirShapeAndDecodeToOneSequence) {
  for (const Block& b : kBlocks) {
    const std::vector<std::string> lines = b.get();
    ASSERT_EQ(lines.size(), b.lines) << b.name;
    EXPECT_EQ(lines.front(), std::string("-----BEGIN QORVA ") + b.type + "-----") << b.name;
    EXPECT_EQ(lines.back(), std::string("-----END QORVA ") + b.type + "-----") << b.name;
    EXPECT_EQ(lines[1].rfind("Version: ", 0), 0u) << b.name;
    EXPECT_EQ(lines[1].size(), 9u + 28) << b.name;
    EXPECT_NE(lines[1].find("++"), std::string::npos) << b.name;
    EXPECT_EQ(lines[2], "") << b.name;
    EXPECT_EQ(lines[lines.size() - 2], "") << b.name;
    for (size_t i = 3; i + 3 < lines.size(); ++i) EXPECT_EQ(lines[i].size(), 75u) << b.name << i;
    EXPECT_EQ(lines[lines.size() - 3].size(), b.lastDataLine) << b.name;

    const std::vector<std::uint8_t> der = TKVXDecryptionTestAccess::StrToBinary(
        TKVXDecryptionTestAccess::AsciiArmor("", false, lines));
    ASSERT_EQ(der.size(), b.derBytes) << b.name;
    const auto [length, start] = OuterSequence(der);
    EXPECT_EQ(start + length, der.size()) << b.name;
  }
}

TEST(KeyMaterialTest, VersionTags) {
  // The public block and the older private block share a tag; the newer one is later.
  const std::string pub = Get_Public_Key()[1];
  const std::string older = Get_Private_Key()[1];
  const std::string newer = Get_New_Private_Key()[1];
  EXPECT_EQ(pub, older);
  EXPECT_GT(newer, older);
  EXPECT_NE(Get_New_Private_Key()[3], Get_Private_Key()[3]);  // two different keys
}

}  // namespace
}  // namespace qorva
