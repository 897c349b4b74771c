// EscapedCharacters: a count and two small lists (order met, and sorted for lookups), which
// grow only when a conversion met a character its code page lacks.
#include "text/escaped_characters.h"

#include <algorithm>
#include <cstdio>

#include "text/utf8.h"

namespace sorbel {

void EscapedCharacters::Add(char32_t c) {
  ++count_;
  auto at = std::lower_bound(sorted_.begin(), sorted_.end(), c);
  if (at != sorted_.end() && *at == c) return;
  sorted_.insert(at, c);
  in_order_.push_back(c);
}

bool EscapedCharacters::AnyIn(std::string_view text) const {
  if (sorted_.empty()) return false;
  // The code pages of desktops hold ASCII: then ASCII bytes are skipped without a lookup.
  const bool ascii = sorted_.front() < 0x80;
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80 && !ascii) {
      ++i;
      continue;
    }
    const char32_t c = NextCodePoint(text, i);
    if (std::binary_search(sorted_.begin(), sorted_.end(), c)) return true;
  }
  return false;
}

}  // namespace sorbel
