// FileExists through the file system port: a folder does not count, a device or regular file
// does. Symbolic links are followed, so a link to a file counts as that file.
#include "fileutil/file_exists.h"

#include <string>

#include "platform/file_system.h"

namespace sorbel {

bool FileExists(std::string_view path) {
  if (path.empty()) return false;
  const std::optional<FileState> state = FileStateOf(std::string(path));
  return state && state->kind != FileKind::kFolder;
}

}  // namespace sorbel
