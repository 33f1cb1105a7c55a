#include "ReportText.h"

#include <array>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
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

std::optional<std::int64_t> ParseLongWholeNumber(std::string_view s) {
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

#if defined(__GNUC__) && defined(__x86_64__)
#define QORVA_PUNCTUATION_AVX2 1
namespace {

__attribute__((target("avx2"))) bool HasPunctuationAvx2(const char*& p, std::size_t& n) {
  const __m256i comma = _mm256_set1_epi8(','), stop = _mm256_set1_epi8('.'),
                quote = _mm256_set1_epi8('"'), star = _mm256_set1_epi8('*'),
                backslash = _mm256_set1_epi8('\\'), question = _mm256_set1_epi8('?');
  auto hits = [&](const char* at) __attribute__((target("avx2"))) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    return _mm256_or_si256(
        _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(v, comma), _mm256_cmpeq_epi8(v, stop)),
                        _mm256_or_si256(_mm256_cmpeq_epi8(v, quote), _mm256_cmpeq_epi8(v, star))),
        _mm256_or_si256(_mm256_cmpeq_epi8(v, backslash), _mm256_cmpeq_epi8(v, question)));
  };
  while (n >= 64) {
    if (_mm256_movemask_epi8(_mm256_or_si256(hits(p), hits(p + 32))) != 0) return true;
    p += 64;
    n -= 64;
  }
  return false;
}

const bool kHaveAvx2 = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}();

}  // namespace
#endif

bool HasPunctuation(std::string_view s) {
  const char* p = s.data();
  std::size_t n = s.size();
#if defined(QORVA_PUNCTUATION_AVX2)
  // Leaves the last few bytes to the loops below.
  if (kHaveAvx2 && HasPunctuationAvx2(p, n)) return true;
#endif
#if defined(__SSE2__)
  // Records are hundreds of characters long and every property line is scanned whole.
  const __m128i comma = _mm_set1_epi8(','), stop = _mm_set1_epi8('.'), quote = _mm_set1_epi8('"'),
                star = _mm_set1_epi8('*'), backslash = _mm_set1_epi8('\\'),
                question = _mm_set1_epi8('?');
  auto hits = [&](const char* at) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    return _mm_or_si128(
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, comma), _mm_cmpeq_epi8(v, stop)),
                     _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, star))),
        _mm_or_si128(_mm_cmpeq_epi8(v, backslash), _mm_cmpeq_epi8(v, question)));
  };
  while (n >= 64) {
    const __m128i any =
        _mm_or_si128(_mm_or_si128(hits(p), hits(p + 16)), _mm_or_si128(hits(p + 32), hits(p + 48)));
    if (_mm_movemask_epi8(any) != 0) return true;
    p += 64;
    n -= 64;
  }
  while (n >= 16) {
    if (_mm_movemask_epi8(hits(p)) != 0) return true;
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
  int digits[8];
  for (int i = 0; i < 8; ++i) {
    const unsigned d = static_cast<unsigned char>(field[i]) - '0';
    if (d > 9) return {TReportDate::Invalid, 0};
    digits[i] = static_cast<int>(d);
  }
  const int y = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
  const int m = digits[4] * 10 + digits[5];
  const int d = digits[6] * 10 + digits[7];
  if (y < 1 || m < 1 || m > 12 || d < 1) return {TReportDate::Invalid, 0};
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (d > kDays[m - 1] + (m == 2 && leap ? 1 : 0)) return {TReportDate::Invalid, 0};
  // Days from the civil date (proleptic Gregorian), counted from 1899-12-30.
  const int yy = m <= 2 ? y - 1 : y;
  const int era = yy / 400;  // yy >= 0
  const int yoe = yy - era * 400;
  const int doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long days_since_1970 = static_cast<long>(era) * 146097 + doe - 719468;
  constexpr long k1899_12_30 = -25569;
  return {TReportDate::Valid, static_cast<double>(days_since_1970 - k1899_12_30)};
}

}  // namespace qorva
