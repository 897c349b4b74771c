// Staging: a fast copy of the chosen catalogue, on a thread of its own, under a temporary name
// exchanged with the staged file at the end, so the staged file is the old copy or the new one.
#include "filter/csv_source.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "fileutil/file_descriptor.h"
#include "filter/run_leftovers.h"
#include "filter/staging_stamp.h"
#include "platform/database.h"
#include "platform/error.h"

namespace sorbel {
namespace {

constexpr char kStagedName[] = "articles.csv";
constexpr size_t kChunk = 1 << 20;
// The most one kernel call copies, so that a stop request is seen within a few milliseconds.
constexpr size_t kKernelStep = 64 << 20;

// Errors that mean "this way of copying does not work here", not "the copy failed".
bool Unsupported(int err) {
  return err == ENOSYS || err == EXDEV || err == EINVAL || err == EOPNOTSUPP || err == EPERM ||
         err == ENOTSUP;
}

// What a copy has to go by: a request to stop, and the bytes copied so far.
struct CopyState {
  std::atomic<bool> stop{false};
  off_t copied = 0;
};

// Plain read/write from the current offsets to the end of `in`. Returns 0 or an errno value.
int CopyByReading(int in, int out, CopyState& state) {
  std::vector<char> buffer(kChunk);
  for (;;) {
    if (state.stop) return ECANCELED;
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
    state.copied += n;
  }
}

// Copies all of `in` from its file position to `out`, in the kernel where it can
// (copy_file_range, then sendfile), else through a buffer. Returns 0 or an errno value.
int CopyContents(int in, int out, CopyState& state) {
  bool moved_any = false;
  for (;;) {
    if (state.stop) return ECANCELED;
    ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kKernelStep, 0);
    if (n > 0) {
      moved_any = true;
      state.copied += n;
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
    if (state.stop) return ECANCELED;
    ssize_t n = ::sendfile(out, in, nullptr, kKernelStep);
    if (n > 0) {
      moved_any = true;
      state.copied += n;
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
  return CopyByReading(in, out, state);
}

// Whether `staged` already holds exactly the first `size` bytes of `in` (and no more), read
// only from the page cache: when the earlier copy is no longer cached, reading it back from
// disk would cost more than writing a new copy, so the answer is then no. A run repeated on
// the same catalogue thus writes nothing, where a copy would dirty the whole file again.
bool StagedMatches(int in, int staged, off_t size, CopyState& state) {
  std::vector<char> want(kChunk);
  std::vector<char> have(kChunk);
  for (off_t at = 0; at < size;) {
    if (state.stop) return false;
    size_t step = static_cast<size_t>(std::min<off_t>(kChunk, size - at));
    ssize_t n = ::pread(in, want.data(), step, at);
    if (n <= 0) return false;  // the copy meets the same error and reports it
    struct iovec part = {have.data(), static_cast<size_t>(n)};
    if (::preadv2(staged, &part, 1, at, RWF_NOWAIT) != n) return false;
    if (std::memcmp(want.data(), have.data(), static_cast<size_t>(n)) != 0) return false;
    at += n;
  }
  struct stat now;
  return ::fstat(staged, &now) == 0 && now.st_size == size;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Puts the finished copy in place of an earlier staged file. The two names are exchanged
// rather than the copy renamed over the old file: for such a rename ext4 writes the whole new
// file to disk before returning, which costs seconds for a large catalogue. The old copy then
// has the temporary name and *exchanged is set: the caller removes it. Returns 0 or an errno.
int ReplaceStaged(const std::string& temp_path, const std::string& staged_path, bool* exchanged) {
  if (::renameat2(AT_FDCWD, temp_path.c_str(), AT_FDCWD, staged_path.c_str(), RENAME_EXCHANGE) ==
      0) {
    *exchanged = true;
    return 0;
  }
  // A file system that cannot exchange names takes the plain rename.
  if (::rename(temp_path.c_str(), staged_path.c_str()) != 0) return errno;
  return 0;
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Any write changes the time of change, even one that puts the time of modification back.
bool SameContent(const struct stat& a, const struct stat& b) {
  return a.st_size == b.st_size && SameTime(a.st_mtim, b.st_mtim) && SameTime(a.st_ctim, b.st_ctim);
}

Error ChangedError(const std::string& chosen_path) {
  return Error(kErrCsvFile, "CSVファイル「" + chosen_path +
                                "」を読めません: 読み込みの途中でファイルが変更されました。"
                                "もう一度実行してください。");
}

// The chosen file cannot be used: its name, and why in words a shop owner can act on.
Error ChosenError(const std::string& chosen_path, int err) {
  std::string why;
  switch (err) {
    case EISDIR:
      why = "フォルダーです。CSVファイルを選んでください。";
      break;
    case ENODEV:
      why = "装置のファイルです。CSVファイルを選んでください。";
      break;
    case EINVAL:
      why = "パイプなどの特殊なファイルです。CSVファイルを選んでください。";
      break;
    default:
      why = "開けません: " + OsErrorText(err);
  }
  return Error(err, "CSVファイル「" + chosen_path + "」は" + why);
}

Error CopyError(const std::string& staged_path, int err) {
  return Error(err, "CSVファイルを「" + staged_path + "」にコピーできません: " + OsErrorText(err));
}

}  // namespace

class CsvStaging::Impl {
 public:
  Impl(const std::string& chosen_path, const std::string& app_folder);
  ~Impl();
  void ShareSource(Connection& connection) const;
  void Finish();
  void ThrowIfChanged() const;

 private:
  bool Changed() const;
  void CheckUnchanged(struct stat& now);
  void PutInPlace();
  void RemoveOldCopy();
  void Abandon();

  std::string chosen_path_;
  std::string staged_path_;
  std::string temp_path_;  // empty when there is nothing (more) to put in place
  FileDescriptor in_;
  FileDescriptor out_;
  FileDescriptor staged_;         // the earlier staged copy, when it may equal the chosen file
  bool unchanged_ = false;        // nothing to copy: the staged file holds the chosen file's bytes
  struct timespec read_from_ {};  // when the chosen file was opened
  struct stat chosen_ {};
  struct stat staged_as_read_ {};  // the earlier staged copy when opened, before comparing
  CopyState state_;
  int error_ = 0;  // the copy's errno value, read after the thread has ended
  std::thread copier_;
  std::thread remover_;
};

CsvStaging::Impl::Impl(const std::string& chosen_path, const std::string& app_folder)
    : chosen_path_(chosen_path), staged_path_(app_folder + "/" + kStagedName) {
  // A pipe or a socket is no catalogue either: its bytes could not be read twice, by the query
  // and the copy. Told before opening: a pipe nobody writes to would block the open for good.
  struct stat first;
  if (::stat(chosen_path.c_str(), &first) == 0 &&
      (S_ISFIFO(first.st_mode) || S_ISSOCK(first.st_mode))) {
    throw ChosenError(chosen_path, EINVAL);
  }
  ::clock_gettime(CLOCK_REALTIME, &read_from_);
  // Without waiting all the same, in case the name changed meanwhile; a regular file whose
  // holder has a lease on it is then opened the ordinary way, which waits for the lease.
  in_.Reset(::open(chosen_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (in_.Get() < 0 && errno == EWOULDBLOCK && ::stat(chosen_path.c_str(), &first) == 0 &&
      S_ISREG(first.st_mode)) {
    in_.Reset(::open(chosen_path.c_str(), O_RDONLY | O_CLOEXEC));
  }
  if (in_.Get() < 0) throw ChosenError(chosen_path, errno);
  if (::fstat(in_.Get(), &chosen_) != 0) throw ChosenError(chosen_path, errno);
  if (S_ISDIR(chosen_.st_mode)) throw ChosenError(chosen_path, EISDIR);
  // A device is no catalogue, and one such as /dev/zero would be copied until the disk is full.
  if (S_ISCHR(chosen_.st_mode) || S_ISBLK(chosen_.st_mode)) throw ChosenError(chosen_path, ENODEV);
  if (!S_ISREG(chosen_.st_mode)) throw ChosenError(chosen_path, EINVAL);
  // Nothing to copy for an empty file (no catalogue: the query says so, naming it, and the
  // earlier staged copy stays) nor for the staged file itself. Either way the query reads it
  // through our descriptor, and Finish checks that it did not change meanwhile.
  struct stat staged {};
  bool have_staged = ::stat(staged_path_.c_str(), &staged) == 0;
  if (chosen_.st_size == 0 || (have_staged && SameFile(chosen_, staged))) {
    unchanged_ = true;
    state_.copied = chosen_.st_size;
    return;
  }
  if (have_staged && S_ISREG(staged.st_mode) && staged.st_size == chosen_.st_size) {
    staged_.Reset(::open(staged_path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (staged_.Ok() && ::fstat(staged_.Get(), &staged_as_read_) != 0) staged_.Reset(-1);
    // Copied from this very file as it is now: nothing to compare, nothing to copy.
    if (staged_.Ok() && StagingStampMatches(staged_.Get(), chosen_)) {
      unchanged_ = true;
      state_.copied = chosen_.st_size;
      return;
    }
  }

  out_.Reset(CreateTemporaryBeside(staged_path_, temp_path_));
  if (out_.Get() < 0) {
    int err = errno;
    temp_path_.clear();
    throw CopyError(staged_path_, err);
  }
  try {
    copier_ = std::thread([this] {
      if (staged_.Ok() && StagedMatches(in_.Get(), staged_.Get(), chosen_.st_size, state_)) {
        unchanged_ = true;
        state_.copied = chosen_.st_size;
        return;
      }
      error_ = CopyContents(in_.Get(), out_.Get(), state_);
    });
  } catch (...) {
    Abandon();
    throw;
  }
}

CsvStaging::Impl::~Impl() {
  state_.stop = true;
  if (copier_.joinable()) copier_.join();
  if (remover_.joinable()) remover_.join();
  Abandon();
}

void CsvStaging::Impl::ShareSource(Connection& connection) const {
  if (copier_.joinable() || unchanged_) {
    connection.ReadTableFrom(kStagedName, in_.Get(), chosen_path_);
  }
}

void CsvStaging::Impl::Finish() {
  struct stat now;
  if (!copier_.joinable()) {
    if (unchanged_) CheckUnchanged(now);
    return;
  }
  copier_.join();
  // A file cut short or rewritten while it was read fails the copy in ways that say nothing of
  // the cause; the change is what the user must hear of.
  if (error_ != 0 && Changed()) {
    Abandon();
    throw ChangedError(chosen_path_);
  }
  if (error_ == 0) {
    // The query read this file while the copy ran: both saw the same bytes only if it kept
    // its size and time of change, and the copy has all of it.
    CheckUnchanged(now);
    // Untouched since it was opened (CheckUnchanged): the copy may say so.
    if (unchanged_) {
      WriteStagingStamp(staged_.Get(), &staged_as_read_, now, read_from_);
    } else {
      WriteStagingStamp(out_.Get(), nullptr, now, read_from_);
    }
  }
  if (unchanged_ && error_ == 0) {
    Abandon();
    return;
  }
  PutInPlace();  // throws the copy's or the check's error, if any
}

// Throws Error(kErrCsvFile) when the chosen file is not as it was when opened, or the copy
// does not have all of it; `now` receives its state.
void CsvStaging::Impl::CheckUnchanged(struct stat& now) {
  int err = ::fstat(in_.Get(), &now) != 0 ? errno : 0;
  if (err == 0 && SameContent(chosen_, now) && state_.copied == now.st_size) return;
  Abandon();
  if (err != 0) throw OsError(err);
  throw ChangedError(chosen_path_);
}

bool CsvStaging::Impl::Changed() const {
  struct stat now;
  return ::fstat(in_.Get(), &now) != 0 || !SameContent(chosen_, now);
}

void CsvStaging::Impl::ThrowIfChanged() const {
  if (Changed()) throw ChangedError(chosen_path_);
}

// Closes the finished copy and exchanges it with the staged file; on any failure the
// temporary file goes and the error is thrown.
void CsvStaging::Impl::PutInPlace() {
  int err = error_;
  if (err == 0 && ::close(out_.Release()) != 0) err = errno;
  bool exchanged = false;
  if (err == 0) {
    struct stat staged;
    bool replace = ::stat(staged_path_.c_str(), &staged) == 0 && S_ISREG(staged.st_mode);
    if (replace) {
      err = ReplaceStaged(temp_path_, staged_path_, &exchanged);
    } else if (::rename(temp_path_.c_str(), staged_path_.c_str()) != 0) {
      err = errno;
    }
  }
  if (err != 0) {
    Abandon();
    throw CopyError(staged_path_, err);
  }
  if (exchanged) RemoveOldCopy();
  temp_path_.clear();
}

// Freeing a large file's cached pages takes a while: a thread of its own does it, so the
// run goes on meanwhile; the destructor waits for it.
void CsvStaging::Impl::RemoveOldCopy() {
  try {
    remover_ = std::thread([path = temp_path_] { ::unlink(path.c_str()); });
  } catch (...) {
    ::unlink(temp_path_.c_str());
  }
}

void CsvStaging::Impl::Abandon() {
  out_.Reset(-1);
  if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
  temp_path_.clear();
}

CsvStaging::CsvStaging(const std::string& chosen_path, const std::string& app_folder)
    : impl_(std::make_unique<Impl>(chosen_path, app_folder)) {}
CsvStaging::~CsvStaging() = default;
void CsvStaging::ShareSource(Connection& connection) const { impl_->ShareSource(connection); }
void CsvStaging::Finish() { impl_->Finish(); }
void CsvStaging::ThrowIfChanged() const { impl_->ThrowIfChanged(); }

void StageCsv(const std::string& chosen_path, const std::string& app_folder) {
  CsvStaging(chosen_path, app_folder).Finish();
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
