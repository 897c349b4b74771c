// Calc behind the spreadsheet host's classes: an application over one office connection, the
// new documents it adds and their sheets.
#pragma once

#include <memory>

#include "platform/libreoffice/office_connection.h"
#include "platform/spreadsheet_host.h"

namespace sorbel {

// Takes the connection over; it is let go when the application and every document and sheet
// from it are gone. Throws Error when the office does not answer as a desktop.
std::unique_ptr<SpreadsheetApplication> NewCalcApplication(
    std::unique_ptr<OfficeConnection> connection);

}  // namespace sorbel
