// The machine's local time through localtime_r.
// Seconds are whole; a leap second reads as 59.
#include "platform/clock.h"

#include <time.h>

namespace sorbel {

LocalTime SystemClock::Now() const {
  time_t now = time(nullptr);
  struct tm tm {};
  localtime_r(&now, &tm);
  LocalTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;
  return t;
}

std::int64_t NanosNow() {
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

}  // namespace sorbel
