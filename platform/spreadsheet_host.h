// The spreadsheet application as the display drives it: started hidden, one new document, its
// sheets added, listed, renamed and deleted, a sheet filled with rows of text, the window shown,
// let go.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sorbel {

// Rows of text for a sheet, handed over a batch at a time so that a big result is never held
// whole.
class TextRowSource {
 public:
  virtual ~TextRowSource() = default;

  // Values in every row; known before the first batch.
  virtual int Columns() const = 0;

  // The next batch into `cells` (cleared first): row after row, Columns() values a row, UTF-8,
  // a line break within a value as "\n". False when no rows are left.
  virtual bool NextRows(std::vector<std::string>& cells) = 0;

  // Each column's width in half-width characters, from the rows seen; asked after the last batch.
  virtual std::vector<int> ColumnWidths() const = 0;
};

// One sheet of a document.
class SpreadsheetSheet {
 public:
  virtual ~SpreadsheetSheet() = default;

  // Names are distinct within a document.
  virtual std::string Name() const = 0;

  // Renames the sheet. The name must keep the application's rules (filter/sheet_name.h makes
  // such names) and be no other sheet's.
  virtual void SetName(const std::string& name) = 0;

  // Removes the sheet from its document without asking anyone.
  virtual void Delete() = 0;

  // Fills the sheet from A1 with the rows of `source`, complete when the call returns: every
  // value a text cell exactly as given (never a number, a date or a formula), every row one line
  // high, the first row frozen with an autofilter, the columns as wide as the source asks. Throws
  // Error with a description when the source or the application fails; rows already filled stay.
  virtual void FillText(TextRowSource& source) = 0;

  // The most rows and columns the sheet holds; the source must not give more.
  struct Size {
    std::int64_t rows = 0;
    std::int64_t columns = 0;
  };
  virtual Size Capacity() const = 0;
};

// A new, unsaved spreadsheet document.
class SpreadsheetDocument {
 public:
  virtual ~SpreadsheetDocument() = default;

  // Adds an empty sheet under a name the application chooses.
  virtual std::unique_ptr<SpreadsheetSheet> AddSheet() = 0;

  // Every sheet of the document, in order.
  virtual std::vector<std::unique_ptr<SpreadsheetSheet>> Sheets() = 0;

  // The name its window shows, so that two documents can be told apart; saving still asks where.
  virtual void SetTitle(const std::string& title) = 0;

  // The language of its text, as a BCP 47 tag ("ja-JP"): number formats and proofing follow it.
  // Set before the sheets are filled.
  virtual void SetLanguage(const std::string& tag) = 0;
};

// One running application, as created for one display. Dropping the last object that belongs
// to it lets go of it: once made visible it stays open under the user's control; one never made
// visible is closed with its documents, so no hidden window or office is left behind.
class SpreadsheetApplication {
 public:
  virtual ~SpreadsheetApplication() = default;

  // False keeps everything out of sight; true shows the documents to the user, in front.
  virtual void SetVisible(bool visible) = 0;

  // A new document with whatever sheets the application puts into one.
  virtual std::unique_ptr<SpreadsheetDocument> AddDocument() = 0;
};

// Creates applications. Every method of these classes throws Error (platform/error.h) on
// failure.
class SpreadsheetHost {
 public:
  virtual ~SpreadsheetHost() = default;

  // An application, not yet visible. When it cannot be started the description says why, for
  // instance that the program is not installed.
  virtual std::unique_ptr<SpreadsheetApplication> CreateApplication() = 0;
};

// The spreadsheet this system offers (on Linux LibreOffice Calc, loaded at the first display).
std::unique_ptr<SpreadsheetHost> SystemSpreadsheetHost();

}  // namespace sorbel
