// Each fault costs one call of the check over the rest of the head, so a head without faults
// is checked in one pass, and a damaged one in one pass plus a call per bad line.
#include "platform/csvdb/bad_line_count.h"

#include <cstring>

namespace sorbel::csvdb {
namespace {

// The line ends in text[from, to), a CR LF counting once.
std::int64_t LineEnds(std::string_view text, std::size_t from, std::size_t to) {
  std::int64_t ends = 0;
  for (std::size_t i = from; i < to; ++i) {
    if (text[i] == '\n') {
      ++ends;
    } else if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) {
      ++ends;
    }
  }
  return ends;
}

// Offset just after the line end at or after `from`, or text.size() when there is none.
std::size_t NextLineStart(std::string_view text, std::size_t from) {
  for (std::size_t i = from; i < text.size(); ++i) {
    if (text[i] == '\n') return i + 1;
    if (text[i] == '\r') return i + 1 < text.size() && text[i + 1] == '\n' ? i + 2 : i + 1;
  }
  return text.size();
}

}  // namespace

BadLineCount CountBadLines(std::string_view head,
                           const std::function<std::size_t(std::string_view)>& first_bad) {
  BadLineCount count;
  std::int64_t line = 1;  // of `pos`
  std::size_t pos = 0;
  while (pos < head.size()) {
    std::size_t bad = first_bad(head.substr(pos));
    if (bad == std::string_view::npos) break;
    bad += pos;
    line += LineEnds(head, pos, bad);
    ++count.bad;
    if (count.first == 0) count.first = line;
    pos = NextLineStart(head, bad);
    ++line;
  }
  count.lines = LineEnds(head, 0, head.size());
  if (!head.empty() && head.back() != '\n' && head.back() != '\r') ++count.lines;
  return count;
}

}  // namespace sorbel::csvdb
