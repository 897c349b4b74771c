// FileDescriptor: owns an open file descriptor and closes it when the owner goes away.
// Close() closes early and reports a late write error; Release() hands the descriptor back.
#pragma once

#include <errno.h>
#include <unistd.h>

namespace sorbel {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() { Reset(-1); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int Get() const { return fd_; }
  bool Ok() const { return fd_ >= 0; }
  void Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  int Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes now; answers 0 or the errno of a failed close (a late write error shows here).
  int Close() {
    int fd = Release();
    return fd < 0 || ::close(fd) == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

}  // namespace sorbel
