// The clock: the current local date and time, to the second.
// The run names its result file after it; tests put a fixed clock in its place.
#pragma once

#include <cstdint>

namespace sorbel {

struct LocalTime {
  int year = 0;    // four digits
  int month = 0;   // 1-12
  int day = 0;     // 1-31
  int hour = 0;    // 0-23
  int minute = 0;  // 0-59
  int second = 0;  // 0-59
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() const = 0;
};

// The machine's clock in the user's time zone.
class SystemClock : public Clock {
 public:
  LocalTime Now() const override;
};

// The machine's clock now, in nanoseconds since 1970: to compare with the times files carry.
std::int64_t NanosNow();

}  // namespace sorbel
