// "The current moment" as a local date-time, settable by tests.
#pragma once

#include <optional>

namespace qorva {

// Date-times are days since 1899-12-30 00:00 local time; the fraction is the time of day.
using LocalDateTime = double;

// Days since 1899-12-30 for a calendar date; nullopt when the date does not exist
// (year 1 to 9999 only).
std::optional<LocalDateTime> EncodeDate(int year, int month, int day);

class Clock {
 public:
  // The current local date-time, or the value a test has set.
  static LocalDateTime Now();
  static void SetForTesting(std::optional<LocalDateTime> now);
};

// Sets the clock for its lifetime.
class ScopedClock {
 public:
  explicit ScopedClock(LocalDateTime now) { Clock::SetForTesting(now); }
  ~ScopedClock() { Clock::SetForTesting(std::nullopt); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;
};

}  // namespace qorva
