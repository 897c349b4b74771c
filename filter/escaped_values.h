// The values of a result that hold characters its code page lacks (written as "&#N;"), counted
// piece by piece while the result is written, and the warning that tells the owner of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/escaped_characters.h"

namespace sorbel {

class EscapedValues {
 public:
  // Counts in `piece`, result CSV text that ends where a record does (the header line first
  // when `with_header`), the values holding one of the characters in `escaped` and the
  // records they are in, and keeps the first few characters. Call it only for a piece whose
  // conversion escaped anything: it reads the piece value by value.
  void Count(std::string_view piece, bool with_header, const EscapedCharacters& escaped);

  bool Any() const { return !first_.empty(); }

  // The warning for a result in `codepage`: where such characters were, the first few of
  // them, and the form they were written in.
  std::string Warning(std::string_view codepage) const;

 private:
  std::int64_t values_ = 0;         // product values with such a character
  std::int64_t products_ = 0;       // products with such a value
  std::int64_t header_values_ = 0;  // column names with such a character
  std::vector<char32_t> first_;     // the first distinct characters, one more than named
};

// `c` as a message names it: the character itself, or "U+200B" for one that shows as nothing
// or only on another (a space, a joiner, a variation selector, a combining mark, a control).
std::string CharacterName(char32_t c);

}  // namespace sorbel
