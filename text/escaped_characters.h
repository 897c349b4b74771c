// The characters a conversion wrote as character references ("&#N;") because the code page
// lacks them: how many references, and each character once, to tell the owner about them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sorbel {

class EscapedCharacters {
 public:
  // Notes one reference written for `c`.
  void Add(char32_t c);

  // References written.
  std::int64_t Count() const { return count_; }
  // Each character once, in the order first met.
  const std::vector<char32_t>& InOrder() const { return in_order_; }
  // True when the UTF-8 `text` holds one of the characters (an invalid byte counts as U+FFFD,
  // as the conversion reads it).
  bool AnyIn(std::string_view text) const;

 private:
  std::int64_t count_ = 0;
  std::vector<char32_t> in_order_;
  std::vector<char32_t> sorted_;  // the same characters, for lookups
};

}  // namespace sorbel
