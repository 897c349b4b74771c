// The storage behind ResultRecords: every row of a finished query as bytes (its length, then
// each field a type tag and its number or length and text), in memory up to a limit and beyond
// it in a nameless file, so that a result of any size takes little memory.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/database.h"
#include "platform/open_file.h"

namespace sorbel {

class ResultRecords::Impl {
 public:
  // A result larger than the limit goes into a nameless file in `spill_folder`.
  Impl(std::vector<std::string> names, std::string spill_folder);

  // Copies the row `stmt` stands on (after SQLITE_ROW) to the end of the records.
  void AppendRow(sqlite3_stmt* stmt);
  // Puts the records on their first row; called once all rows are in.
  void Start();

  int FieldCount() const { return static_cast<int>(names_.size()); }
  const std::string& FieldName(int i) const;
  std::int64_t RecordCount() const { return count_; }
  bool Eof() const { return current_row_ >= count_; }
  std::size_t DataSize() const { return data_size_; }
  FieldValue Value(int j) const;
  void MoveNext();
  void Close();
  ~Impl();
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

 private:
  char* Allocate(size_t size);
  void Spill();
  void Ensure(size_t size);
  void Decode();

  std::vector<std::string> names_;
  std::string spill_folder_;
  // Writing: the rows not spilled yet. Reading: a window on the rows, unread from window_begin_
  // to window_end_.
  std::vector<char> buffer_;
  size_t window_begin_ = 0;
  size_t window_end_ = 0;
  OpenFile spill_;             // the nameless file, once a result outgrew memory
  std::string spill_path_;     // its name where it must have one
  std::uint64_t spilled_ = 0;  // bytes in it
  std::uint64_t read_at_ = 0;  // next byte of it to read into the window
  size_t data_size_ = 0;       // bytes of all rows as stored
  std::int64_t count_ = 0;
  std::int64_t current_row_ = 0;
  std::vector<FieldValue> current_;   // the current row, decoded
  std::vector<FieldValue> scratch_;   // AppendRow's view of the statement's row
  std::vector<std::string> grouped_;  // AppendRow's texts of grouped integers
};

}  // namespace sorbel
