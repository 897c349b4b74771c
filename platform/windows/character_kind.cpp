// A character's kind from a table of the Linux build's answers (ICU's character database), so
// that both builds name the same characters as invisible; Windows' own types are older.
#include "platform/character_kind.h"

#include <algorithm>
#include <iterator>

namespace sorbel {
namespace {

struct Range {
  char32_t first, last;
};

// Sorted and apart: each range ends before the next one starts.
constexpr Range kShowsAsNothing[] = {
#include "platform/windows/shows_as_nothing_ranges.inc"
};

}  // namespace

bool ShowsAsNothing(char32_t c) {
  const Range* end = std::end(kShowsAsNothing);
  const Range* r = std::upper_bound(std::begin(kShowsAsNothing), end, c,
                                    [](char32_t x, const Range& range) { return x < range.first; });
  return r != std::begin(kShowsAsNothing) && c <= (r - 1)->last;
}

}  // namespace sorbel
