// Number-to-text formats of the datasets' display texts. All rounding is half away from
// zero on the exact decimal value of the number (a double is expanded exactly, never
// scaled by multiplying), with "." as decimal point and "," as thousands separator.
#pragma once

#include <cstdint>
#include <string>

#include "Currency.h"

namespace qorva {

// A number as exact decimal digits: the value is sign * int_digits.frac_digits.
struct DecimalValue {
  bool negative = false;
  std::string int_digits;   // no leading zeros; empty for a value below 1
  std::string frac_digits;  // no trailing zeros
  enum class Kind { Finite, NaN, PositiveInfinity, NegativeInfinity } kind = Kind::Finite;

  static DecimalValue FromDouble(double v);
  static DecimalValue FromInteger(std::int64_t v);
  static DecimalValue FromCurrency(Currency v);
  bool IsZero() const { return kind == Kind::Finite && int_digits.empty() && frac_digits.empty(); }
};

// `x` rounded half away from zero to `decimals` decimals (negative: to tens, hundreds...).
DecimalValue RoundToDecimals(const DecimalValue& x, int decimals);

// A picture format: sections "positive;negative;zero"; in a section '0' is a digit that
// is always shown, '#' a digit shown only when significant, '.' the decimal point, ','
// anywhere switches thousands separators on (it never scales), text in '...' or "..."
// and other characters before the first or after the last digit placeholder are copied.
// "###,###" shows 0 as empty text and 1234567 as "1,234,567"; "###,##0" shows 0 as "0";
// "###,###,##0.0000," shows 1234.5 as "1,234.5000". A negative value without a negative
// section gets a leading "-", unless it rounds to zero. Scientific placeholders ("E+")
// are not supported and are copied as text. An empty format gives FormatGeneral(v, 15).
std::string FormatFloat(const std::string& format, const DecimalValue& value);
std::string FormatFloat(const std::string& format, double value);

// The general number format: `precision` significant digits (1 to 18), trailing zeros
// and a needless point dropped; fixed notation while the rounded value has at most
// `precision` integer digits and is at least 0.00001, otherwise scientific with the
// shortest exponent ("1.2E2", "1E-7"). FormatGeneral(-4.0 / 3, 2) is "-1.3".
std::string FormatGeneral(const DecimalValue& value, int precision);
std::string FormatGeneral(double value, int precision);

// The system's currency format, US style: "$1,234.56", negatives "-$1,234.56", two
// decimals.
std::string FormatCurrency(Currency value);

}  // namespace qorva
