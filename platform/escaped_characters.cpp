// EscapedCharacters: a count and two small lists (order met, and sorted for lookups), which
// grow only when a conversion met a character its code page lacks.
#include "platform/escaped_characters.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdio>

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
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  const std::int32_t n = static_cast<std::int32_t>(text.size());
  // The code pages of desktops hold ASCII: then ASCII bytes are skipped without a lookup.
  const bool ascii = sorted_.front() < 0x80;
  for (std::int32_t i = 0; i < n;) {
    if (s[i] < 0x80 && !ascii) {
      ++i;
      continue;
    }
    UChar32 c;
    U8_NEXT(s, i, n, c);
    if (c < 0) c = 0xFFFD;
    if (std::binary_search(sorted_.begin(), sorted_.end(), static_cast<char32_t>(c))) return true;
  }
  return false;
}

std::string CharacterName(char32_t c) {
  const UChar32 cp = static_cast<UChar32>(c);
  const std::int8_t type = u_charType(cp);
  const bool invisible = u_hasBinaryProperty(cp, UCHAR_DEFAULT_IGNORABLE_CODE_POINT) ||
                         type == U_CONTROL_CHAR || type == U_FORMAT_CHAR ||
                         type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR ||
                         type == U_PARAGRAPH_SEPARATOR || type == U_NON_SPACING_MARK ||
                         type == U_ENCLOSING_MARK || type == U_COMBINING_SPACING_MARK ||
                         type == U_PRIVATE_USE_CHAR || type == U_SURROGATE || type == U_UNASSIGNED;
  if (invisible) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
    return name;
  }
  std::string utf8(4, '\0');
  std::int32_t length = 0;
  U8_APPEND_UNSAFE(reinterpret_cast<std::uint8_t*>(utf8.data()), length, cp);  // a code point
  utf8.resize(static_cast<std::size_t>(length));
  return utf8;
}

}  // namespace sorbel
