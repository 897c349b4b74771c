// The batch queue: one lock and one condition for both directions; a handful of batches in
// flight is all it ever holds, so waking every waiter on each change costs nothing.
#include "platform/csvdb/csv_batch.h"

#include <mutex>

#include "platform/csvdb/csv_block.h"

namespace sorbel::csvdb {

CsvBatchQueue::CsvBatchQueue(int count, std::size_t capacity) {
  free_.reserve(static_cast<std::size_t>(count));
  ready_.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    auto batch = std::make_unique<CsvBatch>();
    batch->bytes = std::make_unique_for_overwrite<char[]>(capacity + kBlock);
    batch->capacity = capacity;
    free_.push_back(std::move(batch));
  }
}

std::unique_ptr<CsvBatch> CsvBatchQueue::TakeFree() {
  std::unique_lock lock(lock_);
  lock_.WaitUntil([this] { return stopped_ || !free_.empty(); });
  if (stopped_) return nullptr;
  std::unique_ptr<CsvBatch> batch = std::move(free_.back());
  free_.pop_back();
  return batch;
}

void CsvBatchQueue::Publish(std::unique_ptr<CsvBatch> batch) {
  {
    std::lock_guard lock(lock_);
    ready_.push_back(std::move(batch));
  }
  lock_.WakeAll();
}

std::unique_ptr<CsvBatch> CsvBatchQueue::TakeReady() {
  std::unique_lock lock(lock_);
  lock_.WaitUntil([this] { return !ready_.empty(); });
  std::unique_ptr<CsvBatch> batch = std::move(ready_.front());
  ready_.erase(ready_.begin());
  lock.unlock();
  lock_.WakeAll();  // a cutter may wait for the queue to empty
  return batch;
}

void CsvBatchQueue::WaitTaken() {
  std::unique_lock lock(lock_);
  lock_.WaitUntil([this] { return stopped_ || ready_.empty(); });
}

void CsvBatchQueue::Recycle(std::unique_ptr<CsvBatch> batch) {
  {
    std::lock_guard lock(lock_);
    free_.push_back(std::move(batch));
  }
  lock_.WakeAll();
}

void CsvBatchQueue::Stop() {
  {
    std::lock_guard lock(lock_);
    stopped_ = true;
    stopped_flag_ = true;
  }
  lock_.WakeAll();
}

void CsvBatchQueue::Reset() {
  std::lock_guard lock(lock_);
  for (auto& batch : ready_) free_.push_back(std::move(batch));
  ready_.clear();
  stopped_ = false;
  stopped_flag_ = false;
}

}  // namespace sorbel::csvdb
