// Excel's workbooks and worksheets through late-bound automation. Everything made for one
// display shares a session; the last object to go lets go of Excel, and quits it first unless
// the user was shown the work.
#include "platform/windows/excel_host.h"

#include <windows.h>

#include <oleauto.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "platform/windows/dispatch.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_error.h"

namespace sorbel {
namespace {

constexpr char kPrepare[] = "Excel のブックを用意できません";
constexpr char kFill[] = "Excel のシートに結果を書き込めません";
constexpr char kShow[] = "Excel のウィンドウを表示できません";
constexpr char kNotInstalled[] =
    "Excel を起動できません。この PC に Excel がインストールされていないようです。結果ファイルは "
    "Sorbel のフォルダーにあるので、ほかの表計算ソフトで開くこともできます。";
constexpr char kCannotStart[] = "Excel を起動できません";
constexpr char kCannotStartHint[] =
    "Excel を一度スタート メニューから起動して閉じてから、もう一度実行してください。"
    "結果ファイルは Sorbel のフォルダーにあります。";

// A worksheet of Excel 2007 and later.
constexpr std::int64_t kSheetRows = 1048576;
constexpr std::int64_t kSheetColumns = 16384;
// The UTF-16 units a cell holds.
constexpr std::size_t kCellUnits = 32767;

// Runs a step of automation calls; a failure says what could not be done, then Excel's words.
template <typename Step>
auto ExcelStep(const char* doing, Step&& step) -> decltype(step()) {
  try {
    return step();
  } catch (const Error& e) {
    throw Error(kErrSpreadsheet, std::string(doing) + ": " + e.Description());
  }
}

// For tidying up, where a failure changes nothing.
template <typename Step>
void Quietly(Step&& step) {
  try {
    step();
  } catch (const Error&) {
  }
}

// COM on this thread for as long as a display lasts: apartment-threaded, as a thread with
// windows needs. A thread already in the multithreaded apartment reaches Excel all the same,
// through proxies; only an initialisation of our own is undone.
class Apartment {
 public:
  Apartment() : owned_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~Apartment() {
    if (owned_) ::CoUninitialize();
  }
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;

 private:
  bool owned_;
};

Error StartError(HRESULT hr) {
  // No such program registered: Excel is not installed (or not for this account).
  if (hr == CO_E_CLASSSTRING || hr == REGDB_E_CLASSNOTREG) {
    return Error(kErrSpreadsheet, kNotInstalled);
  }
  return Error(kErrSpreadsheet, std::string(kCannotStart) + "（" +
                                    Win32Error(static_cast<unsigned long>(hr)).Description() +
                                    "）。" + kCannotStartHint);
}

// What the application, its workbooks and their sheets share.
class Session {
 public:
  explicit Session(const MakeExcel& make) {
    IDispatch* root = nullptr;
    const HRESULT hr = make(&root);
    if (FAILED(hr) || root == nullptr) throw StartError(FAILED(hr) ? hr : E_POINTER);
    application_ = Dispatch(root);
  }

  // Work never shown is closed unsaved and Excel quits, so that no hidden Excel stays behind;
  // shown, it is the user's. Then every reference goes, and COM after them.
  ~Session() {
    if (!visible_) {
      for (const Dispatch& workbook : workbooks_) {
        Quietly([&] { workbook.Call("Close", {}, {{"SaveChanges", Variant(false)}}); });
      }
      Quietly([&] { application_.Call("Quit"); });
    }
    workbooks_.clear();
    application_ = Dispatch();
  }

  const Dispatch& Application() const { return application_; }
  void AddWorkbook(const Dispatch& workbook) { workbooks_.push_back(workbook); }
  void SetVisible(bool visible) { visible_ = visible; }

 private:
  Apartment apartment_;  // first, so that it goes last
  Dispatch application_;
  std::vector<Dispatch> workbooks_;
  bool visible_ = false;
};

// One workbook as its sheets see it.
struct Book {
  std::shared_ptr<Session> session;  // first, so that it goes last
  Dispatch workbook;

  Dispatch FirstWindow() const { return workbook.Object("Windows").Object("Item", {Variant(1)}); }
};

// "A" for 1, "Z" for 26, "AA" for 27, ..., "XFD" for 16384.
std::string ColumnName(int column) {
  std::string name;
  for (; column > 0; column = (column - 1) / 26) {
    name.insert(name.begin(), static_cast<char>('A' + (column - 1) % 26));
  }
  return name;
}

// A value as a cell keeps it. A leading apostrophe is Excel's mark for text and would vanish,
// so it is doubled; longer text than a cell holds is cut there (the result file keeps it).
BSTR CellText(const std::string& utf8) {
  const std::wstring wide = Wide(utf8);
  const std::size_t quote = !wide.empty() && wide[0] == L'\'' ? 1 : 0;
  std::size_t size = std::min(wide.size(), kCellUnits - quote);
  if (size < wide.size() && IS_HIGH_SURROGATE(wide[size - 1])) --size;
  BSTR text = ::SysAllocStringLen(nullptr, static_cast<UINT>(quote + size));
  if (text == nullptr) throw std::bad_alloc();
  if (quote != 0) text[0] = L'\'';
  wide.copy(text + quote, size);
  return text;
}

// One batch as Range.Value2 takes it: a rows x columns array of texts, both indexes from 1.
// A SAFEARRAY is column-major: the row index changes fastest.
Variant TextArray(const std::vector<std::string>& cells, long rows, int columns) {
  SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(rows), 1}, {static_cast<ULONG>(columns), 1}};
  VARIANT array;
  ::VariantInit(&array);
  array.parray = ::SafeArrayCreate(VT_VARIANT, 2, bounds);
  if (array.parray == nullptr) throw std::bad_alloc();
  array.vt = VT_ARRAY | VT_VARIANT;
  Variant owner = Variant::Adopt(array);
  VARIANT* data = nullptr;
  const HRESULT hr = ::SafeArrayAccessData(array.parray, reinterpret_cast<void**>(&data));
  if (FAILED(hr)) throw Win32Error(static_cast<unsigned long>(hr));
  try {
    for (long r = 0; r < rows; ++r) {
      for (int c = 0; c < columns; ++c) {
        VARIANT& cell = data[static_cast<std::size_t>(c) * rows + r];
        cell.bstrVal = CellText(cells[static_cast<std::size_t>(r) * columns + c]);
        cell.vt = VT_BSTR;
      }
    }
  } catch (...) {
    ::SafeArrayUnaccessData(array.parray);
    throw;
  }
  ::SafeArrayUnaccessData(array.parray);
  return owner;
}

class ExcelSheet : public SpreadsheetSheet {
 public:
  ExcelSheet(std::shared_ptr<Book> book, Dispatch sheet)
      : book_(std::move(book)), sheet_(std::move(sheet)) {}

  std::string Name() const override {
    return ExcelStep(kPrepare, [&] { return sheet_.Get("Name").Text(); });
  }

  void SetName(const std::string& name) override {
    ExcelStep(kPrepare, [&] { sheet_.Put("Name", Variant(name)); });
  }

  void Delete() override {
    ExcelStep(kPrepare, [&] { sheet_.Call("Delete"); });
  }

  Size Capacity() const override { return Size{kSheetRows, kSheetColumns}; }

  void FillText(TextRowSource& source) override {
    const int columns = source.Columns();
    if (columns <= 0) return;
    const std::string last = ColumnName(columns);
    // Text format first, so that no value becomes a number, a date or a formula (Value2 keeps a
    // string as text in a text cell, "=1+1" included), nor does what the user types there later.
    ExcelStep(kFill, [&] { Range("A:" + last).Put("NumberFormat", Variant("@")); });
    std::int64_t rows = 0;
    std::vector<std::string> cells;
    while (source.NextRows(cells)) {
      const long count = static_cast<long>(cells.size() / static_cast<std::size_t>(columns));
      if (count == 0) continue;
      ExcelStep(kFill, [&] {
        Range(Area(rows + 1, last, rows + count)).Put("Value2", TextArray(cells, count, columns));
      });
      rows += count;
    }
    if (rows == 0) return;
    const std::vector<int> widths = source.ColumnWidths();
    ExcelStep(kFill, [&] {
      // One line a row: no wrapping, and the standard height set by hand, so that nothing later
      // makes a row with line breaks in it taller.
      Dispatch used = Range(Area(1, last, rows));
      used.Put("WrapText", Variant(false));
      used.Put("RowHeight", sheet_.Get("StandardHeight"));
      used.Call("AutoFilter");
      // ColumnWidth counts the standard font's digits; one more for the cell's margins.
      for (int c = 0; c < columns && c < static_cast<int>(widths.size()); ++c) {
        const std::string name = ColumnName(c + 1);
        Range(name + ":" + name).Put("ColumnWidth", Variant(std::min(widths[c] + 1, 255)));
      }
      // The headings stay in sight: the window's split below row 1, frozen.
      sheet_.Call("Activate");
      Dispatch window = book_->FirstWindow();
      window.Put("SplitColumn", Variant(0));
      window.Put("SplitRow", Variant(1));
      window.Put("FreezePanes", Variant(true));
    });
  }

 private:
  static std::string Area(std::int64_t first_row, const std::string& last_column,
                          std::int64_t last_row) {
    std::string area = "A";
    area += std::to_string(first_row);
    area += ':';
    area += last_column;
    area += std::to_string(last_row);
    return area;
  }

  Dispatch Range(const std::string& address) const {
    return sheet_.Object("Range", {Variant(address)});
  }

  std::shared_ptr<Book> book_;
  Dispatch sheet_;
};

class ExcelDocument : public SpreadsheetDocument {
 public:
  explicit ExcelDocument(std::shared_ptr<Book> book) : book_(std::move(book)) {}

  // Excel names and places it (before the active sheet) and makes it the active one.
  std::unique_ptr<SpreadsheetSheet> AddSheet() override {
    return ExcelStep(kPrepare, [&] {
      Dispatch sheet(book_->workbook.Object("Worksheets").Call("Add"));
      return std::make_unique<ExcelSheet>(book_, std::move(sheet));
    });
  }

  std::vector<std::unique_ptr<SpreadsheetSheet>> Sheets() override {
    return ExcelStep(kPrepare, [&] {
      Dispatch sheets = book_->workbook.Object("Worksheets");
      const long count = sheets.Get("Count").Long();
      std::vector<std::unique_ptr<SpreadsheetSheet>> out;
      for (long i = 1; i <= count; ++i) {
        out.push_back(std::make_unique<ExcelSheet>(
            book_, sheets.Object("Item", {Variant(static_cast<int>(i))})));
      }
      return out;
    });
  }

  // The workbook's window shows it in its title bar; saving still asks for a name.
  void SetTitle(const std::string& title) override {
    ExcelStep(kPrepare, [&] { book_->FirstWindow().Put("Caption", Variant(title)); });
  }

  // Excel has no language of a workbook: number formats and proofing follow the user's Office
  // settings. Nothing to set.
  void SetLanguage(const std::string&) override {}

 private:
  std::shared_ptr<Book> book_;
};

class ExcelApplication : public SpreadsheetApplication {
 public:
  explicit ExcelApplication(std::shared_ptr<Session> session) : session_(std::move(session)) {}

  // Shown, Excel is under the user's control (its UserControl is then true) and stays open
  // when we let go.
  void SetVisible(bool visible) override {
    ExcelStep(kShow, [&] { session_->Application().Put("Visible", Variant(visible)); });
    session_->SetVisible(visible);
  }

  std::unique_ptr<SpreadsheetDocument> AddDocument() override {
    return ExcelStep(kPrepare, [&] {
      auto book = std::make_shared<Book>();
      book->session = session_;
      book->workbook = Dispatch(session_->Application().Object("Workbooks").Call("Add"));
      session_->AddWorkbook(book->workbook);
      return std::make_unique<ExcelDocument>(std::move(book));
    });
  }

 private:
  std::shared_ptr<Session> session_;
};

class ExcelHost : public SpreadsheetHost {
 public:
  explicit ExcelHost(MakeExcel make) : make_(std::move(make)) {}

  std::unique_ptr<SpreadsheetApplication> CreateApplication() override {
    auto session = std::make_shared<Session>(make_);
    // Sheets are deleted and unsaved work closed without a question to anyone.
    ExcelStep(kCannotStart, [&] { session->Application().Put("DisplayAlerts", Variant(false)); });
    return std::make_unique<ExcelApplication>(std::move(session));
  }

 private:
  MakeExcel make_;
};

}  // namespace

std::unique_ptr<SpreadsheetHost> NewExcelHost(MakeExcel make) {
  return std::make_unique<ExcelHost>(std::move(make));
}

}  // namespace sorbel
