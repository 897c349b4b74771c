// Between the POSIX files of the port: a FileState from what stat and fstat tell.
// Not part of the port's interface.
#pragma once

#include <sys/stat.h>

#include "platform/open_file.h"

namespace sorbel {

FileState StateFromStat(const struct stat& st);

}  // namespace sorbel
