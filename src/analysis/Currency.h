// Money as a 64-bit fixed-point value with four decimal places: sums stay exact.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qorva {

class Currency {
 public:
  static constexpr std::int64_t kScale = 10000;  // units per whole: four decimals

  constexpr Currency() = default;
  // `units` ten-thousandths: FromUnits(12345) is 1.2345.
  static constexpr Currency FromUnits(std::int64_t units) {
    Currency c;
    c.units_ = units;
    return c;
  }
  // Rounds half away from zero at the fourth decimal, from the exact value of `v`.
  // Throws std::out_of_range for NaN, infinities and values beyond the range.
  static Currency FromDouble(double v);
  // Decimal text: optional blanks, optional sign, digits with an optional "." and
  // fraction (more than four decimals round half away from zero). nullopt when the
  // text is not such a number or is out of range.
  static std::optional<Currency> Parse(std::string_view text);

  constexpr std::int64_t Units() const { return units_; }
  double ToDouble() const { return static_cast<double>(units_) / kScale; }
  // Plain decimal text without trailing zeros: "1234.5", "-0.01", "0".
  std::string ToString() const;

  // Arithmetic throws std::overflow_error rather than wrap.
  Currency& operator+=(Currency other);
  Currency& operator-=(Currency other);
  friend Currency operator+(Currency a, Currency b) { return a += b; }
  friend Currency operator-(Currency a, Currency b) { return a -= b; }
  Currency operator-() const;

  friend constexpr bool operator==(Currency, Currency) = default;
  friend constexpr auto operator<=>(Currency, Currency) = default;

 private:
  std::int64_t units_ = 0;
};

}  // namespace qorva
