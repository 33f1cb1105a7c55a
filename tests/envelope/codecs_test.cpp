#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "envelope_test_support.h"
#include "uKVXCodecs.h"
#include "w_dialog.h"

namespace qorva {
namespace {

using kvx::Bin2Int;
using kvx::Int2Bin;
using kvx::IsEmptyStr;
using kvx::PadL;
using ::testing::ElementsAre;

std::string Decode(const std::vector<std::string>& lines) {
  return TKVXDecryptionTestAccess::AsciiArmor("", false, lines);
}
std::string Encode(const std::string& s) {
  return TKVXDecryptionTestAccess::AsciiArmor(s, true, {"ignored"});
}

TEST(AsciiArmorTest, DecodesTable) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::string bytes;
  };
  const Case cases[] = {
      {"three bytes", {"TWFu"}, "Man"},
      {"one pad", {"TWE="}, "Ma"},
      {"two pads", {"TQ=="}, "M"},
      {"armoured block uses data lines only",
       {"-----BEGIN QORVA PUBLIC KEY BLOCK-----", "Version: 1.0.0.0++2025-06-02 09:15:00", "",
        "TWFu", "TWE=", "", "=TWFu", "-----END QORVA PUBLIC KEY BLOCK-----"},
       "ManMa"},
      {"line of spaces skipped", {"TWFu", "    ", "TWFu"}, "ManMan"},
      {"outside the alphabet is six zero bits", {"TW*u"}, "M`."},
      {"short last chunk of two bits kept", {"TWF"}, std::string("Ma\x01", 3)},
      {"nothing", {}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Decode(c.lines), c.bytes) << c.name;
}

TEST(AsciiArmorTest, EncodesTable) {
  std::string x76;  // "xxx" encodes as "eHh4"
  for (int i = 0; i < 19; ++i) x76 += "eHh4";
  struct Case {
    const char* name;
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      {"three bytes", "Man", "TWFu\r\n"},
      {"one byte", "M", "TQ==\r\n"},
      {"two bytes", "Ma", "TWE=\r\n"},
      {"empty", "", ""},
      {"57 bytes make a line of 75 and one of 1", std::string(57, 'x'),
       x76.substr(0, 75) + "\r\n" + x76.substr(75) + "\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Encode(c.bytes), c.text) << c.name;
}

TEST(AsciiArmorTest, EncodeThenDecodeGivesEveryByteBack) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  // (56 bytes would leave a lone "=" on the last line, which decoding takes for a checksum.)
  for (size_t n : {0u, 1u, 2u, 3u, 57u, 58u, 59u, 256u}) {
    const std::string text = Encode(all.substr(0, n));
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
      const size_t end = text.find("\r\n", start);
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    EXPECT_EQ(Decode(lines), all.substr(0, n)) << n;
  }
}

TEST(CodecHelpersTest, Int2BinTable) {
  RecordingMessageHelper messages;
  struct Case {
    std::int32_t value;
    int width;
    std::string digits;
  };
  const Case cases[] = {{5, 8, "00000101"},
                        {0, 6, "000000"},
                        {-1, 6, "000000"},
                        {63, 6, "111111"},
                        {255, 8, "11111111"}};
  for (const Case& c : cases) EXPECT_EQ(Int2Bin(c.value, c.width), c.digits) << c.value;
  EXPECT_TRUE(messages.entries().empty());

  EXPECT_EQ(Int2Bin(300, 8), "100101100");
  ASSERT_EQ(messages.entries().size(), 1u);
  EXPECT_EQ(messages.entries()[0].kind, MessageKind::Plain);
  EXPECT_EQ(messages.entries()[0].text, "WARNING: string Too Long for Int2Bin");
}

TEST(CodecHelpersTest, Bin2IntPadLIsEmptyStr) {
  EXPECT_EQ(Bin2Int("000101"), 5);
  EXPECT_EQ(Bin2Int(""), 0);
  EXPECT_EQ(Bin2Int("1x1"), 5);  // anything but '1' counts as 0

  EXPECT_EQ(PadL("7", 3, ""), "  7");
  EXPECT_EQ(PadL("7", 3, std::string(1, '\0')), "  7");
  EXPECT_EQ(PadL("12345", 3, "0"), "123");
  EXPECT_EQ(PadL("7", 0, "0"), std::string(79, '0') + "7");
  EXPECT_EQ(PadL("x", 4, "ab"), "ababx");  // a long pad text may overshoot the width

  EXPECT_TRUE(IsEmptyStr(""));
  EXPECT_TRUE(IsEmptyStr(" \t\r\n"));
  EXPECT_FALSE(IsEmptyStr("  a "));

  EXPECT_EQ(kvx::IIF(true, 1, 2), 1);
  EXPECT_EQ(kvx::IIF(false, 1, 2), 2);
}

TEST(CodecHelpersTest, StrToBinaryCopiesBytes) {
  EXPECT_TRUE(TKVXDecryptionTestAccess::StrToBinary("").empty());
  EXPECT_THAT(TKVXDecryptionTestAccess::StrToBinary(std::string("\x00\xff"
                                                                "A",
                                                                3)),
              ElementsAre(0, 255, 65));
}

}  // namespace
}  // namespace qorva
