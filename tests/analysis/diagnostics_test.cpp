// What a holder can act on: the records that cost points, and line errors that locate the
// fault.
#include <gtest/gtest.h>

#include <sstream>

#include "ReportFixture.h"

namespace qorva::testing {
namespace {

std::string Blanks(std::size_t n) { return std::string(n, ' '); }

struct Kept {
  int category;
  std::int64_t line;
  std::string field;
  std::string reason;
};

struct RecordsCase {
  const char* name;
  std::vector<std::string> lines;  // "" is an empty line, counted in the line numbers
  std::vector<Kept> kept;          // every kept record of report 1, in category order
};

std::vector<std::string> V1(std::string holder, std::vector<std::string> details) {
  std::vector<std::string> lines = Report(false, std::move(details));
  lines[0] = std::move(holder);
  return lines;
}

TEST_F(LoaderTest, KeepsThePenalisedRecordsOfEveryCategoryWithLineAndReason) {
  const std::string P = Property();
  const RecordsCase cases[] = {
      {"clean report keeps nothing", Report(true, {P, Owner(), Box()}), {}},
      {"tax ID blank", V1(Holder(false, {{2, Blanks(9)}}), {P}),
       {{scHolderTaxID, 1, "HolderTaxID", "HolderTaxID is blank"}}},
      {"tax ID digit run", V1(Holder(false, {{2, "1111111AB"}}), {P}),
       {{scHolderTaxID, 1, "HolderTaxID", "HolderTaxID 1111111AB begins with a digit run"}}},
      {"no contact names", V1(Holder(false, {{129, Blanks(40)}}), {P}),
       {{scHolderContact, 1, "Contact1Name", "Contact1Name and Contact2Name are blank"}}},
      {"QORVA 1 contact without telephone", V1(Holder(false, {{303, Blanks(10)}}), {P}),
       {{scHolderContact, 1, "Contact1Phone", "Contact1Phone is blank"}}},
      {"QORVA 2 contact without telephone or e-mail",
       [&] {
         auto lines = Report(true, {P});
         lines[0] = Holder(true, {{303, Blanks(10)}, {317, Blanks(50)}});
         return lines;
       }(),
       {{scHolderContact, 1, "Contact1Phone",
         "Contact1Phone is blank and Contact1Email is blank"}}},
      {"second contact's telephone a digit run",
       V1(Holder(false, {{317, "BOB"}, {491, "5555555123"}}), {P}),
       {{scHolderContact, 1, "Contact2Phone", "Contact2Phone 5555555123 begins with a digit run"}}},
      {"punctuation in the holder name and a street, lines counted with empty ones",
       [&] {
         auto lines = V1(Holder(false, {{37, "ACME, INC"}}), {P, Property(100, 0, {{116, "1 MAIN ST."}})});
         lines.insert(lines.begin() + 1, {"", ""});
         return lines;
       }(),
       {{scPunctuation, 1, "HolderName", "HolderName holds ',' in column 41"},
        {scPunctuation, 5, "", "record holds '.' in column 125"}}},
      {"suspicious dates, one per property",
       V1(Holder(false),
          {Property(100, 0, {{289, "20200230"}, {281, "18000101"}}),
           Property(100, 0, {{289, "20300101"}}), Property(100, 0, {{289, "19700101"}}),
           Property(100, 0, {{281, "18000101"}}), Owner({{280, "2020 101"}}),
           Owner().substr(0, 283)}),
       {{scBadDate, 2, "DateB", "DateB 02/30/2020 is not a calendar date"},
        {scBadDate, 3, "DateB", "DateB 01/01/2030 lies in the future"},
        {scBadDate, 4, "DateB", "DateB 01/01/1970 is 50 years or more in the past"},
        {scBadDate, 5, "DateA", "DateA 01/01/1800 is 150 years or more in the past"},
        // The property's date already counted: its owners' dates are not examined.
        {scMissingOwnerCode, 7, "OwnerTypeCode", "OwnerTypeCode and OwnerRelationCode are blank"}}},
      {"owner dates after a sound property",
       V1(Holder(false), {P, Owner({{280, "2020 101"}}), Property(), Owner().substr(0, 283)}),
       {{scBadDate, 3, "DateC", "DateC \" 1/01/2020\" is not a calendar date"},
        {scBadDate, 5, "DateC", "DateC 2020 is cut short by the end of the line"},
        {scMissingOwnerCode, 5, "OwnerTypeCode", "OwnerTypeCode and OwnerRelationCode are blank"}}},
      {"missing CUSIPs",
       V1(Holder(false), {Property(100, 15000, {{408, Blanks(9)}}),
                          Property(100, 15000, {{408, "000000000"}}), Property(100, 15000)}),
       {{scMissingCUSIP, 2, "CUSIP", "CUSIP is blank though the property holds shares"},
        {scMissingCUSIP, 3, "CUSIP", "CUSIP is 000000000 though the property holds shares"}}},
      {"incomplete tangible", V1(Holder(false), {P, Box({{25, Blanks(11)}, {226, "    "}})}),
       {{scIncompleteTangible, 3, "TangibleId", "TangibleId and TangibleCode are blank"}}},
      {"missing property type code", V1(Holder(false), {Property(100, 0, {{305, "    "}})}),
       {{scMissingPropType, 2, "PropertyTypeCode", "PropertyTypeCode is blank"}}},
      {"owner codes of a QORVA 2 property and an owner",
       [&] {
         auto lines = Report(true, {Property(100, 0, {{603, "  "}}), Owner({{293, "  "}})});
         return lines;
       }(),
       {{scMissingOwnerCode, 2, "OwnerRelationCode", "OwnerRelationCode is blank"},
        {scMissingOwnerCode, 3, "OwnerRelationCode", "OwnerRelationCode is blank"}}},
      {"partial owner addresses",
       V1(Holder(false), {Property(100, 0, {{116, Blanks(30)}, {258, Blanks(9)}}),
                          Property(100, 0, {{258, "000123456"}}),
                          Property(100, 0, {{206, Blanks(30)}, {256, "  "}})}),
       {{scPartialOwnerAddress, 2, "OwnerAddress1",
         "city and state given but no street address or zip code"},
        {scPartialOwnerAddress, 3, "OwnerZip", "city and state given but no zip code"},
        {scPartialOwnerAddress, 4, "OwnerCity", "zip code given but no city or state"}}},
      {"zero value: the property record's line, a box gives value",
       V1(Holder(false), {Property(0), Owner(), Property(0), Box(), Property(0)}),
       {{scZeroAssets, 2, "CashAmount",
         "property without value: no cash or shares above zero and no safe-deposit box"},
        {scZeroAssets, 6, "CashAmount",
         "property without value: no cash or shares above zero and no safe-deposit box"}}},
      {"software version on the summary record",
       Report(true, {P}, {{143, Blanks(20)}, {163, Blanks(20)}}),
       {{scIncompleteVersionInfo, 3, "SoftwareVersion",
         "SoftwareVersion and FileCreator are blank"}}},
      {"control characters in a reason are escaped",
       V1(Holder(false), {Property(100, 0, {{289, "2020\x01" "101"}})}),
       {{scBadDate, 2, "DateB", "DateB \"\\x011/01/2020\" is not a calendar date"}}},
  };
  for (const RecordsCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Load(c.lines)) << ::testing::PrintToString(messages_.texts());
    std::vector<Kept> got;
    for (int k = 0; k < kScoreCategoryCount; ++k) {
      const auto& records = dm_.PenalisedRecords(1, k);
      // Exact counts beside the kept records.
      EXPECT_EQ(records.size(), static_cast<std::size_t>(Score(1, k + 1).RecordsPenalized))
          << ScoreCategoryText(k);
      for (const TPenalisedRecord& r : records) got.push_back({k, r.Line, r.Field, r.Reason});
    }
    ASSERT_EQ(got.size(), c.kept.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].category, c.kept[i].category) << i;
      EXPECT_EQ(got[i].line, c.kept[i].line) << i;
      EXPECT_EQ(got[i].field, c.kept[i].field) << i;
      EXPECT_EQ(got[i].reason, c.kept[i].reason) << i;
    }
  }
}

TEST_F(LoaderTest, KeepsAThousandRecordsPerCategoryAndNothingOutsideReports) {
  std::vector<std::string> details(1003, Property(100, 0, {{305, "    "}}));
  std::vector<std::string> lines = Report(false, details);
  // Between two reports a record still moves counters, but belongs to no report.
  lines.push_back(Property(100, 0, {{116, "1 MAIN ST."}}));
  for (const std::string& l : Report(false, {Property()})) lines.push_back(l);
  ASSERT_TRUE(Load(lines));
  const auto& kept = dm_.PenalisedRecords(1, scMissingPropType);
  ASSERT_EQ(kept.size(), kKeptRecordsPerCategory);
  EXPECT_EQ(Score(1, scMissingPropType + 1).RecordsPenalized, 1003);
  EXPECT_EQ(kept.front().Line, 2);
  EXPECT_EQ(kept.back().Line, 1001);
  for (int k = 0; k < kScoreCategoryCount; ++k) EXPECT_TRUE(dm_.PenalisedRecords(2, k).empty());
  // Lookups by a score row's text, and outside the loaded reports.
  EXPECT_EQ(&dm_.PenalisedRecords(1, "Missing Prop. Type Codes"), &kept);
  EXPECT_TRUE(dm_.PenalisedRecords(3, scMissingPropType).empty());
  EXPECT_TRUE(dm_.PenalisedRecords(1, "No Such Category").empty());
}

TEST_F(LoaderTest, WritesTheKeptRecordsAsCsv) {
  std::vector<std::string> lines =
      V1(Holder(false, {{2, Blanks(9)}, {37, "=M\xDCLLER \"BROS\""}}), {Property(0)});
  for (const std::string& l : Report(false, {Property(100, 0, {{305, "    "}})}))
    lines.push_back(l);
  ASSERT_TRUE(Load(lines));
  std::ostringstream all, second;
  dm_.WritePenalisedRecordsCsv(all);
  EXPECT_EQ(all.str(),
            "Holder_ID,HolderName,Category,Line,Reason\r\n"
            "1,\"'=M\xC3\x9CLLER \"\"BROS\"\"\",Missing / Invalid Holder Tax ID,1,HolderTaxID is "
            "blank\r\n"
            "1,\"'=M\xC3\x9CLLER \"\"BROS\"\"\",Records With Punctuation,1,\"HolderName holds "
            "'\"\"' in column 45\"\r\n"
            "1,\"'=M\xC3\x9CLLER \"\"BROS\"\"\",Zero Value Properties,2,property without value: no "
            "cash or shares above zero and no safe-deposit box\r\n"
            "2,ACME HOLDINGS,Missing Prop. Type Codes,5,PropertyTypeCode is blank\r\n");
  dm_.WritePenalisedRecordsCsv(second, 2);
  EXPECT_EQ(second.str(),
            "Holder_ID,HolderName,Category,Line,Reason\r\n"
            "2,ACME HOLDINGS,Missing Prop. Type Codes,5,PropertyTypeCode is blank\r\n");
}

struct DetailCase {
  const char* name;
  std::string content;
  std::string message;
  std::string detail;
};

TEST_F(LoaderTest, LineErrorsLocateTheFaultApartFromTheMessage) {
  const std::string H = Holder(true);  // 625 characters, as long as the property records
  std::string utf8 = Property();
  utf8.replace(10, 1, "\xC3\x9C");  // "Ü" in the owner's last name, one byte too many
  const DetailCase cases[] = {
      {"columns and the text found", Join({H, Property(100, 0, {{365, "12,345.00 "}})}),
       "Invalid number in CashAmount.", "CashAmount: columns 365-374 hold \"12,345.00 \"."},
      {"control bytes escaped", Join({H, Property(100, 0, {{365, "0\t0\x9C\"\\0001"}})}),
       "Invalid number in CashAmount.",
       "CashAmount: columns 365-374 hold \"0\\x090\\x9C\\\"\\\\0001\".\r"
       "Hint: the line holds a tab in column 366. A tab counts as one column; fields must be "
       "padded with spaces."},
      {"multi-byte UTF-8 earlier in the line", Join({H, utf8}), "Invalid number in CashAmount.",
       "CashAmount: columns 365-374 hold \" 000001000\".\r"
       "Hint: the line holds 1 UTF-8 character of more than one byte before column 365 (the "
       "first, \"\\xC3\\x9C\", in column 11), which shifts the columns after it by 1. Records "
       "take one byte per character: save the file as Latin-1 or ASCII.\r"
       "Hint: the line is 626 characters long, its report's holder record 625: characters may "
       "be extra before this field."},
      {"line shorter than its record", Join({H, Property().substr(0, 370)}),
       "Invalid number in SharesRemitted.",
       "SharesRemitted: columns 453-464, beyond the end of the line (370 characters).\r"
       "Hint: the line is 370 characters long, its report's holder record 625: characters may "
       "be missing before this field."},
      {"field cut short", Join({H, Property(100, 0, {{365, "1 "}}).substr(0, 367)}),
       "Invalid number in CashAmount.",
       "CashAmount: columns 365-374 hold \"1 0\", cut short by the end of the line (367 "
       "characters).\r"
       "Hint: the line is 367 characters long, its report's holder record 625: characters may "
       "be missing before this field."},
      {"carriage returns alone end no line",
       H + "\r" + Property() + "\r" + Summary(true, {3, 1, 10000, 0}) + "\r",
       "File must end with Summary Record.",
       "Hint: the line holds a carriage return without a line feed in column 626. Lines must end "
       "with a line feed (or a carriage return and line feed); with carriage returns alone, the "
       "records run together as one line."},
      {"tabs instead of spaces", Join({H, "2\tSMITH"}), "Empty Owner Lastname.",
       "OwnerLastName: columns 10-49, beyond the end of the line (7 characters).\r"
       "Hint: the line holds a tab in column 2. A tab counts as one column; fields must be "
       "padded with spaces.\r"
       "Hint: the line is 7 characters long, its report's holder record 625: characters may be "
       "missing before this field."},
      {"a structural error has no field", Join({H, Property(), H}),
       "New holder record ahead of summary record.", ""},
  };
  for (const DetailCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(Load(c.content));
    ASSERT_EQ(messages_.entries().size(), 1u);
    const auto& shown = messages_.entries()[0];
    EXPECT_EQ(shown.text, "Error in line " + std::to_string(*dm_.LastError()->line) + ".\r\r" +
                              c.message + "\r\rCannot load file.");
    EXPECT_EQ(shown.detail, c.detail);
    EXPECT_EQ(dm_.LastError()->detail, c.detail);
  }
}

TEST_F(LoaderTest, KeepsTheStartOfTheOffendingLineFromTheOneRead) {
  const std::string bad = Property(100, 0, {{365, "12,345.00 "}});
  // The error's line after empty lines, in a file far longer than a read block.
  std::vector<std::string> lines = Report(false, std::vector<std::string>(3000, Property()));
  lines.insert(lines.end(), {"", "", Holder(false), "", bad, Property()});
  ASSERT_FALSE(Load(lines));
  const auto& error = *dm_.LastError();
  EXPECT_EQ(*error.line, 3000 + 2 + 2);
  EXPECT_EQ(error.physical_line, 3000 + 2 + 2 + 3);
  EXPECT_EQ(error.line_start, bad);
  EXPECT_FALSE(error.line_cut);

  // The last line, for an error found at the end of the file.
  ASSERT_FALSE(Load(Join({Holder(false), Property()}) + "\n\n"));
  EXPECT_EQ(dm_.LastError()->physical_line, 2);
  EXPECT_EQ(dm_.LastError()->line_start, Property());
}

}  // namespace
}  // namespace qorva::testing
