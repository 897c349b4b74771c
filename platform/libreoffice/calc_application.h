// Calc behind the spreadsheet host's classes: an application over one office connection, the
// new documents it adds and their sheets.
#pragma once

#include <functional>
#include <memory>

#include "platform/libreoffice/office_connection.h"
#include "platform/spreadsheet_host.h"

namespace sorbel {

// Takes the connection over; it is let go when the application and every document and sheet
// from it are gone. `on_shown`, when given, runs once the documents are first shown; a failure
// there changes nothing for the user. Throws Error when the office does not answer as a desktop.
std::unique_ptr<SpreadsheetApplication> NewCalcApplication(
    std::unique_ptr<OfficeConnection> connection, std::function<void()> on_shown = {});

}  // namespace sorbel
