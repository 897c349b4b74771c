// The machine's local time through GetLocalTime, and the time since 1970 through
// GetSystemTimePreciseAsFileTime, on the scale the file times use.
#include "platform/clock.h"

#include <windows.h>

namespace sorbel {
namespace {

// FILETIME counts 100 ns steps from 1601.
constexpr std::int64_t kFileTimeAt1970 = 116444736000000000;

}  // namespace

LocalTime SystemClock::Now() const {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  LocalTime t;
  t.year = now.wYear;
  t.month = now.wMonth;
  t.day = now.wDay;
  t.hour = now.wHour;
  t.minute = now.wMinute;
  t.second = now.wSecond > 59 ? 59 : now.wSecond;
  return t;
}

std::int64_t NanosNow() {
  FILETIME now;
  ::GetSystemTimePreciseAsFileTime(&now);
  const std::int64_t ticks =
      static_cast<std::int64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
  return (ticks - kFileTimeAt1970) * 100;
}

}  // namespace sorbel
