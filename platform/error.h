// The runtime error that travels from a failing step to the one place that shows it.
// It carries a number, a description and the facts a caller may act on; OsError builds one.
#pragma once

#include <cstdint>
#include <exception>
#include <new>
#include <string>

namespace sorbel {

// Numbers of the program's own errors, all from 3000 on; OS errors keep their errno value,
// which lies below (the Windows build maps its own codes onto errno's).
enum ErrorNumber : long {
  kErrDataSource = 3001,       // connection text or data source description unusable
  kErrCsvFile = 3002,          // a table's file cannot be opened or read
  kErrCsvFormat = 3003,        // a table's file is not CSV the reader can take
  kErrQuery = 3004,            // the query engine rejected the query text
  kErrQueryNotAllowed = 3005,  // anything but one read-only SELECT
  kErrNoSuchColumn = 3006,     // the query names a column the table does not have
  kErrStopped = 3007,          // a query or run stopped on a request to end the program
  kErrCodePage = 3100,         // a code page name no converter knows
  kErrSpreadsheet = 3200,      // the spreadsheet application failed
  kErrUsage = 3300,            // a command line the program cannot take
  kErrTypeMismatch = 3301,     // a text where a whole number was needed
  kErrUnexpected = 3302,       // a failure with no number of its own (out of memory, ...)
};

class Error : public std::exception {
 public:
  Error(long number, std::string description)
      : number_(number), description_(std::move(description)) {}

  long Number() const { return number_; }
  // The description alone: how the result writer and the spreadsheet display show an error.
  const std::string& Description() const { return description_; }
  // Number ":" description, no blanks around the colon: how the run and the text-file object
  // show one.
  std::string Report() const { return std::to_string(number_) + ":" + description_; }

  // What the error is about, for code that acts on it (never read back out of the text):
  // the file, the line in it (0: none), the column (empty: none).
  const std::string& File() const { return file_; }
  std::int64_t Line() const { return line_; }
  const std::string& Column() const { return column_; }
  Error& WithFile(std::string file) {
    file_ = std::move(file);
    return *this;
  }
  Error& WithLine(std::int64_t line) {
    line_ = line;
    return *this;
  }
  Error& WithColumn(std::string column) {
    column_ = std::move(column);
    return *this;
  }

  // For code outside the program (SQLite, the standard library); the program shows an error
  // only by Report or Description.
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  long number_;
  std::string description_;
  std::string file_;
  std::int64_t line_ = 0;
  std::string column_;
};

// The Error the exception being handled stands for: the Error itself; for running out of
// memory, a message that says what to do; for anything else, kErrUnexpected with its text.
// Only inside a catch block.
inline Error CurrentError() {
  try {
    throw;
  } catch (const Error& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return Error(
        kErrUnexpected,
        "メモリが足りません。ほかのプログラムを閉じるか、条件を加えて結果を少なくしてから、"
        "もう一度実行してください。");
  } catch (const std::exception& e) {
    return Error(kErrUnexpected, e.what());
  } catch (...) {
    return Error(kErrUnexpected, "原因のわからないエラーが起きました。");
  }
}

// The OS's description of errnum in the user's language, as UTF-8.
std::string OsErrorText(int errnum);

// An Error carrying errnum and its description.
inline Error OsError(int errnum) { return Error(errnum, OsErrorText(errnum)); }

}  // namespace sorbel
