// Xvfb started with -displayfd, which writes the display's number once it accepts clients; every
// child dies with the test program (PR_SET_PDEATHSIG) and holds none of its descriptors.
#include "tests/platform/libreoffice/test_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace sorbel {
namespace {

// Finds `name` on PATH; empty when missing.
std::string Program(const std::string& name) {
  const char* path = getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin";
  for (size_t start = 0; start <= dirs.size();) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

// A child that runs `args` with `out` as its standard output and descriptor 3 (either may be -1),
// /dev/null for the rest.
int Spawn(std::vector<std::string> args, int out, const std::string& display) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t parent = getpid();
  pid_t pid = fork();
  if (pid != 0) return pid;
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(1);
  int null_fd = open("/dev/null", O_RDWR);
  if (out >= 0) dup2(out, 3);
  for (int fd = 0; fd < 3; ++fd) dup2(fd == 1 && out >= 0 ? 3 : null_fd, fd);
  close_range(out >= 0 ? 4 : 3, ~0U, 0);
  if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
  execv(argv[0], argv.data());
  _exit(127);
}

// One line from `fd`, without its end; empty after 30 s (a loaded machine may take a while).
std::string ReadLine(int fd) {
  std::string line;
  struct pollfd p = {fd, POLLIN, 0};
  while (poll(&p, 1, 30000) > 0) {
    char c;
    if (read(fd, &c, 1) != 1 || c == '\n') break;
    line += c;
  }
  return line;
}

void End(int pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
}

}  // namespace

TestDisplay::TestDisplay() {
  const std::string xvfb = Program("Xvfb");
  if (xvfb.empty()) {
    why_ = "Xvfb is not installed (scripts/install-deps.sh installs it)";
    return;
  }
  int report[2];
  if (pipe(report) != 0) {
    why_ = "no pipe for Xvfb";
    return;
  }
  server_ = Spawn({xvfb, "-displayfd", "3", "-screen", "0", "1600x1000x24", "-nolisten", "tcp"},
                  report[1], "");
  close(report[1]);
  std::string number = ReadLine(report[0]);
  close(report[0]);
  if (number.empty()) {
    why_ = "Xvfb did not start";
    End(server_);
    server_ = -1;
    return;
  }
  name_ = ":" + number;
  // A window manager places and sizes windows as a desktop does, after they are shown. Its
  // start-up command tells when it manages the screen; a window shown before would be taken
  // over half-way. The pipe stays open: openbox may write to its output later.
  const std::string openbox = Program("openbox");
  if (openbox.empty() || pipe(report) != 0) return;
  window_manager_ = Spawn({openbox, "--startup", "echo ready"}, report[1], name_);
  close(report[1]);
  wm_output_ = report[0];
  for (std::string line = "-"; !line.empty() && line != "ready";) line = ReadLine(wm_output_);
}

TestDisplay::~TestDisplay() {
  End(window_manager_);
  if (wm_output_ >= 0) close(wm_output_);
  End(server_);
}

}  // namespace sorbel
