// The file system port on POSIX: renameat2 where the file system takes it, links or an
// exclusive create where it does not; locks tested both as flock and as record locks.
#include "platform/file_system.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/error.h"
#include "platform/posix/file_state.h"

namespace sorbel {
namespace {

// The file system does not do this at all, as against a failure of this one file.
bool Unsupported(int err) {
  return err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == ENOTSUP || err == EPERM ||
         err == EXDEV;
}

// A NUL would silently cut the name short and reach another file.
bool Unusable(const std::string& path) { return path.find('\0') != std::string::npos; }

// Opens without waiting: a pipe without a writer or reader must not hang the run.
int OpenNow(const std::string& path, int flags) {
  if (Unusable(path)) {
    errno = EINVAL;
    return -1;
  }
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

std::optional<FileState> FileStateOf(const std::string& path) {
  struct stat st;
  if (Unusable(path) || ::stat(path.c_str(), &st) != 0) return std::nullopt;
  return StateFromStat(st);
}

OpenFile OpenForReading(const std::string& path, WhenLeased leased) {
  int fd = OpenNow(path, O_RDONLY);
  // Without waiting, in case the name leads to a pipe; a regular file whose holder has a lease
  // on it is then opened the ordinary way, which waits for the lease.
  struct stat st;
  if (fd < 0 && errno == EWOULDBLOCK && leased == WhenLeased::kWait &&
      ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    do {
      fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
  }
  if (fd < 0) throw OsError(errno);
  return OpenFile::FromNativeHandle(fd);
}

OpenFile OpenForWriting(const std::string& path, WriteStart start) {
  int flags = O_WRONLY;
  if (start == WriteStart::kAtEnd) flags |= O_APPEND;
  if (start == WriteStart::kEmptied) flags |= O_TRUNC;
  if (start == WriteStart::kCreatedIfMissing) flags |= O_CREAT;
  const int fd = OpenNow(path, flags);
  if (fd < 0) throw OsError(errno);
  return OpenFile::FromNativeHandle(fd);
}

OpenFile CreateNew(const std::string& path, NewFileUse use) {
  const int fd =
      OpenNow(path, (use == NewFileUse::kReadingToo ? O_RDWR : O_WRONLY) | O_CREAT | O_EXCL);
  if (fd < 0 && errno == EEXIST) return OpenFile();
  if (fd < 0) throw OsError(errno);
  return OpenFile::FromNativeHandle(fd);
}

OpenFile CreateNameless(const std::string& folder) {
  if (Unusable(folder)) throw OsError(EINVAL);
  int fd;
  do {
    fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  } while (fd < 0 && errno == EINTR);
  // NTFS, exFAT and FAT through FUSE make none (and could not keep a removed file open).
  if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) return OpenFile();
  if (fd < 0) throw OsError(errno);
  return OpenFile::FromNativeHandle(fd);
}

bool PutInPlaceIfFree(const std::string& temp_path, const std::string& final_path) {
  if (::renameat2(AT_FDCWD, temp_path.c_str(), AT_FDCWD, final_path.c_str(), RENAME_NOREPLACE) ==
      0) {
    return true;
  }
  if (errno == EEXIST) return false;
  if (!Unsupported(errno)) throw OsError(errno);
  // A link fails for a name that is taken, as the rename above would have.
  if (::link(temp_path.c_str(), final_path.c_str()) == 0) {
    if (::unlink(temp_path.c_str()) == 0) return true;
    // Two names of one file would make a later rename between them a silent no-op.
    const int err = errno;
    ::unlink(final_path.c_str());
    throw OsError(err);
  }
  if (errno == EEXIST) return false;
  if (!Unsupported(errno)) throw OsError(errno);
  // No links (FAT, exFAT): the name is taken by an empty file of ours and the whole file put
  // over it at once; the empty file stands only for that moment.
  const int fd = ::open(final_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == EEXIST) return false;
    throw OsError(errno);
  }
  ::close(fd);
  if (::rename(temp_path.c_str(), final_path.c_str()) != 0) {
    const int err = errno;
    ::unlink(final_path.c_str());
    throw OsError(err);
  }
  return true;
}

bool ExchangeNames(const std::string& a, const std::string& b) {
  return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

void RenameFile(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) throw OsError(errno);
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0 || errno == ENOENT; }

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

bool HeldOrUnknown(const std::string& path) {
  // Not waiting at the open: a pipe under such a name is not ours to judge.
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) return true;
  struct stat st;
  bool held = ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode);
  if (!held && ::flock(fd, LOCK_EX | LOCK_NB) != 0) held = true;
  if (!held) {
    // Record locks (lockf, fcntl) are not seen by flock: asked for apart.
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    held = ::fcntl(fd, F_GETLK, &lock) != 0 || lock.l_type != F_UNLCK;
  }
  ::close(fd);
  return held;
}

void SetCurrentFolder(const std::string& folder) {
  if (Unusable(folder)) throw OsError(EINVAL);
  if (::chdir(folder.c_str()) != 0) throw OsError(errno);
}

}  // namespace sorbel
