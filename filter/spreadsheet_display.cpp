// The result shown in the spreadsheet: start hidden, leave one sheet, import as text, show, let go.
// Only the start and the import are reported here; other failures go to the run's error path.
#include "filter/spreadsheet_display.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <string>

#include "platform/app.h"
#include "platform/error.h"

namespace sorbel {
namespace {

// How a CSV file fills a sheet: its rows (records) and its widest record, in fields, so that
// every column of the file is imported as text however many there are. A quote opens a quoted
// value only at the start of a field, as the spreadsheet reads it; inside one, separators and
// line breaks are content and "" is a quote. A byte scan suits UTF-8 and CP932 alike: CP932
// second bytes never take the values of ',', '"', CR or LF.
struct TableSize {
  std::int64_t rows = 0;
  int columns = 1;
};

TableSize MeasureCsv(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    int err = errno;
    throw Error(err, "ファイル「" + path + "」を開けません: " + OsErrorText(err));
  }
  enum { kFieldStart, kPlain, kQuoted, kQuoteInQuoted } state = kFieldStart;
  TableSize size;
  int fields = 1;
  bool row_open = false;  // bytes since the last line end
  char previous = 0;
  char buffer[1 << 16];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int err = errno;
      close(fd);
      throw Error(err, "ファイル「" + path + "」を読み込めません: " + OsErrorText(err));
    }
    if (n == 0) break;
    for (ssize_t i = 0; i < n; ++i) {
      const char c = buffer[i];
      const char before = previous;
      previous = c;
      if (state == kQuoted) {
        if (c == '"') state = kQuoteInQuoted;
        continue;
      }
      if (state == kQuoteInQuoted && c == '"') {
        state = kQuoted;
        continue;
      }
      if (c == '\n' || c == '\r') {
        // CR LF ends one row, as do a lone CR or LF.
        if (!(c == '\n' && before == '\r')) ++size.rows;
        row_open = false;
        fields = 1;
        state = kFieldStart;
        continue;
      }
      row_open = true;
      if (c == ',') {
        size.columns = std::max(size.columns, ++fields);
        state = kFieldStart;
      } else if (c == '"' && state == kFieldStart) {
        state = kQuoted;
      } else {
        state = kPlain;
      }
    }
  }
  close(fd);
  if (row_open) ++size.rows;
  return size;
}

}  // namespace

bool OpenExcel(SpreadsheetHost& host, MessageBox& box,
               std::unique_ptr<SpreadsheetApplication>& application,
               std::unique_ptr<SpreadsheetDocument>& workbook,
               std::unique_ptr<SpreadsheetSheet>& worksheet) {
  try {
    application = host.CreateApplication();
  } catch (const Error& e) {
    box.Show(e.Description(), kIconNone, kAppTitle);
    return false;
  }
  application->SetVisible(false);
  workbook = application->AddDocument();
  worksheet = workbook->AddSheet();
  const std::string keep = worksheet->Name();
  for (auto& sheet : workbook->Sheets()) {
    if (sheet->Name() != keep) sheet->Delete();
  }
  return true;
}

bool ImportCsv(SpreadsheetSheet& worksheet, MessageBox& box, const std::string& result_path,
               const std::string& codepage) {
  try {
    CsvImportSettings settings;
    settings.path = result_path;
    settings.codepage = codepage;
    const TableSize size = MeasureCsv(result_path);
    settings.text_columns = size.columns;
    worksheet.ImportCsv(settings);
    // The sheet shows what fits; the user must not take it for the whole result.
    const SpreadsheetSheet::Size capacity = worksheet.Capacity();
    if (size.rows > capacity.rows || size.columns > capacity.columns) {
      box.Show("結果は " + std::to_string(size.rows) + " 行・" + std::to_string(size.columns) +
                   " 列ありますが、表計算ソフトのシートには " + std::to_string(capacity.rows) +
                   " 行・" + std::to_string(capacity.columns) +
                   " 列までしか表示されません。すべての行は結果ファイル「" + result_path +
                   "」にあります。",
               kIconWarning, kAppTitle);
    }
    return true;
  } catch (const Error& e) {
    box.Show(e.Description(), kIconCritical, kAppTitle);
  } catch (const std::exception& e) {
    box.Show(e.what(), kIconCritical, kAppTitle);
  }
  return false;
}

void ReleaseExcel(std::unique_ptr<SpreadsheetApplication>& application,
                  std::unique_ptr<SpreadsheetDocument>& workbook,
                  std::unique_ptr<SpreadsheetSheet>& worksheet) {
  application->SetVisible(true);
  application.reset();
  workbook.reset();
  worksheet.reset();
}

bool ShowExcel(SpreadsheetHost& host, MessageBox& box, const std::string& result_path,
               const std::string& codepage) {
  std::unique_ptr<SpreadsheetApplication> application;
  std::unique_ptr<SpreadsheetDocument> workbook;
  std::unique_ptr<SpreadsheetSheet> worksheet;
  if (!OpenExcel(host, box, application, workbook, worksheet)) return false;
  bool imported = ImportCsv(*worksheet, box, result_path, codepage);
  ReleaseExcel(application, workbook, worksheet);
  return imported;
}

}  // namespace sorbel
