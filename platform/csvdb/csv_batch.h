// CsvBatch: a stretch of a CSV file's bytes with the records cut from it; CsvBatchQueue: the
// few batches passed from the thread that reads and cuts the file to the one that queries it.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

#include "platform/wait_lock.h"

namespace sorbel::csvdb {

struct CsvBatch {
  struct Record {
    std::size_t begin = 0;          // offset in bytes
    std::uint32_t size = 0;         // without the line end
    std::uint32_t first_start = 0;  // index of its first field start in starts
    std::uint32_t field_count = 0;
    std::uint16_t line_end = 0;  // bytes of the line end after it (0 at the end of the file)
    std::uint16_t fault = 0;     // CsvCutter::Fault; a faulty record has no fields and its
                                 // size covers every byte set aside, line ends included
  };

  std::unique_ptr<char[]> bytes;  // `capacity` usable bytes and a 64-byte slack for wide loads
  std::size_t capacity = 0;
  std::size_t size = 0;          // bytes read into `bytes`
  std::int64_t file_offset = 0;  // of bytes[0]
  std::vector<Record> records;
  std::vector<std::uint32_t> starts;  // field starts, relative to their record's begin
  bool last = false;                  // nothing follows this batch
  std::exception_ptr error;           // thrown after the records (the file's fault)

  void Clear() {
    records.clear();
    starts.clear();
    last = false;
    error = nullptr;
  }
};

class CsvBatchQueue {
 public:
  // `count` free batches of `capacity` bytes each.
  CsvBatchQueue(int count, std::size_t capacity);

  // A free batch for the cutter to fill; nullptr once Stop() was called. Every batch comes
  // from the constructor and goes back through Recycle(), so the count never grows.
  std::unique_ptr<CsvBatch> TakeFree();
  // Hands a filled batch to the reader.
  void Publish(std::unique_ptr<CsvBatch> batch);
  // The next filled batch, waiting for it.
  std::unique_ptr<CsvBatch> TakeReady();
  // Gives a batch, read to its end, back for filling.
  void Recycle(std::unique_ptr<CsvBatch> batch);
  // Waits until the reader has taken every published batch, or the queue is stopped.
  void WaitTaken();
  // Wakes and refuses a cutter waiting for a free batch.
  void Stop();
  bool Stopped() const { return stopped_flag_.load(std::memory_order_relaxed); }
  // Back to use after Stop(): filled batches become free ones.
  void Reset();

 private:
  WaitLock lock_;
  // Both hold room for every batch from the start, so handing a batch on never allocates
  // and cannot fail half-way.
  std::vector<std::unique_ptr<CsvBatch>> free_;
  std::vector<std::unique_ptr<CsvBatch>> ready_;  // oldest first
  bool stopped_ = false;
  std::atomic<bool> stopped_flag_{false};  // stopped_, for a glance without the lock
};

}  // namespace sorbel::csvdb
