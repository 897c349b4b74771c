// FillSheet: the cells are given as strings through setDataArray, which never reads them as
// numbers or formulas, into columns formatted as text, with undo and row heights held off.
#include "platform/libreoffice/sheet_fill.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/document/XActionLockable.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XDatabaseRange.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XUnnamedDatabaseRanges.hpp>
#include <com/sun/star/sheet/XViewFreezable.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/util/NumberFormat.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <com/sun/star/util/XNumberFormatTypes.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/libreoffice/uno_text.h"

namespace sorbel {
namespace {

namespace uno = com::sun::star::uno;
namespace beans = com::sun::star::beans;
namespace document = com::sun::star::document;
namespace frame = com::sun::star::frame;
namespace sheet = com::sun::star::sheet;
namespace table = com::sun::star::table;
namespace util = com::sun::star::util;

constexpr char kFill[] = "LibreOffice Calc のシートに結果を書き込めません";

// Column widths in 1/100 mm: a half-width character of the default font, plus the cell's
// margins.
constexpr sal_Int32 kCharWidth = 230;
constexpr sal_Int32 kPadding = 200;

// How long a shown window may take to be laid out before the headings stay unfrozen, and how
// often to look.
constexpr auto kLayoutWait = std::chrono::seconds(5);
constexpr auto kLayoutPause = std::chrono::milliseconds(20);

// What the document does on every change that a fill of many rows would pay for row by row:
// undo records, optimal row heights, repaints. Held off while filling, given back after.
class FillLock {
 public:
  explicit FillLock(const uno::Reference<frame::XModel>& model)
      : model_(model),
        settings_(model, uno::UNO_QUERY_THROW),
        actions_(model, uno::UNO_QUERY_THROW) {
    settings_->setPropertyValue("IsUndoEnabled", uno::Any(false));
    settings_->setPropertyValue("IsAdjustHeightEnabled", uno::Any(false));
    model_->lockControllers();
    actions_->addActionLock();
  }
  ~FillLock() {
    try {
      actions_->removeActionLock();
      model_->unlockControllers();
      settings_->setPropertyValue("IsAdjustHeightEnabled", uno::Any(true));
      settings_->setPropertyValue("IsUndoEnabled", uno::Any(true));
    } catch (const uno::Exception&) {
      // An office gone mid-fill: the error that brought us here says so already.
    }
  }
  FillLock(const FillLock&) = delete;
  FillLock& operator=(const FillLock&) = delete;

 private:
  uno::Reference<frame::XModel> model_;
  uno::Reference<beans::XPropertySet> settings_;
  uno::Reference<document::XActionLockable> actions_;
};

uno::Reference<table::XCellRange> Range(const uno::Reference<sheet::XSpreadsheet>& sheet,
                                        sal_Int32 first_column, sal_Int32 first_row,
                                        sal_Int32 last_column, sal_Int32 last_row) {
  return sheet->getCellRangeByPosition(first_column, first_row, last_column, last_row);
}

uno::Reference<beans::XPropertySet> RowsOf(const uno::Reference<table::XCellRange>& range) {
  return uno::Reference<beans::XPropertySet>(
      uno::Reference<table::XColumnRowRange>(range, uno::UNO_QUERY_THROW)->getRows(),
      uno::UNO_QUERY_THROW);
}

// The text format ("@") of the document's language: what a user types there later stays text too.
sal_Int32 TextFormat(const uno::Reference<frame::XModel>& model) {
  uno::Reference<util::XNumberFormatsSupplier> supplier(model, uno::UNO_QUERY_THROW);
  uno::Reference<util::XNumberFormatTypes> types(supplier->getNumberFormats(),
                                                 uno::UNO_QUERY_THROW);
  com::sun::star::lang::Locale locale;
  uno::Reference<beans::XPropertySet>(model, uno::UNO_QUERY_THROW)
      ->getPropertyValue("CharLocaleAsian") >>= locale;
  return types->getStandardFormat(util::NumberFormat::TEXT, locale);
}

// One batch as the office takes it: a row of strings per row.
uno::Sequence<uno::Sequence<uno::Any>> Batch(const std::vector<std::string>& cells, int columns) {
  const sal_Int32 rows = static_cast<sal_Int32>(cells.size() / static_cast<std::size_t>(columns));
  uno::Sequence<uno::Sequence<uno::Any>> data(rows);
  uno::Sequence<uno::Any>* row = data.getArray();
  std::size_t at = 0;
  for (sal_Int32 r = 0; r < rows; ++r) {
    row[r].realloc(columns);
    uno::Any* value = row[r].getArray();
    for (int c = 0; c < columns; ++c) value[c] <<= ToOUString(cells[at++]);
  }
  return data;
}

// Filter buttons on the headings.
void AddAutoFilter(const uno::Reference<frame::XModel>& model,
                   const uno::Reference<sheet::XSpreadsheet>& sheet, int columns, sal_Int32 rows) {
  table::CellRangeAddress area =
      uno::Reference<sheet::XCellRangeAddressable>(Range(sheet, 0, 0, columns - 1, rows - 1),
                                                   uno::UNO_QUERY_THROW)
          ->getRangeAddress();
  uno::Reference<beans::XPropertySet> settings(model, uno::UNO_QUERY_THROW);
  uno::Reference<sheet::XUnnamedDatabaseRanges> ranges(
      settings->getPropertyValue("UnnamedDatabaseRanges"), uno::UNO_QUERY_THROW);
  ranges->setByTable(area);
  uno::Reference<beans::XPropertySet>(ranges->getByTable(area.Sheet), uno::UNO_QUERY_THROW)
      ->setPropertyValue("AutoFilter", uno::Any(true));
}

void Fill(const uno::Reference<frame::XModel>& model,
          const uno::Reference<sheet::XSpreadsheet>& sheet, TextRowSource& source) {
  const int columns = source.Columns();
  if (columns <= 0) return;
  uno::Reference<table::XColumnRowRange> whole(sheet, uno::UNO_QUERY_THROW);
  const sal_Int32 capacity = whole->getRows()->getCount();
  // A new sheet's rows have the default height; the filled ones keep it, set by hand so that
  // nothing later makes a row with line breaks in it taller.
  const uno::Any height =
      uno::Reference<beans::XPropertySet>(whole->getRows()->getByIndex(0), uno::UNO_QUERY_THROW)
          ->getPropertyValue("Height");
  sal_Int32 rows = 0;
  {
    FillLock lock(model);
    uno::Reference<beans::XPropertySet>(Range(sheet, 0, 0, columns - 1, capacity - 1),
                                        uno::UNO_QUERY_THROW)
        ->setPropertyValue("NumberFormat", uno::Any(TextFormat(model)));
    std::vector<std::string> cells;
    while (source.NextRows(cells)) {
      uno::Sequence<uno::Sequence<uno::Any>> data = Batch(cells, columns);
      uno::Reference<table::XCellRange> target =
          Range(sheet, 0, rows, columns - 1, rows + data.getLength() - 1);
      uno::Reference<sheet::XCellRangeData>(target, uno::UNO_QUERY_THROW)->setDataArray(data);
      rows += data.getLength();
    }
    if (rows > 0) {
      RowsOf(Range(sheet, 0, 0, 0, rows - 1))->setPropertyValue("Height", height);
    }
  }
  if (rows == 0) return;
  AddAutoFilter(model, sheet, columns, rows);
  const std::vector<int> widths = source.ColumnWidths();
  uno::Reference<table::XTableColumns> sheet_columns = whole->getColumns();
  for (int c = 0; c < columns && c < static_cast<int>(widths.size()); ++c) {
    uno::Reference<beans::XPropertySet>(sheet_columns->getByIndex(c), uno::UNO_QUERY_THROW)
        ->setPropertyValue("Width", uno::Any(widths[c] * kCharWidth + kPadding));
  }
  // New work the user has not saved, as any new document with content.
  uno::Reference<util::XModifiable>(model, uno::UNO_QUERY_THROW)->setModified(true);
}

}  // namespace

void FreezeHeadings(const uno::Reference<frame::XModel>& model,
                    const uno::Reference<sheet::XSpreadsheet>& sheet) {
  uno::Reference<sheet::XSpreadsheetView> view(model->getCurrentController(), uno::UNO_QUERY_THROW);
  view->setActiveSheet(sheet);
  uno::Reference<sheet::XViewFreezable> freezable(view, uno::UNO_QUERY_THROW);
  // The split is placed in pixels of the laid-out view; freezing before the office has laid out
  // the new window (on a cold office, more often than not) leaves no split at all.
  const auto deadline = std::chrono::steady_clock::now() + kLayoutWait;
  for (;;) {
    freezable->freezeAtPosition(0, 1);
    if (freezable->hasFrozenPanes() || std::chrono::steady_clock::now() >= deadline) return;
    std::this_thread::sleep_for(kLayoutPause);
  }
}

void FillSheet(const uno::Reference<frame::XModel>& model,
               const uno::Reference<sheet::XSpreadsheet>& sheet, TextRowSource& source) {
  try {
    Fill(model, sheet, source);
  } catch (const uno::Exception& e) {
    throw OfficeError(kFill, e);
  }
}

}  // namespace sorbel
