// The program's folder: a datasource.dsn beside the executable keeps it there; an installed
// program (whose folder is the system's, /usr/bin) works in <documents>/Sorbel instead.
#include "platform/posix/app_folder.h"

#include <errno.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/error.h"

namespace sorbel {
namespace {

[[noreturn]] void CannotMake(const std::string& folder, const std::error_code& ec) {
  throw Error(ec.value() != 0 ? ec.value() : EIO,
              "Sorbel のフォルダー「" + folder +
                  "」を用意できません: " + OsErrorText(ec.value() != 0 ? ec.value() : EIO) +
                  "。フォルダーを作れる場所か、空き容量を確かめてください。");
}

}  // namespace

std::string ExecutableFolder() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::current_path().string() : exe.parent_path().string();
}

std::string HomeFolder() {
  const char* home = getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  const passwd* user = getpwuid(getuid());
  return user != nullptr ? user->pw_dir : "/tmp";
}

std::string ConfigHome() {
  const char* config = getenv("XDG_CONFIG_HOME");
  return config != nullptr && *config == '/' ? config : HomeFolder() + "/.config";
}

std::string DocumentsFolder(const std::string& home, std::string_view user_dirs) {
  constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
  while (!user_dirs.empty()) {
    std::string_view line = user_dirs.substr(0, user_dirs.find('\n'));
    user_dirs.remove_prefix(std::min(user_dirs.size(), line.size() + 1));
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.substr(0, kKey.size()) != kKey) continue;
    line.remove_prefix(kKey.size());
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.remove_suffix(1);
    if (line.size() >= 2 && line.front() == '"' && line.back() == '"') {
      line = line.substr(1, line.size() - 2);
    }
    std::string folder;
    if (line.substr(0, 5) == "$HOME") {
      folder = home + std::string(line.substr(5));
    } else if (!line.empty() && line.front() == '/') {
      folder = std::string(line);
    }
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    // A documents folder set to the home folder itself would put our files among the user's.
    if (!folder.empty() && folder != home) return folder;
  }
  return home + "/Documents";
}

std::string ProgramFolderFor(const std::string& exe_folder, const std::string& documents,
                             const std::string& shipped_dsn, std::string_view description_name) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::is_regular_file(fs::path(exe_folder) / description_name, ec)) return exe_folder;
  const std::string folder = documents + "/Sorbel";
  fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder, ec))
    CannotMake(folder, ec ? ec : std::make_error_code(std::errc::not_a_directory));
  const fs::path description = fs::path(folder) / description_name;
  if (!fs::exists(description, ec)) {
    // The user's own copy, to edit if need be; the shipped one is the system's.
    fs::copy_file(shipped_dsn, description, ec);
    if (ec) CannotMake(folder, ec);
  }
  return folder;
}

}  // namespace sorbel
