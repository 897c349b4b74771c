// Version texts and the program folder, read from /proc/self/exe.
// The folder holds the staged catalogue, datasource.dsn and the result files.
#include "platform/app.h"

#include <filesystem>

namespace sorbel {

std::string AppVersionText() {
  return " Ver. " + std::to_string(kAppMajor) + "." + std::to_string(kAppMinor) + "." +
         std::to_string(kAppRevision);
}

std::string AppCaption() { return kAppTitle + AppVersionText(); }

std::string AppFolder() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path().string();
  return exe.parent_path().string();
}

}  // namespace sorbel
