// The copy on Linux: copy_file_range (a reflink or a server-side copy where the file system
// can), then sendfile, then read and write through a buffer; each tried only where it works.
#include "platform/file_copy.h"

#include <errno.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <vector>

#include "platform/error.h"

namespace sorbel {
namespace {

constexpr size_t kChunk = 1 << 20;
// The most one kernel call copies, so that a stop request is seen within a few milliseconds.
constexpr size_t kKernelStep = 64 << 20;

// Errors that mean "this way of copying does not work here", not "the copy failed".
bool Unsupported(int err) {
  return err == ENOSYS || err == EXDEV || err == EINVAL || err == EOPNOTSUPP || err == EPERM ||
         err == ENOTSUP;
}

enum class Outcome { kDone, kStopped, kNotHere };

// Repeats one kernel copy call until the end. kNotHere when it does not work for these files
// and moved nothing, so that the next way may start from the same offsets.
template <typename Step>
Outcome CopyInKernel(Step step, const std::atomic<bool>& stop, std::int64_t& copied) {
  bool moved_any = false;
  for (;;) {
    if (stop) return Outcome::kStopped;
    const ssize_t n = step();
    if (n > 0) {
      moved_any = true;
      copied += n;
      continue;
    }
    // Some files (pseudo files among them) report nothing here although they have content.
    if (n == 0) return moved_any ? Outcome::kDone : Outcome::kNotHere;
    if (errno == EINTR) continue;
    if (moved_any || !Unsupported(errno)) throw OsError(errno);
    return Outcome::kNotHere;
  }
}

// Plain read/write from the current offsets to the end of `in`.
bool CopyByReading(int in, int out, const std::atomic<bool>& stop, std::int64_t& copied) {
  std::vector<char> buffer(kChunk);
  for (;;) {
    if (stop) return false;
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw OsError(errno);
    }
    if (n == 0) return true;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        throw OsError(errno);
      }
      done += w;
    }
    copied += n;
  }
}

}  // namespace

bool CopyRest(OpenFile& from, OpenFile& to, const std::atomic<bool>& stop, std::int64_t& copied) {
  const int in = static_cast<int>(from.NativeHandle());
  const int out = static_cast<int>(to.NativeHandle());
  Outcome outcome = CopyInKernel(
      [&] { return ::copy_file_range(in, nullptr, out, nullptr, kKernelStep, 0); }, stop, copied);
  if (outcome == Outcome::kNotHere) {
    outcome = CopyInKernel([&] { return ::sendfile(out, in, nullptr, kKernelStep); }, stop, copied);
  }
  if (outcome == Outcome::kNotHere) return CopyByReading(in, out, stop, copied);
  return outcome == Outcome::kDone;
}

}  // namespace sorbel
