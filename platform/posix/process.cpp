// Processes and the boot on Linux: kill(pid, 0) asks after a process, the kernel's boot_id
// names the boot, and SIGXFSZ is ignored so that a write past the size limit fails with EFBIG.
#include "platform/process.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace sorbel {

long ProcessId() { return static_cast<long>(::getpid()); }

bool ProcessLives(long pid) {
  if (pid <= 0) return true;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

std::string BootId() {
  char id[64] = {};
  const int fd = ::open("/proc/sys/kernel/random/boot_id", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "";
  const ssize_t n = ::read(fd, id, sizeof id - 1);
  ::close(fd);
  std::string text(id, n > 0 ? static_cast<std::size_t>(n) : 0);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text.find(' ') == std::string::npos ? text : "";
}

void KeepWritesFromEndingTheProgram() { ::signal(SIGXFSZ, SIG_IGN); }

}  // namespace sorbel
