// Staging: a fast copy of the chosen catalogue under a temporary name, renamed over the staged
// file, so the staged file is always either the old copy or the whole new one.
#include "filter/csv_source.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <vector>

#include "platform/error.h"

namespace sorbel {
namespace {

constexpr char kStagedName[] = "articles.csv";
constexpr size_t kChunk = 1 << 20;

// Closes the descriptor when the scope ends; Release hands it back for an explicit close.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }
  int Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// Errors that mean "this way of copying does not work here", not "the copy failed".
bool Unsupported(int err) {
  return err == ENOSYS || err == EXDEV || err == EINVAL || err == EOPNOTSUPP || err == EPERM ||
         err == ENOTSUP;
}

// Plain read/write from the current offsets to the end of `in`. Returns 0 or an errno value.
int CopyByReading(int in, int out) {
  std::vector<char> buffer(kChunk);
  for (;;) {
    ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return 0;
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      done += w;
    }
  }
}

// Copies all of `in` to `out`, in the kernel where it can (copy_file_range, then sendfile),
// else through a buffer. Returns 0 or an errno value.
int CopyContents(int in, int out) {
  bool moved_any = false;
  for (;;) {
    ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
    if (n > 0) {
      moved_any = true;
      continue;
    }
    if (n == 0) {
      // Some files (pseudo files among them) report nothing here although they have content.
      if (moved_any) return 0;
      break;
    }
    if (errno == EINTR) continue;
    if (moved_any || !Unsupported(errno)) return errno;
    break;
  }
  for (;;) {
    ssize_t n = ::sendfile(out, in, nullptr, 1 << 30);
    if (n > 0) {
      moved_any = true;
      continue;
    }
    if (n == 0) {
      if (moved_any) return 0;
      break;
    }
    if (errno == EINTR) continue;
    if (moved_any || !Unsupported(errno)) return errno;
    break;
  }
  return CopyByReading(in, out);
}

// Creates a new file with a name of its own in `folder`; sets `path` to that name.
int CreateTemporary(const std::string& folder, std::string& path) {
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = folder + "/." + kStagedName + "." + std::to_string(::getpid()) + "." +
           std::to_string(random() % 1000000000) + ".tmp";
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Puts the finished copy in place of an earlier staged file. The two names are exchanged
// rather than the copy renamed over the old file: for such a rename ext4 writes the whole new
// file to disk before returning, which costs seconds for a large catalogue. The old copy then
// has the temporary name and goes. Returns 0 or an errno value.
int ReplaceStaged(const std::string& temp_path, const std::string& staged_path) {
  if (::renameat2(AT_FDCWD, temp_path.c_str(), AT_FDCWD, staged_path.c_str(), RENAME_EXCHANGE) ==
      0) {
    ::unlink(temp_path.c_str());
    return 0;
  }
  // A file system that cannot exchange names takes the plain rename.
  if (::rename(temp_path.c_str(), staged_path.c_str()) != 0) return errno;
  return 0;
}

}  // namespace

void StageCsv(const std::string& chosen_path, const std::string& app_folder) {
  const std::string staged_path = app_folder + "/" + kStagedName;

  FileDescriptor in(::open(chosen_path.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.Get() < 0) throw OsError(errno);
  struct stat chosen;
  if (::fstat(in.Get(), &chosen) != 0) throw OsError(errno);
  if (S_ISDIR(chosen.st_mode)) throw OsError(EISDIR);
  struct stat staged;
  if (::stat(staged_path.c_str(), &staged) == 0 && SameFile(chosen, staged)) return;

  std::string temp_path;
  FileDescriptor out(CreateTemporary(app_folder, temp_path));
  if (out.Get() < 0) throw OsError(errno);
  int err = CopyContents(in.Get(), out.Get());
  if (err == 0 && ::close(out.Release()) != 0) err = errno;
  if (err == 0) {
    bool replace = ::stat(staged_path.c_str(), &staged) == 0 && S_ISREG(staged.st_mode);
    if (replace) {
      err = ReplaceStaged(temp_path, staged_path);
    } else if (::rename(temp_path.c_str(), staged_path.c_str()) != 0) {
      err = errno;
    }
  }
  if (err != 0) {
    ::unlink(temp_path.c_str());
    throw OsError(err);
  }
}

std::string ConnectionText(const std::string& app_folder) {
  std::string path = app_folder + "/datasource.dsn";
  if (path.find_first_of(";{}") == std::string::npos && path.front() != ' ' && path.back() != ' ') {
    return "FILEDSN=" + path + ";";
  }
  std::string braced = "{";
  for (char c : path) {
    braced += c;
    if (c == '}') braced += '}';
  }
  return "FILEDSN=" + braced + "};";
}

}  // namespace sorbel
