// Writes holder report files column by column, so that every summary record agrees with the
// records before it by construction. Used to make the shipped samples, the fuzz seeds and the
// benchmark's large file.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace qorva::gen {

// One record line: a run of spaces that fields are written into by 1-based column.
class Line {
 public:
  explicit Line(char type, std::size_t length);
  // Text left-aligned in the field, cut or padded with spaces to `width`.
  Line& Text(int column, int width, const std::string& text);
  // A zero-padded unsigned number right-aligned in the field.
  Line& Number(int column, int width, std::uint64_t value);
  const std::string& str() const { return text_; }

 private:
  std::string text_;
};

struct Owner {
  std::string last_name, first_name;
  std::string date = "00000000";  // YYYYMMDD or all zeros
  std::string type_code = "01", relation_code = "02";
};

struct SafeDepositBox {
  std::string id, description, code = "SD01";
};

struct Property {
  std::string last_name, first_name;
  std::string address1, address2, city, state, zip;
  std::string date_a = "00000000", date_b = "00000000";
  std::string type_code = "MS01";
  std::uint64_t cash_cents = 0;
  std::string cusip;                                     // blank when the property holds no shares
  std::uint64_t share_count = 0;                         // plain number of shares
  std::uint64_t shares_e4 = 0;                           // shares to remit, four implied decimals
  std::string owner_type = "01", owner_relation = "01";  // QORVA 2 columns only
  std::vector<Owner> owners;
  std::vector<SafeDepositBox> boxes;
  int other_records = 0;  // type 5 records after the property
};

struct Holder {
  bool revised = true;  // QORVA 2 format (625-character records)
  std::string tax_id, name;
  std::string contact1_name, contact1_phone, contact1_email;
  std::string contact2_name, contact2_phone, contact2_email;
  std::vector<Property> properties;
  bool negative = false;
  std::string software_version = "4.2.1", file_creator = "Ledgerline Escheat",
              software_contact = "support@ledgerline.example 555-0142";
  // Added to the summary's record count and cash total, to make a mismatching report.
  int record_count_skew = 0;
  std::int64_t cash_skew_cents = 0;
};

// Record lengths: the QORVA 2 format is 625 characters; the QORVA 1 records used here are 550.
constexpr std::size_t kRevisedLength = 625;
constexpr std::size_t kClassicLength = 550;

// Writes one holder report (holder, details, summary) with CR LF line ends; returns the
// number of lines written.
std::size_t WriteReport(std::ostream& out, const Holder& holder);

// Writes a QORVA 2 holder report of `properties` valued properties (every fourth with a
// co-owner, every tenth with shares) one record at a time, so that any size costs no memory;
// returns the bytes written.
std::uint64_t WriteSyntheticReport(std::ostream& out, std::uint64_t report_number,
                                   std::uint64_t properties);

}  // namespace qorva::gen
