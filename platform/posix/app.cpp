// The program folder: the executable's (from /proc/self/exe), or the user's documents folder's
// Sorbel when installed. It holds the staged catalogue, datasource.dsn and the result files.
#include "platform/app.h"

#include <fstream>
#include <iterator>

#include "platform/posix/app_folder.h"

namespace sorbel {

std::string AppFolder(std::string_view description_name) {
  std::ifstream in(ConfigHome() + "/user-dirs.dirs");
  const std::string user_dirs{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return ProgramFolderFor(ExecutableFolder(), DocumentsFolder(HomeFolder(), user_dirs),
                          std::string(SORBEL_DATA_DIR) + "/" + std::string(description_name),
                          description_name);
}

}  // namespace sorbel
