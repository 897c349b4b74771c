// Grouped: the decimal digits, with commas put in from the right.
// Only counts come here, which are never negative.
#include "text/grouped_number.h"

namespace sorbel {

// Built by appending: g++ 12 warns falsely of overlapping copies for string::insert at -O2.
std::string Grouped(std::int64_t n) {
  const std::string digits = std::to_string(n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

}  // namespace sorbel
