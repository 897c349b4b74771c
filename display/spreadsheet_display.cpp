// The result shown in the spreadsheet: start hidden, leave one sheet, fill it as text, show, let
// go. Only the start and the import are reported here; other failures go to the run's error path.
#include "display/spreadsheet_display.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include "display/result_rows.h"
#include "platform/app.h"
#include "platform/error.h"
#include "text/grouped_number.h"

namespace sorbel {
namespace {

// A hand-off this long gets a count in the status bar, so a big result does not look stuck.
constexpr std::chrono::milliseconds kQuietTime(1000);
constexpr std::chrono::milliseconds kCountEvery(250);

constexpr char kDocumentLanguage[] = "ja-JP";

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
               const std::string& codepage, const StatusText& status) {
  try {
    const auto start = std::chrono::steady_clock::now();
    auto shown = start;
    auto progress = [&](std::int64_t rows) {
      const auto now = std::chrono::steady_clock::now();
      if (!status || now - start < kQuietTime || now - shown < kCountEvery) return;
      shown = now;
      status("表計算ソフトに渡しています... " + Grouped(rows) + " 行");
    };
    const SpreadsheetSheet::Size capacity = worksheet.Capacity();
    ResultRows rows(result_path, codepage, capacity, progress);
    worksheet.FillText(rows);
    // The sheet shows what fits; the user must not take it for the whole result.
    if (rows.FileRows() > capacity.rows || rows.FileColumns() > capacity.columns) {
      box.Show("結果は " + std::to_string(rows.FileRows()) + " 行・" +
                   std::to_string(rows.FileColumns()) + " 列ありますが、表計算ソフトのシートには " +
                   std::to_string(capacity.rows) + " 行・" + std::to_string(capacity.columns) +
                   " 列までしか表示されません。すべての行は結果ファイル「" + result_path +
                   "」にあります。",
               kIconWarning, kAppTitle);
    }
    return true;
  } catch (...) {
    box.Show(CurrentError().Description(), kIconCritical, kAppTitle);
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
               const std::string& codepage, const std::string& sheet_name,
               const StatusText& status) {
  std::unique_ptr<SpreadsheetApplication> application;
  std::unique_ptr<SpreadsheetDocument> workbook;
  std::unique_ptr<SpreadsheetSheet> worksheet;
  if (!OpenExcel(host, box, application, workbook, worksheet)) return false;
  // Named after the result file and the run, so that the results of two runs can be told apart.
  workbook->SetTitle(std::filesystem::path(result_path).filename().string());
  worksheet->SetName(sheet_name);
  // The catalogue is Japanese: formats and proofing in Japanese, not in the office's default.
  workbook->SetLanguage(kDocumentLanguage);
  bool imported = ImportCsv(*worksheet, box, result_path, codepage, status);
  ReleaseExcel(application, workbook, worksheet);
  return imported;
}

}  // namespace sorbel
