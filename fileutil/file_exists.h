// FileExists: does a file (anything but a folder) of this name exist.
// Errors are not trapped; an empty path is simply not a file.
#pragma once

#include <string_view>

namespace sorbel {

bool FileExists(std::string_view path);

}  // namespace sorbel
