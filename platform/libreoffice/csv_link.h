// A CSV file read into a Calc sheet: linked by value from A1, the link cut at once, every column
// of the file as text, in the character set the file was written in.
#pragma once

#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <rtl/textenc.h>

#include <string>

#include "platform/spreadsheet_host.h"

namespace sorbel {

// The office's number for a code page name ("UTF-8" 76, "windows-31j" 60, ...). The office
// ignores names, so the number is what the import needs. Throws Error(kErrCodePage) for a name
// it does not know.
rtl_TextEncoding OfficeCharset(const std::string& codepage);

// Reads the file into the sheet; complete on return. Throws Error with a description when the
// file cannot be read or the office refuses.
void LinkCsv(const com::sun::star::uno::Reference<com::sun::star::sheet::XSpreadsheet>& sheet,
             const CsvImportSettings& settings);

}  // namespace sorbel
