// The storage behind ResultRecords: every row of a finished query in one byte arena, each
// field a type tag followed by its number or its length and text.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/database.h"

namespace sorbel {

class ResultRecords::Impl {
 public:
  explicit Impl(std::vector<std::string> names);

  // Copies the row `stmt` stands on (after SQLITE_ROW) to the end of the records.
  void AppendRow(sqlite3_stmt* stmt);
  // Puts the records on their first row; called once all rows are in.
  void Start();

  int FieldCount() const { return static_cast<int>(names_.size()); }
  const std::string& FieldName(int i) const;
  std::int64_t RecordCount() const { return static_cast<std::int64_t>(rows_.size()); }
  bool Eof() const { return current_row_ >= rows_.size(); }
  std::size_t DataSize() const { return data_size_; }
  FieldValue Value(int j) const;
  void MoveNext();
  void Close();

 private:
  char* Allocate(size_t size);
  void Decode();

  std::vector<std::string> names_;
  std::vector<std::unique_ptr<char[]>> blocks_;
  size_t block_used_ = 0;
  size_t block_size_ = 0;
  size_t data_size_ = 0;           // bytes of all rows as stored
  std::vector<const char*> rows_;  // start of each row in the blocks
  size_t current_row_ = 0;
  std::vector<FieldValue> current_;   // the current row, decoded
  std::vector<FieldValue> scratch_;   // AppendRow's view of the statement's row
  std::vector<std::string> grouped_;  // AppendRow's texts of grouped integers
};

}  // namespace sorbel
