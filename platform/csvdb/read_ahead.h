// ReadAhead: reads the next stretch of a file on a thread of its own while the caller scans the
// stretch before it, so that copying bytes out of the page cache and scanning them overlap.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

namespace sorbel::csvdb {

class ReadAhead {
 public:
  // Reads `fd` at explicit offsets; the descriptor stays the caller's.
  explicit ReadAhead(int fd);
  // Waits for a read under way, then ends the thread.
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // Starts reading up to `size` bytes at `offset` into `out`, which the caller leaves alone
  // until Wait returns. One read at a time.
  void Start(char* out, std::size_t size, std::int64_t offset);
  // Waits for the read Start began: the bytes read (fewer than asked only at the end of the
  // file, 0 there), or minus the errno value of a failure.
  std::int64_t Wait();

 private:
  void Run();

  int fd_;
  std::mutex mutex_;
  std::condition_variable changed_;
  char* out_ = nullptr;
  std::size_t size_ = 0;
  std::int64_t offset_ = 0;
  bool asked_ = false;  // a read is waiting for the thread
  bool done_ = false;   // the thread has finished it
  bool stop_ = false;
  std::int64_t result_ = 0;
  std::thread thread_;  // last: it starts once the rest is ready
};

}  // namespace sorbel::csvdb
