// Version texts and the program folder: the executable's (from /proc/self/exe), or the user's
// documents folder's Sorbel when installed. It holds the staged catalogue, datasource.dsn and
// the result files.
#include "platform/app.h"

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/app_folder.h"

namespace sorbel {

std::string AppVersionText() {
  return " Ver. " + std::to_string(kAppMajor) + "." + std::to_string(kAppMinor) + "." +
         std::to_string(kAppRevision);
}

std::string AppCaption() { return kAppTitle + AppVersionText(); }

std::string AppFolder() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  const std::string exe_folder =
      ec ? std::filesystem::current_path().string() : exe.parent_path().string();
  const char* home = getenv("HOME");
  const passwd* user = home == nullptr || *home == '\0' ? getpwuid(getuid()) : nullptr;
  const std::string home_folder = home != nullptr && *home != '\0' ? home
                                  : user != nullptr                ? user->pw_dir
                                                                   : "/tmp";
  const char* config = getenv("XDG_CONFIG_HOME");
  const std::string config_folder =
      config != nullptr && *config == '/' ? config : home_folder + "/.config";
  std::string user_dirs;
  std::ifstream in(config_folder + "/user-dirs.dirs");
  user_dirs.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return ProgramFolderFor(exe_folder, DocumentsFolder(home_folder, user_dirs),
                          std::string(SORBEL_DATA_DIR) + "/datasource.dsn");
}

}  // namespace sorbel
