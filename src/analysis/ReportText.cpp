#include "ReportText.h"

#include <clock.h>

#include <array>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qorva {
namespace {

constexpr std::string_view kRunText =
    "1111111 2222222 3333333 4444444 5555555 6666666 7777777 8888888 9999999 0000000";

constexpr std::array<bool, 256> MakePunctuationTable() {
  std::array<bool, 256> t{};
  for (unsigned char c : std::string_view(",.\"*\\?")) t[c] = true;
  return t;
}
constexpr std::array<bool, 256> kPunctuation = MakePunctuationTable();

}  // namespace

std::string_view TrimBlanks(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlankChar(s[b])) ++b;
  while (e > b && IsBlankChar(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::optional<std::int64_t> ParseWholeNumber(std::string_view s) {
  std::size_t i = 0;
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    i = 1;
  }
  if (i == s.size()) return std::nullopt;
  // Accumulate as a negative number so that the most negative value fits too.
  std::int64_t value = 0;
  for (; i < s.size(); ++i) {
    const unsigned d = static_cast<unsigned char>(s[i]) - '0';
    if (d > 9) return std::nullopt;
    if (value < (std::numeric_limits<std::int64_t>::min() + static_cast<std::int64_t>(d)) / 10)
      return std::nullopt;
    value = value * 10 - static_cast<std::int64_t>(d);
  }
  if (!negative) {
    if (value == std::numeric_limits<std::int64_t>::min()) return std::nullopt;
    value = -value;
  }
  return value;
}

bool IsDigitRun(std::string_view piece) {
  return !piece.empty() && kRunText.find(piece) != std::string_view::npos;
}

bool HasPunctuation(std::string_view s) {
  const char* p = s.data();
  std::size_t n = s.size();
#if defined(__SSE2__)
  // Records are hundreds of characters long and every property line is scanned whole.
  const __m128i comma = _mm_set1_epi8(','), stop = _mm_set1_epi8('.'), quote = _mm_set1_epi8('"'),
                star = _mm_set1_epi8('*'), backslash = _mm_set1_epi8('\\'),
                question = _mm_set1_epi8('?');
  while (n >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hit =
        _mm_or_si128(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, comma), _mm_cmpeq_epi8(v, stop)),
                                  _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, star))),
                     _mm_or_si128(_mm_cmpeq_epi8(v, backslash), _mm_cmpeq_epi8(v, question)));
    if (_mm_movemask_epi8(hit) != 0) return true;
    p += 16;
    n -= 16;
  }
#endif
  for (std::size_t i = 0; i < n; ++i)
    if (kPunctuation[static_cast<unsigned char>(p[i])]) return true;
  return false;
}

TReportDate ReadReportDate(std::string_view field) {
  if (field == "00000000" || field == "        ") return {TReportDate::Absent, 0};
  if (field.size() != 8) return {TReportDate::Invalid, 0};
  int parts[3] = {0, 0, 0};
  const std::size_t widths[3] = {4, 2, 2};
  std::size_t at = 0;
  for (int k = 0; k < 3; ++k) {
    for (std::size_t i = 0; i < widths[k]; ++i, ++at) {
      const unsigned d = static_cast<unsigned char>(field[at]) - '0';
      if (d > 9) return {TReportDate::Invalid, 0};
      parts[k] = parts[k] * 10 + static_cast<int>(d);
    }
  }
  const std::optional<LocalDateTime> day = EncodeDate(parts[0], parts[1], parts[2]);
  if (!day) return {TReportDate::Invalid, 0};
  return {TReportDate::Valid, *day};
}

}  // namespace qorva
