// Reading the fields of a holder report line: columns, blanks, numbers, dates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace qorva {

// A field's place in its line: first column counted from 1, and its length.
struct TColumn {
  std::size_t first;
  std::size_t length;
};

// The field's text as it stands; the part beyond the end of the line is absent, so a
// field wholly beyond it is empty.
inline std::string_view Column(std::string_view line, TColumn c) {
  if (c.first - 1 >= line.size()) return {};
  return line.substr(c.first - 1, c.length);
}

inline bool IsBlankChar(char ch) { return static_cast<unsigned char>(ch) <= 32; }

// Removes leading and trailing spaces and control characters (codes 0 to 32).
std::string_view TrimBlanks(std::string_view s);
inline bool IsBlank(std::string_view s) { return TrimBlanks(s).empty(); }

// An optional sign followed by decimal digits and nothing else; nullopt otherwise
// (blank text included) or when the value does not fit in 64 bits.
std::optional<std::int64_t> ParseWholeNumber(std::string_view s);

// True when the (seven-character) piece occurs in the run text "1111111 2222222 ...".
bool IsDigitRun(std::string_view piece);

// True when the text holds a comma, full stop, double quote, asterisk, backslash or
// question mark.
bool HasPunctuation(std::string_view s);

// A YYYYMMDD date field.
struct TReportDate {
  enum Kind { Absent, Invalid, Valid } kind;
  double value;  // days since 1899-12-30, midnight; only for Valid
};
TReportDate ReadReportDate(std::string_view field);

}  // namespace qorva
