#include "Currency.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include "DisplayFormat.h"

namespace qorva {

namespace {

// Units of a value already rounded to four decimals; nullopt when beyond 64 bits.
std::optional<std::int64_t> UnitsOf(const DecimalValue& d) {
  std::string digits = d.int_digits + d.frac_digits;
  digits.append(4 - d.frac_digits.size(), '0');
  const std::uint64_t limit =
      static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (d.negative ? 1 : 0);
  std::uint64_t units = 0;
  for (char c : digits) {
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (units > (limit - digit) / 10) return std::nullopt;
    units = units * 10 + digit;
  }
  if (!d.negative) return static_cast<std::int64_t>(units);
  return units == 0 ? 0 : -static_cast<std::int64_t>(units - 1) - 1;
}

}  // namespace

Currency Currency::FromDouble(double v) {
  if (!std::isfinite(v)) throw std::out_of_range("Not a finite amount");
  const auto units = UnitsOf(RoundToDecimals(DecimalValue::FromDouble(v), 4));
  if (!units) throw std::out_of_range("Amount out of range");
  return FromUnits(*units);
}

std::optional<Currency> Currency::Parse(std::string_view text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  DecimalValue d;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    d.negative = text.front() == '-';
    text.remove_prefix(1);
  }
  bool in_frac = false, any_digit = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      (in_frac ? d.frac_digits : d.int_digits) += c;
      any_digit = true;
    } else if (c == '.' && !in_frac) {
      in_frac = true;
    } else {
      return std::nullopt;
    }
  }
  if (!any_digit) return std::nullopt;
  // Leading zeros and trailing fraction zeros do not count towards the range.
  d.int_digits.erase(0, d.int_digits.find_first_not_of('0') == std::string::npos
                            ? d.int_digits.size()
                            : d.int_digits.find_first_not_of('0'));
  const std::size_t last = d.frac_digits.find_last_not_of('0');
  d.frac_digits.erase(last == std::string::npos ? 0 : last + 1);
  const auto units = UnitsOf(RoundToDecimals(d, 4));
  if (!units) return std::nullopt;
  return FromUnits(*units);
}

std::string Currency::ToString() const {
  const DecimalValue d = DecimalValue::FromCurrency(*this);
  std::string out = d.negative ? "-" : "";
  out += d.int_digits.empty() ? "0" : d.int_digits;
  if (!d.frac_digits.empty()) out += "." + d.frac_digits;
  return out;
}

Currency& Currency::operator+=(Currency other) {
  std::int64_t r = 0;
  if (__builtin_add_overflow(units_, other.units_, &r))
    throw std::overflow_error("Currency overflow");
  units_ = r;
  return *this;
}

Currency& Currency::operator-=(Currency other) {
  std::int64_t r = 0;
  if (__builtin_sub_overflow(units_, other.units_, &r))
    throw std::overflow_error("Currency overflow");
  units_ = r;
  return *this;
}

Currency Currency::operator-() const { return Currency() -= *this; }

}  // namespace qorva
