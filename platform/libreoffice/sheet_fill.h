// A Calc sheet filled with rows of text over UNO, batch by batch, in a form a shop owner can
// read: one line a row, the headings frozen with an autofilter, columns fitted to their content.
#pragma once

#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>

#include "platform/spreadsheet_host.h"

namespace sorbel {

// Fills `sheet` of `document` from A1 with the rows of `source`, the headings' autofilter included.
// Throws Error saying what the office refused or what the source could not read; the document is
// unlocked again either way.
void FillSheet(const com::sun::star::uno::Reference<com::sun::star::frame::XModel>& document,
               const com::sun::star::uno::Reference<com::sun::star::sheet::XSpreadsheet>& sheet,
               TextRowSource& source);

// Keeps the first row of `sheet` in sight as the rest scrolls. The view places the split by its
// window's size, so this works only once the window is shown; it waits a few seconds at most
// for the office to lay the shown window out, and leaves the rows unfrozen after that.
void FreezeHeadings(
    const com::sun::star::uno::Reference<com::sun::star::frame::XModel>& document,
    const com::sun::star::uno::Reference<com::sun::star::sheet::XSpreadsheet>& sheet);

}  // namespace sorbel
