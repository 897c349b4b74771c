// BadLineCount: how many lines of a file's first bytes a character set cannot read, so that
// "auto" can settle on the one that fits all but a few damaged records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace sorbel::csvdb {

struct BadLineCount {
  // A few is one line, or at most one line in kFewPer and at most kMaxFew lines: what records
  // set aside can take, in a small file too. A wrong character set gets far more
  // (docs/datasource.md, "Character sets").
  static constexpr std::int64_t kFewPer = 50;
  static constexpr std::int64_t kMaxFew = 100;

  std::int64_t lines = 0;  // lines in the text, a last one without a line end included
  std::int64_t bad = 0;    // lines holding a byte the reading finds invalid
  std::int64_t first = 0;  // the first of them (1-based), 0 when none

  bool Few() const { return bad <= 1 || (bad <= kMaxFew && bad * kFewPer <= lines); }
};

// Counts the lines of `head` holding a byte that `first_bad` finds invalid. `first_bad(text)`
// gives the offset of the first invalid byte of `text`, or npos; it is given the rest of `head`
// from a line's start on, so a character cut off at the end of `head` is its to forgive.
// Lines end at LF, CR LF or a lone CR; neither byte is ever part of a UTF-8 or CP932 character.
BadLineCount CountBadLines(std::string_view head,
                           const std::function<std::size_t(std::string_view)>& first_bad);

}  // namespace sorbel::csvdb
