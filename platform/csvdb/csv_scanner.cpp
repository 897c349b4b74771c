// Record and field boundaries on raw bytes: 64-byte blocks become bit masks of quotes, line
// ends and delimiters, and only the set bits are visited, so ordinary bytes cost almost nothing.
#include "platform/csvdb/csv_scanner.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/csvdb/csv_error.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sorbel::csvdb {
namespace {

constexpr std::size_t kReadBytes = std::size_t{1} << 20;
constexpr std::size_t kBlock = 64;

// Bit k is set when byte k of the block is a quote, CR or LF (special) or the delimiter.
struct BlockMasks {
  std::uint64_t special;
  std::uint64_t delim;
};

BlockMasks Classify(const char* p, char delimiter) {
  BlockMasks m{0, 0};
#if defined(__SSE2__)
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i delim = _mm_set1_epi8(delimiter);
  for (int k = 0; k < 4; ++k) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    __m128i s = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, cr)),
                             _mm_cmpeq_epi8(v, lf));
    m.special |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(s))} << (16 * k);
    m.delim |=
        std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, delim)))}
        << (16 * k);
  }
#else
  for (std::size_t k = 0; k < kBlock; ++k) {
    char c = p[k];
    if (c == '"' || c == '\r' || c == '\n') m.special |= std::uint64_t{1} << k;
    if (c == delimiter) m.delim |= std::uint64_t{1} << k;
  }
#endif
  return m;
}

}  // namespace

CsvScanner::CsvScanner(const std::string& path, char delimiter)
    : path_(path), delimiter_(delimiter) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw CsvFileError(path_, OsErrorText(errno));
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  capacity_ = kReadBytes;
  buf_ = std::make_unique<char[]>(capacity_ + kBlock);
  Rewind();
}

CsvScanner::~CsvScanner() {
  if (fd_ >= 0) ::close(fd_);
}

void CsvScanner::Rewind() {
  if (::lseek(fd_, 0, SEEK_SET) < 0) throw CsvFileError(path_, OsErrorText(errno));
  end_ = 0;
  eof_ = false;
  record_begin_ = 0;
  while (end_ < 3 && Fill()) {
  }
  bom_ = end_ >= 3 && std::memcmp(buf_.get(), "\xEF\xBB\xBF", 3) == 0;
  record_begin_ = next_ = bom_ ? 3 : 0;
  record_size_ = 0;
  record_line_ = next_line_ = 1;
  starts_.clear();
  started_ = false;
}

std::string_view CsvScanner::Head() const {
  if (started_) return {};
  std::size_t begin = bom_ ? 3 : 0;
  return std::string_view(buf_.get() + begin, end_ - begin);
}

bool CsvScanner::Next() {
  started_ = true;
  for (;;) {
    record_begin_ = next_;
    record_line_ = next_line_;
    if (!ScanRecord()) return false;
    // A blank line holds no field at all; a record with one empty field is written "".
    if (record_size_ > 0) return true;
  }
}

// Moves the unfinished record to the front of the buffer, grows the buffer when the record
// fills it, and reads more. False at the end of the file.
bool CsvScanner::Fill() {
  if (eof_) return false;
  if (record_begin_ > 0) {
    std::memmove(buf_.get(), buf_.get() + record_begin_, end_ - record_begin_);
    end_ -= record_begin_;
    record_begin_ = 0;
  }
  if (end_ == capacity_) {
    if (capacity_ >= kMaxRecordBytes) {
      Fail(record_line_,
           "1件のレコードが256MiBを超えています（閉じられていない引用符があるかもしれません）。");
    }
    std::size_t grown = std::min(capacity_ * 2, kMaxRecordBytes);
    auto bigger = std::make_unique<char[]>(grown + kBlock);
    std::memcpy(bigger.get(), buf_.get(), end_);
    buf_ = std::move(bigger);
    capacity_ = grown;
  }
  ssize_t got;
  do {
    got = ::read(fd_, buf_.get() + end_, capacity_ - end_);
  } while (got < 0 && errno == EINTR);
  if (got < 0) throw CsvFileError(path_, OsErrorText(errno));
  if (got == 0) {
    eof_ = true;
    return false;
  }
  end_ += static_cast<std::size_t>(got);
  return true;
}

// Scans one record from record_begin_. Offsets are kept relative to the record's start
// because Fill() moves the record to the front of the buffer.
bool CsvScanner::ScanRecord() {
  starts_.clear();
  starts_.push_back(0);
  std::size_t off = 0;       // first byte not yet looked at
  std::int64_t lines = 0;    // line ends passed inside quoted fields
  std::size_t quote_at = 0;  // the quote that opened the current field
  bool quoted = false;

  auto finish = [&](std::size_t size, std::size_t after, std::int64_t line_ends) {
    record_size_ = static_cast<std::uint32_t>(size);
    next_ = record_begin_ + after;
    next_line_ = record_line_ + line_ends;
  };

  for (;;) {
    if (record_begin_ + off >= end_) {
      if (Fill()) continue;
      if (quoted) {
        Fail(LineOf(buf_.get() + record_begin_ + quote_at),
             "引用符（\"）で始まる項目が閉じられないまま、ファイルが終わっています。");
      }
      if (off == 0) return false;
      finish(off, off, lines);
      return true;
    }
    const char* p = buf_.get() + record_begin_ + off;
    std::size_t n = std::min(end_ - record_begin_ - off, kBlock);
    BlockMasks m = Classify(p, delimiter_);
    std::uint64_t valid = n == kBlock ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
    std::uint64_t special = m.special & valid;
    std::uint64_t delim = m.delim & valid;
    std::size_t i = 0;  // bits below i are done
    for (;;) {
      std::uint64_t from_i = i < kBlock ? ~std::uint64_t{0} << i : 0;
      std::uint64_t bits = special & from_i;
      if (!quoted) {
        // The delimiters before the next quote or line end all start fields.
        std::uint64_t before = bits ? (bits & (~bits + 1)) - 1 : ~std::uint64_t{0};
        for (std::uint64_t d = delim & from_i & before; d != 0; d &= d - 1) {
          starts_.push_back(static_cast<std::uint32_t>(off + __builtin_ctzll(d) + 1));
        }
      }
      if (bits == 0) {
        off += n;
        break;
      }
      std::size_t b = static_cast<std::size_t>(__builtin_ctzll(bits));
      std::size_t at = off + b;
      char c = p[b];
      // Quotes and CRs are read together with the byte after them.
      bool have_next = record_begin_ + at + 1 < end_;
      if (!have_next && !eof_ && (c == '"' || c == '\r')) {
        off = at;
        Fill();
        break;
      }
      int next = have_next ? static_cast<unsigned char>(p[b + 1]) : -1;
      std::size_t step = 1;
      if (quoted) {
        if (c == '"') {
          if (next == '"') {
            step = 2;
          } else {
            quoted = false;
            if (next == -1) {
              finish(at + 1, at + 1, lines);
              return true;
            }
            if (next == static_cast<unsigned char>(delimiter_)) {
              starts_.push_back(static_cast<std::uint32_t>(at + 2));
              step = 2;
            } else if (next != '\r' && next != '\n') {
              Fail(LineOf(p + b),
                   "閉じる引用符（\"）の後に、区切り文字でも改行でもない文字があります。");
            }
          }
        } else if (c == '\n' || next != '\n') {
          ++lines;  // a lone CR counts as a line end; in CR LF only the LF does
        }
      } else if (c == '"') {
        // Only a quote that starts a field opens a quoted field; elsewhere it is text.
        if (at == starts_.back()) {
          quoted = true;
          quote_at = at;
        }
      } else {
        std::size_t after = c == '\r' && next == '\n' ? at + 2 : at + 1;
        finish(at, after, lines + 1);
        return true;
      }
      i = b + step;
      if (i >= n) {
        off += i;
        break;
      }
    }
  }
}

std::int64_t CsvScanner::LineOf(const char* p) const {
  const char* s = buf_.get() + record_begin_;
  std::int64_t line = record_line_;
  for (; s < p; ++s) {
    if (*s == '\n' || (*s == '\r' && s[1] != '\n')) ++line;
  }
  return line;
}

void CsvScanner::Fail(std::int64_t line, std::string_view detail) const {
  throw CsvFormatError(path_, line, detail);
}

}  // namespace sorbel::csvdb
