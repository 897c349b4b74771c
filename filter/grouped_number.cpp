// Grouped: the decimal digits, with commas put in from the right.
// Only counts come here, which are never negative.
#include "filter/grouped_number.h"

namespace sorbel {

std::string Grouped(std::int64_t n) {
  std::string digits = std::to_string(n);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(at, ",");
  return digits;
}

}  // namespace sorbel
