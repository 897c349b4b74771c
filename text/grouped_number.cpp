// Grouped: the decimal digits, with commas put in from the right: counts in messages, and the
// exact text of a price such as "9,680" that the engine reads as a number.
#include "text/grouped_number.h"

namespace sorbel {

// Built by appending: g++ 12 warns falsely of overlapping copies for string::insert at -O2.
std::string Grouped(std::int64_t n) {
  // The magnitude as unsigned, so that the smallest integer has one too.
  const std::uint64_t magnitude =
      n < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
  const std::string digits = std::to_string(magnitude);
  std::string out = n < 0 ? "-" : "";
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

}  // namespace sorbel
