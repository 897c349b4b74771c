// A character's kind from ICU's character database.
// Default-ignorable code points (U+200B, U+00AD, variation selectors) count as showing nothing.
#include "platform/character_kind.h"

#include <unicode/uchar.h>

#include <cstdint>

namespace sorbel {

bool ShowsAsNothing(char32_t c) {
  const UChar32 cp = static_cast<UChar32>(c);
  const std::int8_t type = u_charType(cp);
  return u_hasBinaryProperty(cp, UCHAR_DEFAULT_IGNORABLE_CODE_POINT) || type == U_CONTROL_CHAR ||
         type == U_FORMAT_CHAR || type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR ||
         type == U_PARAGRAPH_SEPARATOR || type == U_NON_SPACING_MARK || type == U_ENCLOSING_MARK ||
         type == U_COMBINING_SPACING_MARK || type == U_PRIVATE_USE_CHAR || type == U_SURROGATE ||
         type == U_UNASSIGNED;
}

}  // namespace sorbel
