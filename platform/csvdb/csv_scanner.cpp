// The scanner's side of the batch queue: the cutting thread starts with the first record asked
// for and is stopped and joined before a rewind or the end, so it never outlives its file.
#include "platform/csvdb/csv_scanner.h"

namespace sorbel::csvdb {
namespace {

// Batches in flight: one being read, one being cut, and room for the cutter to run ahead.
constexpr int kBatches = 4;

}  // namespace

CsvScanner::CsvScanner(const std::string& path, char delimiter, const OpenFile* lent,
                       bool set_aside)
    : queue_(kBatches, CsvCutter::kHeadBytes), cutter_(path, delimiter, lent, set_aside, queue_) {}

CsvScanner::~CsvScanner() { StopCutting(); }

void CsvScanner::StopCutting() {
  if (!cutting_.joinable()) return;
  queue_.Stop();
  cutting_.join();
  if (batch_) queue_.Recycle(std::move(batch_));
  queue_.Reset();
}

void CsvScanner::Rewind() {
  StopCutting();  // also gives back the batch in hand
  lines_.Reset();
  started_ = false;
  index_ = 0;
  record_ = {};
  bytes_ = nullptr;
  starts_ = nullptr;
  rewind_error_ = nullptr;
  try {
    cutter_.Rewind();
  } catch (...) {
    // The head could not be read again: the file cannot be read from the start, now or at the
    // next record asked for.
    rewind_error_ = std::current_exception();
    throw;
  }
}

bool CsvScanner::Next() {
  if (rewind_error_) std::rethrow_exception(rewind_error_);
  if (!started_) {
    cutting_ = std::thread([this] { cutter_.Run(); });
    started_ = true;
  }
  for (;;) {
    if (batch_) {
      if (index_ < batch_->records.size()) {
        record_ = batch_->records[index_++];
        bytes_ = batch_->bytes.get() + record_.begin;
        starts_ = batch_->starts.data() + record_.first_start;
        return true;
      }
      // Read to its end: the file's fault, if any, comes after the batch's records, each time
      // a record is asked for again.
      if (batch_->error) std::rethrow_exception(batch_->error);
      if (batch_->last) {
        record_ = {};
        return false;
      }
      queue_.Recycle(std::move(batch_));
    }
    batch_ = queue_.TakeReady();
    index_ = 0;
  }
}

std::int64_t CsvScanner::LineOf(const char* p) const {
  if (!batch_) return lines_.LineAt(0, cutter_.File(), cutter_.Path(), nullptr, 0, 0);
  const char* bytes = batch_->bytes.get();
  return lines_.LineAt(batch_->file_offset + (p - bytes), cutter_.File(), cutter_.Path(), bytes,
                       batch_->file_offset, batch_->size);
}

}  // namespace sorbel::csvdb
