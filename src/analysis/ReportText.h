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
inline bool IsBlank(std::string_view s) {
  for (char c : s)
    if (!IsBlankChar(c)) return false;
  return true;
}

// An optional sign followed by decimal digits and nothing else; nullopt otherwise
// (blank text included) or when the value does not fit in 64 bits.
std::optional<std::int64_t> ParseLongWholeNumber(std::string_view s);
// The same, without an optional in the way of the hot path: false when it does not convert.
inline bool TryParseWholeNumber(std::string_view s, std::int64_t& out) {
  const bool sign = !s.empty() && (s[0] == '+' || s[0] == '-');
  if (s.size() == sign || s.size() > 18) {
    const std::optional<std::int64_t> v = ParseLongWholeNumber(s);
    if (v) out = *v;
    return v.has_value();
  }
  // Short texts (every field is) cannot overflow. Eight digits at a time: the loader reads
  // several numbers from every property record.
  const char* p = s.data() + sign;
  std::size_t n = s.size() - sign;
  std::int64_t value = 0;
  for (; n > 8 || (n > 0 && n < 8); --n, ++p) {
    const unsigned d = static_cast<unsigned char>(*p) - '0';
    if (d > 9) return false;
    value = value * 10 + static_cast<std::int64_t>(d);
  }
  if (n == 8) {
    std::uint64_t v = 0;  // first character in the lowest byte; one load on x86
    for (int k = 7; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(p[k]);
    if (((v & 0xF0F0F0F0F0F0F0F0) | (((v + 0x0606060606060606) & 0xF0F0F0F0F0F0F0F0) >> 4)) !=
        0x3333333333333333)
      return false;
    v -= 0x3030303030303030;
    v = (v * 10) + (v >> 8);
    v = (((v & 0x000000FF000000FF) * (100 + (1000000ULL << 32))) +
         (((v >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32)))) >>
        32;
    value = value * 100000000 + static_cast<std::int64_t>(v & 0xFFFFFFFF);
  }
  out = sign && s[0] == '-' ? -value : value;
  return true;
}

inline std::optional<std::int64_t> ParseWholeNumber(std::string_view s) {
  std::int64_t v;
  if (!TryParseWholeNumber(s, v)) return std::nullopt;
  return v;
}

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
