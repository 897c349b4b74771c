// The CSV virtual-table module: a table over one CSV file of the data source's folder, with
// one column per header name and no declared types, so values compare as they were written.
#pragma once

#include <sqlite3.h>

#include <exception>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/csvdb/data_source.h"
#include "platform/csvdb/set_aside_list.h"
#include "platform/csvdb/table_file.h"

namespace sorbel::csvdb {

// The CSV tables of one connection: the module, the folder and format they read, and the
// failure a table met inside SQLite's callbacks (which must not throw), kept for the caller.
class CsvTables {
 public:
  explicit CsvTables(DataSource source);
  CsvTables(const CsvTables&) = delete;
  CsvTables& operator=(const CsvTables&) = delete;

  // Makes the module known to `db`. The object must outlive the connection.
  void Register(sqlite3* db);

  // Creates the table `name` over the file of that name in the folder. Throws the reader's
  // Error (file missing, unreadable, malformed header, too many columns) or Error(kErrQuery).
  void Create(sqlite3* db, const std::string& name);

  const DataSource& Source() const { return source_; }

  // Has the table file `name` read from `file` (an open descriptor and the path messages
  // name), whether or not the folder holds a file of that name (see Connection::ReadTableFrom).
  void ReadTableFrom(const std::string& name, const TableFile& file) { lent_files_[name] = file; }
  // The file behind the table `name`, or nothing when `name` is no table of the folder.
  std::optional<TableFile> Resolve(std::string_view name) const;

  // The failure held since the last Forget, rethrown once; nothing when none is held. It is
  // kept as thrown, so that it crosses SQLite's frames with its type (a field's fault sets
  // its record aside, any other fails the query).
  void Keep(std::exception_ptr failure);
  void RethrowKept();
  void Forget() { kept_ = nullptr; }

  // The records each file had set aside by the cursors that read it, and whether they decode
  // the fields the query uses before handing a record out (CsvReader::CheckFields).
  SetAsideList& SetAsideOf(const std::string& path);
  std::vector<SetAsideRecords> TakeSetAside();
  void ClearSetAside();
  bool CheckFields() const { return check_fields_; }
  void SetCheckFields(bool on) { check_fields_ = on; }

 private:
  DataSource source_;
  std::map<std::string, TableFile, std::less<>> lent_files_;  // table file name -> lent file
  sqlite3_module module_{};
  std::exception_ptr kept_;
  std::map<std::string, SetAsideList, std::less<>> set_aside_;  // by file path
  bool check_fields_ = false;
};

}  // namespace sorbel::csvdb
