// The open file on POSIX: a descriptor, read and written with the calls retried on EINTR; marks
// in use are flock locks, notes are extended attributes in the "user." space.
#include "platform/open_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>

#include "platform/error.h"
#include "platform/posix/file_state.h"

namespace sorbel {
namespace {

int Fd(std::intptr_t handle) { return static_cast<int>(handle); }

std::int64_t Nanos(const struct timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

std::size_t Done(ssize_t n) {
  if (n < 0) throw OsError(errno);
  return static_cast<std::size_t>(n);
}

}  // namespace

FileState StateFromStat(const struct stat& st) {
  FileState state;
  if (S_ISREG(st.st_mode)) {
    state.kind = FileKind::kRegular;
  } else if (S_ISDIR(st.st_mode)) {
    state.kind = FileKind::kFolder;
  } else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) {
    state.kind = FileKind::kDevice;
  } else if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) {
    state.kind = FileKind::kPipe;
  }
  state.size = static_cast<std::int64_t>(st.st_size);
  state.modified = Nanos(st.st_mtim);
  state.changed = Nanos(st.st_ctim);
  state.identity =
      FileIdentity(static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino));
  return state;
}

OpenFile::~OpenFile() {
  if (IsOpen()) ::close(Fd(handle_));
}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
  if (this != &other) {
    if (IsOpen()) ::close(Fd(handle_));
    handle_ = other.handle_;
    other.handle_ = -1;
  }
  return *this;
}

std::size_t OpenFile::Read(char* data, std::size_t size) {
  ssize_t n;
  do {
    n = ::read(Fd(handle_), data, size);
  } while (n < 0 && errno == EINTR);
  return Done(n);
}

std::size_t OpenFile::ReadAt(std::int64_t offset, char* data, std::size_t size) const {
  ssize_t n;
  do {
    n = ::pread(Fd(handle_), data, size, static_cast<off_t>(offset));
  } while (n < 0 && errno == EINTR);
  return Done(n);
}

std::size_t OpenFile::ReadAtIfCached(std::int64_t offset, char* data, std::size_t size) const {
  struct iovec part = {data, size};
  const ssize_t n = ::preadv2(Fd(handle_), &part, 1, static_cast<off_t>(offset), RWF_NOWAIT);
  return n < 0 ? 0 : static_cast<std::size_t>(n);
}

void OpenFile::WillReadInOrder() const {
  ::posix_fadvise(Fd(handle_), 0, 0, POSIX_FADV_SEQUENTIAL);
}

void OpenFile::Write(std::string_view data, std::string_view tail) {
  // Loops only over short writes, so that an appending write normally lands in one piece.
  while (!data.empty() || !tail.empty()) {
    struct iovec parts[2] = {{const_cast<char*>(data.data()), data.size()},
                             {const_cast<char*>(tail.data()), tail.size()}};
    const ssize_t n = ::writev(Fd(handle_), parts, 2);
    if (n < 0 && errno == EINTR) continue;
    const std::size_t done = Done(n);
    const std::size_t from_data = std::min(done, data.size());
    data.remove_prefix(from_data);
    tail.remove_prefix(done - from_data);
  }
}

FileState OpenFile::State() const {
  struct stat st;
  if (::fstat(Fd(handle_), &st) != 0) throw OsError(errno);
  return StateFromStat(st);
}

void OpenFile::MarkInUse() { ::flock(Fd(handle_), LOCK_EX | LOCK_NB); }

bool OpenFile::WriteNote(const std::string& name, std::string_view text) {
  const std::string key = "user." + name;
  return ::fsetxattr(Fd(handle_), key.c_str(), text.data(), text.size(), 0) == 0;
}

std::optional<std::string> OpenFile::ReadNote(const std::string& name) const {
  // Notes are short: a longer one is none of ours.
  char text[256];
  const std::string key = "user." + name;
  const ssize_t n = ::fgetxattr(Fd(handle_), key.c_str(), text, sizeof text);
  if (n < 0) return std::nullopt;
  return std::string(text, static_cast<std::size_t>(n));
}

void OpenFile::Close() {
  if (!IsOpen()) return;
  const int fd = Fd(handle_);
  handle_ = -1;
  if (::close(fd) != 0) throw OsError(errno);
}

}  // namespace sorbel
