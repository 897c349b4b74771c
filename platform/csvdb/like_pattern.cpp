// LIKE matching on folded UTF-16 text. The pattern is split at '%' into segments of fixed
// length; the leftmost place for each middle segment is always the right one, so no
// backtracking is needed.
#include "platform/csvdb/like_pattern.h"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

namespace sorbel::csvdb {
namespace {

// Units of the character starting at `p` (a pair of surrogates is one character).
size_t CharUnits(std::u16string_view v, size_t p) {
  return U16_IS_LEAD(v[p]) && p + 1 < v.size() && U16_IS_TRAIL(v[p + 1]) ? 2 : 1;
}

}  // namespace

LikePattern::LikePattern(std::string_view pattern, char32_t escape) {
  Segment segment;
  std::string literal;  // UTF-8 run waiting to be folded
  std::u16string folded;
  auto flush = [&] {
    if (literal.empty()) return;
    folder_.Fold(literal, folded);
    for (char16_t u : folded) {
      segment.units.push_back(u);
      segment.any.push_back(false);
      if (!U16_IS_TRAIL(u)) ++segment.chars;
    }
    literal.clear();
  };

  const auto* bytes = reinterpret_cast<const uint8_t*>(pattern.data());
  const int32_t length = static_cast<int32_t>(pattern.size());
  int32_t i = 0;
  while (i < length) {
    int32_t start = i;
    UChar32 c;
    U8_NEXT_OR_FFFD(bytes, i, length, c);
    if (c == '%') {
      flush();
      segments_.push_back(std::move(segment));
      segment = Segment();
    } else if (static_cast<char32_t>(c) == escape) {
      if (i >= length) {
        never_ = true;
        break;
      }
      start = i;
      U8_NEXT_OR_FFFD(bytes, i, length, c);
      literal.append(pattern.substr(start, i - start));
    } else if (c == '_') {
      flush();
      segment.units.push_back(u'\0');
      segment.any.push_back(true);
      segment.has_any = true;
      ++segment.chars;
    } else {
      literal.append(pattern.substr(start, i - start));
    }
  }
  flush();
  segments_.push_back(std::move(segment));
}

bool LikePattern::MatchAt(const Segment& s, std::u16string_view v, size_t at, size_t& end) const {
  size_t p = at;
  for (size_t i = 0; i < s.units.size(); ++i) {
    if (p >= v.size()) return false;
    if (s.any[i]) {
      p += CharUnits(v, p);
    } else {
      if (v[p] != s.units[i]) return false;
      ++p;
    }
  }
  end = p;
  return true;
}

bool LikePattern::FindFrom(const Segment& s, std::u16string_view v, size_t from, size_t& start,
                           size_t& end) const {
  if (!s.has_any) {
    size_t p = v.find(std::u16string_view(s.units), from);
    if (p == std::u16string_view::npos) return false;
    start = p;
    end = p + s.units.size();
    return true;
  }
  for (size_t p = from; p < v.size(); p += CharUnits(v, p)) {
    if (!s.any[0]) {
      p = v.find(s.units[0], p);
      if (p == std::u16string_view::npos) return false;
    }
    if (MatchAt(s, v, p, end)) {
      start = p;
      return true;
    }
  }
  return false;
}

bool LikePattern::Matches(std::string_view value) {
  if (never_) return false;
  folder_.Fold(value, value_);
  std::u16string_view v = value_;

  size_t pos = 0;
  if (!MatchAt(segments_.front(), v, 0, pos)) return false;
  if (segments_.size() == 1) return pos == v.size();

  // The suffix takes a fixed number of characters from the end.
  const Segment& last = segments_.back();
  size_t last_start = v.size();
  for (size_t k = 0; k < last.chars; ++k) {
    if (last_start <= pos) return false;
    --last_start;
    if (last_start > 0 && U16_IS_TRAIL(v[last_start]) && U16_IS_LEAD(v[last_start - 1])) {
      --last_start;
    }
  }
  size_t end = 0;
  if (last_start < pos || !MatchAt(last, v, last_start, end)) return false;

  for (size_t k = 1; k + 1 < segments_.size(); ++k) {
    const Segment& s = segments_[k];
    if (s.units.empty()) continue;
    size_t start = 0;
    if (!FindFrom(s, v, pos, start, end) || end > last_start) return false;
    pos = end;
  }
  return true;
}

}  // namespace sorbel::csvdb
