// Office per desktop: names from the display, and the user's running offices read from /proc
// (their command line for the profile, their environment for the display).
#include "platform/libreoffice/office_desktop.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>

namespace sorbel {
namespace {

// Letters, digits, '.', '-' and '_' stay; anything else could end the office's accept string.
std::string PipeSafe(const std::string& text) {
  std::string out;
  for (char c : text) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '.' || c == '-' || c == '_';
    if (plain) {
      out += c;
    } else if (!out.empty() && out.back() != '_') {
      out += '_';
    }
  }
  return out.empty() ? "none" : out;
}

// A /proc file whole; empty when the process is gone or not ours to read.
std::string ProcFile(const std::string& path) {
  std::string text;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  ::close(fd);
  return text;
}

// The value of `name` in a NUL-separated list of NAME=value.
std::string EnvValue(std::string_view environ, std::string_view name) {
  while (!environ.empty()) {
    std::string_view entry = environ.substr(0, environ.find('\0'));
    environ.remove_prefix(std::min(environ.size(), entry.size() + 1));
    if (entry.size() > name.size() && entry.substr(0, name.size()) == name &&
        entry[name.size()] == '=') {
      return std::string(entry.substr(name.size() + 1));
    }
  }
  return "";
}

}  // namespace

std::string CurrentDisplay() {
  for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY"}) {
    const char* value = getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return "";
}

std::string DesktopPipeName(const std::string& display) { return "sorbel_" + PipeSafe(display); }

std::vector<RunningOffice> RunningOffices() {
  std::vector<RunningOffice> offices;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return offices;
  const uid_t me = getuid();
  while (dirent* entry = readdir(proc)) {
    if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
    const std::string dir = std::string("/proc/") + entry->d_name;
    struct stat st;
    if (::stat(dir.c_str(), &st) != 0 || st.st_uid != me) continue;
    const std::string command = ProcFile(dir + "/cmdline");
    const std::string program = command.substr(0, command.find('\0'));
    if (program.substr(program.rfind('/') + 1) != "soffice.bin") continue;
    RunningOffice office;
    office.own_profile = command.find("-env:UserInstallation=") != std::string::npos;
    const std::string environ = ProcFile(dir + "/environ");
    office.display = EnvValue(environ, "WAYLAND_DISPLAY");
    if (office.display.empty()) office.display = EnvValue(environ, "DISPLAY");
    offices.push_back(office);
  }
  closedir(proc);
  return offices;
}

std::string DesktopProfile(const std::string& display, const std::vector<RunningOffice>& running,
                           const std::string& config_home) {
  for (const RunningOffice& office : running) {
    if (!office.own_profile && office.display != display) {
      return config_home + "/sorbel/office-" + PipeSafe(display);
    }
  }
  return "";
}

}  // namespace sorbel
