// CsvScanner: the records of a CSV file and the fields of each, as raw bytes. A thread of its
// own reads and cuts the file (CsvCutter) a few batches ahead of the caller.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "platform/csvdb/csv_batch.h"
#include "platform/csvdb/csv_cutter.h"
#include "platform/csvdb/csv_line_counter.h"

namespace sorbel::csvdb {

class CsvScanner {
 public:
  static constexpr std::size_t kMaxRecordBytes = CsvCutter::kMaxRecordBytes;

  // Opens `path` and reads the first block. Throws Error(kErrCsvFile) naming the file.
  // `delimiter` must not be a quote, CR or LF (the caller checks). With `lent` the bytes come
  // from that open file instead, read at explicit offsets and never closed; `path` then only
  // names the file in messages. With `set_aside`, records with a quote fault come as faulty
  // records (Fault()) instead of ending the file (see CsvCutter::Run).
  CsvScanner(const std::string& path, char delimiter, const OpenFile* lent = nullptr,
             bool set_aside = false);
  ~CsvScanner();
  CsvScanner(const CsvScanner&) = delete;
  CsvScanner& operator=(const CsvScanner&) = delete;

  // The file's first bytes (up to 1 MiB, a UTF-8 byte order mark left out), for guessing the
  // character set. Valid only before the first Next().
  std::string_view Head() const { return started_ ? std::string_view() : cutter_.Head(); }
  bool HasByteOrderMark() const { return cutter_.HasByteOrderMark(); }

  // Moves to the next record, passing over blank lines; false at the end of the file.
  // Throws Error(kErrCsvFormat) naming the file and line for a quote that is never closed,
  // text after a closing quote, or a record longer than kMaxRecordBytes, and Error(kErrCsvFile)
  // when the file cannot be read; the records before the fault come first.
  bool Next();
  // Back to before the first record.
  void Rewind();

  // What is wrong with the current record; a faulty record has no fields.
  CsvCutter::Fault Fault() const { return static_cast<CsvCutter::Fault>(record_.fault); }
  // The current record as it stands in the file, its line end included.
  std::string_view RawRecord() const {
    return std::string_view(bytes_, std::size_t{record_.size} + record_.line_end);
  }
  // Where the current record starts in the file, in bytes.
  std::int64_t RecordOffset() const {
    return batch_->file_offset + static_cast<std::int64_t>(record_.begin);
  }
  int FieldCount() const { return static_cast<int>(record_.field_count); }
  // Field i (0 <= i < FieldCount()) as it stands in the file, with its quotes if it has
  // them; valid until the next Next() or Rewind().
  std::string_view RawField(int i) const {
    std::uint32_t begin = starts_[i];
    std::uint32_t end =
        static_cast<std::uint32_t>(i) + 1 < record_.field_count ? starts_[i + 1] - 1 : record_.size;
    return std::string_view(bytes_ + begin, end - begin);
  }

  // Line (1-based) on which the current record starts, and line of the byte at `p`, which
  // points into the current record. Lines are counted when asked, from the last line asked
  // for: cheap for messages and for the next record, not meant for every record of a file.
  std::int64_t RecordLine() const { return LineOf(bytes_); }
  std::int64_t LineOf(const char* p) const;

 private:
  void StopCutting();

  CsvBatchQueue queue_;
  CsvCutter cutter_;
  std::thread cutting_;
  bool started_ = false;             // Next() has been called since open or rewind
  std::unique_ptr<CsvBatch> batch_;  // the batch of the current record
  std::size_t index_ = 0;            // of the current record in batch_, plus one
  CsvBatch::Record record_;
  const char* bytes_ = nullptr;            // the current record
  const std::uint32_t* starts_ = nullptr;  // its field starts
  mutable CsvLineCounter lines_;
  std::exception_ptr rewind_error_;  // a Rewind() that failed, thrown again by Next()
};

}  // namespace sorbel::csvdb
