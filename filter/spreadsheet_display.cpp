// The result shown in the spreadsheet: start hidden, leave one sheet, import as text, show, let go.
// Only the start and the import are reported here; other failures go to the run's error path.
#include "filter/spreadsheet_display.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <exception>

#include "platform/app.h"
#include "platform/error.h"

namespace sorbel {
namespace {

// The widest record of a CSV file, in fields, so that every column of the file is imported as
// text however many there are. A quote opens a quoted value only at the start of a field, as the
// spreadsheet reads it; inside one, separators and line breaks are content and "" is a quote. A
// byte scan suits UTF-8 and CP932 alike: CP932 second bytes never take the values of ',', '"',
// CR or LF.
int CountColumns(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    int err = errno;
    throw Error(err, "ファイル「" + path + "」を開けません: " + OsErrorText(err));
  }
  enum { kFieldStart, kPlain, kQuoted, kQuoteInQuoted } state = kFieldStart;
  int widest = 1;
  int fields = 1;
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
      char c = buffer[i];
      if (state == kQuoted) {
        if (c == '"') state = kQuoteInQuoted;
        continue;
      }
      if (state == kQuoteInQuoted && c == '"') {
        state = kQuoted;
        continue;
      }
      if (c == ',') {
        widest = std::max(widest, ++fields);
        state = kFieldStart;
      } else if (c == '\n' || c == '\r') {
        fields = 1;
        state = kFieldStart;
      } else if (c == '"' && state == kFieldStart) {
        state = kQuoted;
      } else {
        state = kPlain;
      }
    }
  }
  close(fd);
  return widest;
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
    settings.text_columns = CountColumns(result_path);
    worksheet.ImportCsv(settings);
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
