// What the Unicode character database says of one character, where a message must name it:
// whether it shows as a glyph of its own.
#pragma once

namespace sorbel {

// True for a character that shows as nothing or only on another: a space or separator, a
// joiner or other format character, a variation selector, a combining mark, a control, a
// private-use, surrogate or unassigned code point.
bool ShowsAsNothing(char32_t c);

}  // namespace sorbel
