// A LIKE pattern that ignores letter case and character width: '%' any run, '_' any one
// character, an optional escape character; literal text compares after NFKC_Casefold folding.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/csvdb/text_fold.h"

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
  // A stretch of pattern between '%' wildcards: folded literal units, with `any` marking the
  // units that stand for '_' (one character of the value, one or two UTF-16 units).
  struct Segment {
    std::u16string units;
    std::vector<bool> any;
    size_t chars = 0;     // characters the segment takes from the value
    bool has_any = false; // holds at least one '_'
  };

  bool MatchAt(const Segment& s, std::u16string_view v, size_t at, size_t& end) const;
  bool FindFrom(const Segment& s, std::u16string_view v, size_t from, size_t& start,
                size_t& end) const;

  TextFolder folder_;
  std::vector<Segment> segments_;
  // Split at '%': with one segment the value must match it whole; with more, the first is
  // a prefix, the last a suffix and the others float between them (each possibly empty).
  bool never_ = false;    // an escape character at the very end matches nothing
  std::u16string value_;        // scratch: the folded value
};

}  // namespace sorbel::csvdb
