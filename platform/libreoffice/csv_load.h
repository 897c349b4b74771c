// A CSV file opened by Calc as a new untitled document: every column of the file as text, in the
// character set the file was written in, the first line in row 1 from cell A1.
#pragma once

#include <rtl/textenc.h>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XModel.hpp>

#include <string>

#include "platform/spreadsheet_host.h"

namespace sorbel {

// The office's number for a code page name ("UTF-8" 76, "windows-31j" 60, ...). The office
// ignores names, so the number is what the import needs. Throws Error(kErrCodePage) for a name
// it does not know.
rtl_TextEncoding OfficeCharset(const std::string& codepage);

// Loads the file into a new document with one sheet, hidden or not, complete on return. Throws
// Error with a description when the file cannot be read or the office refuses; nothing is left
// open then.
com::sun::star::uno::Reference<com::sun::star::frame::XModel> LoadCsv(
    const com::sun::star::uno::Reference<com::sun::star::frame::XComponentLoader>& loader,
    const CsvImportSettings& settings, bool hidden);

}  // namespace sorbel
