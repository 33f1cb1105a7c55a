#include "report_writer.h"

#include <algorithm>
#include <sstream>

namespace qorva::gen {

Line::Line(char type, std::size_t length) : text_(length, ' ') { text_[0] = type; }

Line& Line::Text(int column, int width, const std::string& text) {
  std::string field = text.substr(0, static_cast<std::size_t>(width));
  field.resize(static_cast<std::size_t>(width), ' ');
  text_.replace(static_cast<std::size_t>(column - 1), field.size(), field);
  return *this;
}

Line& Line::Number(int column, int width, std::uint64_t value) {
  std::string digits = std::to_string(value);
  if (digits.size() < static_cast<std::size_t>(width))
    digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
  return Text(column, width, digits.substr(digits.size() - static_cast<std::size_t>(width)));
}

namespace {

void Emit(std::ostream& out, const Line& line, std::size_t& count) {
  out << line.str() << "\r\n";
  ++count;
}

}  // namespace

std::size_t WriteReport(std::ostream& out, const Holder& h) {
  const std::size_t length = h.revised ? kRevisedLength : kClassicLength;
  std::size_t count = 0;

  Line holder('1', length);
  holder.Text(2, 9, h.tax_id).Text(37, 40, h.name).Text(129, 40, h.contact1_name);
  holder.Text(303, 10, h.contact1_phone);
  if (h.revised) {
    holder.Text(22, 1, "R").Text(317, 50, h.contact1_email).Text(367, 40, h.contact2_name);
    holder.Text(541, 10, h.contact2_phone).Text(555, 50, h.contact2_email);
  } else {
    holder.Text(317, 40, h.contact2_name).Text(491, 10, h.contact2_phone);
  }
  Emit(out, holder, count);

  std::uint64_t cash = 0, shares = 0;
  std::uint64_t sequence = 0;
  for (const Property& p : h.properties) {
    Line prop('2', length);
    prop.Number(2, 8, ++sequence).Text(10, 40, p.last_name).Text(50, 30, p.first_name);
    prop.Text(116, 30, p.address1).Text(146, 30, p.address2).Text(206, 30, p.city);
    prop.Text(256, 2, p.state).Text(258, 9, p.zip).Text(281, 8, p.date_a).Text(289, 8, p.date_b);
    prop.Text(305, 4, p.type_code).Number(365, 10, p.cash_cents).Text(408, 9, p.cusip);
    prop.Number(417, 12, p.share_count).Number(453, 12, p.shares_e4);
    if (h.revised) prop.Text(601, 2, p.owner_type).Text(603, 2, p.owner_relation);
    Emit(out, prop, count);
    cash += p.cash_cents;
    shares += p.shares_e4;

    for (const Owner& o : p.owners) {
      Line owner('3', length);
      owner.Text(9, 40, o.last_name).Text(49, 30, o.first_name).Text(280, 8, o.date);
      owner.Text(288, 2, o.type_code).Text(293, 2, o.relation_code);
      Emit(out, owner, count);
    }
    for (const SafeDepositBox& b : p.boxes) {
      Line box('6', length);
      box.Text(25, 11, b.id).Text(36, 125, b.description).Text(226, 4, b.code);
      Emit(out, box, count);
    }
    for (int i = 0; i < p.other_records; ++i) {
      Line other('5', length);
      other.Text(10, 40, "ADDITIONAL PROPERTY DETAIL");
      Emit(out, other, count);
    }
  }

  Line summary(h.revised ? '9' : '4', length);
  const auto records =
      static_cast<std::uint64_t>(static_cast<std::int64_t>(count) + 1 + h.record_count_skew);
  summary.Number(2, 6, records).Number(8, 6, h.properties.size());
  summary.Number(74, 12,
                 static_cast<std::uint64_t>(static_cast<std::int64_t>(cash) + h.cash_skew_cents));
  summary.Number(128, 14, shares).Text(142, 1, h.negative ? "Y" : "N");
  if (h.revised) {
    summary.Text(143, 20, h.software_version).Text(163, 20, h.file_creator);
    summary.Text(183, 70, h.software_contact);
  }
  Emit(out, summary, count);
  return count;
}

std::uint64_t WriteSyntheticReport(std::ostream& out, std::uint64_t report_number,
                                   std::uint64_t properties) {
  Holder h;
  h.tax_id = std::to_string(410000000 + report_number);
  h.name = "SYNTHETIC HOLDER " + std::to_string(report_number);
  h.contact1_name = "MIRIAM OSTRANDER";
  h.contact1_phone = "6175550142";
  h.contact1_email = "unclaimed@holder.example";
  Holder header = h;  // the holder record alone: no properties
  std::ostringstream head;
  WriteReport(head, header);
  std::string holder_line = head.str();
  holder_line.resize(holder_line.find("\r\n") + 2);
  out << holder_line;
  std::uint64_t bytes = holder_line.size(), records = 1, cash = 0, shares = 0;

  for (std::uint64_t i = 0; i < properties; ++i) {
    Line prop('2', kRevisedLength);
    prop.Number(2, 8, i + 1).Text(10, 40, i % 2 ? "HOLLOWAY" : "NAKAMURA").Text(50, 30, "EDITH");
    prop.Text(116, 30, "100 LARKSPUR LANE").Text(206, 30, "BRANTWOOD").Text(256, 2, "MA");
    prop.Text(258, 9, "021380000").Text(281, 8, "19620315").Text(289, 8, "20210104");
    prop.Text(305, 4, "MS01").Text(601, 4, "0101");
    const std::uint64_t cents = 100 + (i * 7919) % 90000;
    prop.Number(365, 10, cents);
    std::uint64_t shares_e4 = 0;
    if (i % 10 == 0) {
      shares_e4 = 15000 + (i % 7) * 2500;
      prop.Text(408, 9, "4Q7100034").Number(417, 12, 1 + i % 7).Number(453, 12, shares_e4);
    } else {
      prop.Number(417, 12, 0).Number(453, 12, 0);
    }
    out << prop.str() << "\r\n";
    bytes += kRevisedLength + 2;
    ++records;
    cash += cents;
    shares += shares_e4;
    if (i % 4 == 0) {
      Line owner('3', kRevisedLength);
      owner.Text(9, 40, "PEMBERTON").Text(49, 30, "SILAS").Text(280, 8, "19580611");
      owner.Text(288, 2, "02").Text(293, 2, "03");
      out << owner.str() << "\r\n";
      bytes += kRevisedLength + 2;
      ++records;
    }
  }

  Line summary('9', kRevisedLength);
  summary.Number(2, 6, (records + 1) % 1000000).Number(8, 6, properties % 1000000);
  summary.Number(74, 12, cash).Number(128, 14, shares).Text(142, 1, "N");
  summary.Text(143, 20, h.software_version).Text(163, 20, h.file_creator);
  summary.Text(183, 70, h.software_contact);
  out << summary.str() << "\r\n";
  return bytes + kRevisedLength + 2;
}

}  // namespace qorva::gen
