// clsTextFile over POSIX file descriptors: each operation opens, does its job and closes.
// Content is converted between UTF-8 and the file's code page on the way in and out.
#include "fileutil/text_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>

#include "fileutil/file_descriptor.h"
#include "fileutil/file_exists.h"
#include "platform/codepage.h"
#include "platform/error.h"

namespace sorbel {
namespace {

constexpr char kNotFound[] = "ファイルが見つかりません。";

int Open(std::string_view path, int flags) {
  std::string p(path);
  // A NUL would silently cut the name short and open another file.
  if (p.find('\0') != std::string::npos) {
    errno = EINVAL;
    return -1;
  }
  int fd;
  do {
    // Non-blocking so that a pipe without a reader fails at once instead of hanging.
    fd = ::open(p.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Writes all of data and then tail with one gathering write (looping only over short
// writes); answers 0 or errno.
int WriteAll(int fd, std::string_view data, std::string_view tail) {
  while (!data.empty() || !tail.empty()) {
    struct iovec parts[2] = {{const_cast<char*>(data.data()), data.size()},
                             {const_cast<char*>(tail.data()), tail.size()}};
    ssize_t n = ::writev(fd, parts, 2);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    size_t done = static_cast<size_t>(n);
    size_t from_data = std::min(done, data.size());
    data.remove_prefix(from_data);
    tail.remove_prefix(done - from_data);
  }
  return 0;
}

// Reads to the end; answers 0 or errno.
int ReadAll(int fd, std::string& out) {
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) out.reserve(static_cast<size_t>(st.st_size));
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return 0;
    out.append(buf, static_cast<size_t>(n));
  }
}

}  // namespace

clsTextFile::clsTextFile() : codepage_(SystemCodePage()) {}

clsTextFile::clsTextFile(std::string codepage) : codepage_(std::move(codepage)) {}

bool clsTextFile::Fail(int errnum) { return Fail(OsError(errnum).Report()); }

bool clsTextFile::Fail(std::string message) {
  message_ = std::move(message);
  return false;
}

bool clsTextFile::ReadText(std::string_view vstrFilePath, std::string& rstrCont) {
  if (!FileExists(vstrFilePath)) return Fail(kNotFound);
  FileDescriptor fd(Open(vstrFilePath, O_RDONLY));
  if (!fd.Ok()) return Fail(errno);
  // A device or pipe may never end (/dev/zero); only whole regular files are read.
  struct stat st;
  if (fstat(fd.Get(), &st) != 0) return Fail(errno);
  if (!S_ISREG(st.st_mode)) return Fail(EINVAL);
  std::string bytes;
  if (int err = ReadAll(fd.Get(), bytes)) return Fail(err);
  try {
    rstrCont = ToUtf8(bytes, codepage_);
  } catch (const Error& e) {
    return Fail(e.Report());
  }
  return true;
}

bool clsTextFile::WriteText(std::string_view vstrFilePath, std::string_view vstrCont,
                            EscapedCharacters* escaped) {
  if (!FileExists(vstrFilePath)) return Fail(kNotFound);
  if (vstrCont.empty()) return true;
  // Well-formed UTF-8 into a UTF-8 file goes out as it is, without a copy of a large text.
  std::string converted;
  std::string_view bytes = vstrCont;
  if (!IsUtf8CodePage(codepage_) || !IsValidUtf8(vstrCont)) {
    try {
      converted = FromUtf8(vstrCont, codepage_, escaped);
    } catch (const Error& e) {
      return Fail(e.Report());
    }
    bytes = converted;
  }
  FileDescriptor fd(Open(vstrFilePath, O_WRONLY | O_APPEND));
  if (!fd.Ok()) return Fail(errno);
  if (int err = WriteAll(fd.Get(), bytes, "\r\n")) return Fail(err);
  if (int err = fd.Close()) return Fail(err);
  return true;
}

bool clsTextFile::ClearText(std::string_view vstrFilePath) {
  if (!FileExists(vstrFilePath)) return Fail(kNotFound);
  FileDescriptor fd(Open(vstrFilePath, O_WRONLY | O_TRUNC));
  if (!fd.Ok()) return Fail(errno);
  return true;
}

bool clsTextFile::CreateText(std::string_view strFilePath) {
  if (FileExists(strFilePath)) return true;
  // An empty name cannot be created; say so in the OS's own words.
  if (strFilePath.empty()) return Fail(ENOENT);
  FileDescriptor fd(Open(strFilePath, O_WRONLY | O_CREAT));
  if (!fd.Ok()) return Fail(errno);
  return true;
}

}  // namespace sorbel
