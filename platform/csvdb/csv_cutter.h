// CsvCutter: finds the records of a CSV file and the fields of each record on the raw bytes,
// reading with pread() into batches that it hands on as they fill; it knows no character set.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/csvdb/csv_batch.h"
#include "platform/csvdb/csv_line_counter.h"

namespace sorbel::csvdb {

class CsvCutter {
 public:
  // A record may not be longer than this; beyond it a quote was almost surely never closed.
  static constexpr std::size_t kMaxRecordBytes = std::size_t{256} << 20;
  // The start of the file read before the first record, for the character set to be told from.
  static constexpr std::size_t kHeadBytes = std::size_t{1} << 20;

  // Opens `path` (or uses `fd` when >= 0: read at explicit offsets and never closed; `path`
  // then only names the file in messages) and reads the head into a batch from `queue`.
  // Throws Error(kErrCsvFile) naming the file. `delimiter` must not be a quote, CR or LF.
  CsvCutter(const std::string& path, char delimiter, int fd, CsvBatchQueue& queue);
  ~CsvCutter();
  CsvCutter(const CsvCutter&) = delete;
  CsvCutter& operator=(const CsvCutter&) = delete;

  // The file's first bytes (up to kHeadBytes, a UTF-8 byte order mark left out). Valid until
  // Run() starts.
  std::string_view Head() const;
  bool HasByteOrderMark() const { return bom_; }
  int Fd() const { return fd_; }
  const std::string& Path() const { return path_; }

  // Cuts every record from the head on and publishes the batches to the queue in file order,
  // blank lines left out; the last batch says so. A fault in the file (a quote never closed,
  // text after a closing quote, a record longer than kMaxRecordBytes: Error(kErrCsvFormat)
  // naming the file and line) or a failed read ends the run: the batch with the records
  // before it carries the error. Returns early, publishing nothing more, when the queue is
  // stopped.
  void Run();
  // Back to the head, for another Run(); takes a free batch from the queue when it holds none.
  void Rewind();

 private:
  bool ScanRecord();
  template <typename Blocks>
  bool ScanRecordFast();
  bool ScanRecordWide();  // ScanRecordFast with AVX2
  bool ScanRecordExact();
  bool Fill();
  void PassOn();
  void AddRecord();
  void Grow(std::size_t capacity);
  [[noreturn]] void Fail(const char* at, std::string_view detail);
  [[noreturn]] void FailLongRecord();

  std::string path_;
  char delimiter_;
  bool wide_ = false;  // the processor can take ScanRecordWide
  int fd_ = -1;
  bool owns_fd_ = true;
  CsvBatchQueue& queue_;
  std::unique_ptr<CsvBatch> batch_;  // the batch being filled; its bytes are the buffer
  std::size_t end_ = 0;              // valid bytes in the buffer
  bool eof_ = false;
  bool bom_ = false;

  std::size_t record_begin_ = 0;       // offset of the current record in the buffer
  std::uint32_t record_size_ = 0;      // its length without the line end
  std::size_t next_ = 0;               // offset of the byte after its line end
  std::vector<std::uint32_t> starts_;  // field starts, relative to record_begin_
  CsvLineCounter lines_;
};

}  // namespace sorbel::csvdb
