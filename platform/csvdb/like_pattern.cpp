// LIKE matching on folded UTF-8, split at '%' into segments of fixed length in characters:
// the leftmost place for each middle segment is always right, so nothing backtracks.
#include "platform/csvdb/like_pattern.h"

#include <string.h>

#include "text/utf8.h"

namespace sorbel::csvdb {
namespace {

size_t NextChar(std::string_view v, size_t p) {
  NextCodePoint(v, p);
  return p;
}

size_t CountChars(std::string_view s) {
  size_t count = 0;
  for (size_t p = 0; p < s.size(); p = NextChar(s, p)) ++count;
  return count;
}

}  // namespace

LikePattern::LikePattern(std::string_view pattern, char32_t escape) {
  Segment segment;
  std::string literal;  // pattern text waiting to be folded
  std::string folded;
  auto flush = [&] {
    if (literal.empty()) return;
    std::string_view text = folder_.Fold(literal, folded);
    segment.chars += CountChars(text);
    if (segment.tokens.empty() || segment.tokens.back().any) segment.tokens.emplace_back();
    segment.tokens.back().literal.append(text);
    literal.clear();
  };

  const size_t length = pattern.size();
  size_t i = 0;
  while (i < length) {
    size_t start = i;
    char32_t c = NextCodePoint(pattern, i);
    if (c == '%') {
      flush();
      segments_.push_back(std::move(segment));
      segment = Segment();
    } else if (c == escape) {
      if (i >= length) {
        never_ = true;
        break;
      }
      start = i;
      NextCodePoint(pattern, i);
      literal.append(pattern.substr(start, i - start));
    } else if (c == '_') {
      flush();
      segment.tokens.push_back(Token{"", true});
      ++segment.chars;
    } else {
      literal.append(pattern.substr(start, i - start));
    }
  }
  flush();
  segments_.push_back(std::move(segment));
}

bool LikePattern::MatchAt(const Segment& s, std::string_view v, size_t at, size_t& end) const {
  size_t p = at;
  for (const Token& t : s.tokens) {
    if (t.any) {
      if (p >= v.size()) return false;
      p = NextChar(v, p);
    } else {
      if (v.size() - p < t.literal.size() ||
          memcmp(v.data() + p, t.literal.data(), t.literal.size()) != 0) {
        return false;
      }
      p += t.literal.size();
    }
  }
  end = p;
  return true;
}

namespace {

// The first `needle` in the `size` bytes at `data`, or null. glibc's memmem looks further ahead
// than a search for the first byte, which Japanese text shares; other C libraries lack it.
const void* FindBytes(const char* data, size_t size, const std::string& needle) {
#if defined(__GLIBC__)
  return ::memmem(data, size, needle.data(), needle.size());
#else
  const size_t at = std::string_view(data, size).find(needle);
  return at == std::string_view::npos ? nullptr : data + at;
#endif
}

}  // namespace

bool LikePattern::FindFrom(const Segment& s, std::string_view v, size_t from, size_t& end) const {
  const Token& first = s.tokens.front();
  if (!first.any) {
    // memmem rather than find: Japanese text shares its first bytes, memmem looks further.
    // A literal found bytewise in valid UTF-8 always starts on a character.
    const std::string& needle = first.literal;
    for (size_t p = from; p <= v.size();) {
      const void* hit = FindBytes(v.data() + p, v.size() - p, needle);
      if (hit == nullptr) return false;
      p = static_cast<size_t>(static_cast<const char*>(hit) - v.data());
      if (MatchAt(s, v, p, end)) return true;
      ++p;
    }
    return false;
  }
  for (size_t p = from; p < v.size(); p = NextChar(v, p)) {
    if (MatchAt(s, v, p, end)) return true;
  }
  return false;
}

bool LikePattern::Matches(std::string_view value) {
  if (never_) return false;
  std::string_view v = folder_.Fold(value, scratch_);

  size_t pos = 0;
  if (!MatchAt(segments_.front(), v, 0, pos)) return false;
  if (segments_.size() == 1) return pos == v.size();

  // The suffix takes a fixed number of characters from the end.
  const Segment& last = segments_.back();
  size_t last_start = v.size();
  for (size_t k = 0; k < last.chars; ++k) {
    if (last_start <= pos) return false;
    last_start = PreviousCodePointStart(v, last_start);
  }
  size_t end = 0;
  if (last_start < pos || !MatchAt(last, v, last_start, end)) return false;

  for (size_t k = 1; k + 1 < segments_.size(); ++k) {
    const Segment& s = segments_[k];
    if (s.tokens.empty()) continue;
    if (!FindFrom(s, v, pos, end) || end > last_start) return false;
    pos = end;
  }
  return true;
}

}  // namespace sorbel::csvdb
