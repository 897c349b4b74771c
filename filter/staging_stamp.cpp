// The staging stamp: one line of numbers and the boot in the attribute user.sorbel.source,
// written on the copy before it is put in place (an exchange of names keeps it) and compared.
#include "filter/staging_stamp.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

namespace sorbel {
namespace {

constexpr char kName[] = "user.sorbel.source";
// A change within this long of the reading's start might share its time of change with the
// file as read: the clock that stamps files may tick only every few milliseconds, and a
// network file system's clock is not ours (a server clock more than this far behind, on a
// share that keeps whole seconds only, could still hide a change; such shares rarely keep
// extended attributes at all).
constexpr std::int64_t kRacyNanos = 2'000'000'000;

std::int64_t Nanos(const struct timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// This boot of the machine. The copy is put in place without waiting for the disk, so after a
// crash or a power loss it may be damaged: a stamp from an earlier boot is not trusted, and the
// next run compares the bytes. Empty when the kernel does not tell.
std::string BootId() {
  char id[64] = {};
  int fd = ::open("/proc/sys/kernel/random/boot_id", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "";
  ssize_t n = ::read(fd, id, sizeof id - 1);
  ::close(fd);
  std::string text(id, n > 0 ? static_cast<std::size_t>(n) : 0);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text.find(' ') == std::string::npos ? text : "";
}

// The stamp's text for `source` and the copy `copy`, noted at `noted` (nanoseconds): the
// version, then the numbers and the boot. False without a boot to name.
bool Format(const struct stat& source, const struct stat& copy, std::int64_t noted,
            char (&out)[256]) {
  const std::string boot = BootId();
  if (boot.empty()) return false;
  int n = std::snprintf(
      out, sizeof out, "3 %ju %ju %jd %" PRId64 " %" PRId64 " %jd %" PRId64 " %" PRId64 " %s",
      static_cast<std::uintmax_t>(source.st_dev), static_cast<std::uintmax_t>(source.st_ino),
      static_cast<std::intmax_t>(source.st_size), Nanos(source.st_mtim), Nanos(source.st_ctim),
      static_cast<std::intmax_t>(copy.st_size), Nanos(copy.st_mtim), noted, boot.c_str());
  return n > 0 && static_cast<std::size_t>(n) < sizeof out;
}

// The time a stamp's text was noted at: the number before the boot. -1 when there is none.
std::int64_t NotedAt(const std::string& text) {
  const std::size_t boot = text.rfind(' ');
  const std::size_t noted = boot == std::string::npos ? boot : text.rfind(' ', boot - 1);
  if (noted == std::string::npos) return -1;
  std::int64_t value = -1;
  return std::sscanf(text.c_str() + noted, " %" SCNd64, &value) == 1 ? value : -1;
}

}  // namespace

void WriteStagingStamp(int copy_fd, const struct stat* copy_as_read, const struct stat& source,
                       const struct timespec& read_from) {
  if (Nanos(source.st_ctim) > Nanos(read_from) - kRacyNanos) return;
  struct stat copy;
  struct timespec noted;
  char text[256];
  if (::fstat(copy_fd, &copy) != 0 || ::clock_gettime(CLOCK_REALTIME, &noted) != 0 ||
      !Format(source, copy, Nanos(noted), text)) {
    return;
  }
  if (copy_as_read != nullptr && (copy.st_size != copy_as_read->st_size ||
                                  Nanos(copy.st_mtim) != Nanos(copy_as_read->st_mtim) ||
                                  Nanos(copy.st_ctim) != Nanos(copy_as_read->st_ctim) ||
                                  Nanos(copy.st_ctim) > Nanos(read_from) - kRacyNanos)) {
    return;
  }
  // Not everywhere possible (tmpfs of old kernels, FAT, some network shares): then every run
  // compares the bytes, as it would without a stamp.
  ::fsetxattr(copy_fd, kName, text, std::strlen(text), 0);
}

bool StagingStampMatches(int copy_fd, const struct stat& source) {
  char have[256];
  ssize_t n = ::fgetxattr(copy_fd, kName, have, sizeof have - 1);
  if (n <= 0) return false;
  const std::string text(have, static_cast<std::size_t>(n));
  const std::int64_t noted = NotedAt(text);
  struct stat copy;
  char want[256];
  if (noted < 0 || ::fstat(copy_fd, &copy) != 0 || !Format(source, copy, noted, want)) {
    return false;
  }
  // Size and time of modification can be set back after a change in place; the time of change
  // cannot. Noting the stamp and putting the copy in place change it too, right after.
  const std::int64_t changed = Nanos(copy.st_ctim);
  return text == want && changed >= noted - kRacyNanos && changed <= noted + kRacyNanos;
}

}  // namespace sorbel
