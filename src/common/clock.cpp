#include "clock.h"

#include <chrono>
#include <ctime>

#include "platform.h"

namespace qorva {
namespace {

std::optional<LocalDateTime> g_fixed;

}  // namespace

std::optional<LocalDateTime> EncodeDate(int year, int month, int day) {
  using namespace std::chrono;
  if (year < 1 || year > 9999) return std::nullopt;
  const year_month_day ymd{std::chrono::year{year}, std::chrono::month{unsigned(month)},
                           std::chrono::day{unsigned(day)}};
  if (month < 1 || month > 12 || day < 1 || !ymd.ok()) return std::nullopt;
  constexpr sys_days kEpoch = sys_days{std::chrono::year{1899} / 12 / 30};
  return static_cast<double>((sys_days{ymd} - kEpoch).count());
}

LocalDateTime Clock::Now() {
  if (g_fixed) return *g_fixed;
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t t = system_clock::to_time_t(now);
  const std::tm local = platform::LocalTime(t);
  const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  const double day = *EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  const double seconds = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + ms / 1000.0;
  return day + seconds / 86400.0;
}

void Clock::SetForTesting(std::optional<LocalDateTime> now) { g_fixed = now; }

}  // namespace qorva
