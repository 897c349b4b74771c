// CsvScanner: finds the records of a CSV file and the fields of each record on the raw bytes.
// It reads with pread() into one buffer that grows for huge records; it knows no character set.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sorbel::csvdb {

class CsvScanner {
 public:
  // A record may not be longer than this; beyond it a quote was almost surely never closed.
  static constexpr std::size_t kMaxRecordBytes = std::size_t{256} << 20;

  // Opens `path` and reads the first block. Throws Error(kErrCsvFile) naming the file.
  // `delimiter` must not be a quote, CR or LF (the caller checks). With `fd` >= 0 the bytes
  // come from that open file instead, read at explicit offsets and never closed; `path` then
  // only names the file in messages.
  CsvScanner(const std::string& path, char delimiter, int fd = -1);
  ~CsvScanner();
  CsvScanner(const CsvScanner&) = delete;
  CsvScanner& operator=(const CsvScanner&) = delete;

  // The file's first bytes (up to one buffer, a UTF-8 byte order mark left out), for
  // guessing the character set. Valid only before the first Next().
  std::string_view Head() const;
  bool HasByteOrderMark() const { return bom_; }

  // Moves to the next record, passing over blank lines; false at the end of the file.
  // Throws Error(kErrCsvFormat) naming the file and line for a quote that is never closed,
  // text after a closing quote, or a record longer than kMaxRecordBytes.
  bool Next();
  // Back to before the first record.
  void Rewind();

  int FieldCount() const { return static_cast<int>(starts_.size()); }
  // Field i (0 <= i < FieldCount()) as it stands in the file, with its quotes if it has
  // them; valid until the next Next() or Rewind().
  std::string_view RawField(int i) const {
    std::uint32_t begin = starts_[i];
    std::uint32_t end =
        static_cast<std::size_t>(i) + 1 < starts_.size() ? starts_[i + 1] - 1 : record_size_;
    return std::string_view(buf_.get() + record_begin_ + begin, end - begin);
  }

  // Line (1-based) on which the current record starts, and line of the byte at `p`, which
  // points into the current record. Lines are counted when asked, from the last line asked
  // for: cheap for messages and for the next record, not meant for every record of a file.
  std::int64_t RecordLine() const { return LineOf(buf_.get() + record_begin_); }
  std::int64_t LineOf(const char* p) const;

 private:
  bool ScanRecord();
  template <typename Blocks>
  bool ScanRecordFast();
  bool ScanRecordWide();  // ScanRecordFast with AVX2
  bool ScanRecordExact();
  bool Fill();
  void Grow(std::size_t capacity);
  [[noreturn]] void Fail(const char* at, std::string_view detail) const;
  [[noreturn]] void FailLongRecord() const;

  std::string path_;
  char delimiter_;
  bool wide_ = false;  // the processor can take ScanRecordWide
  int fd_ = -1;
  bool owns_fd_ = true;
  std::unique_ptr<char[]> buf_;
  std::size_t capacity_ = 0;     // usable bytes; a block of slack follows for wide loads
  std::size_t end_ = 0;          // valid bytes in buf_
  std::int64_t buf_offset_ = 0;  // file offset of buf_[0]
  bool eof_ = false;
  bool bom_ = false;
  bool started_ = false;  // Next() has been called since open or rewind

  std::size_t record_begin_ = 0;       // offset of the current record in buf_
  std::uint32_t record_size_ = 0;      // its length without the line end
  std::size_t next_ = 0;               // offset of the byte after its line end
  std::vector<std::uint32_t> starts_;  // field starts, relative to record_begin_

  // The last line asked for: the file offset of a byte and the line it is on.
  mutable std::int64_t line_offset_ = 0;
  mutable std::int64_t line_ = 1;
};

}  // namespace sorbel::csvdb
