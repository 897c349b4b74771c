// Test folders for the query engine: a private table folder with a datasource.dsn and CSV
// files, a connection to it, and query results as rows of text for easy comparison.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/database.h"
#include "platform/error.h"
#include "tests/new_folder.h"

namespace sorbel::csvdb::testing {

using Table = std::vector<std::vector<std::string>>;

// Texts of a value, typed so that tests see what kind SQLite handed on:
// "NULL", "i:1200", "r:4999.5", "t:00123".
inline std::string Show(const FieldValue& value) {
  if (std::holds_alternative<std::monostate>(value)) return "NULL";
  if (const auto* n = std::get_if<std::int64_t>(&value)) return "i:" + std::to_string(*n);
  if (const auto* d = std::get_if<double>(&value)) {
    std::string s = std::to_string(*d);
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return "r:" + s;
  }
  return "t:" + std::string(std::get<std::string_view>(value));
}

class EngineFolder {
 public:
  EngineFolder() {
    dir_ = sorbel::testing::NewTempFolder("sorbel-engine");
    Write("datasource.dsn", "[ODBC]\r\nDRIVER=Sorbel CSV\r\nDefaultDir=" + dir_ + "\r\n");
  }
  ~EngineFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  EngineFolder(const EngineFolder&) = delete;
  EngineFolder& operator=(const EngineFolder&) = delete;

  const std::string& Dir() const { return dir_; }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::string Dsn() const { return "FILEDSN=" + Path("datasource.dsn") + ";"; }

  // Writes `bytes` exactly to `name` in the folder.
  void Write(const std::string& name, std::string_view bytes) const {
    std::ofstream out(Path(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  // An open connection to the folder; `extra` is appended to the connection text.
  std::unique_ptr<Connection> Connect(const std::string& extra = "") const {
    auto connection = std::make_unique<Connection>();
    connection->ConnectionString = Dsn() + extra;
    connection->Open();
    return connection;
  }

  // The header line (column names) and then every record of `sql`, values shown typed.
  Table Query(const std::string& sql, const std::string& extra = "") const {
    auto connection = Connect(extra);
    std::unique_ptr<ResultRecords> records = connection->Execute(sql);
    Table table;
    table.emplace_back();
    for (int i = 0; i < records->FieldCount(); ++i) table[0].push_back(records->FieldName(i));
    for (; !records->Eof(); records->MoveNext()) {
      table.emplace_back();
      for (int j = 0; j < records->FieldCount(); ++j) {
        table.back().push_back(Show(records->Value(j)));
      }
    }
    records->Close();
    connection->Close();
    return table;
  }

  // Column 0 of each record of `sql`, as plain text.
  std::vector<std::string> Firsts(const std::string& sql) const {
    Table table = Query(sql);
    std::vector<std::string> firsts;
    for (size_t i = 1; i < table.size(); ++i) firsts.push_back(table[i][0].substr(2));
    return firsts;
  }

 private:
  std::string dir_;
};

// The number of the Error `f` throws, or 0 when it throws none.
template <typename F>
long ErrorNumberOf(F f, std::string* description = nullptr) {
  try {
    f();
  } catch (const Error& e) {
    if (description != nullptr) *description = e.Description();
    return e.Number();
  }
  return 0;
}

}  // namespace sorbel::csvdb::testing
