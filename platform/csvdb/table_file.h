// Which file a table name stands for: "[name.csv]" is the file name.csv in the table folder.
// Only plain file names qualify, so a query can never reach outside that folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sorbel {
class OpenFile;
}

namespace sorbel::csvdb {

// True when `name` is a plain file name ending in ".csv" (any letter case): not empty, no
// '/' or '\', no NUL, not starting with '.'.
bool IsTableFileName(std::string_view name);

// A table's file: its path, and an open file lent to read it from instead (null: none).
struct TableFile {
  std::string path;
  const OpenFile* lent = nullptr;
};

// folder + "/" + name when `name` is a table file name and names a regular file (or a link
// to one) in `folder`; nothing otherwise.
std::optional<std::string> TableFilePath(const std::string& folder, std::string_view name);

}  // namespace sorbel::csvdb
