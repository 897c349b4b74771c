// Counts as messages write them, with a comma between each three digits: 1000 as "1,000".
// One place, so every message groups its numbers alike.
#pragma once

#include <cstdint>
#include <string>

namespace sorbel {

// "1,234,567" for 1234567, "-1,000" for -1000.
std::string Grouped(std::int64_t n);

}  // namespace sorbel
