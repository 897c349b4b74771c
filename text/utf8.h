// UTF-8 as the program reads it: checking a whole text, and stepping through it a code point at
// a time, where a malformed sequence reads as one U+FFFD (its longest well-formed start).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sorbel {

// True when `bytes` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Offset of the first byte that does not begin a well-formed sequence, or npos. NUL is a fault
// only with `refuse_nul`.
std::size_t FirstBadUtf8(std::string_view bytes, bool refuse_nul);

// True when the 8 bytes at `p` are all in 0x01..0x7F.
bool PlainWord(const char* p);

// The code point at `i` (< text.size()), moving `i` past it: U+FFFD for a malformed sequence,
// which is passed over as far as it is a well-formed start (at least one byte).
char32_t NextCodePoint(std::string_view text, std::size_t& i);

// Where the code point that ends at `i` (> 0) starts: the start a forward step from there
// would end at `i` with, else `i` - 1.
std::size_t PreviousCodePointStart(std::string_view text, std::size_t i);

// Appends the code point (at most U+10FFFF, no surrogate) as UTF-8.
void AppendUtf8(char32_t c, std::string& out);

}  // namespace sorbel
