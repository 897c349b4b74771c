// soffice found and started by a double fork, so the office is never our child and never holds
// our pipes; a close-on-exec pipe brings back the office's pid or why it could not be executed.
#include "platform/libreoffice/office_process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/error.h"

extern char** environ;

namespace sorbel {
namespace {

constexpr char kMissing[] =
    "LibreOffice Calc を起動できません。LibreOffice のプログラム soffice が見つかりません";

// What the children report through the pipe; one write each, so never torn.
struct Report {
  enum Kind : int { kPid = 1, kExecFailed = 2, kForkFailed = 3 } kind;
  int value;
};

bool IsProgram(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// Our environment with `extra` laid over it.
std::vector<std::string> Environment(const std::vector<std::string>& extra) {
  std::vector<std::string> out;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    std::string entry(*e);
    std::string name = entry.substr(0, entry.find('=') + 1);
    bool replaced = false;
    for (const std::string& x : extra) replaced = replaced || x.compare(0, name.size(), name) == 0;
    if (!replaced) out.push_back(std::move(entry));
  }
  out.insert(out.end(), extra.begin(), extra.end());
  return out;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// The grandchild: a session of its own, default signals, /dev/null for input and output, no
// other descriptor than the report pipe (moved to 3, closed by exec), then the program.
[[noreturn]] void ExecDetached(int report_fd, const char* program, char* const* argv,
                               char* const* envp) {
  setsid();
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction dfl = {};
  dfl.sa_handler = SIG_DFL;
  sigaction(SIGPIPE, &dfl, nullptr);
  sigaction(SIGCHLD, &dfl, nullptr);
  if (report_fd != 3) dup3(report_fd, 3, O_CLOEXEC);
  int null_fd = open("/dev/null", O_RDWR);
  for (int fd = 0; fd < 3; ++fd) {
    if (null_fd != fd) dup2(null_fd, fd);
  }
  if (close_range(4, ~0U, 0) != 0) {
    for (int fd = 4; fd < 65536; ++fd) close(fd);
  }
  execve(program, argv, envp);
  Report failed = {Report::kExecFailed, errno};
  (void)!write(3, &failed, sizeof failed);
  _exit(127);
}

}  // namespace

std::string FindOffice(const std::string& configured) {
  if (!configured.empty()) {
    if (IsProgram(configured)) return configured;
    throw Error(kErrSpreadsheet, std::string(kMissing) + "（" + configured + "）。");
  }
  std::string installed = std::string(SORBEL_LIBREOFFICE_PROGRAM) + "/soffice";
  if (IsProgram(installed)) return installed;
  const char* path = getenv("PATH");
  std::string dirs = path != nullptr ? path : "";
  for (size_t start = 0; start <= dirs.size();) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (!dir.empty() && IsProgram(dir + "/soffice")) return dir + "/soffice";
    start = end + 1;
  }
  throw Error(kErrSpreadsheet,
              std::string(kMissing) + "。LibreOffice Calc をインストールしてください。");
}

std::unique_ptr<OfficeProcess> OfficeProcess::Start(const std::string& program,
                                                    const std::vector<std::string>& args,
                                                    const std::vector<std::string>& extra_env) {
  // Everything the children use is made before the fork: after it only plain system calls.
  std::vector<std::string> arg_strings = {program};
  arg_strings.insert(arg_strings.end(), args.begin(), args.end());
  std::vector<std::string> env_strings = Environment(extra_env);
  std::vector<char*> argv = Pointers(arg_strings);
  std::vector<char*> envp = Pointers(env_strings);

  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) throw OsError(errno);
  pid_t middle = fork();
  if (middle < 0) {
    int err = errno;
    close(report[0]);
    close(report[1]);
    throw OsError(err);
  }
  if (middle == 0) {
    close(report[0]);
    pid_t pid = fork();
    if (pid == 0) ExecDetached(report[1], program.c_str(), argv.data(), envp.data());
    Report started = pid > 0 ? Report{Report::kPid, pid} : Report{Report::kForkFailed, errno};
    (void)!write(report[1], &started, sizeof started);
    _exit(0);
  }
  close(report[1]);
  while (waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
  }

  // The pipe reaches end of file when the program has been executed or has failed to be.
  pid_t pid = -1;
  int failure = 0;
  Report r;
  for (;;) {
    ssize_t n = read(report[0], &r, sizeof r);
    if (n < 0 && errno == EINTR) continue;
    if (n != static_cast<ssize_t>(sizeof r)) break;
    if (r.kind == Report::kPid) pid = r.value;
    if (r.kind != Report::kPid) failure = r.value;
  }
  close(report[0]);
  if (failure != 0 || pid <= 0) {
    int err = failure != 0 ? failure : ECHILD;
    throw Error(kErrSpreadsheet,
                "LibreOffice Calc を起動できません（" + program + "）: " + OsErrorText(err));
  }
  int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  return std::unique_ptr<OfficeProcess>(new OfficeProcess(pid, pidfd));
}

OfficeProcess::~OfficeProcess() {
  if (pidfd_ >= 0) close(pidfd_);
}

void OfficeProcess::Stop() {
  // Only while the pid is known to be ours: the started process leads its own group.
  if (pidfd_ >= 0 && Running()) kill(-pid_, SIGTERM);
}

bool OfficeProcess::Running() const {
  if (pidfd_ < 0) return true;
  struct pollfd p = {pidfd_, POLLIN, 0};
  return !(poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0);
}

}  // namespace sorbel
