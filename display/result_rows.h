// The result file read back as rows of text for the spreadsheet, through the engine's own CSV
// reader, a batch at a time; what does not fit the sheet is counted, not handed over.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/database.h"
#include "platform/spreadsheet_host.h"

namespace sorbel {

class ResultRows : public TextRowSource {
 public:
  // Reads the file at `path`, written in `codepage`. The sheet takes at most `fits` rows and
  // columns. `progress` hears the rows handed over so far after each batch. Throws Error naming
  // the file when it cannot be opened or read.
  ResultRows(const std::string& path, const std::string& codepage, SpreadsheetSheet::Size fits,
             std::function<void(std::int64_t)> progress = {});
  ~ResultRows() override;

  int Columns() const override;
  bool NextRows(std::vector<std::string>& cells) override;
  std::vector<int> ColumnWidths() const override;

  // The whole file, once every batch has been taken: its rows (records) and columns.
  std::int64_t FileRows() const { return file_rows_; }
  int FileColumns() const { return file_columns_; }

 private:
  std::unique_ptr<CsvFileRecords> reader_;
  SpreadsheetSheet::Size fits_;
  std::function<void(std::int64_t)> progress_;
  int file_columns_ = 0;
  std::int64_t file_rows_ = 0;
  std::int64_t handed_ = 0;  // rows handed over
  std::vector<int> widths_;  // of the rows sampled so far
  bool done_ = false;
};

// How wide `text` shows, in half-width characters: its longest line, wide (CJK, full-width)
// characters counting two.
int TextWidth(std::string_view text);

}  // namespace sorbel
