// Line counting: an LF ends a line, and so does a CR not followed by an LF.
#include "platform/csvdb/csv_line_counter.h"

#include <errno.h>

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/csvdb/csv_error.h"
#include "platform/open_file.h"

namespace sorbel::csvdb {
namespace {

// Line ends in s[0, n); `next` is the byte after s[n - 1], -1 at the end of the file.
std::int64_t CountLineEnds(const char* s, std::size_t n, int next) {
  std::int64_t lines = 0;
  std::size_t i = 0;
#if defined(__SSE2__)
  // Sixteen bytes at a time: a set-aside record late in a big file is numbered by counting
  // every line before it, which byte by byte took most of a second for a gigabyte.
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; i + 16 < n; i += 16) {  // the byte after the sixteen is there too
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const unsigned lfs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)));
    const unsigned crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, cr)));
    if ((lfs | crs) == 0) continue;
    const unsigned lf_after = (lfs >> 1) | (s[i + 16] == '\n' ? 0x8000u : 0u);
    lines += __builtin_popcount(lfs) + __builtin_popcount(crs & ~lf_after);
  }
#endif
  for (; i < n; ++i) {
    if (s[i] == '\n') {
      ++lines;
    } else if (s[i] == '\r') {
      int after = i + 1 < n ? static_cast<unsigned char>(s[i + 1]) : next;
      if (after != '\n') ++lines;
    }
  }
  return lines;
}

}  // namespace

std::int64_t CsvLineCounter::LineAt(std::int64_t target, const OpenFile& file,
                                    const std::string& path, const char* buffer,
                                    std::int64_t buffer_offset, std::size_t buffer_size) {
  if (target < offset_) Reset();
  std::int64_t at = offset_;
  std::int64_t lines = 0;
  char chunk[1 << 16];
  const std::int64_t read_to = std::min(target, buffer_offset);
  while (at < read_to) {
    std::size_t want =
        static_cast<std::size_t>(std::min<std::int64_t>(sizeof chunk - 1, read_to - at));
    std::size_t got = 0;
    try {
      got = file.ReadAt(at, chunk, want + 1);  // one more byte: what follows a CR
    } catch (const Error& e) {
      throw CsvFileError(path, e.Description());
    }
    if (got == 0) throw CsvFileError(path, OsErrorText(EIO));
    std::size_t used = std::min(want, got);
    int next = got > used ? static_cast<unsigned char>(chunk[used]) : -1;
    lines += CountLineEnds(chunk, used, next);
    at += static_cast<std::int64_t>(used);
  }
  if (at < target) {
    std::size_t from = static_cast<std::size_t>(at - buffer_offset);
    std::size_t to = static_cast<std::size_t>(target - buffer_offset);
    int next = to < buffer_size ? static_cast<unsigned char>(buffer[to]) : -1;
    lines += CountLineEnds(buffer + from, to - from, next);
  }
  offset_ = target;
  line_ += lines;
  return line_;
}

}  // namespace sorbel::csvdb
