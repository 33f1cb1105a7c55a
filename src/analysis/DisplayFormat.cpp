#include "DisplayFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace qorva {

namespace {

void Normalize(DecimalValue& d) {
  std::size_t lead = d.int_digits.find_first_not_of('0');
  d.int_digits.erase(0, lead == std::string::npos ? d.int_digits.size() : lead);
  std::size_t trail = d.frac_digits.find_last_not_of('0');
  d.frac_digits.erase(trail == std::string::npos ? 0 : trail + 1);
  if (d.IsZero()) d.negative = false;
}

std::string Unsigned(std::uint64_t v) { return v == 0 ? std::string() : std::to_string(v); }

std::uint64_t Magnitude(std::int64_t v) {
  return v < 0 ? ~static_cast<std::uint64_t>(v) + 1 : static_cast<std::uint64_t>(v);
}

// Decimal exponent of the leading significant digit of a non-zero finite value.
int LeadingExponent(const DecimalValue& d) {
  if (!d.int_digits.empty()) return static_cast<int>(d.int_digits.size()) - 1;
  return -static_cast<int>(d.frac_digits.find_first_not_of('0')) - 1;
}

std::string Grouped(const std::string& digits) {
  std::string out;
  const std::size_t n = digits.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string NonFinite(const DecimalValue& v) {
  switch (v.kind) {
    case DecimalValue::Kind::NaN:
      return "NAN";
    case DecimalValue::Kind::PositiveInfinity:
      return "INF";
    case DecimalValue::Kind::NegativeInfinity:
      return "-INF";
    case DecimalValue::Kind::Finite:
      break;
  }
  return {};
}

// One section of a picture format, taken apart.
struct Picture {
  std::string prefix, suffix;
  int min_int = 0;   // integer digits always shown
  int max_frac = 0;  // decimals shown at most
  int min_frac = 0;  // decimals always shown
  bool thousands = false;
  bool has_digits = false;
};

Picture ParsePicture(const std::string& section) {
  Picture p;
  bool in_frac = false;
  bool seen_zero_in_int = false;
  int int_after_zero = 0;  // integer placeholders from the first '0' on
  std::string literal;     // literal text waiting to be placed
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    if (c == '\'' || c == '"') {
      std::size_t end = section.find(c, i + 1);
      if (end == std::string::npos) end = section.size();
      literal += section.substr(i + 1, end - i - 1);
      i = end;
    } else if (c == '0' || c == '#') {
      // Text between placeholders is not placed among the digits; it is dropped.
      if (!p.has_digits) p.prefix += literal;
      literal.clear();
      p.has_digits = true;
      if (in_frac) {
        ++p.max_frac;
        if (c == '0') p.min_frac = p.max_frac;
      } else if (c == '0' || seen_zero_in_int) {
        seen_zero_in_int = true;
        ++int_after_zero;
      }
    } else if (c == '.' && !in_frac) {
      in_frac = true;
    } else if (c == ',') {
      p.thousands = true;
    } else {
      literal += c;
    }
  }
  if (p.has_digits) {
    p.suffix = literal;
  } else {
    p.prefix = literal;
  }
  p.min_int = int_after_zero;
  return p;
}

std::vector<std::string> SplitSections(const std::string& format) {
  std::vector<std::string> sections(1);
  char quote = 0;
  for (char c : format) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';') {
      if (sections.size() == 3) break;  // a fourth section is ignored
      sections.emplace_back();
      continue;
    }
    sections.back() += c;
  }
  return sections;
}

std::string Render(const Picture& p, const DecimalValue& rounded, bool minus) {
  if (!p.has_digits) return (minus ? "-" : "") + p.prefix;
  std::string int_digits = rounded.int_digits;
  if (static_cast<int>(int_digits.size()) < p.min_int)
    int_digits.insert(0, p.min_int - int_digits.size(), '0');
  std::string frac = rounded.frac_digits;
  if (static_cast<int>(frac.size()) < p.min_frac) frac.append(p.min_frac - frac.size(), '0');
  std::string out = minus ? "-" : "";
  out += p.prefix;
  out += p.thousands ? Grouped(int_digits) : int_digits;
  if (!frac.empty()) out += "." + frac;
  out += p.suffix;
  return out;
}

}  // namespace

DecimalValue DecimalValue::FromDouble(double v) {
  DecimalValue d;
  if (std::isnan(v)) {
    d.kind = Kind::NaN;
    return d;
  }
  if (std::isinf(v)) {
    d.kind = v > 0 ? Kind::PositiveInfinity : Kind::NegativeInfinity;
    return d;
  }
  if (v == 0) return d;
  d.negative = v < 0;
  const double a = std::fabs(v);
  // a = m * 2^(e - 53) with m a whole number: its exact decimal expansion has as many
  // decimals as it has binary fraction digits, so "%.*f" with that count is exact.
  int e = 0;
  const double f = std::frexp(a, &e);
  auto m = static_cast<std::uint64_t>(std::ldexp(f, 53));
  int trailing_zero_bits = 0;
  while ((m & 1) == 0) {
    m >>= 1;
    ++trailing_zero_bits;
  }
  const int decimals = std::max(0, 53 - e - trailing_zero_bits);
  // At most 309 integer digits or 1126 decimals, never both.
  char buffer[1600];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, a);
  const std::string text(buffer);
  const std::size_t point = text.find('.');
  d.int_digits = text.substr(0, point);
  if (point != std::string::npos) d.frac_digits = text.substr(point + 1);
  Normalize(d);
  return d;
}

DecimalValue DecimalValue::FromInteger(std::int64_t v) {
  DecimalValue d;
  d.negative = v < 0;
  d.int_digits = Unsigned(Magnitude(v));
  return d;
}

DecimalValue DecimalValue::FromCurrency(Currency v) {
  DecimalValue d;
  const std::uint64_t a = Magnitude(v.Units());
  d.negative = v.Units() < 0;
  d.int_digits = Unsigned(a / Currency::kScale);
  std::string frac = std::to_string(a % Currency::kScale);
  d.frac_digits = std::string(4 - frac.size(), '0') + frac;
  Normalize(d);
  return d;
}

DecimalValue RoundToDecimals(const DecimalValue& x, int decimals) {
  if (x.kind != DecimalValue::Kind::Finite) return x;
  std::string s = x.int_digits + x.frac_digits;
  int point = static_cast<int>(x.int_digits.size());
  int keep = point + decimals;  // leading digits of s that stay
  if (keep >= static_cast<int>(s.size())) return x;
  if (keep < 1) {
    s.insert(0, 1 - keep, '0');
    point += 1 - keep;
    keep = 1;
  }
  // The expansion is exact, so a dropped part starting with 5 is at least a half: up.
  const bool up = s[keep] >= '5';
  std::string kept = s.substr(0, keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && kept[i] == '9') kept[i--] = '0';
    if (i >= 0) {
      ++kept[i];
    } else {
      kept.insert(0, 1, '1');
      ++point;
    }
  }
  if (decimals < 0) kept.append(-decimals, '0');
  DecimalValue r;
  r.negative = x.negative;
  r.int_digits = kept.substr(0, point);
  r.frac_digits = kept.substr(point);
  Normalize(r);
  return r;
}

std::string FormatFloat(const std::string& format, const DecimalValue& value) {
  if (value.kind != DecimalValue::Kind::Finite) return NonFinite(value);
  if (format.empty()) return FormatGeneral(value, 15);
  const std::vector<std::string> sections = SplitSections(format);
  auto section = [&](std::size_t i) -> const std::string& {
    return i < sections.size() && !sections[i].empty() ? sections[i] : sections[0];
  };
  if (sections[0].empty() && !(value.negative && sections.size() > 1 && !sections[1].empty()) &&
      !(value.IsZero() && sections.size() > 2 && !sections[2].empty()))
    return FormatGeneral(value, 15);  // nothing to draw the number with
  const bool own_negative = value.negative && sections.size() > 1 && !sections[1].empty();
  Picture p = ParsePicture(section(value.negative ? 1 : 0));
  DecimalValue rounded = RoundToDecimals(value, p.max_frac);
  if (rounded.IsZero()) {
    // Whatever its sign, a value that shows as zero takes the zero section and no sign.
    if (sections.size() > 2 && !sections[2].empty()) {
      p = ParsePicture(sections[2]);
      rounded = RoundToDecimals(value, p.max_frac);
      rounded.negative = false;
    } else if (value.negative) {
      p = ParsePicture(sections[0]);
    }
    return Render(p, DecimalValue{}, false);
  }
  return Render(p, rounded, rounded.negative && !own_negative);
}

std::string FormatFloat(const std::string& format, double value) {
  return FormatFloat(format, DecimalValue::FromDouble(value));
}

std::string FormatGeneral(const DecimalValue& value, int precision) {
  if (value.kind != DecimalValue::Kind::Finite) return NonFinite(value);
  if (value.IsZero()) return "0";
  precision = std::clamp(precision, 1, 18);
  const DecimalValue r = RoundToDecimals(value, precision - 1 - LeadingExponent(value));
  const int exp = LeadingExponent(r);
  std::string out = r.negative ? "-" : "";
  if (exp + 1 <= precision && exp >= -5) {
    out += r.int_digits.empty() ? "0" : r.int_digits;
    if (!r.frac_digits.empty()) out += "." + r.frac_digits;
    return out;
  }
  std::string digits = r.int_digits + r.frac_digits;
  digits.erase(0, digits.find_first_not_of('0'));
  digits.erase(digits.find_last_not_of('0') + 1);
  out += digits[0];
  if (digits.size() > 1) out += "." + digits.substr(1);
  out += "E" + std::to_string(exp);
  return out;
}

std::string FormatGeneral(double value, int precision) {
  return FormatGeneral(DecimalValue::FromDouble(value), precision);
}

std::string FormatCurrency(Currency value) {
  const DecimalValue r = RoundToDecimals(DecimalValue::FromCurrency(value), 2);
  std::string frac = r.frac_digits;
  frac.append(2 - frac.size(), '0');
  return std::string(r.negative ? "-" : "") + "$" +
         Grouped(r.int_digits.empty() ? "0" : r.int_digits) + "." + frac;
}

}  // namespace qorva
