// A file data source description (.dsn): an INI-style text whose [ODBC] section holds the
// connection's key=value settings.
#pragma once

#include <string>

#include "platform/csvdb/connection_text.h"

namespace sorbel::csvdb {

// The [ODBC] section of the file at `path`: keys in lower case, values trimmed, one pair of
// surrounding braces removed. Lines starting with ';' or '#' are comments.
// Throws Error(kErrDataSource) when the file cannot be read, is not UTF-8 text, or lacks the
// section.
Settings ReadDsnFile(const std::string& path);

}  // namespace sorbel::csvdb
