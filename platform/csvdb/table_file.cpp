// Table name checks: the name must be a bare .csv file name, and the file must be there.
// Anything else stays an unknown table for SQLite to report.
#include "platform/csvdb/table_file.h"

#include "platform/csvdb/connection_text.h"
#include "platform/file_system.h"

namespace sorbel::csvdb {

bool IsTableFileName(std::string_view name) {
  constexpr std::string_view kExtension = ".csv";
  if (name.size() <= kExtension.size() || name.front() == '.') return false;
  if (name.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos) return false;
  return LowerAscii(name.substr(name.size() - kExtension.size())) == kExtension;
}

std::optional<std::string> TableFilePath(const std::string& folder, std::string_view name) {
  if (!IsTableFileName(name)) return std::nullopt;
  std::string path = folder + "/" + std::string(name);
  const std::optional<FileState> state = FileStateOf(path);
  if (!state || state->kind != FileKind::kRegular) return std::nullopt;
  return path;
}

}  // namespace sorbel::csvdb
