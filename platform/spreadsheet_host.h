// The spreadsheet application as the display drives it: started hidden, one new document, its
// sheets added, listed and deleted, a CSV file imported into a sheet, the window shown, let go.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sorbel {

// How a CSV file is read into a sheet. The file is comma separated with '"' as text qualifier;
// the first line lands in row 1 from cell A1.
struct CsvImportSettings {
  std::string path;      // the file, absolute
  std::string codepage;  // the character set it is written in: "UTF-8", "windows-31j", ...
  int text_columns = 0;  // columns 1 to text_columns are taken as text, exactly as written
};

// One sheet of a document.
class SpreadsheetSheet {
 public:
  virtual ~SpreadsheetSheet() = default;

  // Names are distinct within a document.
  virtual std::string Name() const = 0;

  // Removes the sheet from its document without asking anyone.
  virtual void Delete() = 0;

  // Reads the file into this sheet; complete when the call returns. Throws Error with a
  // description when the file cannot be read or the application refuses.
  virtual void ImportCsv(const CsvImportSettings& settings) = 0;

  // The most rows and columns the sheet holds: an import of a larger file is cut there.
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

}  // namespace sorbel
