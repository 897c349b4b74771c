// FileExists through stat(): a folder does not count, a device or regular file does.
// Symbolic links are followed, so a link to a file counts as that file.
#include "fileutil/file_exists.h"

#include <sys/stat.h>

#include <string>

namespace sorbel {

bool FileExists(std::string_view path) {
  if (path.empty()) return false;
  std::string p(path);
  if (p.find('\0') != std::string::npos) return false;
  struct stat st;
  if (stat(p.c_str(), &st) != 0) return false;
  return !S_ISDIR(st.st_mode);
}

}  // namespace sorbel
