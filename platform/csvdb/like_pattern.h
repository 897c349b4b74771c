// A LIKE pattern that ignores letter case and character width: '%' any run, '_' any one
// character, an optional escape character; literal text compares after NFKC_Casefold folding.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/text_fold.h"

namespace sorbel::csvdb {

class LikePattern {
 public:
  // `pattern` in UTF-8. `escape` is the escape character, or kNoEscape. Wildcards are found
  // before folding, so a full-width '％' is a literal that matches '%' and '％' alike.
  static constexpr char32_t kNoEscape = 0xFFFFFFFF;
  LikePattern(std::string_view pattern, char32_t escape);

  // True when UTF-8 `value` matches the whole pattern (after folding).
  bool Matches(std::string_view value);

 private:
  // Folded literal text, or one '_' (any one character).
  struct Token {
    std::string literal;
    bool any = false;
  };
  // A stretch of pattern between '%' wildcards; it always takes `chars` characters.
  struct Segment {
    std::vector<Token> tokens;
    size_t chars = 0;
  };

  bool MatchAt(const Segment& s, std::string_view v, size_t at, size_t& end) const;
  bool FindFrom(const Segment& s, std::string_view v, size_t from, size_t& end) const;

  TextFolder folder_;
  // Split at '%': with one segment the value must match it whole; with more, the first is
  // a prefix, the last a suffix and the others float between them (each possibly empty).
  std::vector<Segment> segments_;
  bool never_ = false;   // an escape character at the very end matches nothing
  std::string scratch_;  // the folded value when folding changes it
};

}  // namespace sorbel::csvdb
