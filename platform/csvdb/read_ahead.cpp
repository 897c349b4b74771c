// The read-ahead thread: one pread loop per request, handed over under a mutex, so a request
// costs two wake-ups and the bytes are copied out of the page cache off the caller's core.
#include "platform/csvdb/read_ahead.h"

#include <errno.h>
#include <unistd.h>

namespace sorbel::csvdb {
namespace {

// Reads until `size` bytes are in or the file ends; minus errno on failure.
std::int64_t ReadFully(int fd, char* out, std::size_t size, std::int64_t offset) {
  std::size_t done = 0;
  while (done < size) {
    ssize_t got = ::pread(fd, out + done, size - done, offset + static_cast<std::int64_t>(done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return -errno;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<std::int64_t>(done);
}

}  // namespace

ReadAhead::ReadAhead(int fd) : fd_(fd), thread_([this] { Run(); }) {}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void ReadAhead::Start(char* out, std::size_t size, std::int64_t offset) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    out_ = out;
    size_ = size;
    offset_ = offset;
    asked_ = true;
    done_ = false;
  }
  changed_.notify_all();
}

std::int64_t ReadAhead::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return done_; });
  done_ = false;
  return result_;
}

void ReadAhead::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return asked_ || stop_; });
    if (!asked_) return;  // stopped with nothing to read
    asked_ = false;
    char* out = out_;
    std::size_t size = size_;
    std::int64_t offset = offset_;
    lock.unlock();
    std::int64_t result = ReadFully(fd_, out, size, offset);
    lock.lock();
    result_ = result;
    done_ = true;
    changed_.notify_all();
  }
}

}  // namespace sorbel::csvdb
