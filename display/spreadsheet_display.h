// ShowExcel: the result file shown in a new one-sheet spreadsheet document, every column as text.
// The run calls ShowExcel; the three steps it takes are open for tests and for reuse.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "filter/sheet_name.h"
#include "platform/message_box.h"
#include "platform/spreadsheet_host.h"

namespace sorbel {

// Sets the status bar's text while a big result is handed over.
using StatusText = std::function<void(const std::string&)>;

// Starts the application hidden, fills a new document's only sheet, named `sheet_name`
// (SheetName), with the file at result_path (written in `codepage`), every value as text, in a
// Japanese document, and shows it under the file's name. True when the
// application started and the import succeeded. When the application cannot be started the user is
// told (no icon) and the result is false; an import failure is told with the critical icon and the
// empty sheet is still shown. Any other failure is thrown as Error for the caller to report.
// `status` hears a row count while a big result is handed over.
bool ShowExcel(SpreadsheetHost& host, MessageBox& box, const std::string& result_path,
               const std::string& codepage, const std::string& sheet_name,
               const StatusText& status = {});

// Fills the three references: a hidden application, a new document and the one sheet left in it.
// False (told to the user) when the application cannot be started; later failures throw.
bool OpenExcel(SpreadsheetHost& host, MessageBox& box,
               std::unique_ptr<SpreadsheetApplication>& application,
               std::unique_ptr<SpreadsheetDocument>& workbook,
               std::unique_ptr<SpreadsheetSheet>& worksheet);

// Fills the sheet with the file, every value as text. False after telling the user why.
bool ImportCsv(SpreadsheetSheet& worksheet, MessageBox& box, const std::string& result_path,
               const std::string& codepage, const StatusText& status = {});

// Shows the application and lets go of application, workbook and worksheet, in this order.
void ReleaseExcel(std::unique_ptr<SpreadsheetApplication>& application,
                  std::unique_ptr<SpreadsheetDocument>& workbook,
                  std::unique_ptr<SpreadsheetSheet>& worksheet);

}  // namespace sorbel
