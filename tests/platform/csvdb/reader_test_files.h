// Test files for the CSV reader tests: a private temporary folder with files written byte
// for byte, and a way to read a whole file back as rows of text.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/csvdb/csv_reader.h"
#include "tests/new_folder.h"

namespace sorbel::csvdb::testing {

class TempFolder {
 public:
  TempFolder() { dir_ = sorbel::testing::NewTempFolder("sorbel-reader"); }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // Writes `bytes` exactly to `name` in the folder and returns its path.
  std::string Write(std::string_view bytes, const std::string& name = "t.csv") const {
    std::string path = (std::filesystem::path(dir_) / name).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

 private:
  std::string dir_;
};

// Every record of `path` as texts; Null fields come out as "<null>" so they can be told apart.
inline std::vector<std::vector<std::string>> ReadAll(const std::string& path,
                                                     const CsvFormat& format = {}) {
  auto reader = CsvReader::Open(path, format);
  std::vector<std::vector<std::string>> rows;
  while (reader->Next()) {
    std::vector<std::string> row;
    for (int i = 0; i < static_cast<int>(reader->ColumnNames().size()); ++i) {
      CsvField f = reader->Field(i);
      row.push_back(f.kind == FieldKind::kNull ? "<null>" : std::string(f.text));
    }
    rows.push_back(row);
  }
  return rows;
}

using Rows = std::vector<std::vector<std::string>>;

}  // namespace sorbel::csvdb::testing
